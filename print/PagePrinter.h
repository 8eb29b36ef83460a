#pragma once

// Printing the canvas page by page. Each page's part of the canvas is drawn
// at printer resolution only when that page is printed, so memory stays
// bounded by one page however large the canvas and however fine the printer.

#include "model/cabinet/ReplaceFile.h"
#include "print/PrintLayout.h"

#include <QImage>
#include <QRect>

#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace vq {

class Document;
struct RangeMode;
struct SysSettings;

// What the print dialog (or a script) chose.
struct PrintSettings {
    MarginsMm margins;
    PrintRange rangeKind = PrintRange::All;
    int currentPage = 1;
    int firstPage = 1;
    int lastPage = 1;
    bool fitOnePage = false;
    // Size, overlap, marks, labels and map; ignored when fitting one page.
    PosterOptions poster;
    // Maps canvas pixels to paper: the screen's pixels per inch.
    int screenDpiX = 96;
    int screenDpiY = 96;
};

// Called before each page with the pages printed so far and the total; a
// false answer stops the job between pages.
using PageProgress = std::function<bool(int printed, int total)>;

enum class PrintOutcome {
    Printed,
    Cancelled,
    NoDevice,   // the printer or output file could not be started
    NoMemory,   // a page's bitmap could not be had
};

// Resolution, sheet and unprintable border of the printer's current paper.
[[nodiscard]] PrinterMetrics MetricsOf(const QPrinter& printer);

// The part `source` of the canvas drawn at `zoom` (output look: no handles),
// the same pixels as the same rectangle cut from the whole canvas drawn at
// that zoom. Null when it cannot be allocated.
[[nodiscard]] QImage RenderCanvasPart(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                                      const QRect& source);

// What a job puts around the sheets' pictures.
struct SheetExtras {
    PrinterMetrics printer;
    bool labels = false; // asked for and fitting in the bottom margin
};

// The page loop on an active painter whose device is at its first page:
// the map when the job has one, then the sheets. Each page is drawn from a
// bitmap of at most the page's size.
PrintOutcome PrintPages(QPainter& painter, QPagedPaintDevice& device, const Document& doc, const SysSettings& sys,
                        const RangeMode& mode, const PrintPlan& plan, const JobPages& job, const SheetExtras& extras,
                        const PageProgress& progress);

// The grid and plan `settings` give on `printer`'s paper.
[[nodiscard]] PageGrid PrintGrid(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings);
[[nodiscard]] PrintPlan PrintPlanFor(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings);
// The pages the job of `settings` sends, map included.
[[nodiscard]] JobPages PrintJobFor(const PrinterMetrics& metrics, const Document& doc, const PrintSettings& settings);

// The whole job on `printer`: layout, range, pages. A cancelled job is
// aborted so no partial output is left behind: a PDF file is replaced as
// ReplaceFile() replaces a file, with `pdfFile` (the system's temporary
// folder when it names none) for a folder that takes no new file.
PrintOutcome PrintCanvas(QPrinter& printer, const Document& doc, const SysSettings& sys, const RangeMode& mode,
                         const PrintSettings& settings, const PageProgress& progress = {},
                         const ReplaceOptions& pdfFile = {});

} // namespace vq
