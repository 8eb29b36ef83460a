// What lies under the pointer: nodes, handles, the mode frame, canvas edges.
#include "edit/HitTest.h"

#include "model/Document.h"
#include "render/ScreenGeometry.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

// Nodes are given by their canvas rectangle; none has a picture.
void addNode(Document& doc, const IntRect& r, bool selected = false)
{
    const auto i = static_cast<std::size_t>(doc.state.nodeCount++);
    NodeRecord& n = doc.nodes[i];
    n.centerX = (r.left + r.right) / 2;
    n.centerY = (r.top + r.bottom) / 2;
    n.halfWidth = r.width() / 2;
    n.halfHeight = r.height() / 2;
    doc.screen[i].selected = selected ? 1 : 0;
}

// A shown node's handles as painting lays them out, in screen pixels.
NodeGeometry shownAt(const IntRect& r, bool shown = true)
{
    NodeGeometry g;
    g.shown = shown;
    g.corners = {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom), QPoint(r.left, r.bottom)};
    const int mx = r.left + r.width() / 2;
    const int my = r.top + r.height() / 2;
    g.edgeMids = {QPoint(mx, r.top), QPoint(r.right, my), QPoint(mx, r.bottom), QPoint(r.left, my)};
    return g;
}

// Node 0: (50, 70)-(150, 130); node 1 overlaps its lower right corner at
// (120, 100)-(160, 140); node 2 is 6 x 6 at (398, 298).
class NodeSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        addNode(doc, {50, 70, 150, 130});
        addNode(doc, {120, 100, 160, 140});
        addNode(doc, {398, 298, 404, 304});
    }
    Document doc;
};

struct NodeCase {
    const char* name;
    float zoom;
    QPoint view;
    int expected;
};

class HitTestNodeTest : public NodeSceneTest, public ::testing::WithParamInterface<NodeCase> {};

TEST_P(HitTestNodeTest, TopmostScreenRectangle)
{
    const NodeCase& c = GetParam();
    EXPECT_EQ(HitTestNode(doc, c.view, c.zoom), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HitTestNodeTest,
    ::testing::Values(NodeCase{"TopLeftInclusive", 1.0f, {50, 70}, 0},
                      NodeCase{"RightExclusive", 1.0f, {150, 80}, -1},
                      NodeCase{"LeftOfNode", 1.0f, {49, 80}, -1},
                      NodeCase{"UpperNodeWinsInOverlap", 1.0f, {149, 129}, 1},
                      NodeCase{"LowerNodeOutsideOverlap", 1.0f, {119, 129}, 0},
                      NodeCase{"UpperNodeOnly", 1.0f, {125, 135}, 1},
                      NodeCase{"BottomExclusive", 1.0f, {125, 140}, -1},
                      // At zoom 0.5 node 0 is (25, 35)-(75, 65) and node 1 (60, 50)-(80, 70).
                      NodeCase{"HalfZoomInside", 0.5f, {74, 40}, 0},
                      NodeCase{"HalfZoomRightExclusive", 0.5f, {75, 40}, -1},
                      NodeCase{"HalfZoomUpper", 0.5f, {79, 69}, 1},
                      NodeCase{"HalfZoomUpperRightExclusive", 0.5f, {80, 69}, -1},
                      // At 0.3 the 6-pixel node starts at trunc(119.4) and is
                      // trunc(1.8) = 1 wide, not trunc(121.2) - 119 = 2.
                      NodeCase{"WidthScaledApart", 0.3f, {119, 89}, 2},
                      NodeCase{"WidthScaledApartOutside", 0.3f, {120, 89}, -1}),
    [](const auto& info) { return info.param.name; });

TEST(HitTestNodeStack, HighestOfAThousandWinsAndUnusedSlotsAreIgnored)
{
    Document doc;
    for (int i = 0; i < kMaxNodes; ++i)
        addNode(doc, {0, 0, 100, 100});
    EXPECT_EQ(HitTestNode(doc, {50, 50}, 1.0f), kMaxNodes - 1);
    // Only the lowest node reaches this far.
    doc.nodes[0].halfWidth = 200;
    doc.nodes[0].halfHeight = 200;
    EXPECT_EQ(HitTestNode(doc, {240, 240}, 1.0f), 0);
    // A spare slot above the nodes in use never counts.
    doc.state.nodeCount = 10;
    EXPECT_EQ(HitTestNode(doc, {50, 50}, 1.0f), 9);
    doc.state.nodeCount = 0;
    EXPECT_EQ(HitTestNode(doc, {50, 50}, 1.0f), -1);
}

// Screen geometry: node 0 selected (100, 100)-(200, 160); node 1 selected,
// its top-left handle two pixels off node 0's bottom-right one; node 2 unselected;
// node 3 selected but not shown; node 4 selected and only 6 pixels wide,
// so its corner and midpoint zones overlap.
class HandleSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        add({100, 100, 200, 160}, true);
        add({202, 162, 262, 202}, true);
        add({400, 400, 450, 450}, false);
        add({500, 500, 550, 550}, true, false);
        add({300, 300, 306, 306}, true);
    }
    void add(const IntRect& r, bool selected, bool shown = true)
    {
        addNode(doc, r, selected);
        geometry.nodes.push_back(shownAt(r, shown));
    }
    Document doc;
    ScreenGeometry geometry;
};

struct HandleCase {
    const char* name;
    QPoint view;
    HandleHit expected;
};

class HitTestHandleTest : public HandleSceneTest, public ::testing::WithParamInterface<HandleCase> {};

TEST_P(HitTestHandleTest, FirstHandleWithinFivePixels)
{
    const HandleCase& c = GetParam();
    const HandleHit hit = HitTestHandle(doc, geometry, c.view);
    EXPECT_EQ(hit.node, c.expected.node);
    EXPECT_EQ(hit.handle, c.expected.handle);
    EXPECT_EQ(hit.hit(), c.expected.node >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HitTestHandleTest,
    ::testing::Values(HandleCase{"TopLeft", {100, 100}, {0, ResizeHandle::TopLeft}},
                      HandleCase{"TopLeftZoneStartsFiveBefore", {95, 95}, {0, ResizeHandle::TopLeft}},
                      HandleCase{"TopLeftZoneEndsBeforeFiveAfter", {105, 100}, {}},
                      HandleCase{"TopLeftZoneLastPixel", {104, 104}, {0, ResizeHandle::TopLeft}},
                      HandleCase{"TopLeftZoneOutsideBefore", {94, 100}, {}},
                      HandleCase{"TopRight", {200, 100}, {0, ResizeHandle::TopRight}},
                      HandleCase{"BottomLeft", {100, 160}, {0, ResizeHandle::BottomLeft}},
                      HandleCase{"Top", {150, 100}, {0, ResizeHandle::Top}},
                      HandleCase{"Right", {200, 130}, {0, ResizeHandle::Right}},
                      HandleCase{"Bottom", {150, 160}, {0, ResizeHandle::Bottom}},
                      HandleCase{"Left", {100, 130}, {0, ResizeHandle::Left}},
                      HandleCase{"BetweenHandles", {125, 100}, {}},
                      HandleCase{"UpperNodeFirst", {200, 160}, {1, ResizeHandle::TopLeft}},
                      HandleCase{"LowerNodeWhereUpperReachesNot", {196, 156}, {0, ResizeHandle::BottomRight}},
                      HandleCase{"UnselectedIgnored", {400, 400}, {}},
                      HandleCase{"NotShownIgnored", {500, 500}, {}},
                      HandleCase{"CornerBeforeMidpoint", {302, 300}, {4, ResizeHandle::TopLeft}},
                      HandleCase{"TopRightOfSmallNode", {305, 303}, {4, ResizeHandle::TopRight}}),
    [](const auto& info) { return info.param.name; });

TEST(HitTestHandleStack, HighestSelectedOfAThousandWins)
{
    Document doc;
    ScreenGeometry geometry;
    const IntRect r{0, 0, 100, 100};
    for (int i = 0; i < kMaxNodes; ++i) {
        addNode(doc, r, true);
        geometry.nodes.push_back(shownAt(r));
    }
    EXPECT_EQ(HitTestHandle(doc, geometry, {100, 100}), (HandleHit{kMaxNodes - 1, ResizeHandle::BottomRight}));
    // Handles of unselected nodes are not there to grab.
    for (int i = 500; i < kMaxNodes; ++i)
        doc.screen[static_cast<std::size_t>(i)].selected = 0;
    EXPECT_EQ(HitTestHandle(doc, geometry, {50, 0}), (HandleHit{499, ResizeHandle::Top}));
    doc.clearSelection();
    EXPECT_EQ(HitTestHandle(doc, geometry, {50, 0}), HandleHit{});
}

// The mode frame on screen: (100, 100)-(200, 160).
const std::array<QPoint, 4> kFrame{QPoint(100, 100), QPoint(200, 100), QPoint(200, 160), QPoint(100, 160)};

struct PartCase {
    const char* name;
    QPoint view;
    std::optional<ModePart> expected;
};

class HitTestModeCornerTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(HitTestModeCornerTest, NearerThanFivePixels)
{
    EXPECT_EQ(HitTestModeCorner(kFrame, GetParam().view), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HitTestModeCornerTest,
    ::testing::Values(PartCase{"TopLeft", {100, 100}, ModePart::TopLeft},
                      PartCase{"DiagonalTruncatedToFour", {103, 103}, ModePart::TopLeft},
                      PartCase{"DistanceFiveMisses", {104, 103}, std::nullopt},
                      PartCase{"TopRight", {197, 97}, ModePart::TopRight},
                      PartCase{"BottomRight", {197, 157}, ModePart::BottomRight},
                      PartCase{"BottomRightAtFive", {196, 157}, std::nullopt},
                      PartCase{"BottomLeft", {100, 164}, ModePart::BottomLeft},
                      PartCase{"BottomLeftAtFive", {103, 164}, std::nullopt},
                      PartCase{"Middle", {150, 130}, std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(HitTestModeCorner, FirstCornerWinsOnATinyFrame)
{
    const std::array<QPoint, 4> tiny{QPoint(0, 0), QPoint(4, 0), QPoint(4, 4), QPoint(0, 4)};
    EXPECT_EQ(HitTestModeCorner(tiny, {2, 0}), ModePart::TopLeft);
    EXPECT_EQ(HitTestModeCorner(tiny, {4, 3}), ModePart::TopRight);
}

class HitTestModeFrameTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(HitTestModeFrameTest, EdgesWithinFourThenInside)
{
    EXPECT_EQ(HitTestModeFrame(kFrame, GetParam().view), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HitTestModeFrameTest,
    ::testing::Values(PartCase{"LeftOnLine", {100, 130}, ModePart::Left},
                      PartCase{"LeftFourInside", {104, 130}, ModePart::Left},
                      PartCase{"LeftFourOutside", {96, 130}, ModePart::Left},
                      PartCase{"LeftFiveOutside", {95, 130}, std::nullopt},
                      PartCase{"InsidePastLeftBand", {105, 130}, ModePart::Inside},
                      PartCase{"TopFourOutside", {150, 96}, ModePart::Top},
                      PartCase{"TopFourInside", {150, 104}, ModePart::Top},
                      PartCase{"TopFiveOutside", {150, 95}, std::nullopt},
                      PartCase{"RightFourOutside", {204, 130}, ModePart::Right},
                      PartCase{"RightFiveOutside", {205, 130}, std::nullopt},
                      PartCase{"BottomFourInside", {150, 156}, ModePart::Bottom},
                      PartCase{"BottomOnLine", {150, 160}, ModePart::Bottom},
                      PartCase{"BottomFiveOutside", {150, 165}, std::nullopt},
                      PartCase{"LeftBeforeTopNearCorner", {102, 102}, ModePart::Left},
                      PartCase{"TopBeforeRightNearCorner", {198, 102}, ModePart::Top},
                      PartCase{"RightBeforeBottomNearCorner", {198, 158}, ModePart::Right},
                      // Exactly on a corner no edge is strictly between the others.
                      PartCase{"TopLeftCornerCountsAsInside", {100, 100}, ModePart::Inside},
                      PartCase{"BottomRightCornerIsOutside", {200, 160}, std::nullopt},
                      PartCase{"OutsideBeyondCorner", {203, 97}, std::nullopt},
                      PartCase{"Centre", {150, 130}, ModePart::Inside}),
    [](const auto& info) { return info.param.name; });

TEST(HitTestModeFrame, LeftEdgeWinsOnANarrowFrame)
{
    const std::array<QPoint, 4> narrow{QPoint(100, 100), QPoint(106, 100), QPoint(106, 160), QPoint(100, 160)};
    EXPECT_EQ(HitTestModeFrame(narrow, {103, 130}), ModePart::Left);
    EXPECT_EQ(HitTestModeFrame(narrow, {110, 130}), ModePart::Right);
}

// The canvas of 1000 x 800 at zoom 0.5: 500 x 400 on screen.
constexpr QSize kZoomedCanvas{500, 400};

enum class Tip { None, Width, Height };

struct EdgeCase {
    const char* name;
    QPoint view;
    CanvasEdge press;
    Tip tip;
};

class CanvasEdgeTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(CanvasEdgeTest, PressAndTooltip)
{
    const EdgeCase& c = GetParam();
    EXPECT_EQ(CanvasEdgeAt(c.view, kZoomedCanvas), c.press);
    const QString tip = CanvasEdgeTooltip(c.view, kZoomedCanvas, 1000, 800);
    switch (c.tip) {
    case Tip::None:
        EXPECT_TRUE(tip.isEmpty()) << tip.toStdString();
        break;
    case Tip::Width:
        EXPECT_EQ(tip, QStringLiteral("Width=1000\nmin:500  max:10000"));
        break;
    case Tip::Height:
        EXPECT_EQ(tip, QStringLiteral("Height=800\nmin:500  max:7500"));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CanvasEdgeTest,
    ::testing::Values(EdgeCase{"RightEdgeThreeInside", {497, 10}, CanvasEdge::Width, Tip::Width},
                      EdgeCase{"RightEdgeFourInside", {496, 10}, CanvasEdge::None, Tip::None},
                      EdgeCase{"RightEdgeThreeOutside", {503, 10}, CanvasEdge::Width, Tip::Width},
                      EdgeCase{"RightEdgeFourOutside", {504, 10}, CanvasEdge::None, Tip::None},
                      EdgeCase{"RightEdgeLastRow", {500, 399}, CanvasEdge::Width, Tip::Width},
                      EdgeCase{"BelowRightEdge", {500, 400}, CanvasEdge::None, Tip::None},
                      EdgeCase{"BottomEdgeThreeInside", {10, 397}, CanvasEdge::Height, Tip::Height},
                      EdgeCase{"BottomEdgeThreeOutside", {10, 403}, CanvasEdge::Height, Tip::Height},
                      EdgeCase{"BottomEdgeFourOutside", {10, 404}, CanvasEdge::None, Tip::None},
                      EdgeCase{"BottomEdgeLastColumn", {499, 402}, CanvasEdge::Height, Tip::Height},
                      // Near the corner both apply: a press drags the width,
                      // while the tooltip speaks of the height.
                      EdgeCase{"CornerPressWidthTipHeight", {498, 398}, CanvasEdge::Width, Tip::Height},
                      EdgeCase{"InsideCanvas", {250, 200}, CanvasEdge::None, Tip::None},
                      EdgeCase{"Origin", {0, 0}, CanvasEdge::None, Tip::None}),
    [](const auto& info) { return info.param.name; });

TEST(CanvasEdgeGuide, OneTextPerEdge)
{
    EXPECT_EQ(CanvasEdgeGuideText(CanvasEdge::Width),
              QStringLiteral("←左へドラッグするとビューの幅を狭く、→右へドラッグすると広くできます"));
    EXPECT_EQ(CanvasEdgeGuideText(CanvasEdge::Height),
              QStringLiteral("↑上へドラッグするとビューの高さを狭く、↓下へドラッグすると広くできます"));
    EXPECT_TRUE(CanvasEdgeGuideText(CanvasEdge::None).isEmpty());
}

struct GuideCase {
    const char* name;
    bool selected;
    int index;
    const char* text;
};

class HoverGuideTest : public ::testing::TestWithParam<GuideCase> {};

TEST_P(HoverGuideTest, BySelectionAndParity)
{
    EXPECT_EQ(HoverGuideText(GetParam().selected, GetParam().index), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoverGuideTest,
    ::testing::Values(
        GuideCase{"SelectedEvenResize", true, 2, "外周上の矩形をドラッグ＆ドロップしてイメージサイズを変更できます"},
        GuideCase{"SelectedOddArrowKeys", true, 3,
                  "方向キーで10ピクセルずつ移動します。Ctrlキーを押しながらのときは微移動します"},
        GuideCase{"SelectedZeroIsEven", true, 0, "外周上の矩形をドラッグ＆ドロップしてイメージサイズを変更できます"},
        GuideCase{"UnselectedEvenDropFile", false, 998,
                  "マイコンピュータからファイルをドラッグ＆ドロップしてイメージを変更できます"},
        GuideCase{"UnselectedOddDrag", false, 999, "イメージをドラッグ＆ドロップして位置を変更できます"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vq
