#pragma once

#include <QByteArray>
#include <QImage>

namespace vq {

// An opaque copy of `image` ready for a JPEG encoder: transparent areas take
// the colour of the top-left pixel (composited over it), as the program has
// always done when turning a transparent image into a picture. Opaque images
// come back unchanged apart from a cheap format normalisation.
[[nodiscard]] QImage FlattenOntoTopLeftColor(QImage image);

// Whether any pixel of `image` is less than fully opaque: what JPEG cannot keep.
[[nodiscard]] bool HasTransparentPixel(const QImage& image);

// JPEG bytes of `image` at `quality` (0..100), encoded in memory with
// baseline, non-optimised Huffman tables: the fastest of Qt's writer options.
// Transparent images are flattened first. Empty on failure.
[[nodiscard]] QByteArray EncodeJpeg(const QImage& image, int quality);

// True when `bytes` are a JPEG stream with a frame, a scan and an end-of-image
// marker after that scan: a file cut short by an interrupted copy or download
// has no end marker, because the entropy-coded data can never contain one.
[[nodiscard]] bool IsCompleteJpeg(const QByteArray& bytes);

} // namespace vq
