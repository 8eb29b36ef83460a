// What a drag can snap to, and which line wins, on a bare document.
#include "edit/Snapping.h"

#include "model/Document.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace vq {

void PrintTo(const SnapLine& l, std::ostream* os)
{
    *os << '{' << l.pos << " reach " << l.from << ".." << l.to << '}';
}

namespace {

std::vector<int> places(const std::vector<SnapLine>& lines)
{
    std::vector<int> p;
    for (const SnapLine& l : lines)
        p.push_back(l.pos);
    return p;
}

// A 1000 x 800 canvas; a selected node (being moved) at 700, 600 and two
// still ones whose left edges meet at 200.
class SnapTargetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        doc.state.canvasWidth = 1000;
        doc.state.canvasHeight = 800;
        doc.state.gridMode = -2;
        test::placeNode(doc, 700, 600, 30, 20, true);
        test::placeNode(doc, 250, 150, 50, 40, false); // 200..300 x 110..190
        test::placeNode(doc, 220, 400, 20, 10, false); // 200..240 x 390..410
    }
    Document doc;
};

TEST_F(SnapTargetsTest, CanvasAndStillNodesGiveSortedLinesOnePerPlace)
{
    const SnapTargets t = BuildSnapTargets(doc);
    EXPECT_EQ(places(t.x), (std::vector<int>{0, 200, 220, 240, 250, 300, 500, 1000}));
    EXPECT_EQ(places(t.y), (std::vector<int>{0, 110, 150, 190, 390, 400, 410, 800}));
    // The canvas lines reach across it; the shared left edge reaches over both nodes.
    EXPECT_EQ(t.x.front(), (SnapLine{0, 0, 800}));
    EXPECT_EQ(t.x[1], (SnapLine{200, 110, 410}));
    EXPECT_EQ(t.y[1], (SnapLine{110, 200, 300}));
    // A node's centre on the canvas's centre line: the longer reach holds.
    EXPECT_EQ(t.y[5], (SnapLine{400, 0, 1000}));
}

struct GridCase {
    const char* name;
    int gridMode;
    float zoom;
    std::vector<int> firstX; // the first places along x
};

class SnapGridTest : public SnapTargetsTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(SnapGridTest, GridLinesOnlyWhileTheGridShows)
{
    const GridCase& c = GetParam();
    doc.state.gridMode = c.gridMode;
    doc.state.zoom = c.zoom;
    const std::vector<int> x = places(BuildSnapTargets(doc).x);
    ASSERT_GE(x.size(), c.firstX.size());
    EXPECT_EQ(std::vector<int>(x.begin(), x.begin() + static_cast<long>(c.firstX.size())), c.firstX);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SnapGridTest,
    ::testing::Values(GridCase{"Hidden", -2, 1.0f, {0, 200, 220, 240, 250}},
                      GridCase{"Every40", 2, 1.0f, {0, 40, 80, 120, 160, 200, 220, 240, 250}},
                      // The grid is drawn every 10 window pixels: every 5 canvas pixels at 200 %.
                      GridCase{"Every10AtDoubleZoom", 1, 2.0f, {0, 5, 10, 15, 20}},
                      GridCase{"Every100AtQuarterZoom", 4, 0.25f, {0, 200, 220, 240, 250, 300, 400}},
                      GridCase{"CentreCrossAddsNothing", 5, 1.0f, {0, 200, 220, 240, 250}}),
    [](const auto& info) { return info.param.name; });

// ---- Which line wins --------------------------------------------------------

struct NearestCase {
    const char* name;
    std::vector<int> edges;
    float zoom;
    bool hit;
    int shift;
    int line;
};

class NearestSnapTest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(NearestSnapTest, NearestLineWithinSixWindowPixels)
{
    const NearestCase& c = GetParam();
    const std::vector<SnapLine> lines{{0, 0, 10}, {100, 0, 10}, {200, 0, 10}};
    const SnapHit h = NearestSnap(lines, c.edges, c.zoom);
    EXPECT_EQ(h.hit, c.hit);
    if (c.hit) {
        EXPECT_EQ(h.shift, c.shift);
        EXPECT_EQ(h.line.pos, c.line);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, NearestSnapTest,
    ::testing::Values(NearestCase{"SixPixelsAtFullSize", {94}, 1.0f, true, 6, 100},
                      NearestCase{"SevenPixelsAtFullSizeIsFree", {93}, 1.0f, false, 0, 0},
                      NearestCase{"TwentyFourCanvasPixelsAtQuarter", {124}, 0.25f, true, -24, 100},
                      NearestCase{"TwentyFiveCanvasPixelsAtQuarterIsFree", {125}, 0.25f, false, 0, 0},
                      NearestCase{"OneCanvasPixelAtFourTimes", {101}, 4.0f, true, -1, 100},
                      NearestCase{"TwoCanvasPixelsAtFourTimesIsFree", {202}, 4.0f, false, 0, 0},
                      NearestCase{"NearestEdgeWins", {95, 203}, 1.0f, true, -3, 200},
                      NearestCase{"TieGoesToTheEarlierEdge", {97, 203}, 1.0f, true, 3, 100},
                      NearestCase{"BetweenTwoLinesTheNearer", {104, 196}, 1.0f, true, -4, 100},
                      NearestCase{"BeyondTheLastLine", {205}, 1.0f, true, -5, 200},
                      NearestCase{"BeforeTheFirstLine", {-3}, 1.0f, true, 3, 0}),
    [](const auto& info) { return info.param.name; });

TEST(SnapGuideTest, GuideSpansTheBoxAndWhatItSnappedTo)
{
    const GuideSpan node = GuideFor({200, 110, 410}, 500, 600);
    EXPECT_EQ(node.pos, 200);
    EXPECT_EQ(node.from, 110);
    EXPECT_EQ(node.to, 600);
    // A grid line has no reach of its own: the guide covers the box alone.
    const GuideSpan grid = GuideFor({40, 0, -1}, 500, 600);
    EXPECT_EQ(grid.from, 500);
    EXPECT_EQ(grid.to, 600);
}

} // namespace
} // namespace vq
