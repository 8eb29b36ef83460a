#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace vq {

// 1, 2, 4 or 8: the largest reduction at which a JPEG frame of `full` size,
// its sides rounded up as libjpeg scales them, still covers `wanted` in both
// directions. 1 for an empty `wanted`.
[[nodiscard]] int JpegReductionCovering(QSize full, QSize wanted);

// How finely a reduced decode may scale a JPEG frame: by halvings (1/2, 1/4,
// 1/8), the reductions the picture cache keeps decodes at so that one serves
// many sizes; or by any eighth M/8 (M = 1 … 8), for drawing each picture once
// at its own size, where the decode nearest that size does the least work.
enum class JpegScaling { Halvings, Eighths };

// M from 1 to 8: the smallest eighth at which a JPEG frame of `full` size,
// its sides rounded up as libjpeg scales them, still covers `wanted` in both
// directions. 8 (no reduction) for an empty `wanted`, or when only the full
// frame covers it.
[[nodiscard]] int JpegEighthsCovering(QSize full, QSize wanted);

// JPEG `bytes` decoded straight from memory by libjpeg-turbo at 1/`reduction`
// (1, 2, 4 or 8) of the frame, sides rounded up, in Format_RGB32. Reduced
// decodes take the fast IDCT and chroma upsampling: they only ever feed a
// further smooth reduction for the screen. A full-size decode takes the
// accurate ones. Greyscale frames come out as grey RGB.
//
// A null image, before anything is allocated, for bytes that are not a JPEG
// stream or whose header claims a size IsAcceptableImageSize refuses; and for
// CMYK and YCCK frames (libjpeg cannot make RGB of them) and for data that
// draws any warning or error from libjpeg-turbo (cut short, damaged).
[[nodiscard]] QImage DecodeJpegReduced(const QByteArray& bytes, int reduction);

// JPEG `bytes` wanted at `size`, smaller than the frame: decoded at the
// largest reduction of `scaling` that still covers `size` (with the flags and
// refusals of DecodeJpegReduced), then smoothly scaled the rest of the way. A
// null image when no reduction covers `size` (the picture is wanted at its
// full size or larger) and wherever DecodeJpegReduced would give one; the
// caller's general decoder then takes over.
[[nodiscard]] QImage DecodeJpegForDisplay(const QByteArray& bytes, QSize size,
                                          JpegScaling scaling = JpegScaling::Halvings);

// True when `bytes` are a JPEG stream whose frame holds four colours (CMYK
// or YCCK), as printing and layout programs write them.
[[nodiscard]] bool IsFourColourJpeg(const QByteArray& bytes);

// A four-colour JPEG decoded by libjpeg-turbo at 1/`reduction` (1, 2, 4 or 8)
// as sRGB in Format_RGB32: the inks read inverted when an Adobe segment says
// so (JpegHasAdobeMarker), through the embedded CMYK profile when there is
// one (CmykToSrgb). A null image for anything else, for sizes refused by
// IsAcceptableImageSize before anything is allocated, and for data drawing
// any warning or error.
[[nodiscard]] QImage DecodeCmykJpegReduced(const QByteArray& bytes, int reduction);

} // namespace vq
