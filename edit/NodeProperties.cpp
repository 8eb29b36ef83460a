#include "edit/NodeProperties.h"

#include "edit/AddImages.h"
#include "edit/Download.h"
#include "edit/UrlDrop.h"
#include "imaging/Codec.h"
#include "imaging/PictureData.h"
#include "model/Document.h"
#include "base/Report.h"
#include "base/TextUtil.h"
#include "base/WaitCursor.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cmath>

namespace vq {

namespace {

const QString kFromClip = QStringLiteral("FROM_CLIP");
const QString kMultiCut = QStringLiteral("MULTI_CUT");
constexpr int kFilePrefixLength = 8; // "file:///"

// A ratio as a whole percentage; a picture of no size has none.
int percentOf(int shown, int memory)
{
    if (memory <= 0)
        return 0;
    const double r = static_cast<double>(shown) / memory * 100.0;
    return static_cast<int>(std::clamp(r, double(INT_MIN), double(INT_MAX)));
}

// Tenths of memory ÷ view, for comparing the two aspect ratios roughly.
int tenthsOf(int memory, int view)
{
    if (view == 0)
        return INT_MIN;
    return static_cast<int>(std::clamp(memory * 10.0 / view, double(INT_MIN), double(INT_MAX)));
}

bool validNode(const Document& doc, int index)
{
    return index >= 0 && index < doc.state.nodeCount;
}

QSize displayedSize(const NodeRecord& node)
{
    return {2 * node.halfWidth, 2 * node.halfHeight};
}

QSize memorySize(const NodeRecord& node)
{
    return node.picture ? node.picture->pixelSize() : QSize(0, 0);
}

} // namespace

int ParseDialogInteger(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(','));
    qsizetype i = 0;
    while (i < digits.size() && digits[i].isSpace())
        ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == QLatin1Char('-') || digits[i] == QLatin1Char('+'))) {
        negative = digits[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < digits.size() && digits[i] >= QLatin1Char('0') && digits[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (digits[i].unicode() - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

NodeMemoryInfo ReadNodeMemoryInfo(const NodeRecord& node, int fieldWidth, int fieldHeight)
{
    NodeMemoryInfo info;
    const QSize memory = memorySize(node);
    info.memoryWidth = memory.width();
    info.memoryHeight = memory.height();
    info.dataSize = node.picture ? PictureDataSize(*node.picture) : 0;
    info.ratioX = percentOf(fieldWidth, info.memoryWidth);
    info.ratioY = percentOf(fieldHeight, info.memoryHeight);
    if (info.ratioX == 100 && info.ratioY == 100) {
        info.canActualSize = info.canAspect = info.canResample = false;
        return info;
    }
    const QSize view = displayedSize(node);
    if (tenthsOf(info.memoryHeight, view.height()) == tenthsOf(info.memoryWidth, view.width()))
        info.canAspect = false;
    return info;
}

AspectResult AspectTarget(QSize view, QSize memory, bool widthBasis)
{
    AspectResult result{view, false};
    if (memory.width() <= 0 || memory.height() <= 0 || view.width() == 0 || view.height() == 0)
        return result;
    if (widthBasis) {
        const float q = static_cast<float>(static_cast<double>(memory.height()) / memory.width());
        const float e = static_cast<float>(static_cast<double>(view.height()) / view.width());
        if (e == q)
            return result;
        result.size.setHeight(static_cast<int>(q * static_cast<float>(view.width())));
    } else {
        const float q = static_cast<float>(static_cast<double>(memory.width()) / memory.height());
        const float e = static_cast<float>(static_cast<double>(view.width()) / view.height());
        if (e == q)
            return result;
        result.size.setWidth(static_cast<int>(q * static_cast<float>(view.height())));
    }
    result.changed = true;
    return result;
}

void SetNodeDisplayWidth(Document& doc, int index, int value)
{
    if (validNode(doc, index))
        doc.nodes[index].halfWidth = value / 2;
}

void SetNodeDisplayHeight(Document& doc, int index, int value)
{
    if (validNode(doc, index))
        doc.nodes[index].halfHeight = value / 2;
}

QSize ApplyActualSize(Document& doc, int index)
{
    if (!validNode(doc, index))
        return {};
    NodeRecord& node = doc.nodes[index];
    const QSize memory = memorySize(node);
    if (memory.width() == 0 && memory.height() == 0)
        return {};
    // A canvas narrower than the minimum still gets the minimum.
    const int w = std::max(kMinNodeSide, std::min(memory.width(), doc.state.canvasWidth));
    const int h = std::max(kMinNodeSide, std::min(memory.height(), doc.state.canvasHeight));
    node.halfWidth = w / 2;
    node.halfHeight = h / 2;
    KeepNodeInCanvas(doc, index, KeepMode::Edge);
    return {w, h};
}

QSize ApplySameAspect(Document& doc, int index, bool widthBasis)
{
    if (!validNode(doc, index))
        return {};
    NodeRecord& node = doc.nodes[index];
    const AspectResult target = AspectTarget(displayedSize(node), memorySize(node), widthBasis);
    if (!target.changed)
        return {};
    node.halfWidth = target.size.width() / 2;
    node.halfHeight = target.size.height() / 2;
    KeepNodeInCanvas(doc, index, KeepMode::Edge);
    return target.size;
}

ResampleResult ResampleToDisplaySize(Document& doc, int index, bool widthBasis, const QString& backupPath,
                                     Report* failure)
{
    ResampleResult result;
    if (!validNode(doc, index))
        return result;
    NodeRecord& node = doc.nodes[index];
    if (node.picture && !backupPath.isEmpty()) {
        QFile backup(backupPath);
        result.backedUp = backup.open(QIODevice::WriteOnly | QIODevice::Truncate)
                          && WritePictureData(backup, false, *node.picture, nullptr) && backup.flush();
    }
    const AspectResult target = AspectTarget(displayedSize(node), memorySize(node), widthBasis);
    PicturePtr resized;
    {
        const WaitCursor wait;
        if (node.picture)
            resized = ResizePicture(node.picture, target.size.width(), target.size.height());
    }
    if (!resized) {
        Record(failure, {kMsgNoImage, {}, kStyleError});
        return result;
    }
    node.picture = std::move(resized);
    node.halfWidth = target.size.width() / 2;
    node.halfHeight = target.size.height() / 2;
    result.resampled = true;
    result.size = target.size;
    return result;
}

bool UndoResample(Document& doc, int index, const QString& backupPath)
{
    if (!validNode(doc, index) || backupPath.isEmpty())
        return false;
    QFile backup(backupPath);
    if (!backup.open(QIODevice::ReadOnly))
        return false;
    PicturePtr restored = ReadPictureData(backup, backup.size());
    if (!restored || restored->pixelSize().isEmpty() || restored->undecodable())
        return false;
    doc.nodes[index].picture = std::move(restored);
    return true;
}

void MoveNodeByPixel(Document& doc, int index, int dx, int dy)
{
    if (!validNode(doc, index))
        return;
    doc.nodes[index].centerX += dx;
    doc.nodes[index].centerY += dy;
}

void SetSelectedFrameWidth(Document& doc, int width)
{
    const int clamped = std::clamp(width, kMinFrameWidth, kMaxFrameWidth);
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected)
            doc.nodes[i].frameWidth = clamped;
}

void SetSelectedFrameStyle(Document& doc, int style)
{
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected)
            doc.nodes[i].frameStyle = style;
}

void SetSelectedFrameColor(Document& doc, ColorRef colour)
{
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected)
            doc.nodes[i].frameColor = colour;
}

QString NodeSourceDisplay(const QString& source)
{
    if (source == kFromClip)
        return QStringLiteral("(クリップボードからの貼り付け)");
    if (source == kMultiCut)
        return QStringLiteral("(マルチカットによる作成)");
    if (source.isEmpty())
        return QStringLiteral("(不明)");
    if (source.startsWith(QLatin1String("file:"))) {
        QString path = source.mid(kFilePrefixLength);
        if (path.endsWith(QLatin1Char('\r')))
            path.chop(1);
        return path;
    }
    return source;
}

OriginKind ClassifyOrigin(const QString& shownSource)
{
    if (shownSource.isEmpty() || shownSource.startsWith(QLatin1Char('(')))
        return OriginKind::None;
    return shownSource.toLower().startsWith(QLatin1String("http")) ? OriginKind::Web : OriginKind::File;
}

bool ReloadNodeFromOrigin(Document& doc, int index, const QString& shownSource, Reports* reports)
{
    Report cause;
    const auto fail = [&] {
        if (reports) {
            if (cause.id != 0)
                reports->append(cause);
            reports->append({kMsgReloadFailed, {}, kStyleError});
        }
        return false;
    };
    const OriginKind kind = ClassifyOrigin(shownSource);
    if (kind == OriginKind::None || !validNode(doc, index) || doc.state.mainIndex != index)
        return fail();
    QString path;
    QString type;
    QString downloaded;
    if (kind == OriginKind::File) {
        path = shownSource;
        type = AddableImageTypeFromPath(path);
        if (!QFileInfo(path).isFile() || type.isEmpty())
            return fail();
    } else {
        const UrlImage image = ImageTypeFromUrl(shownSource);
        if (image.type.isEmpty())
            return fail();
        QString url = image.url;
        if (url.contains(QLatin1Char('%')))
            url = DecodeUrl(url);
        downloaded = DownloadToWorkFile(&cause, url, image.type);
        if (downloaded.isEmpty())
            return fail();
        path = downloaded;
        type = image.type;
    }
    LoadedPicture loaded;
    const bool ok = ReplaceMainImage(doc, path, type, &loaded, &cause);
    if (!downloaded.isEmpty())
        QFile::remove(downloaded);
    if (!ok)
        return fail();
    SetNodeSource(doc, index, loaded.width, loaded.height, loaded.dataSize, shownSource);
    return true;
}

} // namespace vq
