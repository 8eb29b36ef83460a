#include "print/PrintLayout.h"

#include <algorithm>
#include <climits>
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

} // namespace

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
    out.grid = ComputePageGrid(in.canvasWidth, in.canvasHeight, in.screenDpiX, in.screenDpiY, out.paperWmm,
                               out.paperHmm, in.margins, in.fitOnePage);
    if (in.screenDpiX <= 0 || in.screenDpiY <= 0)
        return out;
    const float paperPreviewMm = float(out.paperRect.width()) / float(in.screenDpiX) * kMmPerInch;
    out.previewScale = paperPreviewMm / out.paperWmm;
    const auto px = [&](int mm, int dpi) { return trunc(out.previewScale * float(MmToPixels(mm, dpi))); };
    out.marginLeftPx = px(in.margins.left, in.screenDpiX);
    out.marginRightPx = px(in.margins.right, in.screenDpiX);
    out.marginTopPx = px(in.margins.top, in.screenDpiY);
    out.marginBottomPx = px(in.margins.bottom, in.screenDpiY);
    return out;
}

CanvasPreview CanvasPreviewSize(const PreviewLayout& layout, int canvasWidth, int canvasHeight, bool fitOnePage)
{
    if (canvasWidth <= 0 || canvasHeight <= 0)
        return {};
    if (!fitOnePage) {
        return {QSize(trunc(float(canvasWidth) * layout.previewScale), trunc(float(canvasHeight) * layout.previewScale)),
                layout.previewScale};
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
        source = QPoint((k % across) * pw, (k / across) * ph);
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

PageBlock PrintPageBlock(const PrintPlan& plan, int page)
{
    const QRect canvas(0, 0, plan.canvasW, plan.canvasH);
    if (plan.fitOnePage)
        return {canvas, QPoint(plan.x0, plan.y0)};
    const int k = std::max(0, page - 1);
    const QRect block((k % plan.across) * plan.width, (k / plan.across) * plan.height, plan.width, plan.height);
    return {block.intersected(canvas), QPoint(plan.x0, plan.y0)};
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
