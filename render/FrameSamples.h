#pragma once

#include <QImage>
#include <QSize>

namespace vq {

// The size of one sample of a frame line style, as style selectors show it.
inline constexpr QSize kFrameSampleSize(48, 6);

// A horizontal stretch of frame line in `style` (0..5), drawn in black by
// the canvas's own frame painter on white, with the white made transparent.
// An unknown style gives a fully transparent sample.
[[nodiscard]] QImage FrameStyleSample(int style);

} // namespace vq
