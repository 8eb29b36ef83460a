// Coordinate mappings, zoom limits and console geometry; no widgets needed.
#include "render/ViewGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vq {
namespace {

struct MappingCase {
    const char* name;
    QPoint client;
    QPoint scroll;
    float zoom;
    QPoint canvas;
};

class ClientToCanvasTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ClientToCanvasTest, TruncatesTowardZero)
{
    const MappingCase& c = GetParam();
    EXPECT_EQ(ClientToCanvas(c.client, c.scroll, c.zoom), c.canvas);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClientToCanvasTest,
    ::testing::Values(MappingCase{"Identity", {10, 20}, {0, 0}, 1.0f, {10, 20}},
                      MappingCase{"ScrollAdds", {10, 20}, {100, 50}, 1.0f, {110, 70}},
                      MappingCase{"HalfZoomDoubles", {7, 9}, {0, 0}, 0.5f, {14, 18}},
                      MappingCase{"ThirdZoomTruncates", {10, 11}, {0, 0}, 0.3f, {33, 36}},
                      MappingCase{"FourTimesTruncates", {7, 9}, {0, 0}, 4.0f, {1, 2}},
                      MappingCase{"NegativeTowardZero", {-7, -1}, {0, 0}, 4.0f, {-1, 0}},
                      MappingCase{"ScrolledAtZoom", {3, 3}, {397, 1}, 4.0f, {100, 1}}),
    [](const auto& info) { return info.param.name; });

TEST(CanvasToScreen, PointsAndRectanglesTruncateSeparately)
{
    EXPECT_EQ(CanvasToScreen({333, -333}, 0.5f), QPoint(166, -166));
    // Width is scaled on its own, so a rectangle can be one pixel narrower
    // than its scaled corners suggest.
    const IntRect r = CanvasRectToScreen({1, 1, 4, 4}, 0.5f);
    EXPECT_EQ(r, (IntRect{0, 0, 1, 1}));
    EXPECT_EQ(ScreenToClient({100, 100}, {30, 40}), QPoint(70, 60));
    EXPECT_EQ(ClientToScreen({70, 60}, {30, 40}), QPoint(100, 100));
}

TEST(ScrollSizes, CanvasPlusMarginTimesZoom)
{
    EXPECT_EQ(ScrollTotalSize(1000, 1000, 0.5f), QSize(525, 525));
    EXPECT_EQ(ScrollTotalSize(1000, 1000, 1.0f), QSize(1050, 1050));
    EXPECT_EQ(ScrollTotalSize(1000, 600, 0.25f), QSize(262, 162));
    EXPECT_EQ(ZoomedCanvasSize(1000, 700, 0.333f), QSize(333, 233));
}

struct LimitCase {
    const char* name;
    float requested;
    int width;
    int height;
    float expected;
};

class LimitZoomTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(LimitZoomTest, KeepsZoomAndZoomedCanvasInBounds)
{
    const LimitCase& c = GetParam();
    const float z = LimitZoom(c.requested, c.width, c.height);
    EXPECT_FLOAT_EQ(z, c.expected);
    EXPECT_LE(scaleTrunc(c.width, z), kMaxZoomedWidth);
    EXPECT_LE(scaleTrunc(c.height, z), kMaxZoomedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LimitZoomTest,
    ::testing::Values(LimitCase{"FourIsExact", 4.0f, 1000, 1000, 4.0f},
                      LimitCase{"AboveFourClamped", 9.0f, 1000, 1000, 4.0f},
                      LimitCase{"BelowMinimumClamped", 0.01f, 1000, 1000, 0.08f},
                      LimitCase{"NegativeClamped", -2.0f, 1000, 1000, 0.08f},
                      LimitCase{"WideCanvasLimitedByWidth", 4.0f, 10000, 2000, 1.0f},
                      LimitCase{"TallCanvasLimitedByHeight", 4.0f, 1000, 7500, 1.0f},
                      LimitCase{"HeightCheckAfterWidth", 4.0f, 5000, 7500, 1.0f},
                      LimitCase{"WithinLimitsUnchanged", 1.5f, 6000, 5000, 1.5f}),
    [](const auto& info) { return info.param.name; });

TEST(FitZoom, SmallerRatioOfClientToCanvas)
{
    EXPECT_FLOAT_EQ(FitZoom({500, 300}, 1000, 1000), 0.3f);
    EXPECT_FLOAT_EQ(LimitZoom(FitZoom({500, 300}, 1000, 1000), 1000, 1000), 0.3f);
    // A minimised window has no client area; the limit takes over.
    EXPECT_FLOAT_EQ(LimitZoom(FitZoom({0, 0}, 1000, 1000), 1000, 1000), 0.08f);
    EXPECT_FLOAT_EQ(LimitZoom(FitZoom({8000, 8000}, 1000, 1000), 1000, 1000), 4.0f);
}

TEST(ZoomPercent, TruncatedPercentage)
{
    EXPECT_EQ(ZoomPercentText(0.333f), "33");
    EXPECT_EQ(ZoomPercentText(1.0f), "100");
    EXPECT_EQ(ZoomPercentText(0.08f), "8");
    EXPECT_EQ(ZoomPercentText(4.0f), "400");
    EXPECT_EQ(ZoomPercentText(0.3f), "30");
}

struct ClampCase {
    const char* name;
    QPoint requested;
    QRect client;
    QPoint expected;
};

class ClampConsoleTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ClampConsoleTest, StaysSeventyPixelsInside)
{
    const ClampCase& c = GetParam();
    EXPECT_EQ(ClampConsolePosition(c.requested.x(), c.requested.y(), c.client), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClampConsoleTest,
    ::testing::Values(ClampCase{"HomeUnchanged", {79, 79}, {0, 0, 800, 600}, {79, 79}},
                      ClampCase{"TopLeftPulledIn", {0, -50}, {0, 0, 800, 600}, {70, 70}},
                      ClampCase{"BottomRightPulledIn", {2000, 2000}, {0, 0, 800, 600}, {730, 530}},
                      ClampCase{"ExactlyAtRightBound", {730, 300}, {0, 0, 800, 600}, {730, 300}},
                      ClampCase{"TinyWindowLeftTopWins", {50, 500}, {0, 0, 100, 60}, {70, 70}}),
    [](const auto& info) { return info.param.name; });

struct HitCase {
    const char* name;
    QPoint offset; // from the console centre
    int expected;
};

class HitTestConsoleTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitTestConsoleTest, Zones)
{
    const QPoint centre(200, 150);
    EXPECT_EQ(HitTestConsole(centre + GetParam().offset, centre), GetParam().expected);
}

// Offsets are console-image coordinates minus 65.
INSTANTIATE_TEST_SUITE_P(
    Table, HitTestConsoleTest,
    ::testing::Values(HitCase{"Centre", {0, 0}, kConsoleBody},
                      HitCase{"PlusCentre", {0, -45}, kConsolePlus},
                      HitCase{"PlusTopOfBar", {-6, -60}, kConsolePlus},
                      HitCase{"PlusRightEdgeExclusive", {6, -60}, kConsoleBody},
                      HitCase{"PlusArmLeft", {-15, -51}, kConsolePlus},
                      HitCase{"PlusArmBottomExclusive", {-15, -39}, kConsoleBody},
                      HitCase{"PlusCornerGap", {-15, -56}, kConsoleBody},
                      HitCase{"MinusLeftEdge", {-15, 39}, kConsoleMinus},
                      HitCase{"MinusBottomExclusive", {0, 51}, kConsoleBody},
                      HitCase{"RadiusInside", {65, 0}, kConsoleBody},
                      HitCase{"RadiusTruncatedInside", {46, 46}, kConsoleBody},
                      HitCase{"JustOutside", {66, 0}, kConsoleOutside},
                      HitCase{"DiagonalOutside", {47, 47}, kConsoleOutside}),
    [](const auto& info) { return info.param.name; });

TEST(DialRing, BetweenSixtyFiveAndSeventyThree)
{
    const QPoint c(100, 100);
    EXPECT_FALSE(InDialRing(c + QPoint(64, 0), c));
    EXPECT_TRUE(InDialRing(c + QPoint(65, 0), c));
    EXPECT_TRUE(InDialRing(c + QPoint(0, -73), c));
    EXPECT_TRUE(InDialRing(c + QPoint(51, 51), c)); // 72.1
    EXPECT_FALSE(InDialRing(c + QPoint(74, 0), c));
}

TEST(DialStep, ClockwiseZoomsInAndNineOClockJumps)
{
    const QPoint c(0, 0);
    // From 3 o'clock to 6 o'clock (y grows downward) is a quarter turn clockwise.
    EXPECT_EQ(DialStep({70, 0}, {0, 70}, c), static_cast<int>(std::numbers::pi / 2 * 100));
    EXPECT_EQ(DialStep({0, 70}, {70, 0}, c), -static_cast<int>(std::numbers::pi / 2 * 100));
    // Crossing 9 o'clock is not unwrapped: a small clockwise move reads as
    // almost a full turn back.
    const int jump = DialStep({-70, 1}, {-70, -1}, c);
    EXPECT_LT(jump, -600);
    EXPECT_GT(jump, -629);
}

TEST(ConsoleDigits, PlacedByDigitCount)
{
    EXPECT_EQ(ConsoleDigitPositions(1), (std::vector<QPoint>{{49, 40}}));
    EXPECT_EQ(ConsoleDigitPositions(2), (std::vector<QPoint>{{31, 40}, {65, 40}}));
    EXPECT_EQ(ConsoleDigitPositions(3), (std::vector<QPoint>{{15, 40}, {49, 40}, {83, 40}}));
}

TEST(DialDots, RingWithGapAtThreeOClock)
{
    const QPoint c(100, 100);
    EXPECT_EQ(DialDotPosition(c, 0), QPoint(169, 100));
    const QPoint first = DialDotPosition(c, 1);
    const QPoint last = DialDotPosition(c, kDialDotCount);
    // Dot 1 sits just clockwise (below) of 3 o'clock, dot 68 just above it.
    EXPECT_GT(first.y(), 100);
    EXPECT_LT(last.y(), 100);
    EXPECT_EQ(DialDotPosition(c, 69 / 2 + 1).x() < 100, true);
}

TEST(ModeFrameCorners, ScaledLikeEveryRectangle)
{
    const auto c = ModeFrameCorners({10, 20, 110, 70}, 0.5f);
    EXPECT_EQ(c[0], QPoint(5, 10));
    EXPECT_EQ(c[1], QPoint(55, 10));
    EXPECT_EQ(c[2], QPoint(55, 35));
    EXPECT_EQ(c[3], QPoint(5, 35));
}

} // namespace
} // namespace vq
