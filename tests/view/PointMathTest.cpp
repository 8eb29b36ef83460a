// Point constructions behind hit-tests, handles and the hover orbits.
#include "edit/PointMath.h"

#include <gtest/gtest.h>

#include <numbers>

namespace vq {
namespace {

using namespace PointMath;
constexpr double kPi = std::numbers::pi;

struct DistanceCase {
    const char* name;
    QPoint a;
    QPoint b;
    int expected;
};

class DistanceTest : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(DistanceTest, TruncatedEuclidean)
{
    const DistanceCase& c = GetParam();
    EXPECT_EQ(Distance(c.a.x(), c.a.y(), c.b.x(), c.b.y()), c.expected);
    EXPECT_EQ(Distance(c.b, c.a), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DistanceTest,
    ::testing::Values(DistanceCase{"SamePoint", {7, 7}, {7, 7}, 0},
                      DistanceCase{"ThreeFourFive", {1, 2}, {4, 6}, 5},
                      DistanceCase{"NegativeDirection", {0, 0}, {-3, -4}, 5},
                      DistanceCase{"DiagonalTruncated", {0, 0}, {1, 1}, 1},
                      DistanceCase{"JustBelowFiveTruncated", {0, 0}, {4, 4}, 5},
                      DistanceCase{"SquaresBeyondInt", {-30000, 0}, {30000, 80000}, 100000}),
    [](const auto& info) { return info.param.name; });

TEST(HandlePoints, CornersThenEdgeMidpointsTruncatedTowardZero)
{
    EXPECT_EQ(HandlePoints(4, 0, 0, 5, 7), (std::vector<QPoint>{{0, 0}, {5, 0}, {5, 7}, {0, 7}}));
    EXPECT_EQ(HandlePoints(8, 0, 0, 5, 7),
              (std::vector<QPoint>{{0, 0}, {5, 0}, {5, 7}, {0, 7}, {2, 0}, {5, 3}, {2, 7}, {0, 3}}));
    // a + (b - a) / 2 with negative ends: -5 + 5 / 2 is -3, where (a + b) / 2 would give -2.
    const std::vector<QPoint> p = HandlePoints(8, -5, -9, 0, 0);
    EXPECT_EQ(p[4], QPoint(-3, -9));
    EXPECT_EQ(p[5], QPoint(0, -5));
    EXPECT_EQ(p.size(), 8u);
    EXPECT_EQ(HandlePoints(3, 0, 0, 1, 1).size(), 4u);
}

struct RotateCase {
    const char* name;
    QPoint centre;
    QPoint point;
    double angle;
    QPoint expected;
};

class RotatePointTest : public ::testing::TestWithParam<RotateCase> {};

TEST_P(RotatePointTest, TurnsClockwiseOnScreenAndTruncates)
{
    const RotateCase& c = GetParam();
    EXPECT_EQ(RotatePoint(c.centre.x(), c.centre.y(), c.point.x(), c.point.y(), c.angle), c.expected);
}

// For (80, 82) about (100, 100) the polar round trip gives a y offset of
// -17.999999999999996, a pixel off once truncated: no turn must not move it.
INSTANTIATE_TEST_SUITE_P(
    Table, RotatePointTest,
    ::testing::Values(RotateCase{"ZeroTurnExact", {100, 100}, {80, 82}, 0.0, {80, 82}},
                      RotateCase{"FullTurnExact", {100, 100}, {80, 82}, 2 * kPi, {80, 82}},
                      RotateCase{"QuarterRightGoesDown", {0, 0}, {10, 0}, kPi / 2, {0, 10}},
                      RotateCase{"QuarterLeftGoesUp", {100, 100}, {60, 100}, kPi / 2, {100, 60}},
                      RotateCase{"HalfTurn", {0, 0}, {10, 0}, kPi, {-10, 0}},
                      RotateCase{"EighthTruncated", {100, 50}, {110, 50}, kPi / 4, {107, 57}},
                      RotateCase{"NegativeTowardZero", {0, 0}, {10, 0}, 3 * kPi / 4, {-7, 7}},
                      RotateCase{"CentreStays", {5, 5}, {5, 5}, 1.0, {5, 5}}),
    [](const auto& info) { return info.param.name; });

struct AlongCase {
    const char* name;
    double d;
    QPoint from;
    QPoint to;
    QPoint expected;
};

class PointAlongTest : public ::testing::TestWithParam<AlongCase> {};

TEST_P(PointAlongTest, DistanceTowardsSecondPoint)
{
    const AlongCase& c = GetParam();
    EXPECT_EQ(PointAlong(c.d, c.from.x(), c.from.y(), c.to.x(), c.to.y()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PointAlongTest,
    ::testing::Values(AlongCase{"Along", 5, {0, 0}, {30, 40}, {3, 4}},
                      AlongCase{"FromOffsetStart", 10, {10, 20}, {40, 60}, {16, 28}},
                      AlongCase{"BeyondSecondPoint", 100, {0, 0}, {3, 4}, {60, 80}},
                      AlongCase{"NegativeGoesBackwards", -5, {0, 0}, {30, 40}, {-3, -4}},
                      AlongCase{"TruncatedTowardZero", 2, {0, 0}, {-10, 10}, {-1, 1}},
                      AlongCase{"ZeroDistance", 0, {4, 5}, {30, 40}, {4, 5}},
                      AlongCase{"CoincidentPoints", 7, {4, 5}, {4, 5}, {4, 5}}),
    [](const auto& info) { return info.param.name; });

struct ProjectCase {
    const char* name;
    QPoint p;
    QPoint a;
    QPoint b;
    QPoint expected;
};

class ProjectOntoLineTest : public ::testing::TestWithParam<ProjectCase> {};

TEST_P(ProjectOntoLineTest, FootOfPerpendicular)
{
    const ProjectCase& c = GetParam();
    EXPECT_EQ(ProjectOntoLine(c.p.x(), c.p.y(), c.a.x(), c.a.y(), c.b.x(), c.b.y()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProjectOntoLineTest,
    ::testing::Values(
        // The hover orbits rely on this: onto a horizontal line the x is kept exactly.
        ProjectCase{"HorizontalKeepsX", {437, 120}, {0, 300}, {1000, 300}, {437, 300}},
        ProjectCase{"HorizontalFarX", {7919, 5}, {0, 3}, {9973, 3}, {7919, 3}},
        ProjectCase{"Vertical", {30, 77}, {10, 0}, {10, 500}, {10, 77}},
        // Both come out a hair below the whole pixel in floating point.
        ProjectCase{"Diagonal", {10, 0}, {0, 0}, {10, 10}, {5, 5}},
        ProjectCase{"PointOnLine", {4, 4}, {0, 0}, {10, 10}, {4, 4}},
        ProjectCase{"BeforeTheSegment", {-20, 5}, {0, 0}, {10, 0}, {-20, 0}},
        ProjectCase{"TruncatedTowardZero", {1, 0}, {0, 0}, {3, 1}, {0, 0}},
        ProjectCase{"DegenerateLine", {9, 9}, {2, 3}, {2, 3}, {2, 3}}),
    [](const auto& info) { return info.param.name; });

TEST(BoundingBox, LeastAndGreatestCoordinates)
{
    EXPECT_EQ(BoundingBox({QPoint(10, 20), QPoint(50, 20), QPoint(50, 60), QPoint(10, 60)}), (IntRect{10, 20, 50, 60}));
    // Turned corners in any order, negative ones included.
    const IntRect box = BoundingBox({QPoint(5, -3), QPoint(-2, 7), QPoint(0, 0), QPoint(9, 1)});
    EXPECT_EQ(box, (IntRect{-2, -3, 9, 7}));
    EXPECT_EQ(box.width(), 11);
    EXPECT_TRUE(BoundingBox({QPoint(4, 4), QPoint(4, 4), QPoint(4, 4), QPoint(4, 4)}).isEmpty());
}

} // namespace
} // namespace vq
