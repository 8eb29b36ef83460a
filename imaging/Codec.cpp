#include "imaging/Codec.h"

#include "imaging/GifWriter.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Messages.h"

#include <QFile>
#include <QImageWriter>
#include <QSaveFile>


namespace vq {

namespace {

bool isLoadableType(const QString& type)
{
    return type == QLatin1String("jpeg") || type == QLatin1String("gif") || type == QLatin1String("bmp")
        || type == QLatin1String("png") || type == QLatin1String("tiff");
}

enum class Encoder { None, Qt, Gif };

struct SaveFormat {
    Encoder encoder = Encoder::None;
    const char* qtFormat = nullptr;
};

SaveFormat saveFormatFor(const QString& type)
{
    const QString t = type.toLower();
    if (t == QLatin1String("jpeg"))
        return {Encoder::Qt, "jpeg"};
    if (t == QLatin1String("png"))
        return {Encoder::Qt, "png"};
    if (t == QLatin1String("tiff"))
        return {Encoder::Qt, "tiff"};
    if (t == QLatin1String("bmp"))
        return {Encoder::Qt, "bmp"};
    if (t == QLatin1String("gif"))
        return {Encoder::Gif, nullptr};
    return {};
}

} // namespace

std::optional<LoadedPicture> LoadPicture(const QString& path, const QString& type)
{
    if (!isLoadableType(type.toLower()))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 length = file.size();
    if (length <= 0 || length > kMaxImageFileBytes)
        return std::nullopt;
    QByteArray bytes(length, Qt::Uninitialized);
    if (file.read(bytes.data(), length) != length)
        return std::nullopt;
    file.close();

    // JPEG data is kept as it is whatever the file is called, so a photograph
    // under a wrong name loses nothing to a second encode.
    if (bytes.startsWith(QByteArrayLiteral("\xFF\xD8\xFF"))) {
        if (!IsCompleteJpeg(bytes))
            return std::nullopt;
        const PicturePtr picture = Picture::fromJpegBytes(std::move(bytes));
        if (!picture)
            return std::nullopt;
        return LoadedPicture{picture, picture->width(), picture->height(), int(length)};
    }

    QByteArray format;
    const QImage decoded = DecodeImage(bytes, &format);
    // JPEG data was handled above; anything a decoder still takes for JPEG is
    // odd enough not to be worth re-encoding.
    if (decoded.isNull() || format == "jpeg")
        return std::nullopt;
    const PicturePtr picture = BitmapToPicture(decoded);
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
                           int quality, bool flipVertical)
{
    const SaveFormat format = saveFormatFor(type);
    if (format.encoder == Encoder::None)
        return false;
    if (bitmap.isNull() || !IsAcceptableImageSize({width, height})) {
        ShowMessage(30001, nullptr, {}, kStyleError);
        return false;
    }

    QImage image = bitmap.size() == QSize(width, height)
        ? bitmap
        : bitmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull()) {
        ShowMessage(30001, nullptr, {}, kStyleError);
        return false;
    }
    if (flipVertical)
        image.mirror(false, true);

    QSaveFile file(path);
    // A folder we may not create files in can still hold a writable target.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;

    bool written = false;
    if (format.encoder == Encoder::Gif) {
        written = WriteGif(image, file);
    } else if (qstrcmp(format.qtFormat, "jpeg") == 0) {
        const QByteArray bytes = EncodeJpeg(image, quality);
        written = !bytes.isEmpty() && file.write(bytes) == bytes.size();
    } else {
        QImageWriter writer(&file, format.qtFormat);
        written = writer.write(image);
    }
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
