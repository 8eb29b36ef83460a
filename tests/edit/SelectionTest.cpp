// Click selection, select all, rubber band and Tab cycling on a bare document.
#include "edit/Selection.h"

#include "model/Document.h"

#include <gtest/gtest.h>

#include <set>

namespace vq {
namespace {

using Indices = std::set<int>;

// Nodes without pictures: selection works on geometry alone.
void placeNode(Document& doc, int cx, int cy, int halfWidth, int halfHeight)
{
    NodeRecord& n = doc.nodes[doc.state.nodeCount];
    n = NodeRecord{};
    n.centerX = cx;
    n.centerY = cy;
    n.halfWidth = halfWidth;
    n.halfHeight = halfHeight;
    doc.screen[doc.state.nodeCount] = NodeScreenInfo{};
    ++doc.state.nodeCount;
}

Indices selectedOf(const Document& doc)
{
    Indices out;
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected != 0)
            out.insert(i);
    return out;
}

void selectOnly(Document& doc, const Indices& indices, int main)
{
    doc.clearSelection();
    for (int i : indices)
        doc.screen[i].selected = 1;
    doc.state.mainIndex = main;
}

class SelectionDoc : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        for (int i = 0; i < 4; ++i)
            placeNode(doc, 100 + 100 * i, 100, 20, 20);
    }
    Document doc;
};

struct ClickKindCase {
    const char* name;
    bool ctrl;
    bool shift;
    ClickKind expected;
};

class ClickKindTest : public ::testing::TestWithParam<ClickKindCase> {};

TEST_P(ClickKindTest, OnlyOneKeyAloneCounts)
{
    const ClickKindCase& c = GetParam();
    EXPECT_EQ(ClickKindFor(c.ctrl, c.shift), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ClickKindTest,
                         ::testing::Values(ClickKindCase{"NoKey", false, false, ClickKind::Plain},
                                           ClickKindCase{"Ctrl", true, false, ClickKind::Ctrl},
                                           ClickKindCase{"Shift", false, true, ClickKind::Shift},
                                           ClickKindCase{"BothArePlain", true, true, ClickKind::Plain}),
                         [](const auto& info) { return info.param.name; });

struct RuleCase {
    const char* name;
    Indices selectedBefore;
    int mainBefore;
    int pressed;
    ClickKind kind;
    Indices selectedAfter;
    int mainAfter;
    bool startMove;
    bool changed;
};

class SelectionRuleTest : public SelectionDoc, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(SelectionRuleTest, SelectsAndChoosesMainAndDrag)
{
    const RuleCase& c = GetParam();
    selectOnly(doc, c.selectedBefore, c.mainBefore);
    const SelectionOutcome outcome = ApplySelectionRule(doc, c.pressed, c.kind);
    EXPECT_EQ(selectedOf(doc), c.selectedAfter);
    EXPECT_EQ(doc.state.mainIndex, c.mainAfter);
    EXPECT_EQ(outcome.startMove, c.startMove);
    EXPECT_EQ(outcome.changed, c.changed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectionRuleTest,
    ::testing::Values(
        RuleCase{"NoMainSelectsAndMoves", {}, -1, 2, ClickKind::Plain, {2}, 2, true, true},
        RuleCase{"NoMainShiftStillSelects", {}, -1, 1, ClickKind::Shift, {1}, 1, true, true},
        RuleCase{"UnselectedCtrlAddsWithoutDrag", {0, 1}, 0, 3, ClickKind::Ctrl, {0, 1, 3}, 3, false, true},
        RuleCase{"UnselectedPlainReplaces", {0, 1}, 0, 3, ClickKind::Plain, {3}, 3, true, true},
        RuleCase{"UnselectedShiftReplaces", {0, 1}, 0, 2, ClickKind::Shift, {2}, 2, true, true},
        RuleCase{"SelectedCtrlBecomesMain", {0, 2}, 0, 2, ClickKind::Ctrl, {0, 2}, 2, true, true},
        RuleCase{"CtrlOnMainChangesNothing", {0, 2}, 2, 2, ClickKind::Ctrl, {0, 2}, 2, true, false},
        RuleCase{"SelectedPlainKeepsTheOthers", {0, 1, 2}, 0, 1, ClickKind::Plain, {0, 1, 2}, 1, true, true},
        RuleCase{"ShiftOnOtherKeepsMain", {0, 1, 3}, 3, 0, ClickKind::Shift, {1, 3}, 3, false, true},
        RuleCase{"ShiftOnMainHandsToFirstSelected", {1, 2, 3}, 2, 2, ClickKind::Shift, {1, 3}, 1, false, true},
        RuleCase{"ShiftOnLastKeepsTheIndex", {2}, 2, 2, ClickKind::Shift, {}, 2, false, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(SelectionDoc, CtrlAndShiftTogetherClickLikePlain)
{
    selectOnly(doc, {0, 1}, 0);
    const SelectionOutcome outcome = ApplySelectionRule(doc, 1, ClickKindFor(true, true));
    EXPECT_EQ(selectedOf(doc), (Indices{0, 1}));
    EXPECT_EQ(doc.state.mainIndex, 1);
    EXPECT_TRUE(outcome.startMove);
}

TEST_F(SelectionDoc, SelectAllMakesTheFirstNodeMain)
{
    selectOnly(doc, {2}, 2);
    SelectAll(doc);
    EXPECT_EQ(selectedOf(doc), (Indices{0, 1, 2, 3}));
    EXPECT_EQ(doc.state.mainIndex, 0);
}

TEST(SelectAllEmpty, LeavesNothingMain)
{
    Document doc;
    doc.ResetDocument();
    SelectAll(doc);
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_FALSE(doc.hasMainSelection());
}

struct BandCase {
    const char* name;
    float zoom;
    QRect band; // zoomed canvas pixels
    Indices selected;
    int main;
};

// Nodes 0..2 at canvas rectangles [10,30) x [10,30), [40,60) x [10,30) and
// [10,30) x [40,60); node 3 straddles the others' area at [20,50) x [20,50).
class BandTest : public ::testing::TestWithParam<BandCase> {
protected:
    void SetUp() override
    {
        doc.ResetDocument();
        placeNode(doc, 20, 20, 10, 10);
        placeNode(doc, 50, 20, 10, 10);
        placeNode(doc, 20, 50, 10, 10);
        placeNode(doc, 35, 35, 15, 15);
        doc.state.mainIndex = 3;
    }
    Document doc;
};

TEST_P(BandTest, SelectsWhollyEnclosedNodesHighestMain)
{
    const BandCase& c = GetParam();
    doc.state.zoom = c.zoom;
    SelectInBand(doc, c.zoom, c.band);
    EXPECT_EQ(selectedOf(doc), c.selected);
    EXPECT_EQ(doc.state.mainIndex, c.main);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BandTest,
    ::testing::Values(BandCase{"EverythingHighestMain", 1.0f, QRect(0, 0, 100, 100), {0, 1, 2, 3}, 3},
                      BandCase{"RightAndBottomExclusive", 1.0f, QRect(10, 10, 20, 20), {}, -1},
                      BandCase{"OnePixelMoreEncloses", 1.0f, QRect(10, 10, 21, 21), {0}, 0},
                      BandCase{"TopRowOnly", 1.0f, QRect(5, 5, 60, 26), {0, 1}, 1},
                      BandCase{"PartlyCoveredIsLeft", 1.0f, QRect(0, 0, 45, 45), {0}, 0},
                      BandCase{"ZoomedCorners", 2.0f, QRect(20, 20, 41, 41), {0}, 0},
                      BandCase{"ZoomedTooSmall", 2.0f, QRect(20, 20, 40, 41), {}, -1}),
    [](const auto& info) { return info.param.name; });

struct CycleCase {
    const char* name;
    int mainBefore;
    bool backwards;
    int mainAfter;
};

class CycleTest : public SelectionDoc, public ::testing::WithParamInterface<CycleCase> {};

TEST_P(CycleTest, NextNodeIsTheOnlySelection)
{
    const CycleCase& c = GetParam();
    selectOnly(doc, {0, 1, 2, 3}, c.mainBefore);
    ASSERT_TRUE(CycleMainSelection(doc, c.backwards));
    EXPECT_EQ(doc.state.mainIndex, c.mainAfter);
    EXPECT_EQ(selectedOf(doc), (Indices{c.mainAfter}));
}

INSTANTIATE_TEST_SUITE_P(Table, CycleTest,
                         ::testing::Values(CycleCase{"Forward", 1, false, 2},
                                           CycleCase{"LastWrapsToFirst", 3, false, 0},
                                           CycleCase{"Backward", 2, true, 1},
                                           CycleCase{"FirstWrapsToLast", 0, true, 3}),
                         [](const auto& info) { return info.param.name; });

TEST(CycleRefused, SingleNodeOrNoMainDoesNothing)
{
    Document doc;
    doc.ResetDocument();
    placeNode(doc, 50, 50, 10, 10);
    selectOnly(doc, {0}, 0);
    EXPECT_FALSE(CycleMainSelection(doc, false));
    EXPECT_FALSE(CycleMainSelection(doc, true));
    EXPECT_EQ(doc.state.mainIndex, 0);
    EXPECT_EQ(selectedOf(doc), (Indices{0}));

    placeNode(doc, 150, 50, 10, 10);
    selectOnly(doc, {1}, -1);
    EXPECT_FALSE(CycleMainSelection(doc, false));
    EXPECT_EQ(selectedOf(doc), (Indices{1}));
}

} // namespace
} // namespace vq
