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
    ModePart part;
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
    ::testing::Values(DragCase{"Moves", ModePart::Inside, {10, 5}, {60, 25, 160, 85}},
                      DragCase{"ShiftedBackRight", ModePart::Inside, {100, 0}, {100, 20, 200, 80}},
                      DragCase{"ShiftedBackTopLeft", ModePart::Inside, {-80, -50}, {0, 0, 100, 60}},
                      DragCase{"ShiftedBackBottom", ModePart::Inside, {-10, 300}, {40, 40, 140, 100}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Edges, DragModeFrameTest,
    ::testing::Values(DragCase{"LeftIgnoresY", ModePart::Left, {20, 99}, {70, 20, 150, 80}},
                      DragCase{"LeftKeepsGap", ModePart::Left, {200, 0}, {140, 20, 150, 80}},
                      DragCase{"LeftStaysInNode", ModePart::Left, {-100, 0}, {0, 20, 150, 80}},
                      DragCase{"TopStaysInNode", ModePart::Top, {7, -50}, {50, 0, 150, 80}},
                      DragCase{"TopKeepsGap", ModePart::Top, {0, 100}, {50, 70, 150, 80}},
                      DragCase{"RightKeepsGap", ModePart::Right, {-200, 0}, {50, 20, 60, 80}},
                      DragCase{"RightStaysInNode", ModePart::Right, {100, -3}, {50, 20, 200, 80}},
                      DragCase{"BottomStaysInNode", ModePart::Bottom, {0, 30}, {50, 20, 150, 100}},
                      DragCase{"BottomKeepsGap", ModePart::Bottom, {0, -90}, {50, 20, 150, 30}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Corners, DragModeFrameTest,
    ::testing::Values(DragCase{"TopLeft", ModePart::TopLeft, {-10, -10}, {40, 10, 150, 80}},
                      DragCase{"TopRightLimited", ModePart::TopRight, {-500, 500}, {50, 70, 60, 80}},
                      DragCase{"BottomRightLimited", ModePart::BottomRight, {500, 500}, {50, 20, 200, 100}},
                      DragCase{"BottomLeft", ModePart::BottomLeft, {10, -100}, {60, 20, 150, 30}}),
    [](const auto& info) { return info.param.name; });

struct StepCase {
    const char* name;
    IntRect frame;
    ModePart part;
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
        StepCase{"LeftTakesX", kFrame, ModePart::Left, {-10, 0}, true, {40, 20, 150, 80}},
        StepCase{"LeftIgnoresY", kFrame, ModePart::Left, {0, -10}, false, kFrame},
        StepCase{"TopTakesY", kFrame, ModePart::Top, {0, -10}, true, {50, 10, 150, 80}},
        StepCase{"TopIgnoresX", kFrame, ModePart::Top, {10, 0}, false, kFrame},
        StepCase{"RightTakesX", kFrame, ModePart::Right, {1, 0}, true, {50, 20, 151, 80}},
        StepCase{"BottomTakesY", kFrame, ModePart::Bottom, {0, 10}, true, {50, 20, 150, 90}},
        StepCase{"TopLeftTakesBoth", kFrame, ModePart::TopLeft, {-1, -1}, true, {49, 19, 150, 80}},
        StepCase{"TopRightTakesBoth", kFrame, ModePart::TopRight, {10, -10}, true, {50, 10, 160, 80}},
        StepCase{"BottomRightTakesBoth", kFrame, ModePart::BottomRight, {10, 10}, true, {50, 20, 160, 90}},
        StepCase{"BottomLeftTakesBoth", kFrame, ModePart::BottomLeft, {-10, 10}, true, {40, 20, 150, 90}},
        StepCase{"EdgeStopsAtNode", {5, 20, 150, 80}, ModePart::Left, {-10, 0}, true, {0, 20, 150, 80}},
        StepCase{"EdgeAtNodeRefused", {0, 20, 150, 80}, ModePart::Left, {-10, 0}, false, {0, 20, 150, 80}},
        StepCase{"EdgeNeverCrossesOpposite", {50, 20, 55, 80}, ModePart::Right, {-10, 0}, true, {50, 20, 51, 80}},
        StepCase{"InsideMovesFrame", kFrame, ModePart::Inside, {10, -10}, true, {60, 10, 160, 70}},
        StepCase{"InsideLeavingRefused", {100, 20, 200, 80}, ModePart::Inside, {10, 0}, false, {100, 20, 200, 80}},
        StepCase{"InsideNotSqueezed", {95, 20, 195, 80}, ModePart::Inside, {10, 0}, false, {95, 20, 195, 80}}),
    [](const auto& info) { return info.param.name; });

struct PartCase {
    const char* name;
    ModePart part;
    bool backwards;
    ModePart next;
};

class NextModePartTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(NextModePartTest, CyclesTheEdges)
{
    const PartCase& c = GetParam();
    EXPECT_EQ(NextModePart(c.part, c.backwards), c.next);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NextModePartTest,
    ::testing::Values(PartCase{"LeftToTop", ModePart::Left, false, ModePart::Top},
                      PartCase{"TopToRight", ModePart::Top, false, ModePart::Right},
                      PartCase{"RightToBottom", ModePart::Right, false, ModePart::Bottom},
                      PartCase{"BottomWrapsToLeft", ModePart::Bottom, false, ModePart::Left},
                      PartCase{"BackLeftWrapsToBottom", ModePart::Left, true, ModePart::Bottom},
                      PartCase{"BackBottomToRight", ModePart::Bottom, true, ModePart::Right},
                      PartCase{"BackTopToLeft", ModePart::Top, true, ModePart::Left},
                      PartCase{"InsideToLeft", ModePart::Inside, false, ModePart::Left},
                      PartCase{"BackInsideToBottom", ModePart::Inside, true, ModePart::Bottom},
                      PartCase{"TopLeftToLeft", ModePart::TopLeft, false, ModePart::Left},
                      PartCase{"BackTopLeftToLeft", ModePart::TopLeft, true, ModePart::Left},
                      PartCase{"TopRightToTop", ModePart::TopRight, false, ModePart::Top},
                      PartCase{"BottomRightToRight", ModePart::BottomRight, true, ModePart::Right},
                      PartCase{"BottomLeftToBottom", ModePart::BottomLeft, false, ModePart::Bottom}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vq
