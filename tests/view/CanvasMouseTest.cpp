// The mouse on the real canvas view: moving and resizing nodes, the canvas
// edges, selecting, the context menus, the zoom console, the pointer's
// read-outs and the hover animation.
#include "tests/view/InteractionFixture.h"

#include "app/DocumentController.h"
#include "edit/ModeFrame.h"
#include "render/Painters.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>

#include <functional>
#include <optional>

namespace vq::test {
namespace {

// ---------------------------------------------------------------------------
// Moving the selection

struct MoveCase {
    float zoom;
    QPoint windowDelta;
    std::optional<QPoint> canvasDelta; // nothing: the drag counts as a click
};

void PrintTo(const MoveCase& c, std::ostream* os)
{
    *os << "zoom " << c.zoom << " drag " << c.windowDelta.x() << ", " << c.windowDelta.y();
}

class MoveDragTest : public CanvasTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveDragTest, MovesEverySelectedNodeByTheTruncatedCanvasDistanceWithOneUndoStep)
{
    const MoveCase& c = GetParam();
    const NodeBox first{400, 300, 60, 40};
    const NodeBox second{650, 520, 30, 30};
    addNode(first);
    addNode(second);
    select({0, 1}, 0);
    view->SetZoom(c.zoom);
    // The node in the middle of the window, far from the edges that scroll.
    view->setScrollPosition(CanvasToScreen({400, 300}, c.zoom) - QPoint(400, 300));
    const QPoint grab = clientOf({410, 310});
    const int stepsBefore = history().undoCount();

    drag(grab, grab + c.windowDelta);

    const QPoint d = c.canvasDelta.value_or(QPoint());
    EXPECT_EQ(box(0), (NodeBox{first.cx + d.x(), first.cy + d.y(), first.hw, first.hh}));
    EXPECT_EQ(box(1), (NodeBox{second.cx + d.x(), second.cy + d.y(), second.hw, second.hh}));
    EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
    if (!c.canvasDelta) {
        EXPECT_EQ(history().undoCount(), stepsBefore);
        return;
    }
    ASSERT_EQ(history().undoCount(), stepsBefore + 1);
    ASSERT_TRUE(undo());
    EXPECT_EQ(box(0), first);
    EXPECT_EQ(box(1), second);
}

INSTANTIATE_TEST_SUITE_P(Zooms, MoveDragTest,
                         ::testing::Values(MoveCase{0.5f, {3, 0}, QPoint(6, 0)}, MoveCase{0.5f, {0, -3}, QPoint(0, -6)},
                                           MoveCase{0.5f, {1, 0}, std::nullopt}, MoveCase{0.5f, {1, -1}, std::nullopt},
                                           MoveCase{1.0f, {2, -5}, QPoint(2, -5)}, MoveCase{2.0f, {1, 1}, std::nullopt},
                                           MoveCase{2.0f, {3, 1}, QPoint(1, 1)}, MoveCase{4.0f, {9, -2}, QPoint(2, 0)},
                                           MoveCase{4.0f, {-5, 1}, QPoint(-1, 1)}));

TEST_F(CanvasTest, AMoveDragNearTheWindowEdgeScrollsAndCountsTheScrolledDistance)
{
    addNode({400, 300, 40, 40});
    select({0}, 0);
    view->SetZoom(2.0f);
    view->setScrollPosition({400, 300});
    const QPoint grab = clientOf({400, 300});
    ASSERT_EQ(grab, QPoint(400, 300));
    const QPoint nearRight(780, 300);

    press(grab);
    move(nearRight);
    move(nearRight + QPoint(1, 0));
    EXPECT_EQ(view->scrollPosition(), QPoint(420, 300)) << "ten pixels per move";
    release(nearRight + QPoint(1, 0));
    // 381 window pixels of pointer and 20 of scrolling, at zoom 2.
    EXPECT_EQ(box(0), (NodeBox{600, 300, 40, 40}));
}

TEST_F(CanvasTest, ANodeMovedOffTheCanvasKeepsItsCentreOnIt)
{
    addNode({100, 300, 40, 40});
    select({0}, 0);
    view->SetZoom(0.5f);
    drag(clientOf({100, 300}), clientOf({100, 300}) + QPoint(-80, 0));
    EXPECT_EQ(box(0).cx, 0);
}

// Feedback is drawn over the scene already rendered: dragging repaints the
// window but never draws the nodes again until the release changes them.
TEST_F(CanvasTest, DragFeedbackIsDrawnOverTheCachedScene)
{
    for (int i = 0; i < 6; ++i)
        addNode({250 + 90 * i, 300, 40, 40});
    select({0}, 0);
    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    vp()->installEventFilter(&counter);

    const QPoint grab = clientOf({250, 300});
    press(grab);
    vp()->repaint();
    const int renders = view->sceneRenderCount();
    for (int k = 1; k <= 20; ++k) {
        move(grab + QPoint(5 * k, 2 * k));
        vp()->repaint();
    }
    EXPECT_EQ(view->feedback().kind, Feedback::Kind::Move);
    EXPECT_EQ(view->feedback().corners[0], clientOf({210, 260}) + QPoint(100, 40)) << "the outline follows the pointer";
    EXPECT_GE(paints, 20);
    EXPECT_EQ(view->sceneRenderCount(), renders) << "a move drag re-rendered the scene";
    release(grab + QPoint(100, 40));
    vp()->repaint();
    EXPECT_GT(view->sceneRenderCount(), renders) << "the moved node is drawn at its new place";
    EXPECT_TRUE(view->feedback().isNone());

    // The rubber band likewise.
    const QPoint empty = clientOf({300, 500});
    press(empty);
    vp()->repaint();
    const int bandRenders = view->sceneRenderCount();
    for (int k = 1; k <= 20; ++k) {
        move(empty + QPoint(20 * k, -5 * k));
        vp()->repaint();
    }
    EXPECT_EQ(view->feedback().kind, Feedback::Kind::Band);
    EXPECT_EQ(view->sceneRenderCount(), bandRenders) << "a band drag re-rendered the scene";
    release(empty + QPoint(400, -100));
}

// ---------------------------------------------------------------------------
// Resizing with the handles

[[nodiscard]] QPoint handlePoint(CanvasView& view, int node, int handle)
{
    const NodeGeometry& g = view.screenGeometry().nodes[static_cast<std::size_t>(node)];
    const QPoint p
        = handle < 4 ? g.corners[static_cast<std::size_t>(handle)] : g.edgeMids[static_cast<std::size_t>(handle - 4)];
    return p - view.scrollPosition();
}

struct MinimumCase {
    float zoom;
    int handle;
    QPoint push;      // window pixels, far past the opposite side
    NodeBox expected; // 10 canvas pixels across the axis the handle moves
};

void PrintTo(const MinimumCase& c, std::ostream* os)
{
    *os << "zoom " << c.zoom << " handle " << c.handle;
}

class ResizeMinimumTest : public CanvasTest, public ::testing::WithParamInterface<MinimumCase> {};

TEST_P(ResizeMinimumTest, AHandleCannotMakeTheNodeSmallerThanTenCanvasPixels)
{
    const MinimumCase& c = GetParam();
    addNode({400, 300, 20, 20});
    select({0}, 0);
    view->SetZoom(c.zoom);
    view->setScrollPosition(CanvasToScreen({400, 300}, c.zoom) - QPoint(400, 300));
    const QPoint from = handlePoint(*view, 0, c.handle);
    drag(from, from + c.push);
    EXPECT_EQ(box(0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Handles, ResizeMinimumTest,
                         ::testing::Values(MinimumCase{1.0f, 7, {200, 0}, {415, 300, 5, 20}},
                                           MinimumCase{2.0f, 7, {200, 0}, {415, 300, 5, 20}},
                                           MinimumCase{4.0f, 7, {300, 0}, {415, 300, 5, 20}},
                                           MinimumCase{2.0f, 5, {-200, 0}, {385, 300, 5, 20}},
                                           MinimumCase{2.0f, 4, {0, 200}, {400, 315, 20, 5}},
                                           MinimumCase{1.0f, 6, {0, -200}, {400, 285, 20, 5}},
                                           MinimumCase{2.0f, 0, {250, 250}, {415, 315, 5, 5}}));

// Below 100 % a window pixel is more than a canvas pixel; the node still
// keeps 10 canvas pixels, and never collapses at the smallest zooms.
TEST_F(CanvasTest, AtSmallZoomsAHandleStillLeavesTenCanvasPixels)
{
    addNode({400, 300, 200, 200});
    state().consoleX = 700; // out of the way of the shrunken canvas
    state().consoleY = 500;
    for (const float z : {0.08f, 0.1f, 0.25f, 0.5f, 0.75f, 1.5f, 1.01f}) {
        for (const int handle : {7, 4, 2}) {
            SCOPED_TRACE(::testing::Message() << "zoom " << z << " handle " << handle);
            document().nodes[0].centerX = 400;
            document().nodes[0].centerY = 300;
            // Big enough on the screen to hold its eight handles apart.
            const int half = z < 1.0f ? 200 : 40;
            document().nodes[0].halfWidth = half;
            document().nodes[0].halfHeight = half;
            select({0}, 0);
            view->SetZoom(z);
            view->setScrollPosition(CanvasToScreen({400, 300}, z) - QPoint(400, 300));
            const QPoint from = handlePoint(*view, 0, handle);
            const int across = scaleTrunc(2 * half, z) + 40;
            const QPoint push = handle == 7 ? QPoint(across, 0)
                : handle == 4               ? QPoint(0, across)
                                            : -QPoint(across, across);
            drag(from, from + push);
            const NodeBox b = box(0);
            const int slack = 2 + static_cast<int>(2.0f / z);
            if (handle != 4) {
                EXPECT_GE(2 * b.hw, 10);
                EXPECT_LE(2 * b.hw, 10 + slack);
            }
            if (handle != 7) {
                EXPECT_GE(2 * b.hh, 10);
                EXPECT_LE(2 * b.hh, 10 + slack);
            }
        }
    }
}

struct ResizeCase {
    const char* name;
    int handle;
    QPoint delta;
    Qt::KeyboardModifiers mods;
    NodeBox main;
    NodeBox other;
};

void PrintTo(const ResizeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ResizeTest : public CanvasTest, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(ResizeTest, TheMainNodeTakesTheOutlineAndTheOtherSelectedNodesScaleWithIt)
{
    const ResizeCase& c = GetParam();
    const NodeBox main{400, 300, 50, 25};
    const NodeBox other{650, 450, 40, 30};
    addNode(main);
    addNode(other);
    select({0, 1}, 0);
    const int stepsBefore = history().undoCount();

    drag(handlePoint(*view, 0, c.handle), handlePoint(*view, 0, c.handle) + c.delta, c.mods);

    EXPECT_EQ(box(0), c.main);
    EXPECT_EQ(box(1), c.other);
    ASSERT_EQ(history().undoCount(), stepsBefore + 1);
    ASSERT_TRUE(undo());
    EXPECT_EQ(box(0), main);
    EXPECT_EQ(box(1), other);
}

INSTANTIATE_TEST_SUITE_P(
    Handles, ResizeTest,
    ::testing::Values(
        // 100 x 50 to 150 wide: the wider change leads and the height follows.
        ResizeCase{"CornerKeepsTheRatio", 2, {50, 10}, {}, {425, 312, 75, 37}, {650, 450, 60, 45}},
        ResizeCase{"CtrlReleasesTheRatio", 2, {50, 10}, Qt::ControlModifier, {425, 305, 75, 30}, {650, 450, 60, 36}},
        // Top-left, taller by 40 %: the height leads and the bottom-right corner stays.
        ResizeCase{"TopLeftCornerLedByHeight", 0, {-5, -20}, {}, {380, 290, 70, 35}, {650, 450, 56, 42}},
        ResizeCase{"EdgeChangesOneAxis", 5, {50, 30}, {}, {425, 300, 75, 25}, {650, 450, 60, 30}},
        ResizeCase{"BottomEdge", 6, {-40, 25}, {}, {400, 312, 50, 37}, {650, 450, 40, 45}}),
    [](const ::testing::TestParamInfo<ResizeCase>& info) { return std::string(info.param.name); });

TEST_F(CanvasTest, AHandlePressMakesItsNodeMainAndAPlainReleaseChangesNothing)
{
    addNode({300, 300, 40, 40});
    addNode({600, 300, 40, 40});
    select({0, 1}, 1);
    const int stepsBefore = history().undoCount();
    click(handlePoint(*view, 0, 2));
    EXPECT_EQ(state().mainIndex, 0);
    EXPECT_EQ(box(0), (NodeBox{300, 300, 40, 40}));
    EXPECT_EQ(history().undoCount(), stepsBefore) << "no outline was drawn, so nothing to apply";
}

// ---------------------------------------------------------------------------
// Changing the canvas size with its right and bottom edges

struct CanvasEdgeCase {
    const char* name;
    bool width;   // the right edge; otherwise the bottom edge
    int answer;   // to message 30007
    int size;     // expected canvas side
    NodeBox wide; // expected first node
    NodeBox tall; // expected second node
};

void PrintTo(const CanvasEdgeCase& c, std::ostream* os)
{
    *os << c.name;
}

class CanvasEdgeTest : public CanvasTest, public ::testing::WithParamInterface<CanvasEdgeCase> {};

TEST_P(CanvasEdgeTest, TheAnswerDecidesWhatHappensToTheNodes)
{
    const CanvasEdgeCase& c = GetParam();
    const NodeBox wide{900, 300, 80, 50};
    const NodeBox tall{300, 900, 50, 80};
    addNode(wide);
    addNode(tall);
    view->SetZoom(0.5f);
    const int stepsBefore = history().undoCount();
    prompter->answers.enqueue(c.answer);

    // The edge lies at 500 window pixels; drag it to 300, the canvas's 600.
    if (c.width)
        drag({500, 250}, {300, 250});
    else
        drag({250, 500}, {250, 300});

    EXPECT_EQ(prompter->messageIds(), QList<int>{30007});
    EXPECT_EQ(c.width ? state().canvasWidth : state().canvasHeight, c.size);
    EXPECT_EQ(c.width ? state().canvasHeight : state().canvasWidth, 1000);
    EXPECT_EQ(box(0), c.wide);
    EXPECT_EQ(box(1), c.tall);
    for (int i = 0; i < 2; ++i) {
        const NodeBox b = box(i);
        EXPECT_LE(b.cx - b.hw / 2 + b.hw / 2, state().canvasWidth) << "the central half stays on the canvas";
        EXPECT_LE(b.cy - b.hh / 2 + b.hh / 2, state().canvasHeight) << "the central half stays on the canvas";
    }
    if (c.answer == kIdCancel) {
        EXPECT_EQ(history().undoCount(), stepsBefore);
        return;
    }
    ASSERT_EQ(history().undoCount(), stepsBefore + 1);
    ASSERT_TRUE(undo());
    EXPECT_EQ(QSize(state().canvasWidth, state().canvasHeight), QSize(1000, 1000));
    EXPECT_EQ(box(0), wide);
    EXPECT_EQ(box(1), tall);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CanvasEdgeTest,
    ::testing::Values(
        // "No" stops at the central half of the first node: (860 + 80) canvas pixels.
        CanvasEdgeCase{"WidthNo", true, kIdNo, 940, {900, 300, 80, 50}, {300, 900, 50, 80}},
        CanvasEdgeCase{"WidthYes", true, kIdYes, 600, {540, 300, 48, 50}, {180, 900, 30, 80}},
        CanvasEdgeCase{"WidthCancel", true, kIdCancel, 1000, {900, 300, 80, 50}, {300, 900, 50, 80}},
        CanvasEdgeCase{"HeightNo", false, kIdNo, 940, {900, 300, 80, 50}, {300, 900, 50, 80}},
        CanvasEdgeCase{"HeightYes", false, kIdYes, 600, {900, 180, 80, 30}, {300, 540, 50, 48}},
        CanvasEdgeCase{"HeightCancel", false, kIdCancel, 1000, {900, 300, 80, 50}, {300, 900, 50, 80}}),
    [](const ::testing::TestParamInfo<CanvasEdgeCase>& info) { return std::string(info.param.name); });

TEST_F(CanvasTest, ACanvasEdgeDragShorterThanThreePixelsAsksNothing)
{
    view->SetZoom(0.5f);
    drag({500, 250}, {498, 250});
    drag({250, 500}, {250, 502});
    EXPECT_TRUE(prompter->messages.isEmpty());
    EXPECT_EQ(QSize(state().canvasWidth, state().canvasHeight), QSize(1000, 1000));
    EXPECT_EQ(history().undoCount(), 0);
}

TEST_F(CanvasTest, TheCanvasEdgeBarStaysWithinTheCanvasLimits)
{
    view->SetZoom(0.5f);
    press({500, 250});
    move({100, 250});
    EXPECT_EQ(view->feedback().kind, Feedback::Kind::CanvasBar);
    EXPECT_EQ(view->feedback().rect, QRect(248, 0, 4, 500)) << "500 canvas pixels at the least";
    EXPECT_EQ(view->feedback().label, QStringLiteral("500"));
    prompter->answers.enqueue(kIdYes);
    release({100, 250});
    EXPECT_EQ(state().canvasWidth, 500);
}

// ---------------------------------------------------------------------------
// Selecting with clicks and the rubber band

struct ClickCase {
    const char* name;
    std::vector<int> before;
    int mainBefore;
    int node;
    Qt::KeyboardModifiers mods;
    std::vector<int> after;
    int mainAfter;
    bool drags; // the press goes on as a move
};

void PrintTo(const ClickCase& c, std::ostream* os)
{
    *os << c.name;
}

class ClickSelectTest : public CanvasTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickSelectTest, ClickKindDecidesSelectionMainNodeAndMove)
{
    const ClickCase& c = GetParam();
    for (int i = 0; i < 3; ++i)
        addNode({250 + 200 * i, 300, 40, 40});
    document().clearSelection();
    for (int i : c.before)
        document().screen[i].selected = 1;
    state().mainIndex = c.mainBefore;
    view->repaintNow();

    const QPoint at = clientOf({250 + 200 * c.node, 300});
    press(at, c.mods);
    move(at + QPoint(20, 0), c.mods);
    EXPECT_EQ(view->feedback().kind, c.drags ? Feedback::Kind::Move : Feedback::Kind::None);
    release(at + QPoint(20, 0), c.mods);

    EXPECT_EQ(selected(), c.after);
    EXPECT_EQ(state().mainIndex, c.mainAfter);
    EXPECT_EQ(box(c.node).cx, 250 + 200 * c.node + (c.drags ? 20 : 0));
}

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kBoth = Qt::ControlModifier | Qt::ShiftModifier;

INSTANTIATE_TEST_SUITE_P(Rules, ClickSelectTest,
                         ::testing::Values(ClickCase{"PlainOnUnselected", {0, 1}, 1, 2, {}, {2}, 2, true},
                                           ClickCase{"CtrlOnUnselectedAdds", {0, 1}, 1, 2, kCtrl, {0, 1, 2}, 2, false},
                                           ClickCase{"ShiftOnUnselectedIsPlain", {0, 1}, 1, 2, kShift, {2}, 2, true},
                                           ClickCase{"CtrlShiftOnUnselectedIsPlain", {0, 1}, 1, 2, kBoth, {2}, 2, true},
                                           ClickCase{"PlainOnSelectedKeepsTheGroup", {0, 1}, 1, 0, {}, {0, 1}, 0, true},
                                           ClickCase{"CtrlOnSelectedMakesItMain", {0, 1}, 1, 0, kCtrl, {0, 1}, 0, true},
                                           ClickCase{
                                               "CtrlShiftOnSelectedIsPlain", {0, 1}, 1, 0, kBoth, {0, 1}, 0, true},
                                           ClickCase{"ShiftOnMainPassesMainOn", {0, 1}, 1, 1, kShift, {0}, 0, false},
                                           ClickCase{"ShiftOnOtherSelected", {0, 1}, 1, 0, kShift, {1}, 1, false},
                                           ClickCase{"ShiftOnTheOnlyOneKeepsMain", {1}, 1, 1, kShift, {}, 1, false},
                                           ClickCase{"CtrlWithoutMainSelects", {}, -1, 2, kCtrl, {2}, 2, true}),
                         [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(CanvasTest, APressOnEmptyCanvasDeselectsEverything)
{
    addNode({300, 300, 40, 40});
    addNode({500, 300, 40, 40});
    select({0, 1}, 1);
    click(clientOf({400, 500}));
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(state().mainIndex, -1);
}

TEST_F(CanvasTest, TheRubberBandSelectsTheNodesItEnclosesAndTheHighestBecomesMain)
{
    addNode({300, 300, 40, 40});
    addNode({450, 300, 40, 40});
    addNode({650, 300, 40, 40});
    select({2}, 2);
    const QPoint from = clientOf({240, 240});
    press(from);
    move(from + QPoint(9, 9));
    EXPECT_TRUE(view->feedback().isNone()) << "nothing drawn below 10 pixels";
    move(from + QPoint(10, 0));
    EXPECT_EQ(view->feedback().kind, Feedback::Kind::Band);
    move(clientOf({500, 360}));
    EXPECT_EQ(view->feedback().rect, QRect(from, clientOf({500, 360})).normalized());
    release(clientOf({500, 360}));
    EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
    EXPECT_EQ(state().mainIndex, 1);
    EXPECT_TRUE(view->feedback().isNone());
}

TEST_F(CanvasTest, TheRubberBandNeedsMoreThanTenPixels)
{
    const struct {
        QPoint end; // from the press at (395, 495)
        bool selects;
    } cases[] = {{{405, 505}, false}, {{406, 505}, true}, {{405, 506}, true}, {{385, 485}, false}};
    // A node 4 x 4 pixels, well inside a 10-pixel band.
    addNode({400, 500, 2, 2});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.end.x());
        select({}, -1);
        drag(clientOf({395, 495}), clientOf(c.end));
        EXPECT_EQ(selected(), c.selects ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_EQ(state().mainIndex, c.selects ? 0 : -1);
    }
}

// ---------------------------------------------------------------------------
// The right button

class ContextMenuTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        addNode({300, 300, 40, 40});
        addNode({500, 300, 40, 40});
        spy = std::make_unique<QSignalSpy>(view.get(), &CanvasView::contextMenuRequested);
    }
    [[nodiscard]] std::optional<CanvasPopup> popup() const
    {
        if (spy->isEmpty())
            return std::nullopt;
        return spy->last().at(0).value<CanvasPopup>();
    }
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(ContextMenuTest, ScrollMarginOpensNothingAndDeselects)
{
    view->SetZoom(0.5f);
    select({0, 1}, 1);
    rightClick({300, 510}); // below the 500-pixel canvas
    rightClick({600, 200}); // right of it
    EXPECT_EQ(spy->count(), 0);
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(state().mainIndex, -1);
}

TEST_F(ContextMenuTest, EmptyCanvasAsksForTheViewPopupAndDeselects)
{
    select({0}, 0);
    rightClick(clientOf({400, 500}));
    EXPECT_EQ(popup(), CanvasPopup::View);
    EXPECT_TRUE(selected().empty());
}

TEST_F(ContextMenuTest, ANodeIsSelectedAndAsksForTheImagePopup)
{
    select({0}, 0);
    rightClick(clientOf({500, 300}));
    EXPECT_EQ(popup(), CanvasPopup::Image);
    EXPECT_EQ(selected(), std::vector<int>{1}) << "an unselected node replaces the selection";
    EXPECT_EQ(state().mainIndex, 1);

    select({0, 1}, 1);
    rightClick(clientOf({300, 300}));
    EXPECT_EQ(popup(), CanvasPopup::Image);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1})) << "a selected node keeps the group";
    EXPECT_EQ(state().mainIndex, 0);
}

TEST_F(ContextMenuTest, NearTheConsoleAsksForTheZoomPopupAndShowsAHiddenConsole)
{
    state().consoleAlways = 0;
    view->setConsoleVisible(false);
    select({0}, 0);
    rightClick({79 + 60, 79 + 20});
    EXPECT_EQ(popup(), CanvasPopup::Zoom);
    EXPECT_TRUE(view->consoleVisible());
    EXPECT_EQ(selected(), std::vector<int>{0});
}

TEST_F(ContextMenuTest, RemembersWhereInViewCoordinatesForTheNextNode)
{
    view->SetZoom(2.0f);
    view->setScrollPosition({100, 50});
    rightClick({300, 200});
    EXPECT_EQ(view->placementPoint(), QPoint(400, 250));
}

TEST_F(ContextMenuTest, InAModeOnlyTheFrameHasAMenu)
{
    const CanvasPopup byKind[] = {CanvasPopup::Trim, CanvasPopup::Bokashi, CanvasPopup::MultiCut};
    RangeMode& mode = view->rangeMode();
    mode.modeNode = 1;
    mode.modeRect = {470, 280, 530, 320};
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        mode.modeKind = static_cast<RangeKind>(kind);
        spy->clear();
        rightClick(clientOf({300, 300}));
        EXPECT_EQ(spy->count(), 0) << "off the frame";
        rightClick(clientOf({500, 300}));
        EXPECT_EQ(popup(), byKind[kind]);
    }
}

// ---------------------------------------------------------------------------
// Dragging the range frame

struct FrameDragCase {
    const char* name;
    float zoom;
    QPoint grab;  // canvas pixels
    QPoint delta; // window pixels
    ModePart part;
    IntRect frame; // expected, canvas pixels
};

void PrintTo(const FrameDragCase& c, std::ostream* os)
{
    *os << c.name;
}

class FrameDragTest : public CanvasTest, public ::testing::WithParamInterface<FrameDragCase> {};

TEST_P(FrameDragTest, ThePressedPartFollowsThePointerWithinTheNode)
{
    const FrameDragCase& c = GetParam();
    addNode({500, 400, 100, 80}); // covers (400, 320) .. (600, 480)
    select({0}, 0);
    RangeMode& mode = view->rangeMode();
    mode.modeKind = RangeKind::Trim;
    mode.modeNode = 0;
    mode.modeRect = {450, 350, 550, 450};
    mode.modePart = ModePart::Right;
    view->SetZoom(c.zoom);
    view->setScrollPosition(CanvasToScreen({500, 400}, c.zoom) - QPoint(400, 300));

    const QPoint from = clientOf(c.grab);
    press(from);
    EXPECT_EQ(mode.modePart, c.part);
    if (!c.delta.isNull()) {
        move(from + c.delta);
        EXPECT_EQ(view->feedback().kind, Feedback::Kind::ModeFrame);
    }
    release(from + c.delta);
    EXPECT_EQ(mode.modeRect, c.frame);
    EXPECT_EQ(box(0), (NodeBox{500, 400, 100, 80}));
    EXPECT_EQ(selected(), std::vector<int>{0});
    EXPECT_EQ(history().undoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, FrameDragTest,
    ::testing::Values(
        FrameDragCase{"RightEdge", 1.0f, {550, 400}, {30, 7}, ModePart::Right, {450, 350, 580, 450}},
        FrameDragCase{"RightEdgeStopsAtTheNode", 1.0f, {550, 400}, {100, 0}, ModePart::Right, {450, 350, 600, 450}},
        FrameDragCase{"LeftEdgeKeepsTenPixels", 1.0f, {450, 400}, {95, 0}, ModePart::Left, {540, 350, 550, 450}},
        FrameDragCase{"BottomEdge", 1.0f, {500, 450}, {0, -20}, ModePart::Bottom, {450, 350, 550, 430}},
        FrameDragCase{"Corner", 1.0f, {450, 350}, {-20, -10}, ModePart::TopLeft, {430, 340, 550, 450}},
        FrameDragCase{"InsideShiftsBackIntoTheNode", 1.0f, {500, 400}, {80, 0}, ModePart::Inside, {500, 350, 600, 450}},
        FrameDragCase{"RightEdgeAtZoomTwo", 2.0f, {550, 400}, {30, 0}, ModePart::Right, {450, 350, 565, 450}},
        FrameDragCase{"PressOnlyChangesNothing", 1.0f, {500, 450}, {0, 0}, ModePart::Bottom, {450, 350, 550, 450}}),
    [](const ::testing::TestParamInfo<FrameDragCase>& info) { return std::string(info.param.name); });

TEST_F(CanvasTest, OffTheFrameAPressInAModeWorksOnTheCanvas)
{
    addNode({500, 400, 100, 80});
    addNode({250, 250, 30, 30});
    select({0}, 0);
    RangeMode& mode = view->rangeMode();
    mode.modeNode = 0;
    mode.modeRect = {450, 350, 550, 450};
    click(clientOf({250, 250}));
    EXPECT_EQ(selected(), std::vector<int>{}) << "the press deselects; nodes are not picked in a mode";
    EXPECT_EQ(mode.modeRect, (IntRect{450, 350, 550, 450}));
}

// ---------------------------------------------------------------------------
// The zoom console

constexpr QPoint kHome{79, 79};
constexpr QPoint kPlus{0, -45};
constexpr QPoint kMinus{0, 45};
constexpr QPoint kBody{30, 10};

TEST_F(CanvasTest, ConsoleButtonsStepOnePercentagePointPerClick)
{
    for (int i = 0; i < 3; ++i)
        click(kHome + kPlus);
    EXPECT_NEAR(zoom(), 1.03f, 1e-5f);
    click(kHome + kMinus);
    EXPECT_NEAR(zoom(), 1.02f, 1e-5f);
    EXPECT_FALSE(view->consoleState().dialActive) << "the buttons leave the dial alone";
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), kHome);
}

TEST_F(CanvasTest, ABodyClickActivatesTheDialAndAPressElsewhereEndsIt)
{
    addNode({400, 300, 40, 40});
    click(kHome + kBody);
    EXPECT_TRUE(view->consoleState().dialActive);
    EXPECT_FLOAT_EQ(zoom(), 1.0f);
    click(clientOf({400, 300}));
    EXPECT_FALSE(view->consoleState().dialActive);
    EXPECT_TRUE(view->consoleVisible());

    // A console that is not always shown goes with the dial.
    state().consoleAlways = 0;
    click(kHome + kBody);
    click(clientOf({600, 500}));
    EXPECT_FALSE(view->consoleVisible());
}

TEST_F(CanvasTest, TurningTheDialChangesTheZoom)
{
    click(kHome + kBody);
    ASSERT_TRUE(view->consoleState().dialActive);
    // An eighth of a turn clockwise from twelve o'clock: pi / 4, 78 hundredths.
    press(kHome + QPoint(0, -69));
    move(kHome + QPoint(49, -49));
    EXPECT_NEAR(zoom(), 1.78f, 1e-5f);
    // And back again.
    move(kHome + QPoint(0, -69));
    EXPECT_NEAR(zoom(), 1.0f, 1e-5f);
    release(kHome + QPoint(0, -69));
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), kHome) << "the dial does not move the console";
}

TEST_F(CanvasTest, TheConsoleMovesOnlyFromFourPixelsAndStaysInTheWindow)
{
    const QSize client = vp()->size();
    const struct {
        QPoint delta;
        QPoint expected;
    } cases[] = {{{3, -3}, {79, 79}},
                 {{4, 0}, {83, 79}},
                 {{100, 50}, {179, 129}},
                 {{-500, -500}, {70, 70}},
                 {{2000, 1000}, {client.width() - 70, client.height() - 70}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delta.x());
        const QPoint grab = QPoint(state().consoleX, state().consoleY) + kBody;
        press(grab);
        move(grab + c.delta);
        EXPECT_EQ(view->feedback().kind, Feedback::Kind::Console);
        release(grab + c.delta);
        EXPECT_EQ(QPoint(state().consoleX, state().consoleY), c.expected);
        state().consoleX = kHome.x();
        state().consoleY = kHome.y();
    }
}

// ---------------------------------------------------------------------------
// What the pointer shows: the CURSOR pane, the edge tooltip, the guide

TEST_F(FrameCanvasTest, CursorPaneShowsCanvasPixelsOverTheCanvasOnly)
{
    CanvasView& v = canvasView();
    v.SetZoom(0.5f);
    const struct {
        QPoint at;
        QString text;
    } cases[] = {{{123, 77}, QStringLiteral("246, 154")},
                 {{600, 200}, {}},
                 {{499, 499}, QStringLiteral("998, 998")},
                 {{200, 500}, {}},
                 {{500, 200}, {}},
                 {{1, 1}, QStringLiteral("2, 2")}};
    for (const auto& c : cases) {
        move(c.at);
        EXPECT_EQ(bar().paneText(kPaneCursor), c.text) << c.at.x() << ", " << c.at.y();
    }

    v.SetZoom(2.0f);
    v.setScrollPosition({100, 50});
    move({11, 21});
    EXPECT_EQ(bar().paneText(kPaneCursor), QStringLiteral("55, 35"));
}

TEST_F(CanvasTest, TheEdgeTooltipNamesTheCanvasSideAndItsLimits)
{
    const QString width = QStringLiteral("Width=1000\nmin:500  max:10000");
    const QString height = QStringLiteral("Height=1000\nmin:500  max:7500");
    const struct {
        QPoint at;
        QString text;
    } cases[]
        = {{{500, 200}, width},  {{503, 200}, width}, {{504, 200}, {}},     {{497, 200}, width}, {{200, 500}, height},
           {{200, 497}, height}, {{200, 496}, {}},    {{499, 499}, height}, {{502, 502}, {}},    {{300, 300}, {}}};
    view->SetZoom(0.5f);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at.x() * 1000 + c.at.y());
        move(c.at);
        EXPECT_EQ(view->edgeTooltip(), c.text);
    }
}

TEST_F(FrameCanvasTest, GuideTextsFollowWhatIsUnderThePointerWhileTheGuideIsOn)
{
    const QString resize = QStringLiteral("外周上の矩形をドラッグ＆ドロップしてイメージサイズを変更できます");
    const QString arrows
        = QStringLiteral("方向キーで10ピクセルずつ移動します。Ctrlキーを押しながらのときは微移動します");
    const QString drop = QStringLiteral("マイコンピュータからファイルをドラッグ＆ドロップしてイメージを変更できます");
    const QString drag = QStringLiteral("イメージをドラッグ＆ドロップして位置を変更できます");
    const QString widthEdge = QStringLiteral("←左へドラッグするとビューの幅を狭く、→右へドラッグすると広くできます");
    const QString heightEdge = QStringLiteral("↑上へドラッグするとビューの高さを狭く、↓下へドラッグすると広くできます");
    for (int i = 0; i < 4; ++i)
        addNode({250 + 200 * i, 300, 40, 40});
    select({2, 3}, 3);
    canvasView().SetZoom(0.5f);
    const struct {
        QPoint at;
        QString text;
    } cases[] = {{clientOf({250, 300}), drop},   {clientOf({450, 300}), drag}, {clientOf({650, 300}), resize},
                 {clientOf({850, 300}), arrows}, {{500, 250}, widthEdge},      {{250, 500}, heightEdge},
                 {clientOf({500, 700}), {}},     {clientOf({250, 300}), drop}};

    app->sys().dspGuide = 1;
    for (const auto& c : cases) {
        move(c.at);
        EXPECT_EQ(bar().guideText(), c.text) << c.at.x() << ", " << c.at.y();
    }

    // F2 twice: off, then on again; the guide comes back for the same node.
    QTest::keyClick(&canvasView(), Qt::Key_F2);
    ASSERT_EQ(app->sys().dspGuide, 0);
    for (const auto& c : cases) {
        move(c.at + QPoint(1, 0));
        EXPECT_NE(bar().guideText(), c.text) << c.at.x() << ", " << c.at.y();
    }
    QTest::keyClick(&canvasView(), Qt::Key_F2);
    ASSERT_EQ(app->sys().dspGuide, 1);
    move(clientOf({250, 300}));
    EXPECT_EQ(bar().guideText(), drop);
}

TEST_F(FrameCanvasTest, MovingShowsItsGuidesAndTheStatusFollows)
{
    addNode({300, 300, 40, 40});
    select({0}, 0);
    app->sys().dspGuide = 1;
    const QPoint grab = clientOf({300, 300});
    press(grab);
    move(grab + QPoint(30, 0));
    EXPECT_EQ(bar().guideText(), QStringLiteral("Ctrlキーを押しながら方向キーで、イメージの微移動ができます"));
    release(grab + QPoint(30, 0));
    EXPECT_EQ(
        bar().guideText(),
        QStringLiteral("Ctrlキーを押しながらクリックで追加選択、Shiftキーを押しながらクリックで選択を解除できます"));
    EXPECT_EQ(box(0).cx, 330);
    EXPECT_TRUE(app->document().isModified());
}

// ---------------------------------------------------------------------------
// The hover animation

class HoverTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        app->sys().playAnime = 3;
        app->sys().speedAnime = 2;
        addNode({300, 300, 40, 40});
        addNode({500, 300, 40, 40});
        addNode({700, 300, 40, 40});
        select({2}, 2);
    }
    [[nodiscard]] int animated() const { return view->hoverAnimation().node(); }
};

TEST_F(HoverTest, StartsOverAnUnselectedNodeWithItsTimer)
{
    move(clientOf({300, 290}));
    ASSERT_EQ(animated(), 0);
    EXPECT_TRUE(view->hoverTimerActive());
    EXPECT_EQ(view->hoverTimerInterval(), 2 * 10 + 5);
    // The timer draws the comets over the scene without rendering it again
    // (once the pictures' decodes have arrived and been drawn).
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->showsEveryPicture(); }, 5000));
    const int renders = view->sceneRenderCount();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->feedback().kind == Feedback::Kind::HoverDots; }, 1000));
    QTest::qWait(60);
    vp()->repaint();
    EXPECT_EQ(view->sceneRenderCount(), renders);

    move(clientOf({700, 300}));
    EXPECT_EQ(animated(), -1) << "selected nodes never animate";
    EXPECT_FALSE(view->hoverTimerActive());
    EXPECT_TRUE(view->feedback().isNone());
}

TEST_F(HoverTest, StopsOnPressesAndWhenThePointerLeavesTheNode)
{
    const QPoint onNode = clientOf({300, 300});
    const struct {
        const char* name;
        std::function<void()> action;
        std::function<void()> after;
    } stops[] = {
        {"left press", [&] { press(onNode); }, [&] { release(onNode); }},
        {"right press", [&] { press(onNode, {}, Qt::RightButton); }, [&] { release(onNode, {}, Qt::RightButton); }},
        {"empty canvas",
         [&] {
             move(clientOf({400, 500}));
         },
         [] {}},
        {"leaving the view",
         [&] {
             QEvent leave(QEvent::Leave);
             QApplication::sendEvent(vp(), &leave);
         },
         [] {}},
    };
    for (const auto& s : stops) {
        SCOPED_TRACE(s.name);
        select({2}, 2);
        move(onNode + QPoint(1, 0));
        move(onNode);
        ASSERT_EQ(animated(), 0);
        s.action();
        EXPECT_EQ(animated(), -1);
        EXPECT_FALSE(view->hoverTimerActive());
        s.after();
    }
}

TEST_F(HoverTest, AnotherNodeStopsItAndTheNextMoveStartsAnew)
{
    move(clientOf({300, 300}));
    ASSERT_EQ(animated(), 0);
    move(clientOf({500, 300}));
    EXPECT_EQ(animated(), -1);
    EXPECT_FALSE(view->hoverTimerActive());
    move(clientOf({501, 300}));
    EXPECT_EQ(animated(), 1);
    EXPECT_TRUE(view->hoverTimerActive());
}

TEST_F(HoverTest, NeedsOrbitsAndAtLeastTenPercent)
{
    const struct {
        float zoom;
        int playAnime;
        bool runs;
    } cases[] = {{0.08f, 3, false}, {0.1f, 3, true}, {1.0f, 0, false}, {1.0f, 1, true}, {4.0f, 10, true}};
    // At the smallest zooms the whole canvas would lie under the console.
    state().consoleX = 600;
    state().consoleY = 400;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zoom);
        app->sys().playAnime = c.playAnime;
        view->SetZoom(c.zoom);
        view->setScrollPosition(CanvasToScreen({300, 300}, c.zoom) - QPoint(400, 300));
        move(clientOf({300, 300}) + QPoint(1, 1));
        move(clientOf({300, 300}));
        EXPECT_EQ(animated(), c.runs ? 0 : -1);
        EXPECT_EQ(view->hoverTimerActive(), c.runs);
        move({5, 595});
    }
}

// ---------------------------------------------------------------------------
// Drawing at another scale

TEST_F(CanvasTest, PaintingForExportLeavesWhatTheMouseHitsAlone)
{
    addNode({300, 300, 40, 40});
    addNode({520, 400, 60, 30});
    select({0}, 0);
    view->SetZoom(2.0f);
    view->setScrollPosition({500, 500});
    std::vector<NodeGeometry> before = view->screenGeometry().nodes;

    QImage exported(250, 250, QImage::Format_RGB32);
    {
        QPainter painter(&exported);
        ASSERT_TRUE(PaintCanvasBackground(painter, document(), 0.25f));
        PaintNodes(painter, document(), app->sys(), view->rangeMode(), 0.25f, false);
    }
    EXPECT_TRUE(near(exported.pixel(75, 75), QColor(200, 60, 40))) << "canvas (300, 300) at a quarter";
    EXPECT_FLOAT_EQ(zoom(), 2.0f);

    const ScreenGeometry& after = view->screenGeometry();
    EXPECT_FLOAT_EQ(after.zoom, 2.0f);
    ASSERT_EQ(after.count(), 2);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(after.nodes[i].corners, before[i].corners);
        EXPECT_EQ(after.nodes[i].edgeMids, before[i].edgeMids);
    }
    click(clientOf({520, 400}));
    EXPECT_EQ(selected(), std::vector<int>{1});
    EXPECT_EQ(state().mainIndex, 1);
    // A handle of the main node is still where the screen shows it.
    drag(handlePoint(*view, 1, 5), handlePoint(*view, 1, 5) + QPoint(40, 0));
    EXPECT_EQ(box(1), (NodeBox{530, 400, 70, 30}));
}

} // namespace
} // namespace vq::test
