#include "print/PrintLayout.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <gtest/gtest.h>

namespace vq {
namespace {

// A4 at 600 dpi with no unprintable border; with the margins 25/10/25/10 a
// sheet carries 4135 x 6190 device pixels of canvas, and 10 mm are 236.
constexpr PrinterMetrics kA4Pdf{600, 600, 0, 0, 4961, 7016};

PosterOptions sheetsAcross(int n, int overlap)
{
    PosterOptions p;
    p.sizing = PosterSizing::SheetsAcross;
    p.sheetsAcross = n;
    p.overlapMm = overlap;
    return p;
}

PosterOptions widthMm(int mm, int overlap)
{
    PosterOptions p;
    p.sizing = PosterSizing::WidthMm;
    p.widthMm = mm;
    p.overlapMm = overlap;
    return p;
}

TEST(PosterPlanTest, SizeGivesScaleAndGrid)
{
    const struct {
        const char* what;
        int canvasW, canvasH;
        PosterOptions poster;
        int posterW, posterH, across, down, overlap;
    } cases[] = {
        // Three sheets' printable width exactly; the height follows the aspect.
        {"3 across", 1000, 1000, sheetsAcross(3, 0), 3 * 4135, 3 * 4135, 3, 3, 0},
        // Each sheet after the first adds its width less the overlap.
        {"3 across, 10 mm overlap", 1000, 1000, sheetsAcross(3, 10), 3 * 4135 - 2 * 236, 11933, 3, 2, 236},
        {"1 across, wide canvas", 2000, 500, sheetsAcross(1, 0), 4135, 1033, 1, 1, 0},
        // 1000 mm is 23622 device pixels: 5.7 sheets of 4135 take 6.
        {"1 m wide", 1000, 500, widthMm(1000, 0), 23622, 11811, 6, 2, 0},
        // 30 mm overlap leaves 3427 new pixels a sheet across, 5482 down.
        {"1 m wide, 30 mm overlap", 1000, 500, widthMm(1000, 30), 23622, 11811, 7, 3, 708},
        // Out-of-range choices are held to 20 sheets and 30 mm.
        {"too many sheets", 1000, 100, sheetsAcross(99, 99), 20 * 4135 - 19 * 708, (20 * 4135 - 19 * 708) / 10, 20, 2,
         708},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PrintPlan plan = PlanPoster(kA4Pdf, MarginsMm{}, 96, c.canvasW, c.canvasH, false, {}, c.poster);
        EXPECT_EQ(plan.canvasW, c.posterW);
        EXPECT_EQ(plan.canvasH, c.posterH);
        EXPECT_NEAR(plan.scale, float(c.posterW) / float(c.canvasW), 1e-3f);
        EXPECT_EQ(plan.across, c.across);
        EXPECT_EQ(plan.down, c.down);
        EXPECT_EQ(plan.overlapX, c.overlap);
        // The dialog's layout counts the same sheets.
        LayoutInput in;
        in.printer = kA4Pdf;
        in.area = QRect(0, 0, 328, 1000);
        in.canvasWidth = c.canvasW;
        in.canvasHeight = c.canvasH;
        in.poster = c.poster;
        EXPECT_EQ(ComputeLayout(in).grid, (PageGrid{c.across, c.down}));
    }
}

TEST(PosterPlanTest, WithoutPosterChoicesThePlanIsTodays)
{
    for (const bool fit : {false, true}) {
        for (const QSize canvas : {QSize(1000, 1000), QSize(2000, 500), QSize(5000, 3000)}) {
            LayoutInput in;
            in.printer = kA4Pdf;
            in.area = QRect(0, 0, 328, 1000);
            in.canvasWidth = canvas.width();
            in.canvasHeight = canvas.height();
            in.fitOnePage = fit;
            const PreviewLayout layout = ComputeLayout(in);
            EXPECT_EQ(layout.grid, ComputePageGrid(canvas.width(), canvas.height(), 96, 96, layout.paperWmm,
                                                   layout.paperHmm, MarginsMm{}, fit));
            const PrintPlan today = PlanPrint(kA4Pdf, MarginsMm{}, 96, canvas.width(), canvas.height(), fit,
                                              layout.grid.across);
            const PrintPlan poster = PlanPoster(kA4Pdf, MarginsMm{}, 96, canvas.width(), canvas.height(), fit,
                                                layout.grid, PosterOptions{});
            for (int page = 1; page <= layout.grid.count(); ++page) {
                EXPECT_EQ(PrintPageBlock(poster, page).source, PrintPageBlock(today, page).source) << page;
                EXPECT_EQ(PrintPageBlock(poster, page).dest, PrintPageBlock(today, page).dest) << page;
            }
        }
    }
    // Fitting one page sets every poster choice aside.
    LayoutInput in;
    in.printer = kA4Pdf;
    in.area = QRect(0, 0, 328, 1000);
    in.canvasWidth = 1000;
    in.canvasHeight = 1000;
    in.fitOnePage = true;
    in.poster = sheetsAcross(4, 10);
    EXPECT_EQ(ComputeLayout(in).grid, (PageGrid{1, 1}));
    EXPECT_EQ(ComputeLayout(in).poster, PosterOptions{});
}

// An overlap at the canvas's screen size: 1300 pixels are 343.9 mm, two
// sheets of 175 mm without it, three when each new one adds only 165.
TEST(PosterPlanTest, OverlapAtScreenSizeCanNeedAnotherSheet)
{
    LayoutInput in;
    in.printer = kA4Pdf;
    in.area = QRect(0, 0, 328, 1000);
    in.canvasWidth = 1300;
    in.canvasHeight = 500;
    EXPECT_EQ(ComputeLayout(in).grid, (PageGrid{2, 1}));
    in.poster.overlapMm = 10;
    EXPECT_EQ(ComputeLayout(in).grid, (PageGrid{3, 1}));
}

// Every sheet repeats exactly the overlap of its left and upper neighbour,
// and the sheets together cover the whole poster.
TEST(PosterPlanTest, NeighbouringSheetsShareExactlyTheOverlap)
{
    for (const PosterOptions& poster : {sheetsAcross(3, 10), sheetsAcross(2, 0), widthMm(700, 25), widthMm(1000, 30)}) {
        const PrintPlan plan = PlanPoster(kA4Pdf, MarginsMm{}, 96, 1200, 900, false, {}, poster);
        SCOPED_TRACE(testing::Message() << plan.across << " x " << plan.down << " overlap " << poster.overlapMm);
        QRegion covered;
        for (int page = 1; page <= plan.across * plan.down; ++page) {
            const QRect block = PrintPageBlock(plan, page).source;
            ASSERT_FALSE(block.isEmpty()) << page;
            covered += block;
            const int col = (page - 1) % plan.across;
            const int row = (page - 1) / plan.across;
            // The block starts the overlap before its neighbour's ends.
            if (col > 0) {
                const QRect left = PrintPageBlock(plan, page - 1).source;
                EXPECT_EQ(block.left(), left.left() + left.width() - plan.overlapX) << page;
                EXPECT_EQ(block.top(), left.top()) << page;
                EXPECT_EQ(block.height(), left.height()) << page;
            }
            if (row > 0) {
                const QRect above = PrintPageBlock(plan, page - plan.across).source;
                EXPECT_EQ(block.top(), above.top() + above.height() - plan.overlapY) << page;
                EXPECT_EQ(block.left(), above.left()) << page;
                EXPECT_EQ(block.width(), above.width()) << page;
            }
        }
        EXPECT_EQ(covered, QRegion(0, 0, plan.canvasW, plan.canvasH));
    }
}

TEST(SheetLabelTest, RowLetterColumnAndPlace)
{
    const struct {
        int page;
        PageGrid grid;
        const char* expected;
    } cases[] = {
        {1, {3, 4}, "A-1   1 / 12"},
        {3, {3, 4}, "A-3   3 / 12"},
        {6, {3, 4}, "B-3   6 / 12"},
        {12, {3, 4}, "D-3   12 / 12"},
        {1, {1, 1}, "A-1   1 / 1"},
        // Past Z the rows go on as a spreadsheet's columns do.
        {27, {1, 30}, "AA-1   27 / 30"},
        {28, {1, 30}, "AB-1   28 / 30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SheetLabel(c.page, c.grid).toStdString(), c.expected);
    EXPECT_EQ(SheetRowLetters(25), QStringLiteral("Z"));
    EXPECT_EQ(SheetRowLetters(701), QStringLiteral("ZZ"));
    EXPECT_EQ(SheetRowLetters(702), QStringLiteral("AAA"));

    // The label needs 6 mm of the bottom margin beyond the printer's border.
    EXPECT_TRUE(LabelFits(MarginsMm{25, 10, 25, 10}, MarginsMm{3, 3, 4, 4}));
    EXPECT_TRUE(LabelFits(MarginsMm{25, 10, 25, 10}, MarginsMm{3, 3, 4, 4}));
    EXPECT_FALSE(LabelFits(MarginsMm{25, 10, 25, 9}, MarginsMm{3, 3, 4, 4}));
    EXPECT_FALSE(LabelFits(MarginsMm{25, 10, 25, 5}, MarginsMm{0, 0, 0, 0}));
}

TEST(PosterJobTest, RangeAndMapDecideThePages)
{
    const PageGrid grid{3, 2};
    const struct {
        const char* what;
        PrintRange kind;
        int current, first, last;
        bool fit, map;
        JobPages expected;
        int count;
    } cases[] = {
        {"all with map", PrintRange::All, 1, 1, 6, false, true, {true, {1, 6}}, 7},
        {"all without map", PrintRange::All, 1, 1, 6, false, false, {false, {1, 6}}, 6},
        // A sheet printed again needs no new map.
        {"current sheet", PrintRange::Current, 5, 1, 6, false, true, {false, {5, 5}}, 1},
        {"sheets 2 to 4", PrintRange::Pages, 1, 2, 4, false, true, {false, {2, 4}}, 3},
        {"pages past the grid", PrintRange::Pages, 1, 5, 40, false, false, {false, {5, 6}}, 2},
        {"fitted", PrintRange::Pages, 1, 2, 4, true, true, {false, {2, 2}}, 1},
    };
    for (const auto& c : cases) {
        const JobPages job = PrintJobPages(c.kind, c.current, c.first, c.last, grid, c.fit, c.map);
        EXPECT_EQ(job, c.expected) << c.what;
        EXPECT_EQ(job.count(), c.count) << c.what;
    }
}

TEST(CutMarkTest, MarksStayInTheMarginWithinThePrintersReach)
{
    const QRect sheet(0, 0, 600, 800);
    const QPoint border(10, 12);
    const struct {
        const char* what;
        QRect printed;
        bool left, up;
        int solid, dashed, shortest;
    } cases[] = {
        {"wide margins", {100, 100, 400, 600}, false, false, 8, 0, 30},
        // 40 - 10 gap - 10 border leaves 20 pixels for the left marks.
        {"narrow left margin", {40, 100, 400, 600}, false, false, 8, 0, 20},
        // No room at all at the top: the top marks are left out.
        {"no top margin", {100, 15, 400, 600}, false, false, 6, 0, 30},
        {"glued at left and top", {100, 100, 400, 600}, true, true, 8, 2, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<CutMark> marks = CutMarks(c.printed, sheet, border, 30, 10, 1, c.left, c.up);
        int solid = 0;
        int dashed = 0;
        int shortest = INT_MAX;
        const QRect reach = sheet.adjusted(border.x(), border.y(), -border.x(), -border.y());
        for (const CutMark& m : marks) {
            (m.dashed ? dashed : solid) += 1;
            const QRect line(QPoint(std::min(m.from.x(), m.to.x()), std::min(m.from.y(), m.to.y())),
                             QPoint(std::max(m.from.x(), m.to.x()), std::max(m.from.y(), m.to.y())));
            EXPECT_FALSE(line.intersects(c.printed)) << line.x() << "," << line.y();
            EXPECT_TRUE(reach.contains(line)) << line.x() << "," << line.y();
            if (!m.dashed)
                shortest = std::min(shortest, std::max(line.width(), line.height()) - 1);
        }
        EXPECT_EQ(solid, c.solid);
        EXPECT_EQ(dashed, c.dashed);
        EXPECT_EQ(shortest, c.shortest);
    }
    // Every corner of the picture has its two marks, in line with its edges.
    const QRect printed(100, 100, 400, 600);
    const std::vector<CutMark> marks = CutMarks(printed, sheet, border, 30, 10, 1, false, false);
    for (const QPoint corner : {printed.topLeft(), printed.topRight(), printed.bottomLeft(), printed.bottomRight()}) {
        // Each starts the gap away from the corner, in line with one edge.
        int starting = 0;
        for (const CutMark& m : marks) {
            const QPoint d = m.from - corner;
            starting += (d.x() == 0 && std::abs(d.y()) == 10) || (d.y() == 0 && std::abs(d.x()) == 10);
        }
        EXPECT_EQ(starting, 2) << corner.x() << "," << corner.y();
    }
}

// The dashed line says where to cut a sheet that is glued over its
// neighbour: painted as the page printer paints it, it touches the picture's
// edge from outside, so cutting along it leaves no white strip on the poster.
TEST(CutMarkTest, TheCutLineTouchesTheEdgeWithoutCoveringThePicture)
{
    const QRect sheet(0, 0, 300, 300);
    const QRect printed(60, 60, 200, 200);
    for (const int width : {1, 2, 5, 8}) {
        SCOPED_TRACE(width);
        QImage page(sheet.size(), QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        for (const CutMark& m : CutMarks(printed, sheet, QPoint(5, 5), 20, 24, width, true, true)) {
            if (!m.dashed)
                continue;
            painter.setPen(QPen(Qt::black, width, Qt::DashLine, Qt::FlatCap));
            painter.drawLine(m.from, m.to);
        }
        painter.end();
        int leftTouching = 0;
        int topTouching = 0;
        for (int i = printed.left(); i <= printed.right(); ++i) {
            leftTouching += page.pixel(printed.left() - 1, i) != qRgb(255, 255, 255);
            topTouching += page.pixel(i, printed.top() - 1) != qRgb(255, 255, 255);
            EXPECT_EQ(page.pixel(printed.left(), i), qRgb(255, 255, 255)) << "row " << i;
            EXPECT_EQ(page.pixel(i, printed.top()), qRgb(255, 255, 255)) << "column " << i;
        }
        // Dashed: some of the edge's length, not none of it.
        EXPECT_GT(leftTouching, printed.height() / 4);
        EXPECT_GT(topTouching, printed.width() / 4);
    }
}

// The map's cells tile the fitted canvas, one for each sheet.
TEST(PosterMapTest, CellsTileTheMap)
{
    for (const PosterOptions& poster : {sheetsAcross(3, 10), widthMm(1000, 0), sheetsAcross(1, 30)}) {
        const PrintPlan plan = PlanPoster(kA4Pdf, MarginsMm{}, 96, 1600, 900, false, {}, poster);
        const MapPlan map = PlanMap(plan, 1600, 900);
        ASSERT_FALSE(map.canvas.isEmpty());
        EXPECT_TRUE(QRect(plan.x0, plan.y0, plan.width, plan.height).contains(map.canvas));
        QRegion covered;
        long long area = 0;
        for (int page = 1; page <= plan.across * plan.down; ++page) {
            const QRect cell = MapCell(plan, map, page);
            covered += cell;
            area += qint64(cell.width()) * cell.height();
        }
        EXPECT_EQ(covered, QRegion(map.canvas));
        EXPECT_EQ(area, qint64(map.canvas.width()) * map.canvas.height());
    }
}

// The preview draws the poster as it prints: three sheets across fill three
// printable widths less two overlaps, and sheet 2 starts one step along.
TEST(PosterPreviewTest, CanvasAndPlaceFollowThePoster)
{
    LayoutInput in;
    in.printer = kA4Pdf;
    in.area = QRect(0, 0, 328, 1000);
    in.canvasWidth = 1000;
    in.canvasHeight = 1000;
    in.poster = sheetsAcross(3, 10);
    const PreviewLayout layout = ComputeLayout(in);
    const int pw = layout.paperRect.width() - layout.marginLeftPx - layout.marginRightPx;
    EXPECT_GT(layout.overlapXPx, 0);
    const CanvasPreview canvas = CanvasPreviewSize(layout, 1000, 1000, false);
    EXPECT_EQ(canvas.size.width(), 3 * pw - 2 * layout.overlapXPx);
    EXPECT_NEAR(canvas.size.height(), canvas.size.width(), 1);
    const PreviewPlacement second = PlacePreviewPage(layout, canvas.size, 2, false);
    EXPECT_EQ(second.source.left(), pw - layout.overlapXPx);
    const PreviewPlacement fourth = PlacePreviewPage(layout, canvas.size, 4, false);
    EXPECT_EQ(fourth.source.topLeft(),
              QPoint(0, layout.paperRect.height() - layout.marginTopPx - layout.marginBottomPx - layout.overlapYPx));

    // A finished width: 1 m is 1000 / 210 of the sheet's width in the preview.
    in.poster = widthMm(1000, 0);
    const PreviewLayout wide = ComputeLayout(in);
    EXPECT_NEAR(CanvasPreviewSize(wide, 1000, 1000, false).size.width(),
                wide.paperRect.width() * 1000.0 / wide.paperWmm, 1.0);
}

} // namespace
} // namespace vq
