#include "imaging/Clipboard.h"

#include "imaging/Codec.h"
#include "imaging/JpegEncode.h"
#include "base/Messages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <exception>
#include <memory>

namespace vq {

namespace {

constexpr int kPasteFailed = 30027;

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

bool failPaste(const QString& step)
{
    ShowMessage(kPasteFailed, nullptr, step, kStyleError);
    return false;
}

} // namespace

bool SaveClipboardImage(const QString& path, const QString& type)
{
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
        if (!SaveBitmapAsImageFile(opaque, opaque.width(), opaque.height(), path, type, 100, false))
            return failPaste(QStringLiteral("セーブエラー\n"));
        return true;
    } catch (const std::exception& e) {
        return failPaste(QStringLiteral("エラー(") + QString::fromLocal8Bit(e.what()) + QStringLiteral(")\n"));
    }
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
