// Alignment, spacing, size matching, stacking and scattering on a bare document.
#include "edit/Arrange.h"

#include "model/Document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace vq {
namespace {

struct Place {
    int cx;
    int cy;
    int hw;
    int hh;
};

class ArrangeTest : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }

    int add(Place p, bool selected = true)
    {
        const int index = doc.state.nodeCount;
        NodeRecord& n = doc.nodes[index];
        n = NodeRecord{};
        n.centerX = p.cx;
        n.centerY = p.cy;
        n.halfWidth = p.hw;
        n.halfHeight = p.hh;
        // A marker that travels with the record through stacking moves.
        n.source = QByteArray::number(index);
        doc.screen[index].selected = selected ? 1 : 0;
        ++doc.state.nodeCount;
        return index;
    }
    Place at(int index) const
    {
        const NodeRecord& n = doc.nodes[index];
        return {n.centerX, n.centerY, n.halfWidth, n.halfHeight};
    }
    int marker(int index) const { return doc.nodes[index].source.toInt(); }

    Document doc;
};

bool operator==(const Place& a, const Place& b)
{
    return a.cx == b.cx && a.cy == b.cy && a.hw == b.hw && a.hh == b.hh;
}
void PrintTo(const Place& p, std::ostream* os)
{
    *os << "{" << p.cx << ", " << p.cy << ", " << p.hw << ", " << p.hh << "}";
}

// ---- Align to the main node's edge -----------------------------------------

struct AlignCase {
    const char* name;
    MainEdge edge;
    float zoom;
    Place main;
    Place other;
    Place expected;
};

class AlignTest : public ArrangeTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(AlignTest, OtherSelectedNodeMeetsTheMainEdge)
{
    const AlignCase& c = GetParam();
    doc.state.zoom = c.zoom;
    const int main = add(c.main);
    add(c.other);
    const Place unselected{700, 700, 30, 30};
    add(unselected, false);
    doc.state.mainIndex = main;

    EXPECT_TRUE(AlignToMainEdge(doc, c.edge));
    EXPECT_EQ(at(1), c.expected);
    EXPECT_EQ(at(0), c.main) << "the main node stays";
    EXPECT_EQ(at(2), unselected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AlignTest,
    ::testing::Values(
        // Main box left 100, the other's at 250: a shift of -150.
        AlignCase{"LeftShiftsByMinus150", MainEdge::Left, 1.0f, {150, 100, 50, 30}, {300, 400, 50, 20},
                  {150, 400, 50, 20}},
        AlignCase{"Right", MainEdge::Right, 1.0f, {150, 100, 50, 30}, {300, 400, 30, 20}, {170, 400, 30, 20}},
        AlignCase{"Top", MainEdge::Top, 1.0f, {150, 100, 50, 30}, {300, 400, 30, 20}, {300, 90, 30, 20}},
        AlignCase{"Bottom", MainEdge::Bottom, 1.0f, {150, 100, 50, 30}, {300, 400, 30, 20}, {300, 110, 30, 20}},
        AlignCase{"NotPushedBackIntoTheCanvas", MainEdge::Left, 1.0f, {30, 100, 50, 30}, {300, 400, 50, 20},
                  {30, 400, 50, 20}},
        // At zoom 0.5 the main node's stored left 51 is drawn at 25, which is 50 again.
        AlignCase{"LeftFromTheDrawnBox", MainEdge::Left, 0.5f, {101, 100, 50, 30}, {300, 400, 40, 20},
                  {90, 400, 40, 20}},
        // Main drawn [25,75) is [50,150); the other's [259,341) is drawn at 129, back 258 + 82.
        AlignCase{"RightFromTheDrawnBox", MainEdge::Right, 0.5f, {101, 100, 50, 30}, {300, 400, 41, 20},
                  {110, 400, 41, 20}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ArrangeTest, AlignWithoutAMainNodeMovesNothing)
{
    add({100, 100, 10, 10});
    add({300, 300, 10, 10});
    doc.state.mainIndex = -1;
    EXPECT_FALSE(AlignToMainEdge(doc, MainEdge::Left));
    EXPECT_EQ(at(1).cx, 300);
}

// ---- Centre on the canvas --------------------------------------------------

struct CentreCase {
    const char* name;
    Axis axis;
    float zoom;
    int canvasSide;
    std::vector<std::pair<int, int>> nodes; // centre and half size along the axis
    std::vector<int> expectedCentres;
};

class CentreTest : public ArrangeTest, public ::testing::WithParamInterface<CentreCase> {};

TEST_P(CentreTest, GroupMovesAsOneAlongTheAxis)
{
    const CentreCase& c = GetParam();
    doc.state.zoom = c.zoom;
    (c.axis == Axis::Horizontal ? doc.state.canvasWidth : doc.state.canvasHeight) = c.canvasSide;
    for (const auto& [centre, half] : c.nodes)
        add(c.axis == Axis::Horizontal ? Place{centre, 333, half, 10} : Place{333, centre, 10, half});
    add({5, 5, 5, 5}, false);
    doc.state.mainIndex = 0;

    EXPECT_TRUE(CentreOnCanvas(doc, c.axis));
    for (std::size_t i = 0; i < c.expectedCentres.size(); ++i) {
        const Place p = at(static_cast<int>(i));
        EXPECT_EQ(c.axis == Axis::Horizontal ? p.cx : p.cy, c.expectedCentres[i]) << i;
        EXPECT_EQ(c.axis == Axis::Horizontal ? p.cy : p.cx, 333) << "the other axis stays";
    }
    EXPECT_EQ(at(static_cast<int>(c.nodes.size())), (Place{5, 5, 5, 5}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CentreTest,
    ::testing::Values(
        // Joint box [100,500): shift (1000 + 100 - 500) / 2 - 100 = 200.
        CentreCase{"TwoNodesHorizontally", Axis::Horizontal, 1.0f, 1000, {{150, 50}, {400, 100}}, {350, 600}},
        CentreCase{"TwoNodesVertically", Axis::Vertical, 1.0f, 800, {{150, 50}, {400, 100}}, {250, 500}},
        // Drawn [50,100) of 500: a zoomed shift of 175 is 350 canvas pixels.
        CentreCase{"AtHalfZoom", Axis::Horizontal, 0.5f, 1000, {{151, 50}}, {501}},
        // (1001 - 99 - 1101) / 2 is -99 toward zero, not -100: no shift.
        CentreCase{"WiderThanCanvasHalvesTowardZero", Axis::Horizontal, 1.0f, 1001, {{501, 600}}, {501}}),
    [](const auto& info) { return info.param.name; });

// ---- Equal spacing ---------------------------------------------------------

struct SpacingCase {
    const char* name;
    Axis axis;
    float zoom;
    std::vector<std::pair<int, int>> nodes; // centre and half size along the axis
    std::vector<int> expectedCentres;
};

class SpacingTest : public ArrangeTest, public ::testing::WithParamInterface<SpacingCase> {};

TEST_P(SpacingTest, MiddleNodesMoveToEqualGaps)
{
    const SpacingCase& c = GetParam();
    doc.state.zoom = c.zoom;
    for (const auto& [centre, half] : c.nodes)
        add(c.axis == Axis::Horizontal ? Place{centre, 333, half, 10} : Place{333, centre, 10, half});
    doc.state.mainIndex = 0;

    EXPECT_TRUE(DistributeEvenly(doc, c.axis));
    for (std::size_t i = 0; i < c.expectedCentres.size(); ++i) {
        const Place p = at(static_cast<int>(i));
        EXPECT_EQ(c.axis == Axis::Horizontal ? p.cx : p.cy, c.expectedCentres[i]) << i;
        EXPECT_EQ(c.axis == Axis::Horizontal ? p.cy : p.cx, 333) << "the other axis stays";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpacingTest,
    ::testing::Values(
        // Boxes [400,500), [0,100), [150,200): gap (100 - 250 - 0 + 400) / 2 = 125, the middle
        // one starts at 225 whatever the array order.
        SpacingCase{"GapOf125", Axis::Horizontal, 1.0f, {{450, 50}, {50, 50}, {175, 25}}, {450, 50, 250}},
        SpacingCase{"GapOf125Vertically", Axis::Vertical, 1.0f, {{450, 50}, {50, 50}, {175, 25}}, {450, 50, 250}},
        // Equal starts keep array order: the first node, the wider one, leads.
        SpacingCase{"EqualStartsInIndexOrder", Axis::Horizontal, 1.0f, {{50, 50}, {25, 25}, {350, 50}},
                    {50, 200, 350}},
        // A total of -1 over three gaps is a gap of 0 toward zero, not -1.
        SpacingCase{"NegativeGapTruncatesTowardZero", Axis::Horizontal, 1.0f,
                    {{50, 50}, {101, 50}, {110, 50}, {349, 50}}, {50, 150, 250, 349}},
        // Drawn [0,50), [75,100), [200,250): gap 62, the middle box goes to 112, 37 zoomed pixels on.
        SpacingCase{"AtHalfZoom", Axis::Horizontal, 0.5f, {{50, 50}, {176, 25}, {451, 50}}, {50, 250, 451}}),
    [](const auto& info) { return info.param.name; });

TEST_F(ArrangeTest, SpacingNeedsThreeSelectedNodes)
{
    add({50, 50, 50, 50});
    add({400, 50, 50, 50});
    add({175, 50, 25, 50}, false);
    doc.state.mainIndex = 0;
    EXPECT_FALSE(DistributeEvenly(doc, Axis::Horizontal));
    EXPECT_EQ(at(0).cx, 50);
    EXPECT_EQ(at(1).cx, 400);
    EXPECT_EQ(at(2).cx, 175);
}

// ---- Size matching ---------------------------------------------------------

struct SizeCase {
    const char* name;
    SizeMatch match;
    Place expected;
};

class MatchSizeTest : public ArrangeTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(MatchSizeTest, TopLeftCornerStays)
{
    const SizeCase& c = GetParam();
    const Place main{200, 200, 60, 40};
    add(main);
    // Top-left (975, 270); a wider node reaches past the canvas and stays there.
    add({985, 300, 10, 30});
    add({500, 500, 7, 7}, false);
    doc.state.mainIndex = 0;

    EXPECT_TRUE(MatchMainSize(doc, c.match));
    EXPECT_EQ(at(1), c.expected);
    EXPECT_EQ(at(0), main);
    EXPECT_EQ(at(2), (Place{500, 500, 7, 7}));
}

INSTANTIATE_TEST_SUITE_P(Table, MatchSizeTest,
                         ::testing::Values(SizeCase{"Width", SizeMatch::Width, {1035, 300, 60, 30}},
                                           SizeCase{"Height", SizeMatch::Height, {985, 310, 10, 40}},
                                           SizeCase{"Both", SizeMatch::Both, {1035, 310, 60, 40}}),
                         [](const auto& info) { return info.param.name; });

// ---- Stacking order --------------------------------------------------------

class StackingTest : public ArrangeTest {
protected:
    void SetUp() override
    {
        ArrangeTest::SetUp();
        for (int i = 0; i < 5; ++i)
            add({100 + 100 * i, 200, 20, 20}, i == 1 || i == 3);
        doc.state.mainIndex = 1;
    }
    std::vector<int> order() const
    {
        std::vector<int> out;
        for (int i = 0; i < doc.state.nodeCount; ++i)
            out.push_back(marker(i));
        return out;
    }
};

TEST_F(StackingTest, ToTheFrontKeepsEachGroupsOrder)
{
    EXPECT_TRUE(MoveSelectionToEdge(doc, true));
    EXPECT_EQ(order(), (std::vector<int>{0, 2, 4, 1, 3}));
    EXPECT_EQ(doc.state.mainIndex, 4);
    EXPECT_EQ(marker(doc.state.mainIndex), 3) << "the former node 3 is main";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(doc.screen[i].selected != 0, i >= 3) << "selection moves with the records, at " << i;
        EXPECT_EQ(at(i).cx, 100 + 100 * marker(i)) << "each node keeps its place on the canvas";
    }
}

TEST_F(StackingTest, ToTheBackMakesTheBottomNodeMain)
{
    EXPECT_TRUE(MoveSelectionToEdge(doc, false));
    EXPECT_EQ(order(), (std::vector<int>{1, 3, 0, 2, 4}));
    EXPECT_EQ(doc.state.mainIndex, 0);
    EXPECT_EQ(doc.screen[0].selected, 1);
    EXPECT_EQ(doc.screen[2].selected, 0);
}

TEST_F(StackingTest, SwapExchangesStackingPlacesAndPassesTheMainIndexOn)
{
    doc.state.mainIndex = 3;
    EXPECT_TRUE(SwapTwoSelected(doc));
    EXPECT_EQ(order(), (std::vector<int>{0, 3, 2, 1, 4}));
    EXPECT_EQ(doc.state.mainIndex, 3);
    EXPECT_EQ(marker(3), 1) << "the main selection is now the other node of the pair";
    EXPECT_EQ(at(1).cx, 400);
    EXPECT_EQ(at(3).cx, 200);
}

TEST_F(StackingTest, SwapNeedsExactlyTwoSelected)
{
    for (const int selectedCount : {1, 3}) {
        for (int i = 0; i < 5; ++i)
            doc.screen[i].selected = i < selectedCount ? 1 : 0;
        EXPECT_FALSE(SwapTwoSelected(doc)) << selectedCount;
        EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3, 4})) << selectedCount;
    }
}

TEST_F(StackingTest, NoMainSelectionKeepsTheOrder)
{
    doc.state.mainIndex = -1;
    EXPECT_FALSE(MoveSelectionToEdge(doc, true));
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3, 4}));
}

// ---- Top-left corner -------------------------------------------------------

TEST_F(ArrangeTest, CornerMoveTakesOnlyTheMainNodeToTheOrigin)
{
    add({500, 400, 30, 20});
    add({600, 600, 10, 10});
    doc.state.mainIndex = 0;
    EXPECT_TRUE(MoveMainToCorner(doc));
    EXPECT_EQ(at(0), (Place{30, 20, 30, 20}));
    EXPECT_EQ(at(1), (Place{600, 600, 10, 10}));
}

// ---- Random placement ------------------------------------------------------

RandomDraw scripted(std::deque<int> values)
{
    return [values]() mutable {
        const int v = values.empty() ? 0 : values.front();
        if (!values.empty())
            values.pop_front();
        return v;
    };
}

TEST_F(ArrangeTest, ScatterTakesTwoDrawsPerSelectedNodeInArrayOrder)
{
    doc.state.canvasWidth = 1000;
    doc.state.canvasHeight = 800;
    add({10, 10, 100, 50});
    add({900, 700, 5, 5}, false);
    add({10, 10, 20, 10});
    doc.state.mainIndex = 0;
    EXPECT_TRUE(ScatterSelected(doc, scripted({1234, 32767, 0, 779})));
    // 1234 % 800 + 100 and 32767 % 700 + 50; then 0 % 960 + 20 and 779 % 780 + 10,
    // one pixel further in so that the node's frame is on the canvas too.
    EXPECT_EQ(at(0), (Place{534, 617, 100, 50}));
    EXPECT_EQ(at(1), (Place{900, 700, 5, 5}));
    EXPECT_EQ(at(2), (Place{21, 789, 20, 10}));
}

TEST_F(ArrangeTest, ScatterCentresANodeThatFillsOrExceedsTheCanvas)
{
    doc.state.canvasWidth = 1000;
    doc.state.canvasHeight = 800;
    add({0, 0, 500, 20});  // exactly as wide
    add({0, 0, 30, 450});  // higher
    doc.state.mainIndex = 0;
    EXPECT_TRUE(ScatterSelected(doc, scripted({7, 9, 11, 13})));
    EXPECT_EQ(at(0).cx, 500);
    EXPECT_EQ(at(0).cy, 9 % 760 + 20);
    EXPECT_EQ(at(1).cx, 11 % 940 + 30);
    EXPECT_EQ(at(1).cy, 400);
}

struct ScatterCase {
    const char* name;
    float zoom;
    int frameWidth;
};

class ScatterInsideTest : public ArrangeTest, public ::testing::WithParamInterface<ScatterCase> {};

TEST_P(ScatterInsideTest, RectangleOfANodeThatFitsAlwaysLandsInside)
{
    const ScatterCase& c = GetParam();
    doc.state.zoom = c.zoom;
    doc.state.canvasWidth = 1000;
    doc.state.canvasHeight = 750;
    // Halves from tiny to a node one or two pixels narrower than the canvas.
    const std::pair<int, int> halves[] = {{1, 1}, {37, 90}, {250, 120}, {499, 374}, {498, 373}, {499, 10}};
    for (const auto& [hw, hh] : halves) {
        const int i = add({0, 0, hw, hh});
        doc.nodes[i].frameWidth = c.frameWidth;
    }
    doc.state.mainIndex = 0;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        Rand15 draw(seed);
        ASSERT_TRUE(ScatterSelected(doc, std::ref(draw)));
        for (int i = 0; i < doc.state.nodeCount; ++i) {
            const IntRect r = doc.NodeRect(i);
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1000 && r.bottom <= 750)
                << "seed " << seed << " node " << i << " at " << r.left << "," << r.top << "-" << r.right << ","
                << r.bottom;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScatterInsideTest,
                         ::testing::Values(ScatterCase{"Zoom1Frame1", 1.0f, 1}, ScatterCase{"Zoom1Frame5", 1.0f, 5},
                                           ScatterCase{"HalfZoomFrame1", 0.5f, 1},
                                           ScatterCase{"ThirdZoomFrame5", 0.3f, 5},
                                           ScatterCase{"DoubleZoomFrame3", 2.0f, 3}),
                         [](const auto& info) { return info.param.name; });

TEST(Rand15, FollowsTheCLibrarySequence)
{
    Rand15 draw(1);
    EXPECT_EQ(draw(), 41);
    EXPECT_EQ(draw(), 18467);
    EXPECT_EQ(draw(), 6334);
}

} // namespace
} // namespace vq
