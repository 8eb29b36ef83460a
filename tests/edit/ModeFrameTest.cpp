// The range frame of the trimming, blur and multi-cut modes: drags, arrow
// steps and Tab order.
#include "edit/ModeFrame.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

// Every case works on this node and frame, in canvas pixels.
constexpr IntRect kNode{0, 0, 200, 100};
constexpr IntRect kFrame{50, 20, 150, 80};
constexpr int kGap = 10;

struct DragCase {
    const char* name;
    int part;
    QPoint delta;
    IntRect expected;
};

class DragModeFrameTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragModeFrameTest, ProposesFrameInsideNode)
{
    const DragCase& c = GetParam();
    EXPECT_EQ(DragModeFrame(kFrame, c.part, c.delta, kNode, kGap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Inside, DragModeFrameTest,
    ::testing::Values(DragCase{"Moves", kPartInside, {10, 5}, {60, 25, 160, 85}},
                      DragCase{"ShiftedBackRight", kPartInside, {100, 0}, {100, 20, 200, 80}},
                      DragCase{"ShiftedBackTopLeft", kPartInside, {-80, -50}, {0, 0, 100, 60}},
                      DragCase{"ShiftedBackBottom", kPartInside, {-10, 300}, {40, 40, 140, 100}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Edges, DragModeFrameTest,
    ::testing::Values(DragCase{"LeftIgnoresY", kPartLeft, {20, 99}, {70, 20, 150, 80}},
                      DragCase{"LeftKeepsGap", kPartLeft, {200, 0}, {140, 20, 150, 80}},
                      DragCase{"LeftStaysInNode", kPartLeft, {-100, 0}, {0, 20, 150, 80}},
                      DragCase{"TopStaysInNode", kPartTop, {7, -50}, {50, 0, 150, 80}},
                      DragCase{"TopKeepsGap", kPartTop, {0, 100}, {50, 70, 150, 80}},
                      DragCase{"RightKeepsGap", kPartRight, {-200, 0}, {50, 20, 60, 80}},
                      DragCase{"RightStaysInNode", kPartRight, {100, -3}, {50, 20, 200, 80}},
                      DragCase{"BottomStaysInNode", kPartBottom, {0, 30}, {50, 20, 150, 100}},
                      DragCase{"BottomKeepsGap", kPartBottom, {0, -90}, {50, 20, 150, 30}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Corners, DragModeFrameTest,
    ::testing::Values(DragCase{"TopLeft", kPartTopLeft, {-10, -10}, {40, 10, 150, 80}},
                      DragCase{"TopRightLimited", kPartTopRight, {-500, 500}, {50, 70, 60, 80}},
                      DragCase{"BottomRightLimited", kPartBottomRight, {500, 500}, {50, 20, 200, 100}},
                      DragCase{"BottomLeft", kPartBottomLeft, {10, -100}, {60, 20, 150, 30}}),
    [](const auto& info) { return info.param.name; });

struct StepCase {
    const char* name;
    IntRect frame;
    int part;
    QPoint delta;
    bool changed;
    IntRect expected;
};

class StepModeFrameTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepModeFrameTest, MovesThePartsSides)
{
    const StepCase& c = GetParam();
    IntRect frame = c.frame;
    EXPECT_EQ(StepModeFrame(frame, c.part, c.delta, kNode), c.changed);
    EXPECT_EQ(frame, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StepModeFrameTest,
    ::testing::Values(
        StepCase{"LeftTakesX", kFrame, kPartLeft, {-10, 0}, true, {40, 20, 150, 80}},
        StepCase{"LeftIgnoresY", kFrame, kPartLeft, {0, -10}, false, kFrame},
        StepCase{"TopTakesY", kFrame, kPartTop, {0, -10}, true, {50, 10, 150, 80}},
        StepCase{"TopIgnoresX", kFrame, kPartTop, {10, 0}, false, kFrame},
        StepCase{"RightTakesX", kFrame, kPartRight, {1, 0}, true, {50, 20, 151, 80}},
        StepCase{"BottomTakesY", kFrame, kPartBottom, {0, 10}, true, {50, 20, 150, 90}},
        StepCase{"TopLeftTakesBoth", kFrame, kPartTopLeft, {-1, -1}, true, {49, 19, 150, 80}},
        StepCase{"TopRightTakesBoth", kFrame, kPartTopRight, {10, -10}, true, {50, 10, 160, 80}},
        StepCase{"BottomRightTakesBoth", kFrame, kPartBottomRight, {10, 10}, true, {50, 20, 160, 90}},
        StepCase{"BottomLeftTakesBoth", kFrame, kPartBottomLeft, {-10, 10}, true, {40, 20, 150, 90}},
        StepCase{"EdgeStopsAtNode", {5, 20, 150, 80}, kPartLeft, {-10, 0}, true, {0, 20, 150, 80}},
        StepCase{"EdgeAtNodeRefused", {0, 20, 150, 80}, kPartLeft, {-10, 0}, false, {0, 20, 150, 80}},
        StepCase{"EdgeNeverCrossesOpposite", {50, 20, 55, 80}, kPartRight, {-10, 0}, true, {50, 20, 51, 80}},
        StepCase{"InsideMovesFrame", kFrame, kPartInside, {10, -10}, true, {60, 10, 160, 70}},
        StepCase{"InsideLeavingRefused", {100, 20, 200, 80}, kPartInside, {10, 0}, false, {100, 20, 200, 80}},
        StepCase{"InsideNotSqueezed", {95, 20, 195, 80}, kPartInside, {10, 0}, false, {95, 20, 195, 80}}),
    [](const auto& info) { return info.param.name; });

struct PartCase {
    const char* name;
    int part;
    bool backwards;
    int next;
};

class NextModePartTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(NextModePartTest, CyclesTheEdges)
{
    const PartCase& c = GetParam();
    EXPECT_EQ(NextModePart(c.part, c.backwards), c.next);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NextModePartTest,
    ::testing::Values(PartCase{"LeftToTop", kPartLeft, false, kPartTop},
                      PartCase{"TopToRight", kPartTop, false, kPartRight},
                      PartCase{"RightToBottom", kPartRight, false, kPartBottom},
                      PartCase{"BottomWrapsToLeft", kPartBottom, false, kPartLeft},
                      PartCase{"BackLeftWrapsToBottom", kPartLeft, true, kPartBottom},
                      PartCase{"BackBottomToRight", kPartBottom, true, kPartRight},
                      PartCase{"BackTopToLeft", kPartTop, true, kPartLeft},
                      PartCase{"InsideToLeft", kPartInside, false, kPartLeft},
                      PartCase{"BackInsideToBottom", kPartInside, true, kPartBottom},
                      PartCase{"TopLeftToLeft", kPartTopLeft, false, kPartLeft},
                      PartCase{"BackTopLeftToLeft", kPartTopLeft, true, kPartLeft},
                      PartCase{"TopRightToTop", kPartTopRight, false, kPartTop},
                      PartCase{"BottomRightToRight", kPartBottomRight, true, kPartRight},
                      PartCase{"BottomLeftToBottom", kPartBottomLeft, false, kPartBottom}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vq
