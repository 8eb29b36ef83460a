#include "edit/SaveNodeImage.h"

#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Document.h"
#include "base/Report.h"
#include "base/TextUtil.h"
#include "base/WaitCursor.h"

#include <QFileInfo>
#include <QSaveFile>

#include <new>

namespace vq {

namespace {

const char kJpegFilter[] = "JPEGファイル(*.jpeg) (*.jpg *.jpeg)";

bool WriteBytesAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

QString ImageFileFilter()
{
    return QStringLiteral("イメージファイル(jpeg, gif, bmp, png, tiff) (*.jpg *.jpeg *.gif *.bmp *.png *.tif *.tiff);;")
        + JpegFileFilter()
        + QStringLiteral(";;GIFファイル(*.gif) (*.gif);;ビットマップファイル(*.bmp) (*.bmp);;"
                         "PNGファイル(*.png) (*.png);;TIFFファイル(*.tiff) (*.tif *.tiff)");
}

QString JpegFileFilter()
{
    return QString::fromUtf8(kJpegFilter);
}

QString WithDefaultImageExtension(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QStringLiteral(".jpeg");
}

QImage RenderNodePicture(const Document& doc, int index)
{
    if (index < 0 || index >= doc.state.nodeCount || !doc.nodes[index].picture)
        return {};
    try {
        QImage image = FlattenOntoTopLeftColor(DecodeImage(doc.nodes[index].picture->bytes()));
        if (image.isNull())
            return {};
        return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    } catch (const std::bad_alloc&) {
        // A picture the memory left cannot hold renders as nothing; callers say so.
        return {};
    }
}

NodeImageSave SaveNodeImage(const Document& doc, int index, const QString& path, Report* failure)
{
    if (index < 0 || index >= doc.state.nodeCount || !doc.nodes[index].picture)
        return NodeImageSave::NoPicture;
    const QString type = ImageTypeFromPath(QFileInfo(path).fileName());
    if (type.isEmpty())
        return NodeImageSave::UnknownType;
    const PicturePtr& picture = doc.nodes[index].picture;
    const WaitCursor wait;
    // The canvas never applies an orientation tag to a kept picture; a file
    // still carrying one would show turned elsewhere, so it is written as 1.
    if (type == QLatin1String("jpeg") && ProbeImage(picture->bytes()).format == "jpeg")
        return WriteBytesAtomically(path, WithUprightOrientationTag(picture->bytes())) ? NodeImageSave::Saved
                                                                                          : NodeImageSave::WriteFailed;
    const QImage image = RenderNodePicture(doc, index);
    if (image.isNull()) {
        // The picture decoded when it came in; what fails now is the memory.
        Record(failure, {kMsgOutOfMemory, {}, kStyleError});
        return NodeImageSave::RenderFailed;
    }
    return SaveBitmapAsImageFile(image, image.width(), image.height(), path, type, 100, false, failure)
        ? NodeImageSave::Saved
        : NodeImageSave::WriteFailed;
}

} // namespace vq
