#pragma once

#include <QImage>

class QIODevice;

namespace vq {

// Writes `image` to `device` as a single-frame GIF with a palette of at most
// 256 colours chosen by libimagequant (with dithering). Pixels less than half
// opaque become the one transparent colour GIF allows; the rest are made
// opaque. False when the image is null, larger than GIF's 65535 × 65535, or
// when quantising or writing fails.
[[nodiscard]] bool WriteGif(const QImage& image, QIODevice& device);

} // namespace vq
