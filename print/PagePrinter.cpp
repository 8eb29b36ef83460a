#include "print/PagePrinter.h"

#include "model/RangeModeState.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "render/Painters.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

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

// A PDF goes to a temporary file beside its target and is renamed over it
// only when the job is complete, so a failed or cancelled job leaves an
// earlier file as it was. What is not a regular file (a pipe, a device) and a
// folder that takes no new file are written in place, as before.
class PdfTarget {
public:
    explicit PdfTarget(QPrinter& printer) : m_printer(printer)
    {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return;
        const QFileInfo info(printer.outputFileName());
        if (info.exists() && !info.isFile())
            return;
        // Through a link the file it points at is replaced, not the link.
        const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        QTemporaryFile temp(QFileInfo(target).absolutePath() + QStringLiteral("/.") + QFileInfo(target).fileName() +
                            QStringLiteral(".XXXXXX"));
        temp.setAutoRemove(false);
        if (!temp.open())
            return;
        m_named = printer.outputFileName();
        m_target = target;
        m_temp = temp.fileName();
        temp.close();
        printer.setOutputFileName(m_temp);
    }
    ~PdfTarget()
    {
        if (m_temp.isEmpty())
            return;
        QFile::remove(m_temp);
        m_printer.setOutputFileName(m_named);
    }
    PdfTarget(const PdfTarget&) = delete;
    PdfTarget& operator=(const PdfTarget&) = delete;

    // The finished file under its name, with the permissions an earlier one
    // had or else those a new file gets.
    bool commit()
    {
        if (m_temp.isEmpty())
            return true;
        const QByteArray temp = QFile::encodeName(m_temp);
        struct stat old = {};
        mode_t mode = 0;
        if (::stat(QFile::encodeName(m_target).constData(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::chmod(temp.constData(), mode);
        return std::rename(temp.constData(), QFile::encodeName(m_target).constData()) == 0;
    }

private:
    QPrinter& m_printer;
    QString m_named;
    QString m_target;
    QString m_temp;
};

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

PrintOutcome PrintPages(QPainter& painter, QPagedPaintDevice& device, const Document& doc, const SysSettings& sys,
                        const RangeMode& mode, const PrintPlan& plan, PageRange range, const PageProgress& progress)
{
    const int total = range.last - range.first + 1;
    for (int page = range.first; page <= range.last; ++page) {
        const int done = page - range.first;
        if (progress && !progress(done, total))
            return PrintOutcome::Cancelled;
        if (page != range.first && !device.newPage())
            return PrintOutcome::NoDevice;
        const PageBlock block = PrintPageBlock(plan, page);
        // A page beyond the canvas edge stays blank, as the grid asked for it.
        if (!block.source.isEmpty()) {
            const QImage part = RenderCanvasPart(doc, sys, mode, plan.scale, block.source);
            if (part.isNull())
                return PrintOutcome::NoMemory;
            painter.drawImage(block.dest, part);
        }
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
    return ComputeLayout(in).grid;
}

PrintOutcome PrintCanvas(QPrinter& printer, const Document& doc, const SysSettings& sys, const RangeMode& mode,
                         const PrintSettings& settings, const PageProgress& progress)
{
    // Coordinates from the sheet's corner, as the margins are measured.
    printer.setFullPage(true);
    // The job carries the program's name, whichever tool sends it.
    printer.setDocName(QStringLiteral("Velquin"));
    const PrinterMetrics metrics = MetricsOf(printer);
    if (!metrics.valid())
        return PrintOutcome::NoDevice;
    const PageGrid grid = PrintGrid(metrics, doc, settings);
    const PrintPlan plan = PlanPrint(metrics, settings.margins, settings.screenDpiX, doc.state.canvasWidth,
                                     doc.state.canvasHeight, settings.fitOnePage, grid.across);
    const PageRange range = PrintPageRange(settings.rangeKind, settings.currentPage, settings.firstPage,
                                           settings.lastPage, grid.count(), settings.fitOnePage);
    PdfTarget pdf(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::NoDevice;
    const PrintOutcome outcome = PrintPages(painter, printer, doc, sys, mode, plan, range, progress);
    if (outcome != PrintOutcome::Printed) {
        // Qt's PDF and CUPS engines cannot abort a started job: a PDF file is
        // removed instead, a spooled job gets the pages printed so far.
        printer.abort();
        painter.end();
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
            QFile::remove(printer.outputFileName());
        return outcome;
    }
    return painter.end() && pdf.commit() ? PrintOutcome::Printed : PrintOutcome::NoDevice;
}

} // namespace vq
