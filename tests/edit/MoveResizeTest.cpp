// Moving, resizing and canvas-edge arithmetic on a bare document.
#include "edit/MoveResize.h"

#include "model/Document.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vq {
namespace {

// ---- Move displacement ----------------------------------------------------

struct DisplacementCase {
    const char* name;
    QPoint window;
    float zoom;
    QPoint canvas;
};

class MoveDisplacementTest : public ::testing::TestWithParam<DisplacementCase> {};

TEST_P(MoveDisplacementTest, TruncatesButOneWindowPixelAlwaysMoves)
{
    const DisplacementCase& c = GetParam();
    EXPECT_EQ(MoveDisplacement(c.window, c.zoom), c.canvas);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MoveDisplacementTest,
    ::testing::Values(DisplacementCase{"ThreeAtHalfIsSix", {3, 0}, 0.5f, {6, 0}},
                      DisplacementCase{"ArrowAtHalfIsTwenty", {0, 10}, 0.5f, {0, 20}},
                      DisplacementCase{"FineAtHalfIsTwo", {-1, 0}, 0.5f, {-2, 0}},
                      DisplacementCase{"ArrowAtOne", {-10, 0}, 1.0f, {-10, 0}},
                      DisplacementCase{"ArrowAtFourIsTwo", {10, -10}, 4.0f, {2, -2}},
                      DisplacementCase{"FineAtFourStillOne", {1, -1}, 4.0f, {1, -1}},
                      DisplacementCase{"TwoAtFourIsNothing", {2, -3}, 4.0f, {0, 0}},
                      DisplacementCase{"TowardZero", {-7, 7}, 2.0f, {-3, 3}},
                      DisplacementCase{"ThirdZoom", {5, 0}, 0.3f, {16, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(MoveThreshold, BothAxesBelowTwoIsAClick)
{
    EXPECT_FALSE(ExceedsMoveThreshold({0, 0}));
    EXPECT_FALSE(ExceedsMoveThreshold({1, -1}));
    EXPECT_TRUE(ExceedsMoveThreshold({2, 0}));
    EXPECT_TRUE(ExceedsMoveThreshold({1, -2}));
    // At zoom 0.5 a one-pixel drag would be two canvas pixels, yet stays a click.
    EXPECT_FALSE(ExceedsMoveThreshold({1, 0}));
}

class MoveSelectionTest : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }
    Document doc;
};

TEST_F(MoveSelectionTest, MovesOnlySelectedNodes)
{
    test::placeNode(doc, 100, 100, 20, 20, true);
    test::placeNode(doc, 300, 300, 20, 20, false);
    test::placeNode(doc, 500, 200, 20, 20, true);
    EXPECT_TRUE(MoveSelection(doc, {6, -4}));
    EXPECT_EQ(doc.nodes[0].centerX, 106);
    EXPECT_EQ(doc.nodes[0].centerY, 96);
    EXPECT_EQ(doc.nodes[1].centerX, 300);
    EXPECT_EQ(doc.nodes[1].centerY, 300);
    EXPECT_EQ(doc.nodes[2].centerX, 506);
    EXPECT_EQ(doc.nodes[2].centerY, 196);
}

TEST_F(MoveSelectionTest, NothingSelectedMovesNothing)
{
    test::placeNode(doc, 100, 100, 20, 20, false);
    EXPECT_FALSE(MoveSelection(doc, {10, 10}));
    EXPECT_EQ(doc.nodes[0].centerX, 100);
}

TEST_F(MoveSelectionTest, CentreStaysOnTheCanvasButEdgesMayLeave)
{
    test::placeNode(doc, 990, 20, 40, 40, true);
    MoveSelection(doc, {100, -50});
    EXPECT_EQ(doc.nodes[0].centerX, 1000);
    EXPECT_EQ(doc.nodes[0].centerY, 0);

    doc.state.zoom = 0.5f;
    MoveSelection(doc, {100, 0});
    EXPECT_EQ(doc.nodes[0].centerX, 1000);
}

// ---- Resize feedback ------------------------------------------------------

struct ResizeCase {
    const char* name;
    QRect start;
    int handle;
    QPoint pointer;
    bool freeRatio;
    QRect expected;
};

constexpr QPoint kCanvasEnd(500, 400);
constexpr int kMin = 10;

class ResizeFeedbackTest : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(ResizeFeedbackTest, MovesTheHandlesSides)
{
    const ResizeCase& c = GetParam();
    const auto handle = static_cast<ResizeHandle>(c.handle);
    EXPECT_EQ(ResizeFeedbackRect(c.start, handle, c.pointer, kCanvasEnd, kMin, c.freeRatio), c.expected);
}

// Every start rectangle is 40 x 20 at (100, 100): sides 100, 100, 140, 120.
constexpr QRect kStart(100, 100, 40, 20);

INSTANTIATE_TEST_SUITE_P(
    Handles, ResizeFeedbackTest,
    ::testing::Values(ResizeCase{"TopLeftFree", kStart, 0, {90, 95}, true, QRect(90, 95, 50, 25)},
                      ResizeCase{"TopRightFree", kStart, 1, {150, 90}, true, QRect(100, 90, 50, 30)},
                      ResizeCase{"BottomRightFree", kStart, 2, {160, 130}, true, QRect(100, 100, 60, 30)},
                      ResizeCase{"BottomLeftFree", kStart, 3, {80, 125}, true, QRect(80, 100, 60, 25)},
                      ResizeCase{"TopIgnoresX", kStart, 4, {400, 80}, false, QRect(100, 80, 40, 40)},
                      ResizeCase{"RightIgnoresY", kStart, 5, {170, 0}, false, QRect(100, 100, 70, 20)},
                      ResizeCase{"BottomIgnoresX", kStart, 6, {0, 150}, false, QRect(100, 100, 40, 50)},
                      ResizeCase{"LeftIgnoresY", kStart, 7, {60, 300}, false, QRect(60, 100, 80, 20)}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Limits, ResizeFeedbackTest,
    ::testing::Values(ResizeCase{"LeftStopsAtMinimum", kStart, 7, {300, 110}, false, QRect(130, 100, 10, 20)},
                      ResizeCase{"RightStopsAtMinimum", kStart, 5, {0, 110}, false, QRect(100, 100, 10, 20)},
                      ResizeCase{"TopStopsAtMinimum", kStart, 4, {120, 300}, false, QRect(100, 110, 40, 10)},
                      ResizeCase{"BottomStopsAtMinimum", kStart, 6, {120, 0}, false, QRect(100, 100, 40, 10)},
                      ResizeCase{"CornerStopsAtMinimum", kStart, 0, {300, 300}, true, QRect(130, 110, 10, 10)},
                      ResizeCase{"PointerKeptLeftOfCanvasEnd", kStart, 5, {900, 110}, false,
                                 QRect(100, 100, 400, 20)},
                      ResizeCase{"PointerKeptRightOfZero", kStart, 7, {-50, 110}, false, QRect(0, 100, 140, 20)},
                      ResizeCase{"PointerKeptAboveCanvasEnd", kStart, 6, {120, 1000}, false,
                                 QRect(100, 100, 40, 300)},
                      ResizeCase{"PointerKeptBelowZero", kStart, 1, {120, -40}, true, QRect(100, 0, 20, 120)}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    KeepRatio, ResizeFeedbackTest,
    ::testing::Values(
        // Width doubled, height halved: the width moved further and leads.
        ResizeCase{"BottomRightWidthLeads", kStart, 2, {180, 110}, false, QRect(100, 100, 80, 40)},
        ResizeCase{"BottomRightHeightLeads", kStart, 2, {150, 160}, false, QRect(100, 100, 120, 60)},
        ResizeCase{"TopLeftKeepsBottomRight", kStart, 0, {60, 95}, false, QRect(60, 80, 80, 40)},
        ResizeCase{"TopRightKeepsBottomLeft", kStart, 1, {120, 60}, false, QRect(100, 60, 120, 60)},
        ResizeCase{"BottomLeftShrinkStopsAtMinimum", kStart, 3, {130, 105}, false, QRect(120, 100, 20, 10)},
        ResizeCase{"GrowthStopsAtCanvasEnd", kStart, 2, {900, 110}, false, QRect(100, 100, 400, 200)},
        ResizeCase{"GrowthStopsAtCanvasTop", kStart, 1, {500, 120}, false, QRect(100, 0, 240, 120)}),
    [](const auto& info) { return info.param.name; });

TEST(ResizeFeedback, LeftEdgeAtZoomTwoKeepsTwentyWindowPixels)
{
    const int minSize = scaleTrunc(kMinResizeCanvasPixels, 2.0f);
    const QRect r
        = ResizeFeedbackRect(QRect(200, 50, 30, 40), ResizeHandle::Left, {229, 60}, {1000, 1000}, minSize, false);
    EXPECT_EQ(r, QRect(210, 50, 20, 40));
}

// Over a sweep of rectangles and pointers, a corner drag without Ctrl keeps
// the opposite corner, the shape (to the pixel), the minimum and the canvas.
TEST(ResizeFeedback, CornerDragKeepsShapeMinimumAndCanvas)
{
    const QPoint canvasEnd(400, 300);
    const int sizes[][2] = {{30, 30}, {49, 17}, {17, 49}, {63, 41}, {100, 7}, {33, 99}, {100, 77}, {77, 154}};
    for (const auto& size : sizes) {
        const QRect start(150, 100, size[0], size[1]);
        const double aspect = static_cast<double>(size[0]) / size[1];
        for (int handle = 0; handle < 4; ++handle) {
            for (int px = -20; px <= 420; px += 7) {
                for (int py = -20; py <= 320; py += 11) {
                    SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " handle " << handle
                                                    << " pointer " << px << "," << py);
                    const auto h = static_cast<ResizeHandle>(handle);
                    const QRect r = ResizeFeedbackRect(start, h, {px, py}, canvasEnd, kMin, false);
                    const bool left = handle == 0 || handle == 3;
                    const bool top = handle == 0 || handle == 1;
                    // Sides as exclusive edges.
                    const int rRight = r.left() + r.width();
                    const int rBottom = r.top() + r.height();
                    const int sRight = start.left() + start.width();
                    const int sBottom = start.top() + start.height();
                    if (left)
                        ASSERT_EQ(rRight, sRight);
                    else
                        ASSERT_EQ(r.left(), start.left());
                    if (top)
                        ASSERT_EQ(rBottom, sBottom);
                    else
                        ASSERT_EQ(r.top(), start.top());
                    ASSERT_GE(r.width(), kMin);
                    ASSERT_GE(r.height(), kMin);
                    // Truncation may cost the following side at most one pixel.
                    ASSERT_LE(std::abs(r.width() - r.height() * aspect), std::max(1.0, aspect));
                    // When the minimum needs no more room than there is, the canvas holds the rectangle.
                    const bool roomForMinimum =
                        (left ? sRight : canvasEnd.x() - start.left()) >= kMin * std::max(1.0, aspect)
                        && (top ? sBottom : canvasEnd.y() - start.top()) >= kMin * std::max(1.0, 1.0 / aspect);
                    if (roomForMinimum) {
                        ASSERT_GE(r.left(), 0);
                        ASSERT_GE(r.top(), 0);
                        ASSERT_LE(rRight, canvasEnd.x());
                        ASSERT_LE(rBottom, canvasEnd.y());
                    }
                }
            }
        }
    }
}

// ---- Applying a resize ----------------------------------------------------

struct ApplyCase {
    const char* name;
    int handle;
    QRect result; // the main node's screen rectangle at zoom 1 is (80, 90, 40, 20)
    int otherHalfWidth;
    int otherHalfHeight;
};

class ApplyResizeTest : public ::testing::TestWithParam<ApplyCase> {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        test::placeNode(doc, 100, 100, 20, 10, true);
        test::placeNode(doc, 300, 300, 30, 40, true);
        test::placeNode(doc, 600, 600, 50, 50, false);
        doc.state.mainIndex = 0;
    }
    Document doc;
};

TEST_P(ApplyResizeTest, MainTakesTheRectangleOthersScaleAlongMovedAxes)
{
    const ApplyCase& c = GetParam();
    const QRect start(80, 90, 40, 20);
    ApplyResize(doc, start, c.result, {0, 0}, 1.0f, static_cast<ResizeHandle>(c.handle));
    EXPECT_EQ(doc.nodes[0].centerX, c.result.left() + c.result.width() / 2);
    EXPECT_EQ(doc.nodes[0].centerY, c.result.top() + c.result.height() / 2);
    EXPECT_EQ(doc.nodes[0].halfWidth, c.result.width() / 2);
    EXPECT_EQ(doc.nodes[0].halfHeight, c.result.height() / 2);
    EXPECT_EQ(doc.nodes[1].centerX, 300);
    EXPECT_EQ(doc.nodes[1].centerY, 300);
    EXPECT_EQ(doc.nodes[1].halfWidth, c.otherHalfWidth);
    EXPECT_EQ(doc.nodes[1].halfHeight, c.otherHalfHeight);
    EXPECT_EQ(doc.nodes[2].halfWidth, 50);
    EXPECT_EQ(doc.nodes[2].halfHeight, 50);
}

// The results change both sides on purpose: an edge handle scales the other
// nodes along its own axis only.
INSTANTIATE_TEST_SUITE_P(Table, ApplyResizeTest,
                         ::testing::Values(ApplyCase{"TopLeftBoth", 0, QRect(60, 80, 60, 30), 45, 60},
                                           ApplyCase{"TopRightBoth", 1, QRect(80, 70, 20, 40), 15, 80},
                                           ApplyCase{"BottomRightBoth", 2, QRect(80, 90, 50, 25), 37, 50},
                                           ApplyCase{"BottomLeftBoth", 3, QRect(70, 90, 50, 10), 37, 20},
                                           ApplyCase{"TopHeightOnly", 4, QRect(80, 60, 60, 50), 30, 100},
                                           ApplyCase{"RightWidthOnly", 5, QRect(80, 90, 60, 50), 45, 40},
                                           ApplyCase{"BottomHeightOnly", 6, QRect(80, 90, 60, 10), 30, 20},
                                           ApplyCase{"LeftWidthOnly", 7, QRect(60, 90, 20, 50), 15, 40}),
                         [](const auto& info) { return info.param.name; });

TEST(ApplyResize, ScrolledAndZoomedResultMapsBackToCanvas)
{
    Document doc;
    doc.ResetDocument();
    test::placeNode(doc, 100, 100, 20, 10, true);
    doc.state.mainIndex = 0;
    // At zoom 2 and scroll (50, 30) the node lies at client (110, 150, 80, 40).
    ApplyResize(doc, QRect(110, 150, 80, 40), QRect(110, 150, 121, 61), {50, 30}, 2.0f, ResizeHandle::BottomRight);
    EXPECT_EQ(doc.nodes[0].centerX, (110 + 60 + 50) / 2);
    EXPECT_EQ(doc.nodes[0].centerY, (150 + 30 + 30) / 2);
    EXPECT_EQ(doc.nodes[0].halfWidth, 30);
    EXPECT_EQ(doc.nodes[0].halfHeight, 15);
}

TEST(ApplyResize, WithoutMainNothingChanges)
{
    Document doc;
    doc.ResetDocument();
    test::placeNode(doc, 100, 100, 20, 10, true);
    doc.state.mainIndex = -1;
    ApplyResize(doc, QRect(80, 90, 40, 20), QRect(80, 90, 80, 40), {0, 0}, 1.0f, ResizeHandle::BottomRight);
    EXPECT_EQ(doc.nodes[0].halfWidth, 20);
    EXPECT_EQ(doc.nodes[0].centerX, 100);
}

// ---- Canvas size from an edge drag ------------------------------------------

struct CanvasCase {
    const char* name;
    float zoom;
    CanvasAxis axis;
    int pointer;
    bool keepNodes; // false: only the margin changes
    int expected;
};

// One node spans x 700..900 (central half 750..850) and y 500..600 (550..575
// after halving the 50-pixel half height).
class CanvasSizeTest : public ::testing::TestWithParam<CanvasCase> {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        test::placeNode(doc, 800, 550, 100, 50, false);
    }
    Document doc;
};

TEST_P(CanvasSizeTest, ClampsToBoundsAndNodes)
{
    const CanvasCase& c = GetParam();
    doc.state.zoom = c.zoom;
    EXPECT_EQ(CanvasSizeFromDrag(doc, c.axis, c.pointer, c.keepNodes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CanvasSizeTest,
    ::testing::Values(CanvasCase{"Plain", 1.0f, CanvasAxis::Width, 700, true, 700},
                      CanvasCase{"WidthLowerBound", 1.0f, CanvasAxis::Width, 100, true, 500},
                      CanvasCase{"WidthUpperBound", 1.0f, CanvasAxis::Width, 20000, true, 10000},
                      CanvasCase{"HeightUpperBound", 1.0f, CanvasAxis::Height, 9000, true, 7500},
                      CanvasCase{"HalfZoomLowerBound", 0.5f, CanvasAxis::Width, 100, true, 500},
                      CanvasCase{"HalfZoomUpperBound", 0.5f, CanvasAxis::Width, 6000, true, 10000},
                      CanvasCase{"HalfZoomDoubles", 0.5f, CanvasAxis::Width, 400, true, 800},
                      CanvasCase{"DoubleZoomHalves", 2.0f, CanvasAxis::Height, 3001, true, 1500},
                      CanvasCase{"MarginKeepsCentralHalf", 1.0f, CanvasAxis::Width, 600, false, 850},
                      CanvasCase{"MarginBeyondNodeFree", 1.0f, CanvasAxis::Width, 870, false, 870},
                      CanvasCase{"MarginKeepsCentralHalfHeight", 1.0f, CanvasAxis::Height, 520, false, 575},
                      CanvasCase{"MarginZoomed", 2.0f, CanvasAxis::Width, 1000, false, 850},
                      CanvasCase{"ScaledNodesMayBeCut", 1.0f, CanvasAxis::Width, 600, true, 600}),
    [](const auto& info) { return info.param.name; });

// Whatever the zoom and wherever the pointer goes, the size stays in bounds
// and, with only the margin changing, no node loses its central half.
TEST(CanvasSizeFromDrag, BoundsAndCentralHalvesHoldAtEveryZoom)
{
    const float zooms[] = {0.08f, 0.1f, 0.3f, 0.33f, 0.7f, 1.0f, 1.5f, 3.7f, 4.0f};
    for (float zoom : zooms) {
        for (const CanvasAxis axis : {CanvasAxis::Width, CanvasAxis::Height}) {
            const int maxSide = axis == CanvasAxis::Width ? kMaxCanvasWidth : kMaxCanvasHeight;
            Document doc;
            doc.ResetDocument();
            doc.state.zoom = zoom;
            test::placeNode(doc, 803, 611, 101, 77, false);
            test::placeNode(doc, 517, 1203, 13, 9, false);
            for (int pointer : {-100, 0, 1, 150, 400, 2000, 40000}) {
                SCOPED_TRACE(testing::Message() << "zoom " << zoom << " pointer " << pointer);
                for (bool keepNodes : {true, false}) {
                    const int size = CanvasSizeFromDrag(doc, axis, pointer, keepNodes);
                    ASSERT_GE(size, kMinCanvasSide);
                    ASSERT_LE(size, maxSide);
                    if (keepNodes)
                        continue;
                    for (int i = 0; i < doc.state.nodeCount; ++i) {
                        const NodeRecord& n = doc.nodes[i];
                        const double centre = axis == CanvasAxis::Width ? n.centerX : n.centerY;
                        const double half = axis == CanvasAxis::Width ? n.halfWidth : n.halfHeight;
                        ASSERT_GE(size, centre + half / 2);
                    }
                }
            }
        }
    }
}

TEST(CanvasSizeFromDrag, TheMaximumWinsOverANodeBeyondIt)
{
    Document doc;
    doc.ResetDocument();
    doc.state.canvasWidth = 10000;
    test::placeNode(doc, 9990, 100, 400, 10, false);
    EXPECT_EQ(CanvasSizeFromDrag(doc, CanvasAxis::Width, 600, false), kMaxCanvasWidth);
}

class ApplyCanvasSizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        test::placeNode(doc, 100, 333, 30, 25, false);
    }
    Document doc;
};

TEST_F(ApplyCanvasSizeTest, UnchangedSizeIsRefused)
{
    EXPECT_FALSE(ApplyCanvasSize(doc, CanvasAxis::Width, 1000, true));
    EXPECT_EQ(doc.nodes[0].centerX, 100);
    EXPECT_EQ(doc.nodes[0].halfWidth, 30);
}

TEST_F(ApplyCanvasSizeTest, ScalingTouchesOnlyThatAxis)
{
    ASSERT_TRUE(ApplyCanvasSize(doc, CanvasAxis::Width, 1500, true));
    EXPECT_EQ(doc.state.canvasWidth, 1500);
    EXPECT_EQ(doc.state.canvasHeight, 1000);
    EXPECT_EQ(doc.nodes[0].centerX, 150);
    EXPECT_EQ(doc.nodes[0].halfWidth, 45);
    EXPECT_EQ(doc.nodes[0].centerY, 333);
    EXPECT_EQ(doc.nodes[0].halfHeight, 25);

    ASSERT_TRUE(ApplyCanvasSize(doc, CanvasAxis::Height, 500, true));
    EXPECT_EQ(doc.state.canvasHeight, 500);
    EXPECT_EQ(doc.nodes[0].centerY, 166);
    EXPECT_EQ(doc.nodes[0].halfHeight, 12);
    EXPECT_EQ(doc.nodes[0].centerX, 150);
}

TEST_F(ApplyCanvasSizeTest, MarginOnlyLeavesNodes)
{
    ASSERT_TRUE(ApplyCanvasSize(doc, CanvasAxis::Height, 700, false));
    EXPECT_EQ(doc.state.canvasHeight, 700);
    EXPECT_EQ(doc.nodes[0].centerY, 333);
    EXPECT_EQ(doc.nodes[0].halfHeight, 25);
}

} // namespace
} // namespace vq
