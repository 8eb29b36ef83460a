#include "imaging/Clipboard.h"

#include "imaging/Codec.h"
#include "imaging/ColorProfile.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "base/Report.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <algorithm>
#include <exception>
#include <memory>

namespace vq {

namespace {

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

bool SaveClipboardImage(const QString& path, const QString& type, Reports* reports)
{
    const auto failPaste = [reports](const QString& step) {
        if (reports)
            reports->append({kMsgPasteFailed, step, kStyleError, true});
        return false;
    };
    QClipboard* board = clipboard();
    if (!board)
        return false;
    const QMimeData* data = board->mimeData();
    if (!data || !data->hasImage())
        return false;
    try {
        const QImage image = board->image();
        if (image.isNull())
            return failPaste(QStringLiteral("クリップボードからの取得エラー\n"));
        // Clipboard bitmaps carry no meaningful alpha for us; an opaque copy
        // saves the same whatever format is asked for.
        const QImage opaque = FlattenOntoTopLeftColor(image);
        if (opaque.isNull())
            return failPaste(QStringLiteral("DIBへの変換エラー\n"));
        Report saveFailure;
        if (!SaveBitmapAsImageFile(opaque, opaque.width(), opaque.height(), path, type, 100, false, &saveFailure)) {
            // Why the save failed comes first, then what it cost the paste.
            if (reports && saveFailure.id != 0)
                reports->append(saveFailure);
            return failPaste(QStringLiteral("セーブエラー\n"));
        }
        return true;
    } catch (const std::exception& e) {
        return failPaste(QStringLiteral("エラー(") + QString::fromLocal8Bit(e.what()) + QStringLiteral(")\n"));
    }
}

namespace {

// Data our own decoders read, with every check they make of a file: Qt makes
// no image of HEIF, AVIF or WebP here, and of JPEG data only one that ignores
// its orientation, its profile and how its inks are stored.
const QStringList& ownDecodedTypes()
{
    static const QStringList types{QStringLiteral("image/jpeg"), QStringLiteral("image/heic"),
                                   QStringLiteral("image/heif"), QStringLiteral("image/avif"),
                                   QStringLiteral("image/webp")};
    return types;
}

} // namespace

bool MimeOffersImage(const QMimeData& data)
{
    return data.hasImage()
        || std::any_of(ownDecodedTypes().begin(), ownDecodedTypes().end(),
                       [&](const QString& type) { return data.hasFormat(type); });
}

QImage UprightImageFromMime(const QMimeData& data)
{
    for (const QString& type : ownDecodedTypes()) {
        if (!data.hasFormat(type))
            continue;
        const QImage image = DecodeImageUpright(data.data(type));
        if (!image.isNull())
            return image;
    }
    QImage image = qvariant_cast<QImage>(data.imageData());
    // The image Qt made keeps the pixels as stored; a profile in the PNG data
    // it came from says what they mean.
    static const QString kPng = QStringLiteral("image/png");
    if (!image.isNull() && data.hasFormat(kPng)) {
        const QByteArray profile = EmbeddedIccProfile(data.data(kPng));
        if (!profile.isEmpty())
            return ConvertToSrgb(std::move(image), profile);
    }
    return image;
}

void PutTextOnClipboard(const QString& text, bool keepExisting)
{
    QClipboard* board = clipboard();
    if (!board)
        return;
    auto data = std::make_unique<QMimeData>();
    if (keepExisting) {
        const QMimeData* existing = board->mimeData();
        if (existing && existing->hasImage())
            data->setImageData(existing->imageData());
    }
    data->setText(text);
    board->setMimeData(data.release());
}

} // namespace vq
