// The hover comets: orbit layout, hiding behind the picture, ticking.
#include "view/HoverAnimation.h"

#include "edit/PointMath.h"
#include "render/ScreenGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vq {
namespace {

constexpr double kPi = std::numbers::pi;

bool contains(const IntRect& r, QPoint p)
{
    return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

// Cross product of a -> b about the centre: positive is clockwise on the
// screen, where y grows downward.
long long turn(QPoint centre, QPoint a, QPoint b)
{
    const QPoint u = a - centre;
    const QPoint v = b - centre;
    return static_cast<long long>(u.x()) * v.y() - static_cast<long long>(u.y()) * v.x();
}

TEST(HoverInterval, FiveToFortyFiveMilliseconds)
{
    EXPECT_EQ(HoverAnimation::intervalMs(0), 5);
    EXPECT_EQ(HoverAnimation::intervalMs(1), 15);
    EXPECT_EQ(HoverAnimation::intervalMs(4), 45);
    // Settings from outside the range stay at the nearest speed.
    EXPECT_EQ(HoverAnimation::intervalMs(-3), 5);
    EXPECT_EQ(HoverAnimation::intervalMs(9), 45);
}

TEST(QuarterEllipseWalk, EndsAfterSixteenStepsForAnyProportions)
{
    // Each step turns the same angle whatever the axes, so flat and tall
    // ellipses of any size come out right.
    for (int a = 2; a <= 2000; a += 37) {
        for (int b = 2; b <= 2000; b += 41) {
            const auto walk = QuarterEllipseWalk(static_cast<float>(a), static_cast<float>(b));
            ASSERT_TRUE(walk) << a << " x " << b;
            EXPECT_EQ((*walk)[0], QPoint(a, 0));
            for (std::size_t j = 1; j < walk->size(); ++j) {
                EXPECT_LE((*walk)[j].x(), (*walk)[j - 1].x());
                EXPECT_GE((*walk)[j].y(), (*walk)[j - 1].y());
            }
            // The last step sits just short of the top of the ellipse.
            EXPECT_LE((*walk)[15].x(), a / 4);
            EXPECT_GE((*walk)[15].y(), b * 95 / 100 - 1);
            EXPECT_LE((*walk)[15].y(), b);
        }
    }
    EXPECT_TRUE(QuarterEllipseWalk(1.5f, 1.5f));
}

struct WalkFailure {
    const char* name;
    float a;
    float b;
};

class QuarterEllipseWalkFailure : public ::testing::TestWithParam<WalkFailure> {};

TEST_P(QuarterEllipseWalkFailure, NoOrbit)
{
    EXPECT_FALSE(QuarterEllipseWalk(GetParam().a, GetParam().b));
}

// Axes of a pixel or less are too small to go round; axes whose products
// overflow make the walk end after its first step; infinite ones never end.
INSTANTIATE_TEST_SUITE_P(Table, QuarterEllipseWalkFailure,
                         ::testing::Values(WalkFailure{"WidthOne", 1.0f, 50.0f}, WalkFailure{"HeightOne", 50.0f, 1.0f},
                                           WalkFailure{"BothHalf", 0.5f, 0.5f},
                                           WalkFailure{"NotANumber", std::nanf(""), 10.0f},
                                           WalkFailure{"EndsAfterFirstStep", 1e30f, 1e30f},
                                           WalkFailure{"NeverEnds", INFINITY, INFINITY}),
                         [](const auto& info) { return info.param.name; });

// An ellipse 80 x 40 centred on (100, 100).
constexpr IntRect kEllipse{60, 80, 140, 120};
constexpr QPoint kEllipseCentre{100, 100};

TEST(OrbitPath, ClosedClockwiseLoopFromTheLeftEnd)
{
    const auto path = OrbitPath(kEllipse, IntRect{}, 0.0);
    ASSERT_TRUE(path);
    const OrbitPathSlots& p = *path;
    EXPECT_EQ(p[0], QPoint(60, 100));  // left end
    EXPECT_EQ(p[30], QPoint(140, 100)); // right end, from the downward run
    EXPECT_LT(p[15].y(), 82);           // near the top
    EXPECT_GT(p[45].y(), 118);          // near the bottom
    long long total = 0;
    for (int s = 0; s < kOrbitSlots; ++s) {
        const QPoint a = p[static_cast<std::size_t>(s)];
        const QPoint b = p[static_cast<std::size_t>((s + 1) % kOrbitSlots)];
        const double ex = (a.x() - 100) / 40.0;
        const double ey = (a.y() - 100) / 20.0;
        EXPECT_NEAR(ex * ex + ey * ey, 1.0, 0.2) << "slot " << s;
        EXPECT_GE(turn(kEllipseCentre, a, b), 0) << "slot " << s;
        total += turn(kEllipseCentre, a, b);
    }
    EXPECT_GT(total, 0);
    // The upper half mirrors about the vertical axis.
    for (int j = 0; j < 15; ++j)
        EXPECT_EQ(p[static_cast<std::size_t>(30 - j)].x(), 200 - p[static_cast<std::size_t>(j)].x()) << j;
}

TEST(OrbitPath, TurnedClockwiseAboutTheCentre)
{
    const auto path = OrbitPath(kEllipse, IntRect{}, kPi / 2);
    ASSERT_TRUE(path);
    EXPECT_EQ((*path)[0], QPoint(100, 60)); // the left end turned to the top
    EXPECT_EQ((*path)[30], QPoint(100, 140));
}

TEST(OrbitPath, HiddenOnlyRightOfTheCentreInsideTheBox)
{
    const double angle = 0.7;
    const auto free = OrbitPath(kEllipse, IntRect{}, angle);
    const IntRect hide{70, 90, 135, 118};
    const auto hidden = OrbitPath(kEllipse, hide, angle);
    ASSERT_TRUE(free && hidden);
    int hiddenCount = 0;
    int keptInBoxOnLeft = 0;
    for (std::size_t s = 0; s < kOrbitSlots; ++s) {
        const QPoint p = (*free)[s];
        const bool behind = p.x() >= kEllipseCentre.x() && contains(hide, p);
        EXPECT_EQ((*hidden)[s], behind ? kHiddenSlot : p) << "slot " << s;
        hiddenCount += behind ? 1 : 0;
        keptInBoxOnLeft += !behind && contains(hide, p) ? 1 : 0;
    }
    EXPECT_GT(hiddenCount, 0);
    EXPECT_GT(keptInBoxOnLeft, 0);
}

TEST(OrbitPath, NoOrbitForATwoPixelBox)
{
    EXPECT_FALSE(OrbitPath({10, 10, 12, 50}, IntRect{}, 0.0));
    EXPECT_FALSE(OrbitPath({10, 10, 50, 12}, IntRect{}, 0.0));
    EXPECT_TRUE(OrbitPath({10, 10, 13, 13}, IntRect{}, 0.0));
}

// std::rand stand-in: a fixed sequence, repeated when it runs out.
class ScriptedRand {
public:
    explicit ScriptedRand(std::vector<int> values) : m_values(std::move(values)) {}
    int operator()() { return m_values[m_next++ % m_values.size()]; }

private:
    std::vector<int> m_values;
    std::size_t m_next = 0;
};

NodeGeometry nodeAt(const IntRect& r)
{
    NodeGeometry g;
    g.shown = true;
    g.corners = {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom), QPoint(r.left, r.bottom)};
    return g;
}

// A 4 x 4 node, so small that no orbit passes behind it. Zoom 1, so the
// half-axes spread by rand() % 10 and rand() % 50 beyond 4 / 2 = 2.
class SmallNodeAnimation : public ::testing::Test {
protected:
    static constexpr IntRect kNode{298, 198, 302, 202};
    bool start(int orbits, std::vector<int> rands, float zoom = 1.0f)
    {
        // Node centre at canvas y 200; the pointer's y does not matter.
        return anim.start(7, nodeAt(kNode), {300, 150}, {0, 0}, zoom, 1000, 200, orbits,
                          ScriptedRand(std::move(rands)));
    }
    HoverAnimation anim;
};

TEST_F(SmallNodeAnimation, OrbitsCentreOnThePointerXAtTheNodeCentreY)
{
    // Start angle 389 % 359 = 30; each orbit is 8 % 10 + 2 = 10 wide and
    // 38 % 50 + 2 = 40 high as half-axes.
    ASSERT_TRUE(start(4, {389, 8, 38, 8, 38, 8, 38, 8, 38}));
    EXPECT_EQ(anim.node(), 7);
    ASSERT_EQ(anim.paths().size(), 4u);
    // Later orbits turn by 120 x k more, less 360 once past 359.
    const std::array<int, 4> degrees{30, 150, 30, 30};
    for (std::size_t k = 0; k < 4; ++k) {
        const QPoint leftEnd = PointMath::RotatePoint(300, 200, 290, 200, degrees[k] * kPi / 180);
        EXPECT_EQ(anim.paths()[k][0], leftEnd) << "orbit " << k;
    }
    EXPECT_EQ(anim.positions(), (std::vector<int>{0, 0, 0, 0}));
}

TEST(HoverAnimation, OrbitCentreInClientCoordinates)
{
    HoverAnimation anim;
    // Zoom 2, canvas centre y 101 -> 202 on screen; scrolled by (100, 30).
    // The orbit is unturned with half-axes 2 x 2 about (611 - 100, 202 - 30).
    ASSERT_TRUE(anim.start(0, nodeAt({700, 300, 704, 304}), {611, 150}, {100, 30}, 2.0f, 1000, 101, 1,
                           ScriptedRand({0, 0, 0})));
    EXPECT_EQ(anim.paths()[0][0], QPoint(509, 172));
    EXPECT_EQ(anim.paths()[0][30], QPoint(513, 172));
    EXPECT_EQ(anim.hideBox(), (IntRect{600, 270, 604, 274}));
}

TEST_F(SmallNodeAnimation, NoAnimationBelowTenPercent)
{
    EXPECT_FALSE(start(3, {1, 2, 3}, 0.08f));
    EXPECT_EQ(anim.node(), -1);
    EXPECT_TRUE(anim.tick(0.08f).empty());
    EXPECT_TRUE(anim.animBox().isEmpty());
    // At 10 % the spreads are 1 and 5 and it runs.
    EXPECT_TRUE(start(3, {1, 2, 3}, 0.1f));
}

TEST_F(SmallNodeAnimation, NoAnimationWithoutOrbits)
{
    EXPECT_FALSE(start(0, {1}));
    EXPECT_FALSE(anim.running());
}

TEST_F(SmallNodeAnimation, OrbitZeroClockwiseOrbitOneCounterClockwise)
{
    ASSERT_TRUE(start(2, {0, 8, 38, 8, 38}));
    const QPoint centre(300, 200);
    std::array<long long, 2> total{};
    std::array<QPoint, 2> last{anim.paths()[0][0], anim.paths()[1][0]};
    for (int t = 0; t < kOrbitSlots; ++t) {
        const auto dots = anim.tick(1.0f);
        ASSERT_EQ(dots.size(), 16u);
        // The head of each trail, drawn with the last pen, is the current slot.
        for (std::size_t k = 0; k < 2; ++k) {
            const QPoint head = dots[k * 8 + 7].centre;
            total[k] += turn(centre, last[k], head);
            last[k] = head;
        }
        if (t == 0) {
            EXPECT_EQ(anim.positions(), (std::vector<int>{1, 59}));
        }
    }
    EXPECT_GT(total[0], 0);
    EXPECT_LT(total[1], 0);
    // A full round brings both back to the start.
    EXPECT_EQ(anim.positions(), (std::vector<int>{0, 0}));
}

TEST_F(SmallNodeAnimation, TrailDarkensByEightPerPen)
{
    ASSERT_TRUE(start(7, {0, 8, 38}, 2.0f));
    const auto dots = anim.tick(2.0f);
    ASSERT_EQ(dots.size(), 7u * 8u);
    const std::array<ColorRef, 8> orbit0{0xC0C0FF, 0xB8B8F7, 0xB0B0EF, 0xA8A8E7, 0xA0A0DF, 0x9898D7, 0x9090CF, 0x8888C7};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(dots[i].colour, orbit0[i]) << "pen " << i;
        EXPECT_EQ(dots[i].penWidth, 8);
    }
    // The trail ends on the current slot, seven slots after its tail.
    EXPECT_EQ(dots[0].centre, anim.paths()[0][53]);
    EXPECT_EQ(dots[7].centre, anim.paths()[0][0]);
    EXPECT_EQ(dots[6 * 8].colour, 0x7B7BFF);
    EXPECT_EQ(dots[6 * 8 + 7].colour, 0x4343C7);
}

TEST_F(SmallNodeAnimation, PenNeverThinnerThanTwo)
{
    ASSERT_TRUE(start(1, {0, 0, 0}, 0.3f));
    const auto dots = anim.tick(0.3f);
    ASSERT_FALSE(dots.empty());
    EXPECT_EQ(dots[0].penWidth, 2);
}

TEST_F(SmallNodeAnimation, EveryDotStaysInsideTheAnimationBox)
{
    for (const float zoom : {0.1f, 0.3f, 1.0f, 3.0f}) {
        ASSERT_TRUE(start(10, {17, 8, 38, 3, 49, 9, 1}, zoom));
        const QRect box = anim.animBox();
        for (int t = 0; t < kOrbitSlots; ++t) {
            for (const HoverAnimation::Dot& d : anim.tick(zoom)) {
                // A circle of radius 1 drawn with the dot's pen.
                const int reach = 1 + d.penWidth / 2;
                EXPECT_TRUE(box.contains(QRect(d.centre - QPoint(reach, reach), d.centre + QPoint(reach, reach))))
                    << zoom << " " << d.centre.x() << "," << d.centre.y();
            }
        }
    }
}

TEST_F(SmallNodeAnimation, StopLeavesNothingToDraw)
{
    ASSERT_TRUE(start(3, {0, 8, 38}));
    anim.stop();
    EXPECT_EQ(anim.node(), -1);
    EXPECT_TRUE(anim.tick(1.0f).empty());
    EXPECT_TRUE(anim.animBox().isEmpty());
    EXPECT_TRUE(anim.paths().empty());
}

TEST(HoverAnimation, StartsWithTheGlobalGeneratorWhenNoneIsGiven)
{
    HoverAnimation anim;
    EXPECT_TRUE(anim.start(0, nodeAt({100, 100, 140, 140}), {120, 120}, {0, 0}, 1.0f, 1000, 120, 3, {}));
    EXPECT_EQ(anim.paths().size(), 3u);
}

// A node one pixel wide gives N = 0, so an orbit whose half-width draws
// 0 or 1 cannot be laid out; only the last orbit decides.
TEST(HoverAnimation, OnlyTheLastOrbitDecides)
{
    const NodeGeometry thin = nodeAt({300, 180, 301, 220});
    HoverAnimation anim;
    // Orbit 0: 5 x 10; orbit 1: half-width 1.
    EXPECT_FALSE(anim.start(1, thin, {300, 200}, {0, 0}, 1.0f, 1000, 200, 2, ScriptedRand({0, 5, 10, 1, 10})));
    EXPECT_EQ(anim.node(), -1);
    ASSERT_TRUE(anim.start(1, thin, {300, 200}, {0, 0}, 1.0f, 1000, 200, 3, ScriptedRand({0, 5, 10, 1, 10, 5, 10})));
    for (const QPoint& p : anim.paths()[1])
        EXPECT_EQ(p, kHiddenSlot);
    EXPECT_TRUE(anim.animBox().contains(anim.paths()[0][0]));
    bool drawsOrbitOne = false;
    for (const HoverAnimation::Dot& d : anim.tick(1.0f))
        drawsOrbitOne = drawsOrbitOne || d.colour == HoverAnimation::kOrbitColours[1];
    EXPECT_FALSE(drawsOrbitOne);
}

struct HideCase {
    const char* name;
    IntRect node;   // screen pixels
    QPoint scroll;
    IntRect expected; // client pixels
};

class HoverHideBox : public ::testing::TestWithParam<HideCase> {};

TEST_P(HoverHideBox, WholeNodeUpToAHundredSquare)
{
    const HideCase& c = GetParam();
    HoverAnimation anim;
    const int centreY = (c.node.top + c.node.bottom) / 2;
    ASSERT_TRUE(anim.start(0, nodeAt(c.node), {(c.node.left + c.node.right) / 2, centreY}, c.scroll, 1.0f, 5000,
                           centreY, 3, ScriptedRand({0, 3, 9})));
    EXPECT_EQ(anim.hideBox(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoverHideBox,
    ::testing::Values(HideCase{"SmallWholeNode", {200, 200, 260, 240}, {0, 0}, {200, 200, 260, 240}},
                      HideCase{"ScrolledToClient", {200, 200, 260, 240}, {50, 20}, {150, 180, 210, 220}},
                      HideCase{"ExactlyHundredWholeNode", {0, 0, 100, 100}, {0, 0}, {0, 0, 100, 100}},
                      HideCase{"WideButLowWholeNode", {100, 100, 400, 180}, {0, 0}, {100, 100, 400, 180}},
                      HideCase{"LargeCentralSquare", {100, 100, 400, 301}, {0, 0}, {200, 150, 300, 250}},
                      HideCase{"LargeScrolled", {1100, 900, 1400, 1200}, {1000, 800}, {200, 200, 300, 300}}),
    [](const auto& info) { return info.param.name; });

TEST(HoverAnimation, LargeNodeShowsOrbitsOverItsOuterPart)
{
    const IntRect node{100, 100, 400, 400};
    HoverAnimation anim;
    // Pointer at the centre; half-axes 50 + 5 and 50 + 40, unturned.
    ASSERT_TRUE(anim.start(0, nodeAt(node), {250, 250}, {0, 0}, 1.0f, 1000, 250, 1, ScriptedRand({0, 5, 40})));
    const IntRect square = anim.hideBox();
    int visibleOverPicture = 0;
    int hidden = 0;
    for (const QPoint& p : anim.paths()[0]) {
        if (p == kHiddenSlot) {
            ++hidden;
            continue;
        }
        EXPECT_FALSE(p.x() >= 250 && contains(square, p)) << p.x() << "," << p.y();
        visibleOverPicture += p.x() >= 250 && contains(node, p) ? 1 : 0;
    }
    EXPECT_GT(hidden, 0);
    EXPECT_GT(visibleOverPicture, 0);
}

} // namespace
} // namespace vq
