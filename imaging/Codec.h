#pragma once

#include "imaging/Picture.h"

#include <QImage>
#include <QString>

#include <optional>

namespace vq {

struct Report;

struct LoadedPicture {
    PicturePtr picture;
    int width = 0;
    int height = 0;
    // The size of the file as loaded, which for a re-encoded image is not the
    // size of the picture's bytes.
    int dataSize = 0;
};

// Loads an image file as a picture. `type` is "jpeg", "gif", "bmp", "png",
// "tiff", "webp", "heif" or "avif" (any case), normally from the file's
// extension; other types fail. The content decides what happens, the name is
// only a hint:
// - JPEG data is kept byte for byte and not decoded; only its header is read.
//   A JPEG cut short (no end-of-image marker after its scan) fails. One whose
//   Exif orientation asks for a turn is brought upright (UprightJpeg):
//   turned losslessly with its tag set to 1 wherever that is exact. Its size
//   is the upright one at once; the upright bytes are finished in the
//   background (Picture::fromJpegBytesUpright).
// - GIF, BMP, PNG and TIFF data is decoded, upright as its orientation
//   metadata asks and in sRGB, transparent areas take the colour of the
//   top-left pixel, and the result is re-encoded as JPEG at quality 100.
// - WebP and HEIF (HEIC, AVIF) data, which no document keeps, is decoded
//   upright and in sRGB and converted to JPEG at quality 95 with chroma at
//   full resolution, or to PNG when it has transparent pixels.
// So a PNG named ".gif" or ".jpg" still loads (a HEIC named ".jpg" too), and a
// file no accepted decoder recognises fails. Named "webp", "heif" or "avif",
// though, a file must hold one of those formats. Empty, without a message, when the file cannot be read or
// decoded, or declares a size we refuse to allocate; callers report.
[[nodiscard]] std::optional<LoadedPicture> LoadPicture(const QString& path, const QString& type);

// A picture of `bitmap` as JPEG quality 100, encoded in memory; transparent
// areas take the colour of the top-left pixel. Null for a null or oversized
// bitmap or when encoding fails.
[[nodiscard]] PicturePtr BitmapToPicture(const QImage& bitmap);

// Saves `bitmap` scaled to `width` × `height` as a file of `type` ("jpeg",
// "png", "tiff", "bmp" or "gif", any case), flipped top to bottom when asked.
// `quality` (0..100) applies to JPEG only. An unknown type returns false
// without a report; a null bitmap or a size too large to hold leaves the
// out-of-memory report in `failure`, when given. The file is written under a temporary name and renamed into place, so
// a failed save leaves any earlier file at `path` untouched.
[[nodiscard]] bool SaveBitmapAsImageFile(const QImage& bitmap, int width, int height, const QString& path,
                                         const QString& type, int quality, bool flipVertical,
                                         Report* failure);

// `picture` redrawn at `width` × `height` (smooth scaling) as JPEG quality
// 100. The same picture when it already has that size, so that no generation
// is lost for nothing; null when the picture cannot be decoded or the size is
// empty or too large.
[[nodiscard]] PicturePtr ResizePicture(const PicturePtr& picture, int width, int height);

} // namespace vq
