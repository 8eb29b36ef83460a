#include "print/PagePrinter.h"

#include "model/RangeModeState.h"
#include "model/Document.h"
#include "model/cabinet/ReplaceFile.h"
#include "base/Settings.h"
#include "render/Painters.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace vq {

namespace {

int pointsToPixels(double points, int dpi)
{
    return static_cast<int>(points * dpi / 72.0);
}

void drawFrame(QPainter& painter, const QRect& block, ColorRef colour)
{
    if (colour == kNoColor || block.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ColorFromRef(colour), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(block.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace

PrinterMetrics MetricsOf(const QPrinter& printer)
{
    PrinterMetrics m;
    const int dpi = printer.resolution();
    if (dpi <= 0)
        return m;
    m.dpiX = dpi;
    m.dpiY = dpi;
    QPageLayout layout = printer.pageLayout();
    // From millimetres: Qt keeps page sizes in whole points, which would make
    // an A4 sheet 209.9 mm wide.
    const QRectF full = layout.fullRect(QPageLayout::Millimeter);
    m.physWidth = qRound(full.width() / double(kMmPerInch) * dpi);
    m.physHeight = qRound(full.height() / double(kMmPerInch) * dpi);
    layout.setUnits(QPageLayout::Point);
    const QMarginsF minimum = layout.minimumMargins();
    m.offsetX = pointsToPixels(minimum.left(), dpi);
    m.offsetY = pointsToPixels(minimum.top(), dpi);
    return m;
}

QImage RenderCanvasPart(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                        const QRect& source)
{
    if (source.isEmpty())
        return {};
    QImage image(source.size(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    // A whole-pixel shift keeps the painters on their pixel-aligned path, so
    // the part matches the same block of the whole canvas.
    painter.translate(-source.topLeft());
    painter.setClipRect(source);
    PaintCanvasBackground(painter, doc, zoom);
    if (doc.state.nodeCount > 0)
        PaintNodes(painter, doc, sys, mode, zoom, false);
    return image;
}

namespace {

const QColor kMarkColour(0, 0, 0);
const QColor kLabelColour(64, 64, 64);
const QColor kMapGridColour(200, 0, 0);

int mmToDevice(double mm, int dpi)
{
    return std::max(1, int(mm * dpi / double(kMmPerInch)));
}

// The program's own font at `points`, for text that should read as the
// program's wherever it is printed.
QFont uiFont(double points)
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(points);
    return font;
}

void drawCutMarks(QPainter& painter, const PrintPlan& plan, const PageBlock& block, int page,
                  const PrinterMetrics& printer)
{
    const int dpi = printer.dpiX;
    const QRect printed(block.dest, block.source.size());
    const int k = page - 1;
    const int penWidth = std::max(1, mmToDevice(0.2, dpi));
    const std::vector<CutMark> marks =
        CutMarks(printed, QRect(0, 0, printer.physWidth, printer.physHeight),
                 QPoint(printer.offsetX, printer.offsetY), mmToDevice(6, dpi), mmToDevice(2, dpi), penWidth,
                 plan.overlapX > 0 && k % plan.across > 0, plan.overlapY > 0 && k / plan.across > 0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const CutMark& mark : marks) {
        QPen pen(kMarkColour, penWidth, mark.dashed ? Qt::DashLine : Qt::SolidLine, Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(mark.from, mark.to);
    }
    painter.restore();
}

void drawSheetLabel(QPainter& painter, const PrintPlan& plan, int page, const PrinterMetrics& printer)
{
    const int top = plan.y0 + plan.height + mmToDevice(1, printer.dpiY);
    const int bottom = printer.physHeight - printer.offsetY;
    if (bottom <= top)
        return;
    painter.save();
    painter.setFont(uiFont(9));
    painter.setPen(kLabelColour);
    painter.drawText(QRect(plan.x0, top, plan.width, bottom - top), Qt::AlignHCenter | Qt::AlignTop,
                     SheetLabel(page, {plan.across, plan.down}));
    painter.restore();
}

PrintOutcome drawMap(QPainter& painter, const Document& doc, const SysSettings& sys, const RangeMode& mode,
                     const PrintPlan& plan, const PrinterMetrics& printer)
{
    const MapPlan map = PlanMap(plan, doc.state.canvasWidth, doc.state.canvasHeight);
    if (map.canvas.isEmpty())
        return PrintOutcome::Printed;
    const QImage picture =
        RenderCanvasPart(doc, sys, mode, map.scale, QRect(QPoint(0, 0), map.canvas.size()));
    if (picture.isNull())
        return PrintOutcome::NoMemory;
    painter.drawImage(map.canvas.topLeft(), picture);
    const PageGrid grid{plan.across, plan.down};

    painter.save();
    // The heading, in the top margin where it has room.
    const int headTop = printer.offsetY;
    const int headBottom = map.canvas.top() - mmToDevice(2, printer.dpiY);
    if (headBottom - headTop >= mmToDevice(5, printer.dpiY)) {
        painter.setFont(uiFont(11));
        painter.setPen(kLabelColour);
        painter.drawText(QRect(plan.x0, headTop, plan.width, headBottom - headTop), Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("貼り合わせ図（横 %1 × 縦 %2 枚）").arg(grid.across).arg(grid.down));
    }
    painter.setPen(QPen(kMapGridColour, mmToDevice(0.3, printer.dpiX)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(map.canvas);
    for (int page = 1; page <= grid.count(); ++page) {
        const QRect cell = MapCell(plan, map, page);
        if (cell.isEmpty())
            continue;
        painter.setPen(QPen(kMapGridColour, mmToDevice(0.3, printer.dpiX)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell);
        // The name on a white patch, readable over any picture.
        const double points = std::clamp(cell.height() * 72.0 / printer.dpiY / 4.0, 4.0, 18.0);
        painter.setFont(uiFont(points));
        const QString name = SheetName(page, grid.across);
        QRect patch = painter.fontMetrics().boundingRect(name).adjusted(-4, -2, 4, 2);
        patch.moveCenter(cell.center());
        painter.fillRect(patch, Qt::white);
        painter.setPen(kMapGridColour);
        painter.drawText(patch, Qt::AlignCenter, name);
    }
    painter.restore();
    return PrintOutcome::Printed;
}

} // namespace

PrintOutcome PrintPages(QPainter& painter, QPagedPaintDevice& device, const Document& doc, const SysSettings& sys,
                        const RangeMode& mode, const PrintPlan& plan, const JobPages& job, const SheetExtras& extras,
                        const PageProgress& progress)
{
    const PageRange range = job.sheets;
    const int total = job.count();
    int done = 0;
    if (job.map) {
        if (progress && !progress(done, total))
            return PrintOutcome::Cancelled;
        const PrintOutcome outcome = drawMap(painter, doc, sys, mode, plan, extras.printer);
        if (outcome != PrintOutcome::Printed)
            return outcome;
        ++done;
    }
    for (int page = range.first; page <= range.last; ++page, ++done) {
        if (progress && !progress(done, total))
            return PrintOutcome::Cancelled;
        if (done > 0 && !device.newPage())
            return PrintOutcome::NoDevice;
        const PageBlock block = PrintPageBlock(plan, page);
        // A page beyond the canvas edge stays blank, as the grid asked for it.
        if (!block.source.isEmpty()) {
            const QImage part = RenderCanvasPart(doc, sys, mode, plan.scale, block.source);
            if (part.isNull())
                return PrintOutcome::NoMemory;
            painter.drawImage(block.dest, part);
            if (plan.poster.marks && !plan.fitOnePage)
                drawCutMarks(painter, plan, block, page, extras.printer);
        }
        if (extras.labels && !plan.fitOnePage)
            drawSheetLabel(painter, plan, page, extras.printer);
        if (plan.fitOnePage)
            drawFrame(painter, QRect(plan.x0, plan.y0, plan.width, plan.height), doc.state.canvasFrameColor);
    }
    if (progress)
        progress(total, total);
    return PrintOutcome::Printed;
}

PageGrid PrintGrid(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings)
{
    LayoutInput in;
    in.printer = metrics;
    in.screenDpiX = settings.screenDpiX;
    in.screenDpiY = settings.screenDpiY;
    in.canvasWidth = doc.state.canvasWidth;
    in.canvasHeight = doc.state.canvasHeight;
    in.margins = settings.margins;
    in.fitOnePage = settings.fitOnePage;
    in.poster = settings.poster;
    return ComputeLayout(in).grid;
}

PrintPlan PrintPlanFor(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings)
{
    return PlanPoster(metrics, settings.margins, settings.screenDpiX, doc.state.canvasWidth, doc.state.canvasHeight,
                      settings.fitOnePage, PrintGrid(metrics, doc, settings), settings.poster);
}

JobPages PrintJobFor(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings)
{
    return PrintJobPages(settings.rangeKind, settings.currentPage, settings.firstPage, settings.lastPage,
                         PrintGrid(metrics, doc, settings), settings.fitOnePage, settings.poster.map);
}

PrintOutcome PrintCanvas(QPrinter& printer, const Document& doc, const SysSettings& sys, const RangeMode& mode,
                         const PrintSettings& settings, const PageProgress& progress, const ReplaceOptions& pdfFile)
{
    // Coordinates from the sheet's corner, as the margins are measured.
    printer.setFullPage(true);
    // The job carries the program's name, whichever tool sends it.
    printer.setDocName(QStringLiteral("Velquin"));
    const PrinterMetrics metrics = MetricsOf(printer);
    if (!metrics.valid())
        return PrintOutcome::NoDevice;
    const PrintPlan plan = PrintPlanFor(metrics, doc, settings);
    const JobPages job = PrintJobFor(metrics, doc, settings);
    SheetExtras extras;
    extras.printer = metrics;
    extras.labels = settings.poster.labels && LabelFits(settings.margins, MinimumMargins(metrics));
    const auto printJob = [&]() {
        QPainter painter;
        if (!painter.begin(&printer))
            return PrintOutcome::NoDevice;
        const PrintOutcome outcome = PrintPages(painter, printer, doc, sys, mode, plan, job, extras, progress);
        if (outcome != PrintOutcome::Printed) {
            // Qt's PDF and CUPS engines cannot abort a started job: a spooled
            // job gets the pages printed so far.
            printer.abort();
            painter.end();
            return outcome;
        }
        return painter.end() ? PrintOutcome::Printed : PrintOutcome::NoDevice;
    };

    const QString named = printer.outputFileName();
    const QFileInfo info(named);
    // A pipe or a device is written as it is and left in place whatever happens.
    if (printer.outputFormat() != QPrinter::PdfFormat || named.isEmpty() || (info.exists() && !info.isFile()))
        return printJob();
    // A PDF file is finished under another name and only then takes the
    // target's place, or is copied over it where the folder takes no new file,
    // so a failed or cancelled job leaves an earlier file as it was.
    ReplaceOptions options = pdfFile;
    if (options.fallbackFolder.isEmpty())
        options.fallbackFolder = QDir::tempPath();
    PrintOutcome outcome = PrintOutcome::NoDevice;
    const ReplaceOutcome replaced = ReplaceFile(
        named,
        [&](const QString& path) {
            printer.setOutputFileName(path);
            outcome = printJob();
            return outcome == PrintOutcome::Printed;
        },
        options);
    printer.setOutputFileName(named);
    if (outcome == PrintOutcome::Printed && replaced == ReplaceOutcome::Failed)
        return PrintOutcome::NoDevice;
    return outcome;
}

} // namespace vq
