#pragma once

// The arithmetic of printing: the page grid, the preview geometry, margin
// dragging and where each printed page takes its part of the canvas. Numbers
// in, numbers out, so every rule can be checked without a printer or a window.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <QString>

#include <optional>
#include <vector>

namespace vq {

inline constexpr float kMmPerInch = 25.4f;
inline constexpr int kMaxMarginMm = 50;

// What the printer reports, in device pixels.
struct PrinterMetrics {
    int dpiX = 0;
    int dpiY = 0;
    int offsetX = 0;     // unprintable border at the left (and right)
    int offsetY = 0;     // unprintable border at the top (and bottom)
    int physWidth = 0;   // the whole sheet
    int physHeight = 0;

    [[nodiscard]] bool valid() const { return dpiX > 0 && dpiY > 0 && physWidth > 0 && physHeight > 0; }
};

struct MarginsMm {
    int left = 25;
    int right = 10;
    int top = 25;
    int bottom = 10;
    friend bool operator==(const MarginsMm&, const MarginsMm&) = default;
};

// Which pages the print button sends; stored in "Hani" as these numbers.
enum class PrintRange : int {
    All = 1,
    Current = 2,
    Pages = 3,
};

// trunc(pixels / dpi * 25.4): whole millimetres of an unprintable border.
[[nodiscard]] int MinOffsetMm(int offsetPx, int dpi);
// trunc(mm * dpi / 25.4).
[[nodiscard]] int MmToPixels(int mm, int dpi);

// The sheet drawn as large as fits in `area` less 14 pixels all round, centred.
[[nodiscard]] QRect PreviewPaperRect(const QRect& area, float paperWmm, float paperHmm);

// How large the poster comes out: the canvas at its screen size, scaled to
// fill a number of sheets across, or to a finished width. Stored in
// "PosterSize" as these numbers.
enum class PosterSizing : int {
    Screen = 0,
    SheetsAcross = 1,
    WidthMm = 2,
};

inline constexpr int kMaxSheetsAcross = 20;
inline constexpr int kMinPosterWidthMm = 50;
inline constexpr int kMaxPosterWidthMm = 5000;
inline constexpr int kMaxOverlapMm = 30;

// The poster choices. The defaults print exactly what printing always did.
struct PosterOptions {
    PosterSizing sizing = PosterSizing::Screen;
    int sheetsAcross = 2;
    int widthMm = 1000;
    int overlapMm = 0;   // repeated from the left and upper neighbour
    bool marks = false;  // cut marks in the margin
    bool labels = false; // "B-3  3 / 12" in the bottom margin
    bool map = false;    // a first page showing how the sheets go together
    friend bool operator==(const PosterOptions&, const PosterOptions&) = default;
};

// The options held to their ranges: 1 to 20 sheets, 50 to 5000 mm, an
// overlap of 0 to 30 mm.
[[nodiscard]] PosterOptions PosterWithin(const PosterOptions& poster);

struct PageGrid {
    int across = 1;
    int down = 1;
    // Held to int: two axes of a sliver of paper could overflow it.
    [[nodiscard]] int count() const;
    friend bool operator==(const PageGrid&, const PageGrid&) = default;
};

// Pages needed for the canvas at its screen size: trunc(size / printable) + 1
// each way, so an exact multiple takes one page more. One page when fitting;
// a sheet with no room left inside the margins still gives one page.
[[nodiscard]] PageGrid ComputePageGrid(int canvasWidth, int canvasHeight, int screenDpiX, int screenDpiY,
                                       float paperWmm, float paperHmm, const MarginsMm& margins, bool fitOnePage);

// Sheets needed for `length` of poster on sheets carrying `printable` each,
// each after the first repeating `overlap` of the one before: enough to
// cover it, at least one. Any unit, as long as all three share it.
[[nodiscard]] int SheetsToCover(long long length, long long printable, long long overlap);

struct LayoutInput {
    PrinterMetrics printer;
    QRect area;              // the preview area
    int screenDpiX = 96;
    int screenDpiY = 96;
    int canvasWidth = 0;
    int canvasHeight = 0;
    MarginsMm margins;
    bool fitOnePage = false;
    PosterOptions poster;
};

struct PreviewLayout {
    float paperWmm = 0.0f;
    float paperHmm = 0.0f;
    int minOffsetXmm = 0;
    int minOffsetYmm = 0;
    QRect paperRect;
    PageGrid grid;
    float previewScale = 1.0f;  // preview size / real size
    int marginLeftPx = 0;
    int marginRightPx = 0;
    int marginTopPx = 0;
    int marginBottomPx = 0;
    // The poster as laid out: no options apply to a fitted page.
    PosterOptions poster;
    int overlapXPx = 0;  // the overlap in preview pixels
    int overlapYPx = 0;
};

[[nodiscard]] PreviewLayout ComputeLayout(const LayoutInput& in);

// The canvas as drawn in the preview and the scale it is drawn at.
struct CanvasPreview {
    QSize size;
    float scale = 1.0f;
};
[[nodiscard]] CanvasPreview CanvasPreviewSize(const PreviewLayout& layout, int canvasWidth, int canvasHeight,
                                              bool fitOnePage);

// Where the current page's part of the preview bitmap goes on the paper.
struct PreviewPlacement {
    QRect printable;   // the area inside the margins
    QPoint dest;       // where the copied block lands
    QRect source;      // the block of the canvas preview bitmap, cut at its edges
};
[[nodiscard]] PreviewPlacement PlacePreviewPage(const PreviewLayout& layout, QSize canvasPreview, int currentPage,
                                                bool fitOnePage);

// Margin lines: 0 left, 1 top, 2 right, 3 bottom, -1 none.
[[nodiscard]] int MarginHitTest(const QRect& printable, QPoint p);
// Distance from the paper edge of `edge` to the pointer, clamped to the
// preview positions of the minimum margin and of 50 mm.
[[nodiscard]] int ClampDragDistance(const QRect& paper, int edge, QPoint pointer, int minMm, int screenDpi,
                                    float previewScale);
// The margin a dragged line at `distance` stands for; 49 becomes 50 so the
// far limit can be reached despite truncation.
[[nodiscard]] int MarginFromDrag(int distance, float previewScale, int screenDpi);

// The pages one press of the print button sends.
struct PageRange {
    int first = 1;
    int last = 1;
    friend bool operator==(const PageRange&, const PageRange&) = default;
};
// Fitting prints the first page of the range only.
[[nodiscard]] PageRange PrintPageRange(PrintRange rangeKind, int currentPage, int firstPage, int lastPage, int pageCount,
                                       bool fitOnePage);

// The printed canvas in device pixels, measured from the sheet's corner.
struct PrintPlan {
    int x0 = 0;          // top-left of the printable block
    int y0 = 0;
    int width = 0;       // the printable block (after fitting, the fitted canvas)
    int height = 0;
    float scale = 1.0f;  // device pixels per canvas pixel
    int canvasW = 0;     // the canvas at `scale`
    int canvasH = 0;
    int across = 1;
    int down = 1;
    bool fitOnePage = false;
    // Device pixels each sheet repeats of its left and upper neighbour.
    int overlapX = 0;
    int overlapY = 0;
    PosterOptions poster;
};

// A sheet with no room inside its margins carries no canvas: the plan's
// canvas is empty rather than the canvas left unfitted at printer scale.
[[nodiscard]] PrintPlan PlanPrint(const PrinterMetrics& printer, const MarginsMm& margins, int screenDpiX,
                                  int canvasWidth, int canvasHeight, bool fitOnePage, int pagesAcross);
// The same with the poster's size and overlap; the grid follows from them
// unless the canvas keeps its screen size, where `grid` is the dialog's.
[[nodiscard]] PrintPlan PlanPoster(const PrinterMetrics& printer, const MarginsMm& margins, int screenDpiX,
                                   int canvasWidth, int canvasHeight, bool fitOnePage, PageGrid grid,
                                   const PosterOptions& poster);

// Page `page` (1-based): its block of the canvas at the plan's scale, cut at
// the canvas edges (empty beyond them), and where the block lands.
struct PageBlock {
    QRect source;
    QPoint dest;
};
[[nodiscard]] PageBlock PrintPageBlock(const PrintPlan& plan, int page);

// A sheet's name for assembling: its row as a letter (A..Z, then AA, AB, ...)
// and its column from 1, "B-3"; and its place in the job, "3 / 12".
[[nodiscard]] QString SheetRowLetters(int row);
[[nodiscard]] QString SheetName(int page, int across);
[[nodiscard]] QString SheetLabel(int page, const PageGrid& grid);

// The label needs this much of the bottom margin beyond the printer's
// unprintable border.
inline constexpr int kLabelMarginMm = 6;
[[nodiscard]] bool LabelFits(const MarginsMm& margins, const MarginsMm& minimum);

// Cut marks: at each corner of the printed block, two short lines running
// out into the margin, a gap away from the picture, no longer than the
// margin leaves room for inside the printer's border.
struct CutMark {
    QPoint from;
    QPoint to;
    bool dashed = false; // the cut line along an overlap edge
    friend bool operator==(const CutMark&, const CutMark&) = default;
};
// `printed` is the block the sheet's picture fills, `sheet` the whole
// sheet, `border` the unprintable border, `length` and `gap` the mark's and
// `lineWidth` the pen's, all in the same pixels. A sheet with a left or upper
// neighbour is cut along its printed edge there, where it is glued over the
// neighbour's overlap: that edge gets a dashed line right beside it, so that
// cutting along the line leaves no white strip to lie over the picture.
[[nodiscard]] std::vector<CutMark> CutMarks(const QRect& printed, const QRect& sheet, QPoint border, int length,
                                            int gap, int lineWidth, bool leftNeighbour, bool upperNeighbour);

// The pages of one job: the map first when it is asked for and the whole
// poster is printed, then the sheets of the range.
struct JobPages {
    bool map = false;
    PageRange sheets;
    [[nodiscard]] int count() const { return (map ? 1 : 0) + sheets.last - sheets.first + 1; }
    friend bool operator==(const JobPages&, const JobPages&) = default;
};
[[nodiscard]] JobPages PrintJobPages(PrintRange rangeKind, int currentPage, int firstPage, int lastPage,
                                     const PageGrid& grid, bool fitOnePage, bool map);

// The assembly map: the whole canvas fitted into the printed block, and
// each sheet's share of it there (before the overlap, so the cells tile).
struct MapPlan {
    QRect canvas;       // where the fitted canvas lands, device pixels
    float scale = 1.0f; // device pixels per canvas pixel
};
[[nodiscard]] MapPlan PlanMap(const PrintPlan& plan, int canvasWidth, int canvasHeight);
// Sheet `page`'s picture on the map: its source block scaled into the map.
[[nodiscard]] QRect MapCell(const PrintPlan& plan, const MapPlan& map, int page);

// The rules the print dialog holds its fields to, shared with the command-line
// print so a script gets the margins and pages the dialog would have given.

// The printer's unprintable border in whole millimetres, as the least margin
// on each side: the horizontal border left and right, the vertical one top
// and bottom.
[[nodiscard]] MarginsMm MinimumMargins(const PrinterMetrics& printer);
// A margin as its field keeps it: raised to `minimumMm`, lowered to 50 mm.
// A printer whose border is wider than 50 mm wins over the 50 mm.
[[nodiscard]] int MarginWithin(int mm, int minimumMm);
// Every margin held by MarginWithin to its side of `minimum`.
[[nodiscard]] MarginsMm MarginsWithin(const MarginsMm& margins, const MarginsMm& minimum);

enum class MarginSide { Left, Right, Top, Bottom };
// The first margin, taken left, right, top, bottom, that together with the
// one before it on its axis leaves no device pixel of the sheet to print on;
// nothing when the margins leave a printable block.
[[nodiscard]] std::optional<MarginSide> MarginNotFitting(const PrinterMetrics& printer, const MarginsMm& margins);

// A page number held to the grid, 1 to `pageCount`.
[[nodiscard]] int PageWithin(int page, int pageCount);
// The from-page field: empty becomes 1; a from-page past the to-page
// becomes the to-page.
[[nodiscard]] int FirstPageField(std::optional<int> typed, std::optional<int> last);
// The to-page field: past the page count it becomes the page count; empty or
// before the from-page it becomes the from-page.
[[nodiscard]] int LastPageField(std::optional<int> typed, int first, int pageCount);

// A stored window place is used only when its corner lies on the desktop.
[[nodiscard]] bool StoredPlaceUsable(int px, int py, QSize desktop);

} // namespace vq
