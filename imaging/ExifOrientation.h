#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

namespace vq {

// Cameras and phones often store a picture as the sensor saw it and note in
// the Exif block how to turn it for viewing. The values are those of the
// Exif orientation tag: 1 upright, 2 mirrored left-right, 3 turned half way,
// 4 mirrored top-bottom, 5 transposed, 6 to be turned right by 90 degrees,
// 7 transversed, 8 to be turned left by 90 degrees.
inline constexpr int kUprightOrientation = 1;

// Where the orientation tag of a JPEG stream lies: its value and the offset
// of its two value bytes in the stream, in the Exif block's byte order.
struct ExifOrientationTag {
    int value = kUprightOrientation;
    qsizetype offset = 0;
    bool bigEndian = false;
};

// The orientation tag in the first Exif block of `jpeg`, searched among the
// markers before the first scan. Every length and offset in the block is
// checked against the bytes before it is followed, and only the first image
// directory is read, so damaged or hostile data yields no tag rather than a
// read out of bounds. Empty when there is no tag of the expected type.
[[nodiscard]] std::optional<ExifOrientationTag> FindExifOrientation(const QByteArray& jpeg);

// The orientation `jpeg` asks for: 1 without a tag or for values outside 1..8.
[[nodiscard]] int ExifOrientationOf(const QByteArray& jpeg);

// The orientation the Exif block of a PNG file asks for (its eXIf chunk,
// which belongs before the image data): 1 without one, for a damaged one or
// for values outside 1..8. The block is read as strictly as a JPEG's.
[[nodiscard]] int PngExifOrientationOf(const QByteArray& png);

// `jpeg` with its orientation tag set to 1 in place, every other byte kept.
// The same bytes when there is no tag or it is already 1.
[[nodiscard]] QByteArray WithUprightOrientationTag(QByteArray jpeg);

// `stored` turned and mirrored pixel for pixel as `orientation` asks, RGB32;
// a picture with an alpha channel keeps it (ARGB32).
[[nodiscard]] QImage OrientImage(const QImage& stored, int orientation);

// `jpeg` brought upright for keeping as a new picture. A JPEG without an
// orientation tag other than 1 comes back as it is. Otherwise it is turned in
// the compressed domain, the coefficients moved but not changed, with every
// marker kept and its orientation tag set to 1; where partial coded units at
// the edges make that inexact, it is decoded, turned pixel for pixel and
// encoded again as the rotation commands do, keeping its Exif block with the
// tag set to 1. Empty when the bytes cannot be turned or decoded.
[[nodiscard]] QByteArray UprightJpeg(const QByteArray& jpeg);

} // namespace vq
