#pragma once

#include <QByteArray>
#include <QSize>

namespace vq {

// The pixel size from a JPEG stream's frame header, without decoding; an
// invalid size when the bytes are not a JPEG stream with a frame header.
[[nodiscard]] QSize jpegPixelSize(const QByteArray& bytes);

// True when an Adobe APP14 segment comes before the first scan of `jpeg`.
// Adobe's programs, and every layout program after them, store a four-colour
// JPEG's inks inverted (0 full ink, 255 none) and mark it so; a four-colour
// JPEG without the segment holds plain ink amounts.
[[nodiscard]] bool JpegHasAdobeMarker(const QByteArray& jpeg);

} // namespace vq
