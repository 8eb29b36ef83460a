#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace vq {

// Phones store their photographs as HEIC, the web sends AVIF: both are HEIF
// files, read through libheif and its HEVC and AV1 decoders.

// "heif" for a HEIF file libheif can read (HEIC and its kin), "avif" for an
// AV1 one, empty for anything else: known from the file's first box, whatever
// the file is called.
[[nodiscard]] QByteArray HeifFormatOf(const QByteArray& bytes);

// The size the primary image shows at (turned as the file asks), from the
// file's boxes alone: no pixel is decoded. Invalid when the file cannot be
// parsed or IsAcceptableImageSize refuses the size.
[[nodiscard]] QSize HeifImageSize(const QByteArray& bytes);

// The primary image, upright as the file's transformations ask and in sRGB
// (converted from its ICC profile or its coded primaries), Format_ARGB32 when
// it has an alpha channel and Format_RGB32 otherwise. Null when the file
// cannot be read or decoded, and, before any pixel is allocated, when its
// size is refused.
[[nodiscard]] QImage DecodeHeif(const QByteArray& bytes);

} // namespace vq
