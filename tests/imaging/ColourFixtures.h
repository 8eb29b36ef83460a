#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace vq::test {

// Pictures that show right only when their colour information is used. The
// picture is always the four quadrants below, in sRGB; each fixture stores
// them in another colour space and says which, so a decoder that ignores the
// profile or the inks draws visibly other colours.
inline constexpr QRgb kVividTopLeft = 0xFFE01810;
inline constexpr QRgb kVividTopRight = 0xFF18C828;
inline constexpr QRgb kVividBottomLeft = 0xFF2028E0;
inline constexpr QRgb kVividBottomRight = 0xFFF0F0F0;
[[nodiscard]] QImage VividImage(QSize size);
// Records a failure unless the quadrants of `image` are the vivid ones within
// `tolerance`; `what` names the image in the message.
void ExpectVivid(const QImage& image, const char* what, int tolerance = 14);

// An ICC profile of Display P3, as phones tag their photographs.
[[nodiscard]] QByteArray DisplayP3Profile();
// An RGB profile whose red primary is sRGB's green and whose green is sRGB's
// red: a picture stored with red and green swapped shows right only through
// it. As matrix and curves (which Qt's own conversion reads) or, with
// `lookupTable`, as a lookup table alone (which only Little CMS reads).
[[nodiscard]] QByteArray SwappedRedGreenProfile(bool lookupTable);
// The pixel values `image` (sRGB) takes in the space `profile` describes.
[[nodiscard]] QImage InProfileSpace(const QImage& image, const QByteArray& profile);

// A JPEG (4:4:4, quality 100) of VividImage(size) stored in the space of
// `profile`, which is embedded as APP2 segments of at most `chunkBytes` each.
[[nodiscard]] QByteArray ProfiledJpeg(QSize size, const QByteArray& profile, int chunkBytes = 60000);
// The same picture as PNG or TIFF with the profile embedded by Qt's writer.
[[nodiscard]] QByteArray ProfiledImage(QSize size, const QByteArray& profile, const char* format);

// A four-colour JPEG of the vivid quadrants' inks (pure red, green and blue
// inks, and a grey of black ink alone), written by libjpeg: inverted with an
// Adobe segment as layout programs write them, or plain without one.
[[nodiscard]] QByteArray CmykJpeg(QSize size, bool adobeInverted);
// The colours CmykJpeg's quadrants show.
inline constexpr QRgb kInkRed = 0xFFFF0000;
inline constexpr QRgb kInkGreen = 0xFF00FF00;
inline constexpr QRgb kInkBlue = 0xFF0000FF;
inline constexpr QRgb kInkGrey = 0xFF7F7F7F;

// A file of tests/imaging/fixtures, made by Debian's encoders (heif-enc,
// cwebp) from VividImage(64 × 48): "p3.heic" (Display P3 profile), "p3.webp"
// (the same), "plain.avif" (no profile), "alpha.avif" and "alpha.webp" (the
// bottom-right quadrant fully transparent).
[[nodiscard]] QByteArray Fixture(const char* name);
[[nodiscard]] QString FixturePath(const char* name);

} // namespace vq::test
