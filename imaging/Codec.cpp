#include "imaging/Codec.h"

#include "imaging/ExifOrientation.h"
#include "imaging/GifWriter.h"
#include "imaging/HeifDecode.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/JpegTransform.h"
#include "imaging/ReadBuffer.h"
#include "base/Report.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <functional>
#include <iterator>

namespace vq {

namespace {
// zlib's level 3 on the 0 to 100 scale QImageWriter::setCompression takes for
// PNG files (it maps 34 to 40 onto level 3).
constexpr int kPngCompressionLevel3 = 35;
} // namespace


namespace {

enum class Encoder { Jpeg, Qt, Gif };

// The image types the program reads and writes, and how each is written.
struct ImageType {
    const char* name;
    Encoder encoder;
    const char* qtFormat;
};
constexpr ImageType kImageTypes[] = {
    {"jpeg", Encoder::Jpeg, nullptr}, {"gif", Encoder::Gif, nullptr}, {"bmp", Encoder::Qt, "bmp"},
    {"png", Encoder::Qt, "png"},      {"tiff", Encoder::Qt, "tiff"},
};

// Types a picture may come in as but is never kept as: converted on the way
// in, since a document's readers expect only the types above.
constexpr const char* kConvertedTypes[] = {"webp", "heif", "avif"};

bool isConvertedType(const QString& name)
{
    return std::any_of(std::begin(kConvertedTypes), std::end(kConvertedTypes),
                       [&](const char* t) { return name.compare(QLatin1String(t), Qt::CaseInsensitive) == 0; });
}

bool isConvertedData(const QByteArray& bytes)
{
    const bool webp = bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP";
    return webp || !HeifFormatOf(bytes).isEmpty();
}

// A picture converted from a format no document keeps: a photograph as JPEG
// at quality 95 with chroma at full resolution, which keeps fine colour edges
// with no visible loss; anything with transparency as PNG, which keeps it.
PicturePtr convertedPicture(const QImage& image)
{
    if (!HasTransparentPixel(image))
        return Picture::fromJpegBytes(EncodeJpegFullChroma(image, 95));
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "png").write(image))
        return nullptr;
    buffer.close();
    return Picture::fromBytes(std::move(png));
}

const ImageType* imageType(const QString& name)
{
    const auto* found = std::find_if(std::begin(kImageTypes), std::end(kImageTypes), [&](const ImageType& t) {
        return name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0;
    });
    return found == std::end(kImageTypes) ? nullptr : found;
}

// Runs `write` on a file at `path`. A regular file is written under a temporary
// name and renamed into place only when everything was written, so a failed save
// leaves any earlier file untouched. Anything else that exists there (a device,
// a pipe) is written in place: renaming over it would replace it with a file.
bool writeFile(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && write(file) && file.flush();
    }
    QSaveFile file(path);
    // A folder we may not create files in can still hold a writable target.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

std::optional<LoadedPicture> LoadPicture(const QString& path, const QString& type)
{
    const bool namedConverted = isConvertedType(type);
    if (!imageType(type) && !namedConverted)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 length = file.size();
    if (length <= 0 || length > kMaxImageFileBytes)
        return std::nullopt;
    QByteArray bytes = AllocateReadBuffer(length);
    if (bytes.isEmpty() || file.read(bytes.data(), length) != length)
        return std::nullopt;
    file.close();

    // A file named as one of the newer formats must be one of them: those
    // names came in with them and never meant anything else.
    if (namedConverted && !isConvertedData(bytes))
        return std::nullopt;

    // JPEG data is kept as it is whatever the file is called, so a photograph
    // under a wrong name loses nothing to a second encode.
    if (bytes.startsWith(QByteArrayLiteral("\xFF\xD8\xFF"))) {
        if (!IsCompleteJpeg(bytes))
            return std::nullopt;
        // A photograph stored sideways with a note to turn it comes in
        // upright, so that its node, the canvas and every other program agree.
        // Turning takes far longer than reading, so it is finished in the
        // background; only a stream libjpeg cannot even describe is turned
        // here, where failing still refuses the file.
        PicturePtr picture;
        if (ExifOrientationOf(bytes) != kUprightOrientation && ReadJpegBlockLayout(bytes)) {
            picture = Picture::fromJpegBytesUpright(std::move(bytes));
        } else {
            QByteArray upright = UprightJpeg(bytes);
            if (upright.isEmpty())
                return std::nullopt;
            picture = Picture::fromJpegBytes(std::move(upright));
        }
        if (!picture)
            return std::nullopt;
        return LoadedPicture{picture, picture->width(), picture->height(), int(length)};
    }

    QByteArray format;
    const QImage decoded = DecodeImageUpright(bytes, &format);
    // JPEG data was handled above; anything a decoder still takes for JPEG is
    // odd enough not to be worth re-encoding.
    if (decoded.isNull() || format == "jpeg")
        return std::nullopt;
    const bool kept = imageType(QString::fromLatin1(format)) != nullptr;
    const PicturePtr picture = kept ? BitmapToPicture(decoded) : convertedPicture(decoded);
    if (!picture)
        return std::nullopt;
    return LoadedPicture{picture, picture->width(), picture->height(), int(length)};
}

PicturePtr BitmapToPicture(const QImage& bitmap)
{
    if (bitmap.isNull() || !IsAcceptableImageSize(bitmap.size()))
        return nullptr;
    return Picture::fromJpegBytes(EncodeJpeg(bitmap, 100));
}

bool SaveBitmapAsImageFile(const QImage& bitmap, int width, int height, const QString& path, const QString& type,
                           int quality, bool flipVertical, Report* failure)
{
    const ImageType* format = imageType(type);
    if (!format)
        return false;
    if (bitmap.isNull() || !IsAcceptableImageSize({width, height})) {
        Record(failure, {kMsgOutOfMemory, {}, kStyleError, true});
        return false;
    }

    QImage image = bitmap.size() == QSize(width, height)
        ? bitmap
        : bitmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) {
        Record(failure, {kMsgOutOfMemory, {}, kStyleError, true});
        return false;
    }
    if (flipVertical)
        image.mirror(false, true);

    return writeFile(path, [&](QIODevice& file) {
        switch (format->encoder) {
        case Encoder::Jpeg: {
            const QByteArray bytes = EncodeJpeg(image, quality);
            return !bytes.isEmpty() && file.write(bytes) == bytes.size();
        }
        case Encoder::Gif:
            return WriteGif(image, file);
        case Encoder::Qt: {
            QImageWriter writer(&file, format->qtFormat);
            // Canvas-sized PNGs spend most of their time in zlib; level 3
            // writes them about three times as fast as the default, for photos
            // at no larger a size. Qt takes the level on a scale of 0 to 100,
            // where 3 would mean no compression at all.
            if (format->qtFormat == QByteArray("png"))
                writer.setCompression(kPngCompressionLevel3);
            return writer.write(image);
        }
        }
        return false;
    });
}

PicturePtr ResizePicture(const PicturePtr& picture, int width, int height)
{
    if (!picture || !IsAcceptableImageSize({width, height}))
        return nullptr;
    if (picture->pixelSize() == QSize(width, height))
        return picture;
    const QImage decoded = DecodeImage(picture->bytes());
    if (decoded.isNull())
        return nullptr;
    return BitmapToPicture(decoded.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

} // namespace vq
