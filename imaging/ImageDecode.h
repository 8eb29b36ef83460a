#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include "imaging/JpegScaledDecode.h"

namespace vq {

// Every picture is kept as JPEG data, so nothing larger than a JPEG frame can
// hold (libjpeg refuses sides over 65500) is worth decoding.
inline constexpr int kMaxImageSide = 65500;
// The same pixel budget a Picture accepts: 2^28 pixels, 1 GiB at 32 bits.
inline constexpr qint64 kMaxImagePixels = qint64(1) << 28;
// What a decoder may allocate for one image, in megabytes. Qt's reader
// refuses anything over 256 MB by default, which turns away every photograph
// above 64 megapixels (a 100-megapixel one decodes to 400 MB at 32 bits).
// 1024 MB is exactly what the largest frame we accept (kMaxImagePixels at 32
// bits) takes, so the reader never refuses a picture we accept, and a header
// claiming more is refused by our own size check before a decoder sees it.
inline constexpr int kDecoderAllocationLimitMb = 1024;
static_assert(kMaxImagePixels * 4 <= qint64(kDecoderAllocationLimitMb) * 1024 * 1024);
// The largest image file we read into memory.
inline constexpr qint64 kMaxImageFileBytes = qint64(kDecoderAllocationLimitMb) * 1024 * 1024;

// True for a size whose pixels we are prepared to hold in memory.
[[nodiscard]] bool IsAcceptableImageSize(QSize size);

// Decodes encoded image `bytes`, trusting the bytes rather than any name: the
// format is detected from the content, and only JPEG, GIF, BMP, PNG and TIFF
// are accepted, so that no lesser-used decoder ever sees untrusted input. The
// declared size is checked before anything is allocated, and BMP and GIF data
// cut short is refused (their decoders would return a partly blank image). A
// null image on any failure; `format`, when given, receives the detected
// format ("jpeg", "gif", "bmp", "png", "tiff"). A valid `scaledTo` asks for the
// image at that size, which a JPEG decoder reaches far faster than a full
// decode; a JPEG reduced so comes as Format_RGB32 whatever its colour space.
// `scaling` says which reductions such a decode may take (JpegScaling).
// The pixels are sRGB: converted from the embedded ICC profile, if any
// (ConvertToSrgb), and four-colour JPEGs read as their inks are meant.
[[nodiscard]] QImage DecodeImage(const QByteArray& bytes, QByteArray* format = nullptr, QSize scaledTo = {},
                                 JpegScaling scaling = JpegScaling::Halvings);

// DecodeImage at full size for a picture coming in: turned and mirrored as
// its orientation metadata (Exif, TIFF orientation) asks, so that it shows as
// every viewer shows it. Never for pictures already kept, whose bytes keep
// showing as they always have. A picture coming in may also be WebP, or a
// HEIF file (HEIC, AVIF: `format` "heif" or "avif", DecodeHeif); these are
// never kept as they are, so no other path decodes them. sRGB as DecodeImage.
[[nodiscard]] QImage DecodeImageUpright(const QByteArray& bytes, QByteArray* format = nullptr);

// What DecodeImage would find without decoding the pixels: the detected format
// and the size from the header. An empty format and an invalid size when
// DecodeImage would refuse the bytes before reading them.
struct ImageHeader {
    QByteArray format;
    QSize size;
};
[[nodiscard]] ImageHeader ProbeImage(const QByteArray& bytes);

// True when a BMP's pixel data lies wholly inside `bytes`.
[[nodiscard]] bool IsCompleteBmp(const QByteArray& bytes);
// True when a GIF's blocks up to the end of its first image lie inside `bytes`.
[[nodiscard]] bool IsCompleteGif(const QByteArray& bytes);

} // namespace vq
