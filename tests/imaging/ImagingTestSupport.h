#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vq::test {

// Four flat quadrants: red top-left, green top-right, blue bottom-left,
// white bottom-right. Flat areas survive JPEG and GIF within a small error, and
// the layout shows scaling, flipping and channel order at a glance.
inline constexpr QRgb kTopLeft = 0xFFD02020;
inline constexpr QRgb kTopRight = 0xFF20C040;
inline constexpr QRgb kBottomLeft = 0xFF2030D0;
inline constexpr QRgb kBottomRight = 0xFFF0F0F0;
[[nodiscard]] QImage QuadrantImage(int width, int height);

// The colours at the centres of the four quadrants, in the order above.
struct Quadrants {
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};
[[nodiscard]] Quadrants SampleQuadrants(const QImage& image);

// True when every channel of `a` is within `tolerance` of `b`'s.
[[nodiscard]] bool Near(QRgb a, QRgb b, int tolerance = 12);

// `image` encoded as `format` ("jpeg", "png", "bmp", "tiff", "gif"); GIF goes
// through the program's own writer because Qt cannot write it.
[[nodiscard]] QByteArray Encode(const QImage& image, const char* format);

bool WriteBytes(const QString& path, const QByteArray& bytes);
[[nodiscard]] QByteArray ReadBytes(const QString& path);

// A small but complete JPEG stream whose frame header claims another size.
[[nodiscard]] QByteArray JpegClaiming(int width, int height);

// Decodes JPEG bytes directly, bypassing any cache.
[[nodiscard]] QImage DecodeJpeg(const QByteArray& bytes);

// What a camera stores for `upright` under Exif orientation `orientation`:
// the pixels laid out so that turning them as the tag says shows `upright`.
// Built from the tag's definition (where row 0 and column 0 of the stored
// picture appear), independently of the program's own turning code.
[[nodiscard]] QImage StoredForOrientation(const QImage& upright, int orientation);

// An APP1 segment (marker included) with an Exif block in the given byte
// order whose first directory holds a camera make before the orientation tag.
[[nodiscard]] QByteArray ExifSegment(int orientation, bool bigEndian);

// `jpeg` with `segment` put right after its start-of-image marker.
[[nodiscard]] QByteArray WithSegment(const QByteArray& jpeg, const QByteArray& segment);

// A camera-style JPEG (Qt's 4:2:0 encoder) of `upright` stored as orientation
// `orientation` asks, carrying that tag.
[[nodiscard]] QByteArray TaggedPhoto(const QImage& upright, int orientation, bool bigEndian = false);

} // namespace vq::test
