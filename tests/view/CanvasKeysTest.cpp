// Keys and the wheel on the real canvas view: arrows nudge the selection, the
// console or the range frame; Tab walks through nodes or frame edges; the
// view's own keys; the wheel scrolls, or zooms on the dial's ring.
#include "tests/view/InteractionFixture.h"

#include "app/DocumentController.h"
#include "edit/ModeFrame.h"

#include <QScrollBar>

namespace vq::test {
namespace {

// ---------------------------------------------------------------------------
// Arrow keys

struct ArrowZoom {
    float zoom;
    int step; // canvas pixels per arrow
    int fine; // canvas pixels per Ctrl+arrow
};

void PrintTo(const ArrowZoom& z, std::ostream* os)
{
    *os << "zoom " << z.zoom;
}

class ArrowTest : public CanvasTest, public ::testing::WithParamInterface<ArrowZoom> {};

TEST_P(ArrowTest, EachPressMovesTheSelectionWithOneUndoStep)
{
    const ArrowZoom& z = GetParam();
    const NodeBox first{500, 500, 40, 40};
    const NodeBox second{700, 300, 30, 30};
    const NodeBox unselected{300, 300, 30, 30};
    addNode(first);
    addNode(second);
    addNode(unselected);
    select({0, 1}, 0);
    view->SetZoom(z.zoom);
    const struct {
        Qt::Key key;
        QPoint direction;
    } arrows[] = {{Qt::Key_Left, {-1, 0}}, {Qt::Key_Up, {0, -1}}, {Qt::Key_Right, {1, 0}}, {Qt::Key_Down, {0, 1}}};
    for (const auto& a : arrows) {
        for (const bool ctrl : {false, true}) {
            SCOPED_TRACE(::testing::Message() << a.key << (ctrl ? " with Ctrl" : ""));
            const QPoint d = a.direction * (ctrl ? z.fine : z.step);
            const int stepsBefore = history().undoCount();
            key(a.key, ctrl ? Qt::ControlModifier : Qt::NoModifier);
            EXPECT_EQ(box(0), (NodeBox{first.cx + d.x(), first.cy + d.y(), first.hw, first.hh}));
            EXPECT_EQ(box(1), (NodeBox{second.cx + d.x(), second.cy + d.y(), second.hw, second.hh}));
            EXPECT_EQ(box(2), unselected);
            ASSERT_EQ(history().undoCount(), stepsBefore + 1);
            ASSERT_TRUE(undo());
            EXPECT_EQ(box(0), first);
            EXPECT_EQ(box(1), second);
            select({0, 1}, 0); // undo leaves nothing selected
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, ArrowTest,
                         ::testing::Values(ArrowZoom{0.5f, 20, 2}, ArrowZoom{1.0f, 10, 1}, ArrowZoom{4.0f, 2, 1}));

TEST_F(CanvasTest, ArrowsWithoutAMainNodeChangeNothing)
{
    addNode({500, 500, 40, 40});
    key(Qt::Key_Right);
    EXPECT_EQ(box(0), (NodeBox{500, 500, 40, 40}));
    EXPECT_EQ(history().undoCount(), 0);
}

TEST_F(CanvasTest, WithTheDialActiveArrowsMoveTheConsoleInsteadOfTheNodes)
{
    addNode({500, 500, 40, 40});
    select({0}, 0);
    click({79 + 30, 79 + 10}); // the console's body turns the dial on
    ASSERT_TRUE(view->consoleState().dialActive);
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), QPoint(89, 80));
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Up);
    EXPECT_EQ(state().consoleY, 70) << "kept inside the window";
    EXPECT_EQ(box(0), (NodeBox{500, 500, 40, 40}));
    EXPECT_EQ(history().undoCount(), 0);
}

// ---------------------------------------------------------------------------
// Tab through the nodes

TEST_F(CanvasTest, TabWalksThroughTheNodesAndWrapsRound)
{
    for (int i = 0; i < 3; ++i)
        addNode({300 + 150 * i, 300, 40, 40});
    select({0, 1}, 0);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int main;
    } steps[] = {{Qt::Key_Tab, {}, 1},
                 {Qt::Key_Tab, {}, 2},
                 {Qt::Key_Tab, {}, 0},
                 {Qt::Key_Tab, Qt::ShiftModifier, 2},
                 {Qt::Key_Backtab, Qt::ShiftModifier, 1}};
    for (const auto& s : steps) {
        key(s.key, s.mods);
        EXPECT_EQ(state().mainIndex, s.main);
        EXPECT_EQ(selected(), std::vector<int>{s.main});
    }
    EXPECT_EQ(history().undoCount(), 0);
}

TEST_F(CanvasTest, TabNeedsTwoNodesAndAMainOne)
{
    addNode({300, 300, 40, 40});
    select({0}, 0);
    key(Qt::Key_Tab);
    EXPECT_EQ(state().mainIndex, 0);
    EXPECT_EQ(selected(), std::vector<int>{0});

    addNode({500, 300, 40, 40});
    select({}, -1);
    key(Qt::Key_Tab);
    EXPECT_EQ(state().mainIndex, -1);
    EXPECT_TRUE(selected().empty());
}

TEST_F(CanvasTest, TabScrollsTheChosenNodeToTheMiddleWhenTheCanvasScrolls)
{
    addNode({100, 100, 40, 40});
    addNode({900, 850, 40, 40});
    select({0}, 0);
    view->SetZoom(4.0f);
    const QPoint middle(vp()->width() / 2, vp()->height() / 2);
    key(Qt::Key_Tab);
    EXPECT_EQ(view->scrollPosition(), QPoint(3600, 3400) - middle);
    key(Qt::Key_Tab);
    EXPECT_EQ(view->scrollPosition(), QPoint(400, 400) - middle);

    view->SetZoom(0.5f);
    key(Qt::Key_Tab);
    EXPECT_EQ(view->scrollPosition(), QPoint(0, 0)) << "nothing to scroll";
}

// ---------------------------------------------------------------------------
// Keys in the trimming, blur and multi-cut range mode

class ModeKeysTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        addNode(node); // covers (400, 320) .. (600, 480)
        select({0}, 0);
        RangeMode& m = view->rangeMode();
        m.modeKind = RangeKind::Trim;
        m.modeNode = 0;
        m.modeRect = {450, 350, 550, 450};
        m.modePart = ModePart::Right;
    }
    [[nodiscard]] RangeMode& mode() { return view->rangeMode(); }
    const NodeBox node{500, 400, 100, 80};
};

TEST_F(ModeKeysTest, ArrowsMoveThePartOfTheFrameInCanvasPixels)
{
    const struct {
        ModePart part;
        IntRect from;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        IntRect to;
    } cases[] = {
        {ModePart::Right, {450, 350, 550, 450}, Qt::Key_Right, {}, {450, 350, 560, 450}},
        {ModePart::Right, {450, 350, 550, 450}, Qt::Key_Left, Qt::ControlModifier, {450, 350, 549, 450}},
        {ModePart::Right, {450, 350, 550, 450}, Qt::Key_Up, {}, {450, 350, 550, 450}},
        {ModePart::Right, {450, 350, 595, 450}, Qt::Key_Right, {}, {450, 350, 600, 450}},
        {ModePart::Left, {450, 350, 550, 450}, Qt::Key_Left, {}, {440, 350, 550, 450}},
        {ModePart::Top, {450, 350, 550, 450}, Qt::Key_Up, Qt::ControlModifier, {450, 349, 550, 450}},
        {ModePart::Bottom, {450, 350, 550, 450}, Qt::Key_Down, {}, {450, 350, 550, 460}},
        {ModePart::TopLeft, {450, 350, 550, 450}, Qt::Key_Left, {}, {440, 350, 550, 450}},
        {ModePart::TopLeft, {450, 350, 550, 450}, Qt::Key_Up, {}, {450, 340, 550, 450}},
        {ModePart::BottomRight, {450, 350, 550, 450}, Qt::Key_Down, {}, {450, 350, 550, 460}},
        {ModePart::Inside, {450, 350, 550, 450}, Qt::Key_Right, {}, {460, 350, 560, 450}},
        {ModePart::Inside, {500, 350, 600, 450}, Qt::Key_Right, {}, {500, 350, 600, 450}},
        {ModePart::Inside, {450, 325, 550, 450}, Qt::Key_Up, {}, {450, 325, 550, 450}},
    };
    for (const float zoom : {1.0f, 2.0f}) {
        view->SetZoom(zoom);
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << "zoom " << zoom << " part " << static_cast<int>(c.part) << " key " << c.key);
            mode().modePart = c.part;
            mode().modeRect = c.from;
            key(c.key, c.mods);
            EXPECT_EQ(mode().modeRect, c.to);
            EXPECT_EQ(mode().modePart, c.part);
        }
    }
    EXPECT_EQ(box(0), node) << "the node stays";
    EXPECT_EQ(history().undoCount(), 0);
}

TEST_F(ModeKeysTest, TabCyclesTheEdgesOfTheFrame)
{
    const struct {
        ModePart from;
        bool backwards;
        ModePart to;
    } cases[] = {
        {ModePart::Left, false, ModePart::Top}, {ModePart::Top, false, ModePart::Right},
        {ModePart::Right, false, ModePart::Bottom}, {ModePart::Bottom, false, ModePart::Left},
        {ModePart::Left, true, ModePart::Bottom}, {ModePart::Bottom, true, ModePart::Right},
        {ModePart::Inside, false, ModePart::Left}, {ModePart::Inside, true, ModePart::Bottom},
        {ModePart::TopLeft, false, ModePart::Left}, {ModePart::TopRight, true, ModePart::Top},
        {ModePart::BottomRight, false, ModePart::Right}, {ModePart::BottomLeft, true, ModePart::Bottom},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.from) << (c.backwards ? " back" : ""));
        mode().modePart = c.from;
        key(Qt::Key_Tab, c.backwards ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(mode().modePart, c.to);
    }
    EXPECT_EQ(state().mainIndex, 0) << "the selection stays";
}

TEST_F(ModeKeysTest, CancelLeavesTheMode)
{
    view->OnCancelMode();
    EXPECT_FALSE(mode().active());
    key(Qt::Key_Right);
    EXPECT_EQ(box(0).cx, node.cx + 10) << "arrows move the node again";
}

// ---------------------------------------------------------------------------
// The view's own keys, through the main window's key tables

TEST_F(FrameCanvasTest, EscapeEndsTheRangeMode)
{
    addNode({500, 400, 100, 80});
    RangeMode& mode = canvasView().rangeMode();
    mode.modeNode = 0;
    mode.modeKind = RangeKind::Blur;
    mode.modeRect = {450, 350, 550, 450};
    key(Qt::Key_Escape);
    EXPECT_FALSE(mode.active());
}

TEST_F(FrameCanvasTest, ArrowsTabAndUndoReachTheCanvasInsideTheMainWindow)
{
    addNode({300, 300, 40, 40});
    addNode({500, 300, 40, 40});
    select({0}, 0);
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(box(0), (NodeBox{310, 301, 40, 40}));
    EXPECT_TRUE(app->document().isModified());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box(0), (NodeBox{310, 300, 40, 40})) << "one undo step per key press";
    select({0}, 0);
    key(Qt::Key_Tab);
    EXPECT_EQ(state().mainIndex, 1);
    EXPECT_EQ(canvasView().window()->focusWidget(), &canvasView()) << "Tab stays on the canvas";
}

TEST_F(FrameCanvasTest, CtrlASelectsEveryNodeAndTheFirstBecomesMain)
{
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(state().mainIndex, -1) << "an empty document";

    for (int i = 0; i < 3; ++i)
        addNode({300 + 150 * i, 300, 40, 40});
    select({2}, 2);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(state().mainIndex, 0);
    EXPECT_EQ(bar().paneText(kPaneObject), QStringLiteral("3"));
}

// ---------------------------------------------------------------------------
// The wheel

struct WheelCase {
    const char* name;
    Qt::KeyboardModifiers mods;
    Qt::MouseButtons buttons;
    int delta;
    int horizontal;      // exact change of the horizontal position
    int verticalAtLeast; // the vertical change, at least (the default handling adds its own)
    int verticalAtMost;
};

void PrintTo(const WheelCase& c, std::ostream* os)
{
    *os << c.name;
}

class WheelTest : public CanvasTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelTest, ScrollsByTheStepItsKeysChoose)
{
    const WheelCase& c = GetParam();
    view->SetZoom(2.0f);
    view->setScrollPosition({500, 500});
    wheel({400, 300}, c.delta, c.mods, c.buttons);
    const QPoint moved = view->scrollPosition() - QPoint(500, 500);
    EXPECT_EQ(moved.x(), c.horizontal);
    EXPECT_GE(moved.y(), c.verticalAtLeast);
    EXPECT_LE(moved.y(), c.verticalAtMost);
    EXPECT_FLOAT_EQ(zoom(), 2.0f);
    QApplication::processEvents();
    EXPECT_TRUE(view->consoleVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, WheelTest,
    ::testing::Values(WheelCase{"TowardsTheUserScrollsDown", {}, Qt::NoButton, -120, 0, 11, 200},
                      WheelCase{"AwayScrollsUp", {}, Qt::NoButton, 120, 0, -200, -11},
                      WheelCase{"ShiftScrollsRight", Qt::ShiftModifier, Qt::NoButton, -120, 10, 0, 0},
                      WheelCase{"ShiftAwayScrollsLeft", Qt::ShiftModifier, Qt::NoButton, 120, -10, 0, 0},
                      WheelCase{"CtrlScrollsOnePixel", Qt::ControlModifier, Qt::NoButton, -120, 0, 1, 1},
                      WheelCase{"CtrlShiftOnePixelSideways", Qt::ControlModifier | Qt::ShiftModifier, Qt::NoButton,
                                -120, -1, 0, 0},
                      WheelCase{"RightButtonSideways", {}, Qt::RightButton, -120, -10, 1, 200}),
    [](const ::testing::TestParamInfo<WheelCase>& info) { return std::string(info.param.name); });

TEST_F(CanvasTest, TheWheelDoesNothingWithoutAVerticalScrollBar)
{
    view->SetZoom(0.5f);
    ASSERT_EQ(view->verticalScrollBar()->maximum(), 0);
    wheel({300, 300}, -120);
    wheel({300, 300}, -120, Qt::ShiftModifier);
    EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));
}

TEST_F(CanvasTest, TheWheelOnTheDialRingZooms)
{
    const struct {
        Qt::KeyboardModifiers mods;
        int delta;
        float zoom;
    } cases[] = {{{}, -120, 1.10f},
                 {{}, 120, 0.90f},
                 {Qt::ControlModifier, -120, 1.01f},
                 {Qt::ControlModifier, 120, 0.99f},
                 {Qt::ControlModifier | Qt::ShiftModifier, -120, 0.99f}};
    const QPoint ring(79 + 69, 79 + 5);
    click({79 + 30, 79 + 10});
    ASSERT_TRUE(view->consoleState().dialActive);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mods << ' ' << c.delta);
        view->SetZoom(1.0f);
        view->setScrollPosition({0, 0});
        wheel(ring, c.delta, c.mods);
        EXPECT_NEAR(zoom(), c.zoom, 1e-5f);
        EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));
    }
    // Off the ring the wheel scrolls.
    view->SetZoom(1.0f);
    wheel({400, 300}, -120);
    EXPECT_FLOAT_EQ(zoom(), 1.0f);
    EXPECT_GT(view->scrollPosition().y(), 0);
}

} // namespace
} // namespace vq::test
