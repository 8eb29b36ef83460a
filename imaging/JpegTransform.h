#pragma once

#include "imaging/Rotate.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace vq {

// What decides whether a JPEG can be turned without loss: its size and the
// size of its minimum coded unit (8, 16 or 32 pixels a side, by the chroma
// subsampling).
struct JpegBlockLayout {
    QSize size;
    QSize mcu;
};
// Empty when the bytes are not a JPEG stream libjpeg can describe.
[[nodiscard]] std::optional<JpegBlockLayout> ReadJpegBlockLayout(const QByteArray& jpeg);

// True when `turn` moves whole coded units only. A JPEG may end in partial
// units at its right and bottom edges alone; a turn that would carry such a
// unit to the left or top edge cannot be done in the compressed domain
// without trimming it.
[[nodiscard]] bool IsPerfectTurn(const JpegBlockLayout& layout, ExactTurn turn);

// `jpeg` turned in the compressed domain: the same quantised coefficients in
// a new order, nothing decoded or quantised again, the extra markers (Exif,
// colour profile, comments) kept. Empty when the bytes are not a JPEG that
// libjpeg reads without complaint or when the turn is not perfect.
[[nodiscard]] QByteArray TransformJpegLossless(const QByteArray& jpeg, ExactTurn turn);

// `jpeg` turned as Exif orientation `orientation` (2..8, see
// imaging/ExifOrientation.h) asks, so that it shows upright without the tag;
// every marker is copied as it is, the tag included. In the compressed domain
// where the turn is perfect, otherwise re-saved at the picture's own settings
// (ReencodeJpegTransformed). Empty when libjpeg does not read the data cleanly.
[[nodiscard]] QByteArray TransformJpegToUpright(const QByteArray& jpeg, int orientation);

// `jpeg` turned by `turn`: in the compressed domain where that is perfect,
// otherwise re-saved at the picture's own settings. Empty when libjpeg does
// not read the data cleanly.
[[nodiscard]] QByteArray TurnJpeg(const QByteArray& jpeg, ExactTurn turn);

// JPEG bytes of `image` at `quality` (1..100) without chroma subsampling.
// With 8 × 8 coded units, later turns of the result are perfect whenever its
// sides are multiples of 8, so a picture that had to be re-encoded once is
// not re-encoded again by every further turn. Transparent areas take the
// colour of the top-left pixel. Empty on failure.
[[nodiscard]] QByteArray EncodeJpegFullChroma(const QImage& image, int quality);

} // namespace vq
