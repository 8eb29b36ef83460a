#include "print/PaperTable.h"
#include "print/PrintLayout.h"

#include <QSizeF>

#include <gtest/gtest.h>

namespace vq {
namespace {

// A4 at 600 dpi with no unprintable border, as the PDF printer reports it.
constexpr PrinterMetrics kA4Pdf{600, 600, 0, 0, 4961, 7016};

TEST(PageGridTest, PagesAcrossAndDown)
{
    const struct {
        const char* what;
        int canvasW, canvasH, dpi;
        float paperW, paperH;
        MarginsMm margins;
        bool fit;
        PageGrid expected;
    } cases[] = {
        // 264.6 mm square on A4: trunc(264.6 / 175) + 1 and trunc(264.6 / 262) + 1.
        {"1000 square on A4 portrait", 1000, 1000, 96, 210.0f, 297.0f, {25, 10, 25, 10}, false, {2, 2}},
        {"same on A4 landscape", 1000, 1000, 96, 297.0f, 210.0f, {25, 10, 25, 10}, false, {2, 2}},
        {"small canvas", 300, 200, 96, 210.0f, 297.0f, {25, 10, 25, 10}, false, {1, 1}},
        // 960 px at 96 dpi is 254 mm; 297 - 25 - 18 = 254 exactly: one page more.
        {"exact multiple", 960, 100, 96, 297.0f, 210.0f, {25, 18, 25, 10}, false, {2, 1}},
        {"twice exact", 1920, 100, 96, 297.0f, 210.0f, {25, 18, 25, 10}, false, {3, 1}},
        {"wide canvas", 5000, 1000, 96, 210.0f, 297.0f, {25, 10, 25, 10}, false, {8, 2}},
        {"fit gives one page", 5000, 5000, 96, 210.0f, 297.0f, {25, 10, 25, 10}, true, {1, 1}},
        {"finer screen, fewer pages", 1000, 1000, 192, 210.0f, 297.0f, {25, 10, 25, 10}, false, {1, 1}},
        // Margins wider than the sheet leave no printable width; one page, no division by zero.
        {"no room inside margins", 1000, 1000, 96, 60.0f, 297.0f, {50, 50, 25, 10}, false, {1, 2}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputePageGrid(c.canvasW, c.canvasH, c.dpi, c.dpi, c.paperW, c.paperH, c.margins, c.fit),
                  c.expected)
            << c.what;
    }
}

TEST(PreviewLayoutTest, PaperRectFitsTheAreaAndIsCentred)
{
    const struct {
        QRect area;
        float paperW, paperH;
        QRect expected;
    } cases[] = {
        // Portrait paper in a tall area: the width limits.
        {{0, 0, 328, 1000}, 210.0f, 297.0f, {14, 288, 300, 424}},
        // Portrait paper in a wide area: the height limits.
        {{0, 0, 600, 328}, 210.0f, 297.0f, {194, 14, 212, 300}},
        // Landscape paper in a wide area.
        {{0, 0, 1000, 328}, 297.0f, 210.0f, {288, 14, 424, 300}},
        // Landscape paper in a tall area.
        {{10, 20, 328, 600}, 297.0f, 210.0f, {24, 214, 300, 212}},
        // Too small an area draws no paper.
        {{0, 0, 20, 20}, 210.0f, 297.0f, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PreviewPaperRect(c.area, c.paperW, c.paperH), c.expected) << c.area.width() << "x" << c.area.height();
}

TEST(PreviewLayoutTest, LayoutFromPrinterNumbers)
{
    LayoutInput in;
    in.printer = kA4Pdf;
    in.area = QRect(0, 0, 328, 1000);
    in.canvasWidth = 1000;
    in.canvasHeight = 1000;
    const PreviewLayout layout = ComputeLayout(in);
    EXPECT_NEAR(layout.paperWmm, 210.0f, 0.1f);
    EXPECT_NEAR(layout.paperHmm, 297.0f, 0.1f);
    EXPECT_EQ(layout.grid, (PageGrid{2, 2}));
    EXPECT_EQ(layout.paperRect.width(), 300);
    // 300 preview pixels are 79.4 mm at 96 dpi: a scale of about 0.378.
    EXPECT_NEAR(layout.previewScale, 300.0f / 96.0f * 25.4f / layout.paperWmm, 1e-5f);
    // trunc(scale * trunc(25 * 96 / 25.4)) = trunc(0.378 * 94) = 35.
    EXPECT_EQ(layout.marginLeftPx, 35);
    // trunc(0.378 * trunc(10 * 96 / 25.4)) = trunc(0.378 * 37) = 13.
    EXPECT_EQ(layout.marginRightPx, 13);
    EXPECT_EQ(layout.marginTopPx, 35);
    EXPECT_EQ(layout.marginBottomPx, 13);

    // An unprintable border of 4.2 mm is a minimum of 4 mm.
    in.printer.offsetX = 100;
    in.printer.offsetY = 142;
    const PreviewLayout bordered = ComputeLayout(in);
    EXPECT_EQ(bordered.minOffsetXmm, 4);
    EXPECT_EQ(bordered.minOffsetYmm, 6);

    in.printer = {};
    EXPECT_TRUE(ComputeLayout(in).paperRect.isNull());
}

TEST(PreviewLayoutTest, CanvasPreviewAndItsPlaceOnThePage)
{
    LayoutInput in;
    in.printer = kA4Pdf;
    in.area = QRect(0, 0, 328, 452);
    in.canvasWidth = 1200;
    in.canvasHeight = 1500;
    const PreviewLayout tiled = ComputeLayout(in);
    ASSERT_EQ(tiled.grid, (PageGrid{2, 2}));
    const CanvasPreview canvas = CanvasPreviewSize(tiled, 1200, 1500, false);
    EXPECT_EQ(canvas.size, QSize(int(1200 * tiled.previewScale), int(1500 * tiled.previewScale)));
    const QRect paper = tiled.paperRect;
    const QRect printable(paper.left() + tiled.marginLeftPx, paper.top() + tiled.marginTopPx,
                          paper.width() - tiled.marginLeftPx - tiled.marginRightPx,
                          paper.height() - tiled.marginTopPx - tiled.marginBottomPx);

    const struct {
        int page;
        QRect source;
    } pages[] = {
        {1, QRect(0, 0, printable.width(), printable.height())},
        {2, QRect(printable.width(), 0, canvas.size.width() - printable.width(), printable.height())},
        {3, QRect(0, printable.height(), printable.width(), canvas.size.height() - printable.height())},
        {4, QRect(printable.width(), printable.height(), canvas.size.width() - printable.width(),
                  canvas.size.height() - printable.height())},
    };
    for (const auto& p : pages) {
        const PreviewPlacement place = PlacePreviewPage(tiled, canvas.size, p.page, false);
        EXPECT_EQ(place.printable, printable) << p.page;
        EXPECT_EQ(place.dest, printable.topLeft()) << p.page;
        EXPECT_EQ(place.source, p.source) << p.page;
    }

    // Fitted: a wide canvas fills the printable width and is centred down the page.
    in.canvasWidth = 2000;
    in.canvasHeight = 500;
    in.fitOnePage = true;
    const PreviewLayout fitted = ComputeLayout(in);
    const CanvasPreview small = CanvasPreviewSize(fitted, 2000, 500, true);
    const PreviewPlacement place = PlacePreviewPage(fitted, small.size, 1, true);
    EXPECT_EQ(small.size.width(), place.printable.width());
    EXPECT_EQ(small.size.height(), int(500 * small.scale));
    EXPECT_EQ(place.dest.x(), place.printable.left());
    EXPECT_EQ(place.dest.y(), place.printable.top() + (place.printable.height() - small.size.height()) / 2);
    EXPECT_EQ(place.source, QRect(QPoint(0, 0), small.size));
}

TEST(MarginDragTest, HitTestClampAndMillimetres)
{
    const QRect printable(50, 60, 200, 300); // right edge at 250, bottom at 360
    const struct {
        QPoint p;
        int edge;
    } hits[] = {
        {{50, 200}, 0}, {{52, 200}, 0}, {{47, 200}, -1}, {{100, 62}, 1}, {{249, 100}, 2},
        {{150, 358}, 3}, {{150, 200}, -1}, {{51, 61}, 0},
    };
    for (const auto& h : hits)
        EXPECT_EQ(MarginHitTest(printable, h.p), h.edge) << h.p.x() << "," << h.p.y();

    // Preview scale 1 at 96 dpi: 50 mm is 188 pixels, 5 mm is 18.
    const QRect paper(10, 20, 794, 1123);
    const struct {
        int edge;
        QPoint pointer;
        int distance;
    } drags[] = {
        {0, {100, 0}, 90},     {0, {0, 0}, 18},        {0, {700, 0}, 188},
        {2, {10 + 794 - 30, 0}, 30}, {2, {900, 0}, 18}, {1, {0, 20 + 40}, 40},
        {3, {0, 20 + 1123 - 500}, 188},
    };
    for (const auto& d : drags)
        EXPECT_EQ(ClampDragDistance(paper, d.edge, d.pointer, 5, 96, 1.0f), d.distance) << d.edge;

    const struct {
        int distance;
        float scale;
        int mm;
    } mms[] = {
        {188, 1.0f, 50},   // 49.7 mm truncates to 49 and is raised to 50
        {185, 1.0f, 48},
        {94, 1.0f, 24},
        {71, 0.378f, 49 + 1},
        {0, 1.0f, 0},
    };
    for (const auto& m : mms)
        EXPECT_EQ(MarginFromDrag(m.distance, m.scale, 96), m.mm) << m.distance;
}

TEST(PrintRangeTest, PagesTheButtonPrints)
{
    const struct {
        const char* what;
        PrintRange kind;
        int current, first, last, count;
        bool fit;
        PageRange expected;
    } cases[] = {
        {"all", PrintRange::All, 3, 2, 2, 4, false, {1, 4}},
        {"current", PrintRange::Current, 3, 1, 4, 4, false, {3, 3}},
        {"from to", PrintRange::Pages, 1, 2, 3, 4, false, {2, 3}},
        {"fit prints one page whatever the range", PrintRange::Pages, 1, 2, 4, 1, true, {1, 1}},
        {"fit with a range of pages", PrintRange::Pages, 1, 2, 4, 6, true, {2, 2}},
        {"fit with all", PrintRange::All, 1, 1, 1, 4, true, {1, 1}},
        {"beyond the grid is cut", PrintRange::Pages, 1, 3, 9, 4, false, {3, 4}},
        {"reversed", PrintRange::Pages, 1, 4, 2, 4, false, {4, 4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintPageRange(c.kind, c.current, c.first, c.last, c.count, c.fit), c.expected) << c.what;
}

TEST(PrintFieldRulesTest, MarginsHeldBetweenThePrinterBorderAnd50mm)
{
    // A printer at 600 dpi whose unprintable border is 100 px across (4.2 mm)
    // and 150 px down (6.35 mm).
    const PrinterMetrics bordered{600, 600, 100, 150, 4961, 7016};
    EXPECT_EQ(MinimumMargins(bordered), (MarginsMm{4, 4, 6, 6}));
    EXPECT_EQ(MinimumMargins(kA4Pdf), (MarginsMm{0, 0, 0, 0}));

    const struct {
        const char* what;
        MarginsMm margins;
        MarginsMm minimum;
        MarginsMm expected;
    } cases[] = {
        {"inside the range", {25, 10, 25, 10}, {4, 4, 6, 6}, {25, 10, 25, 10}},
        {"at both limits", {4, 50, 6, 50}, {4, 4, 6, 6}, {4, 50, 6, 50}},
        {"below the border is raised", {0, 3, 5, 0}, {4, 4, 6, 6}, {4, 4, 6, 6}},
        {"above 50 is lowered", {60, 51, 99999, 50}, {4, 4, 6, 6}, {50, 50, 50, 50}},
        {"each side its own minimum", {5, 5, 5, 5}, {4, 4, 6, 6}, {5, 5, 6, 6}},
        {"a border past 50 mm wins", {20, 60, 20, 20}, {55, 55, 0, 0}, {55, 55, 20, 20}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarginsWithin(c.margins, c.minimum), c.expected) << c.what;
}

TEST(PrintFieldRulesTest, PageFieldsHeldToTheGridAndToEachOther)
{
    const struct {
        int page, count, expected;
    } pages[] = {{1, 4, 1}, {4, 4, 4}, {0, 4, 1}, {-3, 4, 1}, {5, 4, 4}, {99999, 1, 1}};
    for (const auto& p : pages)
        EXPECT_EQ(PageWithin(p.page, p.count), p.expected) << p.page << " of " << p.count;

    const std::optional<int> empty;
    const struct {
        const char* what;
        std::optional<int> typed, last;
        int expected;
    } firsts[] = {
        {"empty becomes 1", empty, 4, 1},
        {"before the to-page", 2, 4, 2},
        {"equal to the to-page", 4, 4, 4},
        {"past the to-page", 6, 4, 4},
        {"empty to-page holds nothing back", 6, empty, 6},
    };
    for (const auto& f : firsts)
        EXPECT_EQ(FirstPageField(f.typed, f.last), f.expected) << f.what;

    const struct {
        const char* what;
        std::optional<int> typed;
        int first, count, expected;
    } lasts[] = {
        {"inside", 3, 2, 4, 3},
        {"the page count", 4, 1, 4, 4},
        {"past the page count", 9, 1, 4, 4},
        {"empty becomes the from-page", empty, 2, 4, 2},
        {"before the from-page", 1, 3, 4, 3},
        {"past the count wins over the from-page", 9, 6, 4, 4},
    };
    for (const auto& l : lasts)
        EXPECT_EQ(LastPageField(l.typed, l.first, l.count), l.expected) << l.what;
}

TEST(PrintPlanTest, BlocksOfTheCanvasAtPrinterResolution)
{
    // 1000 x 1000 canvas at 96 dpi onto A4 at 600 dpi with margins 25/10/25/10.
    const PrintPlan plan = PlanPrint(kA4Pdf, MarginsMm{}, 96, 1000, 1000, false, 2);
    EXPECT_EQ(plan.x0, 590);  // trunc(25 * 600 / 25.4)
    EXPECT_EQ(plan.y0, 590);
    EXPECT_EQ(plan.width, 4961 - 236 - 590);
    EXPECT_EQ(plan.height, 7016 - 236 - 590);
    EXPECT_FLOAT_EQ(plan.scale, 6.25f);
    EXPECT_EQ(plan.canvasW, 6250);
    EXPECT_EQ(plan.canvasH, 6250);
    const struct {
        int page;
        QRect source;
    } pages[] = {
        {1, {0, 0, 4135, 6190}},
        {2, {4135, 0, 6250 - 4135, 6190}},
        {3, {0, 6190, 4135, 60}},
        {4, {4135, 6190, 6250 - 4135, 60}},
        {5, {}},
    };
    for (const auto& p : pages) {
        const PageBlock block = PrintPageBlock(plan, p.page);
        EXPECT_EQ(block.source.isEmpty() ? QRect() : block.source, p.source) << p.page;
        EXPECT_EQ(block.dest, QPoint(590, 590)) << p.page;
    }

    // Fitted, a wide canvas takes the printable width and is centred down.
    const PrintPlan fit = PlanPrint(kA4Pdf, MarginsMm{}, 96, 2000, 500, true, 1);
    EXPECT_EQ(fit.x0, 590);
    EXPECT_EQ(fit.width, 4135);
    EXPECT_EQ(fit.height, int(3125 * (4135.0f / 12500.0f)));
    EXPECT_EQ(fit.y0, 590 + (6190 - fit.height) / 2);
    EXPECT_NEAR(fit.scale, 4135.0f / 2000.0f, 1e-4f);
    EXPECT_EQ(PrintPageBlock(fit, 1).source, QRect(0, 0, fit.width, fit.height));
}

TEST(PrintFieldRulesTest, MarginsThatLeaveNoPrintableAreaAreNamed)
{
    // A sheet 98 x 148 mm at 600 dpi, as a small envelope or card is.
    const PrinterMetrics card{600, 600, 0, 0, 2315, 3496};
    const std::optional<MarginSide> fits;
    const struct {
        const char* what;
        MarginsMm margins;
        std::optional<MarginSide> expected;
    } cases[] = {
        {"the defaults fit", {25, 10, 25, 10}, fits},
        {"a sliver of 2 mm across still fits", {48, 48, 10, 10}, fits},
        {"left and right together fill the width", {50, 50, 10, 10}, MarginSide::Right},
        {"the right one is named when left came first", {49, 50, 10, 10}, MarginSide::Right},
        {"one pixel across is room", {49, 49, 10, 10}, fits},
        {"the width is tested before the height", {50, 50, 80, 80}, MarginSide::Right},
        {"top and bottom fill the height", {10, 10, 50, 50}, fits},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarginNotFitting(card, c.margins), c.expected) << c.what;

    const PrinterMetrics sliver{600, 600, 0, 0, 1000, 1000}; // 42.3 mm square
    EXPECT_EQ(MarginNotFitting(sliver, {43, 0, 0, 0}), MarginSide::Left);
    EXPECT_EQ(MarginNotFitting(sliver, {0, 0, 43, 0}), MarginSide::Top);
    EXPECT_EQ(MarginNotFitting(sliver, {0, 0, 30, 13}), MarginSide::Bottom);
    EXPECT_EQ(MarginNotFitting(sliver, {20, 20, 20, 20}), fits);

    // A sheet without room carries nothing: fitted or not, the canvas is not
    // drawn at printer scale for want of a width to fit it to.
    for (const bool fit : {true, false}) {
        const PrintPlan plan = PlanPrint(card, MarginsMm{50, 50, 10, 10}, 96, 10000, 7500, fit, 1);
        EXPECT_EQ(plan.canvasW, 0) << fit;
        EXPECT_EQ(plan.canvasH, 0) << fit;
        EXPECT_TRUE(PrintPageBlock(plan, 1).source.isEmpty()) << fit;
    }
}

TEST(PrintDialogPlaceTest, StoredPlaceOutsideTheDesktopIsIgnored)
{
    const QSize desktop(1280, 1024);
    const struct {
        int px, py;
        bool usable;
    } cases[] = {
        {0, 0, true}, {1279, 1023, true}, {1280, 0, false}, {0, 1024, false}, {5000, 5000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StoredPlaceUsable(c.px, c.py, desktop), c.usable) << c.px << "," << c.py;
}

TEST(PaperTableTest, CodesNamesAndSizes)
{
    const struct {
        int code;
        const char* name;
        double w, h;
    } cases[] = {
        {9, "A4Sheet, 210x297mm", 210, 297},
        {8, "A3Sheet, 297x420mm", 297, 420},
        {12, "B4Sheet, 250x354mm", 257, 364},   // JIS B4
        {13, "B5Sheet, 182x257mm", 182, 257},   // JIS B5
        {1, "Letter, 81/2x11inch", 215.9, 279.4},
        {14, "Folio, 81/2x13inch", 215.9, 330.2},
        {35, "B6Envelope, 176x125mm", 176, 125},
        {41, "GermanLegalFanfold, 81/2x13inch", 215.9, 330.2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PaperName(c.code), QString::fromLatin1(c.name)) << c.code;
        const std::optional<QPageSize> size = PageSizeFromPaperCode(c.code);
        ASSERT_TRUE(size.has_value()) << c.code;
        const QSizeF mm = size->size(QPageSize::Millimeter);
        EXPECT_NEAR(mm.width(), c.w, 0.6) << c.code;
        EXPECT_NEAR(mm.height(), c.h, 0.6) << c.code;
    }
    for (int unknown : {0, -1, 42, 999}) {
        EXPECT_EQ(PaperName(unknown), QStringLiteral("etc.")) << unknown;
        EXPECT_FALSE(PageSizeFromPaperCode(unknown).has_value()) << unknown;
    }
}

TEST(PaperTableTest, PickedPaperBackToItsCode)
{
    const struct {
        QPageSize size;
        int code;
    } cases[] = {
        {QPageSize(QPageSize::A4), 9},
        {QPageSize(QPageSize::JisB4), 12},
        {QPageSize(QPageSize::JisB5), 13},
        {QPageSize(QPageSize::Letter), 1},
        {QPageSize(QPageSize::A5), 11},
        // ISO B4 is the sheet of the B4 envelope; the list has no other.
        {QPageSize(QPageSize::B4), 33},
        {QPageSize(QSizeF(176, 125), QPageSize::Millimeter), 35},
        {QPageSize(QSizeF(100, 100), QPageSize::Millimeter), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaperCodeOf(c.size), c.code) << c.size.name().toStdString();
}

} // namespace
} // namespace vq
