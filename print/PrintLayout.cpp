#include "print/PrintLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace vq {

namespace {

// Every float-to-integer conversion of the layout truncates toward zero.
int trunc(float v)
{
    return static_cast<int>(v);
}

int pagesFor(float canvasMm, float printableMm)
{
    // A sheet without room inside its margins cannot be tiled; one page keeps
    // the division away from zero and the count from overflowing.
    if (!(printableMm > 0.0f))
        return 1;
    const float pages = canvasMm / printableMm;
    if (!(pages < 100000.0f))
        return 100000;
    return trunc(pages) + 1;
}

// An overlap of at most half the sheet, so every sheet adds something new.
int overlapWithin(int overlap, int printable)
{
    return std::clamp(overlap, 0, std::max(0, printable / 2));
}

} // namespace

PosterOptions PosterWithin(const PosterOptions& poster)
{
    PosterOptions out = poster;
    switch (poster.sizing) {
    case PosterSizing::SheetsAcross:
    case PosterSizing::WidthMm: break;
    default: out.sizing = PosterSizing::Screen; break;
    }
    out.sheetsAcross = std::clamp(poster.sheetsAcross, 1, kMaxSheetsAcross);
    out.widthMm = std::clamp(poster.widthMm, kMinPosterWidthMm, kMaxPosterWidthMm);
    out.overlapMm = std::clamp(poster.overlapMm, 0, kMaxOverlapMm);
    return out;
}

int SheetsToCover(long long length, long long printable, long long overlap)
{
    constexpr long long kMost = 100000;
    if (printable <= 0 || length <= printable)
        return 1;
    const long long step = printable - std::clamp(overlap, 0LL, printable / 2);
    if (step <= 0)
        return 1;
    return int(std::min(kMost, 1 + (length - printable + step - 1) / step));
}

int MinOffsetMm(int offsetPx, int dpi)
{
    if (dpi <= 0)
        return 0;
    return trunc(float(offsetPx) / float(dpi) * kMmPerInch);
}

int MmToPixels(int mm, int dpi)
{
    return trunc(float(mm) * float(dpi) / kMmPerInch);
}

QRect PreviewPaperRect(const QRect& area, float paperWmm, float paperHmm)
{
    const int aw = area.width() - 28;
    const int ah = area.height() - 28;
    if (aw <= 0 || ah <= 0 || !(paperWmm > 0.0f) || !(paperHmm > 0.0f))
        return {};
    int width = 0;
    int height = 0;
    if (paperHmm > paperWmm) {
        const float d = paperHmm / paperWmm;
        width = aw;
        height = trunc(float(aw) * d);
        if (height >= ah) {
            width = trunc(float(ah) / d);
            height = ah;
        }
    } else {
        const float d = paperWmm / paperHmm;
        const int w = trunc(float(ah) * d);
        if (w < aw) {
            width = w;
            height = ah;
        } else {
            width = aw;
            height = trunc(float(aw) / d);
        }
    }
    return {area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2, width, height};
}

int PageGrid::count() const
{
    return int(std::min<long long>(INT_MAX, static_cast<long long>(across) * down));
}

PageGrid ComputePageGrid(int canvasWidth, int canvasHeight, int screenDpiX, int screenDpiY, float paperWmm,
                         float paperHmm, const MarginsMm& margins, bool fitOnePage)
{
    if (fitOnePage || screenDpiX <= 0 || screenDpiY <= 0)
        return {};
    const float canvasWmm = float(canvasWidth) / float(screenDpiX) * kMmPerInch;
    const float canvasHmm = float(canvasHeight) / float(screenDpiY) * kMmPerInch;
    return {pagesFor(canvasWmm, paperWmm - float(margins.left) - float(margins.right)),
            pagesFor(canvasHmm, paperHmm - float(margins.top) - float(margins.bottom))};
}

PreviewLayout ComputeLayout(const LayoutInput& in)
{
    PreviewLayout out;
    const PrinterMetrics& p = in.printer;
    if (!p.valid())
        return out;
    out.minOffsetXmm = MinOffsetMm(p.offsetX, p.dpiX);
    out.minOffsetYmm = MinOffsetMm(p.offsetY, p.dpiY);
    out.paperWmm = float(p.physWidth) / float(p.dpiX) * kMmPerInch;
    out.paperHmm = float(p.physHeight) / float(p.dpiY) * kMmPerInch;
    out.paperRect = PreviewPaperRect(in.area, out.paperWmm, out.paperHmm);
    out.poster = in.fitOnePage ? PosterOptions{} : PosterWithin(in.poster);
    if (out.poster.sizing != PosterSizing::Screen) {
        // A poster's size is reckoned in the printer's pixels, as it prints.
        const PrintPlan plan = PlanPoster(p, in.margins, in.screenDpiX, in.canvasWidth, in.canvasHeight, false, {},
                                          out.poster);
        out.grid = {plan.across, plan.down};
    } else if (out.poster.overlapMm > 0 && in.screenDpiX > 0 && in.screenDpiY > 0) {
        const auto sheets = [&](int canvasPx, int dpi, float paperMm, int marginA, int marginB) {
            const float overlap = float(out.poster.overlapMm);
            const float canvasMm = float(canvasPx) / float(dpi) * kMmPerInch;
            const float printable = paperMm - float(marginA) - float(marginB);
            // A sheet narrower than twice the overlap would add nothing new.
            if (!(printable > 2.0f * overlap))
                return pagesFor(canvasMm, printable);
            return pagesFor(canvasMm - overlap, printable - overlap);
        };
        out.grid = {sheets(in.canvasWidth, in.screenDpiX, out.paperWmm, in.margins.left, in.margins.right),
                    sheets(in.canvasHeight, in.screenDpiY, out.paperHmm, in.margins.top, in.margins.bottom)};
    } else {
        out.grid = ComputePageGrid(in.canvasWidth, in.canvasHeight, in.screenDpiX, in.screenDpiY, out.paperWmm,
                                   out.paperHmm, in.margins, in.fitOnePage);
    }
    if (in.screenDpiX <= 0 || in.screenDpiY <= 0)
        return out;
    const float paperPreviewMm = float(out.paperRect.width()) / float(in.screenDpiX) * kMmPerInch;
    out.previewScale = paperPreviewMm / out.paperWmm;
    const auto px = [&](int mm, int dpi) { return trunc(out.previewScale * float(MmToPixels(mm, dpi))); };
    out.marginLeftPx = px(in.margins.left, in.screenDpiX);
    out.marginRightPx = px(in.margins.right, in.screenDpiX);
    out.marginTopPx = px(in.margins.top, in.screenDpiY);
    out.marginBottomPx = px(in.margins.bottom, in.screenDpiY);
    const int printableW = out.paperRect.width() - out.marginLeftPx - out.marginRightPx;
    const int printableH = out.paperRect.height() - out.marginTopPx - out.marginBottomPx;
    out.overlapXPx = overlapWithin(px(out.poster.overlapMm, in.screenDpiX), printableW);
    out.overlapYPx = overlapWithin(px(out.poster.overlapMm, in.screenDpiY), printableH);
    return out;
}

CanvasPreview CanvasPreviewSize(const PreviewLayout& layout, int canvasWidth, int canvasHeight, bool fitOnePage)
{
    if (canvasWidth <= 0 || canvasHeight <= 0)
        return {};
    if (!fitOnePage) {
        float scale = layout.previewScale;
        const int printableW = layout.paperRect.width() - layout.marginLeftPx - layout.marginRightPx;
        if (layout.poster.sizing == PosterSizing::SheetsAcross && printableW > 0) {
            const int n = layout.poster.sheetsAcross;
            const int width = n * printableW - (n - 1) * layout.overlapXPx;
            return {QSize(width, trunc(float(canvasHeight) * float(width) / float(canvasWidth))),
                    float(width) / float(canvasWidth)};
        }
        if (layout.poster.sizing == PosterSizing::WidthMm) {
            // The finished width at the sheet's scale in the preview.
            if (!(layout.paperWmm > 0.0f))
                return {};
            scale = float(layout.paperRect.width()) * float(layout.poster.widthMm) / layout.paperWmm /
                    float(canvasWidth);
        }
        return {QSize(trunc(float(canvasWidth) * scale), trunc(float(canvasHeight) * scale)), scale};
    }
    const int aw = layout.paperRect.width() - layout.marginLeftPx - layout.marginRightPx;
    const int ah = layout.paperRect.height() - layout.marginTopPx - layout.marginBottomPx;
    if (aw <= 0 || ah <= 0)
        return {};
    const float sw = float(aw) / float(canvasWidth);
    const float sh = float(ah) / float(canvasHeight);
    if (sh < sw)
        return {QSize(trunc(float(canvasWidth) * sh), ah), sh};
    return {QSize(aw, trunc(float(canvasHeight) * sw)), sw};
}

PreviewPlacement PlacePreviewPage(const PreviewLayout& layout, QSize canvasPreview, int currentPage, bool fitOnePage)
{
    PreviewPlacement out;
    const QRect& paper = layout.paperRect;
    out.printable = QRect(paper.left() + layout.marginLeftPx, paper.top() + layout.marginTopPx,
                          paper.width() - layout.marginLeftPx - layout.marginRightPx,
                          paper.height() - layout.marginTopPx - layout.marginBottomPx);
    const int pw = out.printable.width();
    const int ph = out.printable.height();
    out.dest = out.printable.topLeft();
    QPoint source(0, 0);
    if (fitOnePage) {
        // The limiting side fills the area; the other is centred.
        out.dest += QPoint(std::max(0, pw - canvasPreview.width()) / 2, std::max(0, ph - canvasPreview.height()) / 2);
    } else {
        const int across = std::max(1, layout.grid.across);
        const int k = std::max(0, currentPage - 1);
        source = QPoint((k % across) * (pw - layout.overlapXPx), (k / across) * (ph - layout.overlapYPx));
    }
    out.source = QRect(source, QSize(pw, ph)).intersected(QRect(QPoint(0, 0), canvasPreview));
    return out;
}

int MarginHitTest(const QRect& printable, QPoint p)
{
    constexpr int kNear = 3;
    if (std::abs(p.x() - printable.left()) < kNear)
        return 0;
    if (std::abs(p.y() - printable.top()) < kNear)
        return 1;
    if (std::abs(p.x() - (printable.left() + printable.width())) < kNear)
        return 2;
    if (std::abs(p.y() - (printable.top() + printable.height())) < kNear)
        return 3;
    return -1;
}

int ClampDragDistance(const QRect& paper, int edge, QPoint pointer, int minMm, int screenDpi, float previewScale)
{
    int distance = 0;
    switch (edge) {
    case 0: distance = pointer.x() - paper.left(); break;
    case 1: distance = pointer.y() - paper.top(); break;
    case 2: distance = paper.left() + paper.width() - pointer.x(); break;
    case 3: distance = paper.top() + paper.height() - pointer.y(); break;
    default: return 0;
    }
    const auto at = [&](int mm) { return trunc(float(mm) * float(screenDpi) / kMmPerInch * previewScale); };
    return std::clamp(distance, at(minMm), std::max(at(minMm), at(kMaxMarginMm)));
}

int MarginFromDrag(int distance, float previewScale, int screenDpi)
{
    if (!(previewScale > 0.0f) || screenDpi <= 0)
        return 0;
    const int mm = trunc(kMmPerInch / previewScale / float(screenDpi) * float(distance));
    return mm == kMaxMarginMm - 1 ? kMaxMarginMm : std::min(mm, kMaxMarginMm);
}

PageRange PrintPageRange(PrintRange rangeKind, int currentPage, int firstPage, int lastPage, int pageCount, bool fitOnePage)
{
    const int count = std::max(1, pageCount);
    PageRange range{1, count};
    if (rangeKind == PrintRange::Current)
        range = {currentPage, currentPage};
    else if (rangeKind == PrintRange::Pages)
        range = {firstPage, lastPage};
    // A page outside the grid would print an empty sheet.
    range.first = std::clamp(range.first, 1, count);
    range.last = std::clamp(range.last, range.first, count);
    if (fitOnePage)
        range.last = range.first;
    return range;
}

PrintPlan PlanPrint(const PrinterMetrics& printer, const MarginsMm& margins, int screenDpiX, int canvasWidth,
                    int canvasHeight, bool fitOnePage, int pagesAcross)
{
    PrintPlan plan;
    plan.fitOnePage = fitOnePage;
    plan.across = std::max(1, pagesAcross);
    if (!printer.valid() || screenDpiX <= 0)
        return plan;
    const int left = MmToPixels(margins.left, printer.dpiX);
    const int right = MmToPixels(margins.right, printer.dpiX);
    const int top = MmToPixels(margins.top, printer.dpiY);
    const int bottom = MmToPixels(margins.bottom, printer.dpiY);
    plan.x0 = left;
    plan.y0 = top;
    plan.width = std::max(0, printer.physWidth - right - left);
    plan.height = std::max(0, printer.physHeight - bottom - top);
    // The horizontal ratio serves both axes, as the screen's pixels are square.
    plan.scale = float(printer.dpiX) / float(screenDpiX);
    plan.canvasW = trunc(float(canvasWidth) * plan.scale);
    plan.canvasH = trunc(plan.scale * float(canvasHeight));
    if (plan.width <= 0 || plan.height <= 0) {
        plan.canvasW = 0;
        plan.canvasH = 0;
        return plan;
    }
    if (fitOnePage && plan.canvasW > 0 && plan.canvasH > 0 && plan.width > 0 && plan.height > 0) {
        const float u = float(plan.width) / float(plan.canvasW);
        const float v = float(plan.height) / float(plan.canvasH);
        if (v < u) {
            const int w = trunc(float(plan.canvasW) * v);
            plan.x0 += (plan.width - w) / 2;
            plan.width = w;
        } else {
            const int h = trunc(float(plan.canvasH) * u);
            plan.y0 += (plan.height - h) / 2;
            plan.height = h;
        }
        // The canvas is drawn straight at the fitted size, not drawn large
        // and shrunk afterwards.
        plan.scale *= std::min(u, v);
        plan.canvasW = plan.width;
        plan.canvasH = plan.height;
    }
    return plan;
}

PrintPlan PlanPoster(const PrinterMetrics& printer, const MarginsMm& margins, int screenDpiX, int canvasWidth,
                     int canvasHeight, bool fitOnePage, PageGrid grid, const PosterOptions& poster)
{
    PrintPlan plan = PlanPrint(printer, margins, screenDpiX, canvasWidth, canvasHeight, fitOnePage, grid.across);
    plan.down = std::max(1, grid.down);
    if (fitOnePage || plan.width <= 0 || plan.height <= 0 || canvasWidth <= 0 || canvasHeight <= 0)
        return plan;
    plan.poster = PosterWithin(poster);
    plan.overlapX = overlapWithin(MmToPixels(plan.poster.overlapMm, printer.dpiX), plan.width);
    plan.overlapY = overlapWithin(MmToPixels(plan.poster.overlapMm, printer.dpiY), plan.height);
    long long posterW = 0;
    switch (plan.poster.sizing) {
    case PosterSizing::SheetsAcross: {
        const long long n = plan.poster.sheetsAcross;
        posterW = n * plan.width - (n - 1) * plan.overlapX;
        break;
    }
    case PosterSizing::WidthMm: posterW = MmToPixels(plan.poster.widthMm, printer.dpiX); break;
    case PosterSizing::Screen: return plan;
    }
    plan.scale = float(posterW) / float(canvasWidth);
    plan.canvasW = int(std::min<long long>(posterW, INT_MAX));
    // The height follows the width in whole numbers, so the sheets down do
    // not hang on how a float rounds.
    plan.canvasH = int(std::min<long long>(INT_MAX / 2, posterW * canvasHeight / canvasWidth));
    plan.across = plan.poster.sizing == PosterSizing::SheetsAcross
                      ? plan.poster.sheetsAcross
                      : SheetsToCover(plan.canvasW, plan.width, plan.overlapX);
    plan.down = SheetsToCover(plan.canvasH, plan.height, plan.overlapY);
    return plan;
}

PageBlock PrintPageBlock(const PrintPlan& plan, int page)
{
    const QRect canvas(0, 0, plan.canvasW, plan.canvasH);
    if (plan.fitOnePage)
        return {canvas, QPoint(plan.x0, plan.y0)};
    const int k = std::max(0, page - 1);
    const int stepX = plan.width - plan.overlapX;
    const int stepY = plan.height - plan.overlapY;
    const QRect block((k % plan.across) * stepX, (k / plan.across) * stepY, plan.width, plan.height);
    return {block.intersected(canvas), QPoint(plan.x0, plan.y0)};
}

QString SheetRowLetters(int row)
{
    QString letters;
    for (int n = std::max(0, row) + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString SheetName(int page, int across)
{
    const int k = std::max(0, page - 1);
    const int columns = std::max(1, across);
    return SheetRowLetters(k / columns) + QLatin1Char('-') + QString::number(k % columns + 1);
}

QString SheetLabel(int page, const PageGrid& grid)
{
    return SheetName(page, grid.across) + QStringLiteral("   %1 / %2").arg(page).arg(grid.count());
}

bool LabelFits(const MarginsMm& margins, const MarginsMm& minimum)
{
    return margins.bottom - minimum.bottom >= kLabelMarginMm;
}

std::vector<CutMark> CutMarks(const QRect& printed, const QRect& sheet, QPoint border, int length, int gap,
                              int lineWidth, bool leftNeighbour, bool upperNeighbour)
{
    std::vector<CutMark> marks;
    if (printed.isEmpty() || length <= 0)
        return marks;
    const int left = printed.left();
    const int top = printed.top();
    const int right = printed.left() + printed.width() - 1;
    const int bottom = printed.top() + printed.height() - 1;
    // The room the margin leaves outside the picture on each side.
    const int roomLeft = left - gap - (sheet.left() + border.x());
    const int roomRight = sheet.left() + sheet.width() - border.x() - 1 - (right + gap);
    const int roomTop = top - gap - (sheet.top() + border.y());
    const int roomBottom = sheet.top() + sheet.height() - border.y() - 1 - (bottom + gap);
    const auto add = [&marks](QPoint from, QPoint to) { marks.push_back({from, to, false}); };
    const int l = std::min(length, roomLeft);
    const int r = std::min(length, roomRight);
    const int t = std::min(length, roomTop);
    const int b = std::min(length, roomBottom);
    for (const int y : {top, bottom}) {
        if (l > 0)
            add(QPoint(left - gap, y), QPoint(left - gap - l, y));
        if (r > 0)
            add(QPoint(right + gap, y), QPoint(right + gap + r, y));
    }
    for (const int x : {left, right}) {
        if (t > 0)
            add(QPoint(x, top - gap), QPoint(x, top - gap - t));
        if (b > 0)
            add(QPoint(x, bottom + gap), QPoint(x, bottom + gap + b));
    }
    // Touching the picture's edge from outside: an aliased pen of width w on
    // the pixel line x covers x - w/2 up to x + (w - 1)/2, so this far out it
    // ends on the pixel next to the edge.
    const int beside = (std::max(1, lineWidth) + 1) / 2;
    if (leftNeighbour && roomLeft + gap - beside >= 0)
        marks.push_back({QPoint(left - beside, top), QPoint(left - beside, bottom), true});
    if (upperNeighbour && roomTop + gap - beside >= 0)
        marks.push_back({QPoint(left, top - beside), QPoint(right, top - beside), true});
    return marks;
}

JobPages PrintJobPages(PrintRange rangeKind, int currentPage, int firstPage, int lastPage, const PageGrid& grid,
                       bool fitOnePage, bool map)
{
    JobPages job;
    job.sheets = PrintPageRange(rangeKind, currentPage, firstPage, lastPage, grid.count(), fitOnePage);
    // A sheet printed again needs no new map.
    job.map = map && !fitOnePage && rangeKind == PrintRange::All;
    return job;
}

MapPlan PlanMap(const PrintPlan& plan, int canvasWidth, int canvasHeight)
{
    MapPlan map;
    if (plan.width <= 0 || plan.height <= 0 || canvasWidth <= 0 || canvasHeight <= 0)
        return map;
    const float u = float(plan.width) / float(canvasWidth);
    const float v = float(plan.height) / float(canvasHeight);
    map.scale = std::min(u, v);
    const int w = std::max(1, trunc(float(canvasWidth) * map.scale));
    const int h = std::max(1, trunc(float(canvasHeight) * map.scale));
    map.canvas = QRect(plan.x0 + (plan.width - w) / 2, plan.y0 + (plan.height - h) / 2, w, h);
    return map;
}

QRect MapCell(const PrintPlan& plan, const MapPlan& map, int page)
{
    if (plan.canvasW <= 0 || plan.canvasH <= 0 || map.canvas.isEmpty())
        return {};
    const int k = std::max(0, page - 1);
    const int col = k % plan.across;
    const int row = k / plan.across;
    const int stepX = plan.width - plan.overlapX;
    const int stepY = plan.height - plan.overlapY;
    // Each sheet's share up to where the next one takes over, so the cells tile.
    const int x0 = std::min(plan.canvasW, col * stepX);
    const int y0 = std::min(plan.canvasH, row * stepY);
    const int x1 = col + 1 == plan.across ? plan.canvasW : std::min(plan.canvasW, (col + 1) * stepX);
    const int y1 = row + 1 == plan.down ? plan.canvasH : std::min(plan.canvasH, (row + 1) * stepY);
    const auto mapX = [&](int x) {
        return map.canvas.left() + int(std::lround(double(x) * map.canvas.width() / plan.canvasW));
    };
    const auto mapY = [&](int y) {
        return map.canvas.top() + int(std::lround(double(y) * map.canvas.height() / plan.canvasH));
    };
    return QRect(QPoint(mapX(x0), mapY(y0)), QPoint(mapX(x1) - 1, mapY(y1) - 1));
}

MarginsMm MinimumMargins(const PrinterMetrics& printer)
{
    const int x = MinOffsetMm(printer.offsetX, printer.dpiX);
    const int y = MinOffsetMm(printer.offsetY, printer.dpiY);
    return {x, x, y, y};
}

int MarginWithin(int mm, int minimumMm)
{
    return std::max(minimumMm, std::min(mm, kMaxMarginMm));
}

MarginsMm MarginsWithin(const MarginsMm& margins, const MarginsMm& minimum)
{
    return {MarginWithin(margins.left, minimum.left), MarginWithin(margins.right, minimum.right),
            MarginWithin(margins.top, minimum.top), MarginWithin(margins.bottom, minimum.bottom)};
}

std::optional<MarginSide> MarginNotFitting(const PrinterMetrics& printer, const MarginsMm& margins)
{
    const int left = MmToPixels(margins.left, printer.dpiX);
    const int right = MmToPixels(margins.right, printer.dpiX);
    const int top = MmToPixels(margins.top, printer.dpiY);
    const int bottom = MmToPixels(margins.bottom, printer.dpiY);
    if (left >= printer.physWidth)
        return MarginSide::Left;
    if (left + right >= printer.physWidth)
        return MarginSide::Right;
    if (top >= printer.physHeight)
        return MarginSide::Top;
    if (top + bottom >= printer.physHeight)
        return MarginSide::Bottom;
    return std::nullopt;
}

int PageWithin(int page, int pageCount)
{
    return std::max(1, std::min(page, pageCount));
}

int FirstPageField(std::optional<int> typed, std::optional<int> last)
{
    if (!typed)
        return 1;
    if (last && *last < *typed)
        return *last;
    return *typed;
}

int LastPageField(std::optional<int> typed, int first, int pageCount)
{
    if (typed && *typed > pageCount)
        return pageCount;
    if (!typed || *typed < first)
        return first;
    return *typed;
}

bool StoredPlaceUsable(int px, int py, QSize desktop)
{
    return px < desktop.width() && py < desktop.height();
}

} // namespace vq
