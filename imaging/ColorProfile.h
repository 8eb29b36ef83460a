#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace vq {

// Everything the program draws, exports and prints is sRGB. A picture whose
// file embeds an ICC profile (a phone's Display P3, a camera's Adobe RGB, a
// raw converter's ProPhoto) is converted once, when it is decoded; its kept
// bytes stay as they were. A picture without a profile is taken to be sRGB.

// The ICC profile embedded in encoded image `bytes`: a JPEG's APP2
// "ICC_PROFILE" chunks joined in their sequence order, a PNG's iCCP chunk
// inflated, a TIFF's ICC tag of its first directory, a WebP's ICCP chunk.
// Every offset is checked before it is followed; empty when there is none or
// the data around it is damaged.
[[nodiscard]] QByteArray EmbeddedIccProfile(const QByteArray& bytes);

// `image` converted from the colour space `iccProfile` describes to sRGB:
// by Qt's own conversion where it understands the profile (matrix and curve
// RGB), by Little CMS otherwise (lookup-table and grey profiles). Alpha is
// kept. `image` unchanged for an empty, sRGB or unusable profile, and for a
// profile of another colour space than the image's (a CMYK profile beside RGB
// pixels).
[[nodiscard]] QImage ConvertToSrgb(QImage image, const QByteArray& iccProfile);

// CMYK ink amounts (0 none, 255 full), four bytes a pixel, rows `stride`
// bytes apart, as sRGB in Format_RGB32: through `iccProfile` when it is a
// usable CMYK profile, otherwise by the plain rule that takes each ink as
// removing its share of light. A null image when memory runs out.
[[nodiscard]] QImage CmykToSrgb(const uchar* inks, QSize size, qsizetype stride, const QByteArray& iccProfile);

} // namespace vq
