#pragma once

#include <QByteArray>
#include <QSize>

namespace vq {

// The pixel size from a JPEG stream's frame header, without decoding; an
// invalid size when the bytes are not a JPEG stream with a frame header.
[[nodiscard]] QSize jpegPixelSize(const QByteArray& bytes);

} // namespace vq
