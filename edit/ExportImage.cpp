#include "edit/ExportImage.h"

#include "imaging/BmpWriter.h"
#include "imaging/Codec.h"
#include "imaging/ImageDecode.h"
#include "model/Document.h"
#include "base/TextUtil.h"
#include "render/CanvasRender.h"
#include "render/ViewGeometry.h"

#include <QFileInfo>
#include <QImage>

namespace vq {

namespace {

struct FilterRow {
    const char* text;
    const char* extension;
};

// The names are those of the type list the program has always shown.
constexpr FilterRow kFilters[kExportFilterCount] = {
    {"モノクロ BITMAPファイル(*.bmp)", "bmp"},
    {"16色 BITMAPファイル(*.bmp)", "bmp"},
    {"16色(圧縮) BITMAPファイル(*.bmp)", "bmp"},
    {"256色 BITMAPファイル(*.bmp)", "bmp"},
    {"256色(圧縮) BITMAPファイル(*.bmp)", "bmp"},
    {"16ﾋﾞｯﾄ色 BITMAPファイル(*.bmp)", "bmp"},
    {"24ﾋﾞｯﾄ色 BITMAPファイル(*.bmp)", "bmp"},
    {"32ﾋﾞｯﾄ色 BITMAPファイル(*.bmp)", "bmp"},
    {"JPEGファイル(*.jpeg)", "jpeg"},
    {"GIFファイル(*.gif)", "gif"},
    {"PNGファイル(*.png)", "png"},
    {"TIFFファイル(*.tiff)", "tiff"},
};

bool validFilter(int filterIndex)
{
    return filterIndex >= 1 && filterIndex <= kExportFilterCount;
}

} // namespace

QStringList ExportFilters()
{
    QStringList filters;
    for (const FilterRow& row : kFilters)
        filters << QStringLiteral("%1 (*.%2)").arg(QString::fromUtf8(row.text), QLatin1String(row.extension));
    return filters;
}

QString ProposedExportName(const QString& documentPath)
{
    QString title = documentPath.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath).fileName();
    const int dot = title.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        title.truncate(dot);
    title.remove(QStringLiteral("\r\n"));
    title.remove(QLatin1Char('\n'));
    return title;
}

QString CompleteExportPath(const QString& path, int filterIndex)
{
    if (path.isEmpty() || !validFilter(filterIndex) || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + QLatin1String(kFilters[filterIndex - 1].extension);
}

std::optional<ExportTarget> ExportTargetFor(int filterIndex, const QString& path)
{
    if (!validFilter(filterIndex))
        return std::nullopt;
    if (filterIndex < kExportJpegFilter)
        return ExportTarget{filterIndex, QStringLiteral("bmp")};
    const QString type = ImageTypeFromPath(QFileInfo(path).fileName());
    if (type.isEmpty())
        return std::nullopt;
    return ExportTarget{0, type};
}

ExportResult ExportCanvas(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                          const QString& path, const ExportTarget& target, int quality, Report* failure)
{
    const QSize size = ZoomedCanvasSize(doc.state.canvasWidth, doc.state.canvasHeight, zoom);
    // Beyond what a decoder may hold the allocation would only succeed lazily
    // and fail while drawing; refuse it up front as the allocation failure it is.
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxImagePixels)
        return ExportResult::NoMemory;
    const QImage canvas = RenderCanvasStreamed(doc, sys, mode, zoom);
    if (canvas.isNull())
        return ExportResult::NoMemory;
    const bool saved = target.bmpFormat > 0
                           ? WriteBmpFile(path, target.bmpFormat, canvas, failure)
                           : SaveBitmapAsImageFile(canvas, canvas.width(), canvas.height(), path, target.type,
                                                   quality, false, failure);
    return saved ? ExportResult::Saved : ExportResult::WriteFailed;
}

} // namespace vq
