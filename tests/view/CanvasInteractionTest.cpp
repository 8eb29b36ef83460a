// The canvas interaction without a window: presses, moves, releases and keys
// against a recording host, and what they leave in the document and its
// undo history.
#include "edit/CanvasInteraction.h"

#include "edit/EditSession.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "render/ScreenGeometry.h"
#include "render/ViewGeometry.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <vector>

inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << '(' << p.x() << ", " << p.y() << ')';
}

namespace vq {
namespace {

// Records what the interaction shows; the window is larger than the canvas
// at the zooms used here, so nothing scrolls by itself.
class RecordingHost final : public CanvasHost {
public:
    explicit RecordingHost(const Document& doc) : m_doc(doc) {}

    QPoint scrollPosition() const override { return scroll; }
    void setScrollPosition(QPoint p) override
    {
        const DocState& s = m_doc.state;
        const QSize total = ScrollTotalSize(s.canvasWidth, s.canvasHeight, s.zoom);
        scroll = {std::clamp(p.x(), 0, std::max(0, total.width() - client.width())),
                  std::clamp(p.y(), 0, std::max(0, total.height() - client.height()))};
    }
    QSize clientSize() const override { return client; }
    const ScreenGeometry& screenGeometry() override
    {
        m_geometry = ComputeScreenGeometry(m_doc, m_doc.state.zoom);
        return m_geometry;
    }
    bool hasKeyboardFocus() const override { return focus; }
    void takeFocus() override { focus = true; }

    void showFeedback(const Feedback& f) override { feedback = f; }
    void clearFeedback() override { feedback = {}; }
    void showCursor(CursorShape shape) override { cursor = shape; }
    void showGuide(const QString& text) override { guide = text; }
    void showTooltip(QPoint, const QString&) override {}
    void showCursorText(const QString& text) override { cursorText = text; }
    void showProposedPosition(const QString& text) override { proposedPosition = text; }
    bool snapEnabled() const override { return snap; }
    void consoleChanged() override {}
    void repaintScene() override {}
    void hoverNode(int, QPoint) override {}
    void stopHoverAnimation() override {}
    void requestPopup(CanvasPopup p, QPoint) override { popup = p; }
    void stepZoom(int hundredths) override { zoomSteps += hundredths; }
    void canvasSizeChanged() override { ++canvasSizeChanges; }
    CanvasScaleAnswer askScaleNodes() override
    {
        ++questions;
        return answer;
    }

    QSize client{1600, 1200};
    QPoint scroll;
    bool focus = true;
    Feedback feedback;
    CursorShape cursor = CursorShape::Arrow;
    QString guide;
    QString cursorText;
    QString proposedPosition;
    bool snap = true;
    std::optional<CanvasPopup> popup;
    int zoomSteps = 0;
    int canvasSizeChanges = 0;
    int questions = 0;
    CanvasScaleAnswer answer = CanvasScaleAnswer::KeepNodes;

private:
    const Document& m_doc;
    ScreenGeometry m_geometry;
};

struct Box {
    int cx, cy, hw, hh;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os)
{
    *os << "{centre " << b.cx << ", " << b.cy << " half " << b.hw << " x " << b.hh << '}';
}

// A new 1000 x 1000 canvas with two nodes: node 0 at (300, 300) spanning
// 250..350 x 260..340, node 1 at (600, 600) spanning 560..640 x 570..630, in
// canvas pixels. The console sits at its home place, top-left.
class CanvasInteractionTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        addNode({300, 300, 50, 40});
        addNode({600, 600, 40, 30});
        doc.clearSelection();
        doc.state.mainIndex = -1;
    }

    void addNode(const Box& b)
    {
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, b.cx, b.cy));
        NodeRecord& n = doc.nodes[doc.state.nodeCount - 1];
        n.centerX = b.cx;
        n.centerY = b.cy;
        n.halfWidth = b.hw;
        n.halfHeight = b.hh;
    }
    void selectOnly(int node)
    {
        doc.clearSelection();
        doc.screen[node].selected = 1;
        doc.state.mainIndex = node;
    }
    [[nodiscard]] Box box(int i) const
    {
        const NodeRecord& n = doc.nodes[i];
        return {n.centerX, n.centerY, n.halfWidth, n.halfHeight};
    }
    // Where a canvas point is in the window at the current zoom.
    [[nodiscard]] QPoint clientOf(QPoint canvas) const { return CanvasToScreen(canvas, doc.state.zoom) - host.scroll; }

    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
    {
        interaction.press(from, Qt::LeftButton, mods);
        for (int k = 1; k <= 3; ++k)
            interaction.move(from + (to - from) * k / 3, mods);
        interaction.release(to, {}, Qt::LeftButton, mods);
    }

    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    RecordingHost host{doc};
    CanvasInteraction interaction{session, host};
};

// ---- What a press starts, and the cursor the same place shows on hover ----

struct PressCase {
    const char* name;
    QPoint at; // client pixels at zoom 1, node 0 selected and main
    CursorShape hoverCursor;
    DragKind drag;
    ResizeHandle handle; // when the drag is a resize
};

class PressTest : public CanvasInteractionTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(PressTest, StartsItsDragAfterShowingItsCursor)
{
    const PressCase& c = GetParam();
    selectOnly(0);
    interaction.move(c.at, {});
    EXPECT_EQ(host.cursor, c.hoverCursor);
    interaction.press(c.at, Qt::LeftButton, {});
    EXPECT_EQ(interaction.drag(), c.drag);
    if (c.drag == DragKind::Resize) {
        EXPECT_EQ(interaction.resizeHandle(), c.handle);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PressTest,
    ::testing::Values(
        PressCase{"TopLeftHandle", {250, 260}, CursorShape::SizeFDiag, DragKind::Resize, ResizeHandle::TopLeft},
        PressCase{"TopRightHandleWithinReach", {346, 263}, CursorShape::SizeBDiag, DragKind::Resize,
                  ResizeHandle::TopRight},
        PressCase{"RightHandle", {350, 300}, CursorShape::SizeHor, DragKind::Resize, ResizeHandle::Right},
        PressCase{"BottomHandle", {300, 340}, CursorShape::SizeVer, DragKind::Resize, ResizeHandle::Bottom},
        PressCase{"SelectedNode", {300, 300}, CursorShape::Hold, DragKind::Move, {}},
        PressCase{"UnselectedNodeIsSelectedAndMoved", {600, 600}, CursorShape::PointingHand, DragKind::Move, {}},
        PressCase{"EmptyCanvas", {450, 450}, CursorShape::Arrow, DragKind::Band, {}},
        PressCase{"CanvasRightEdge", {1002, 450}, CursorShape::SizeWidth, DragKind::CanvasWidth, {}},
        PressCase{"CanvasBottomEdge", {450, 998}, CursorShape::SizeHeight, DragKind::CanvasHeight, {}},
        PressCase{"ConsoleBody", {79, 79}, CursorShape::PointingHand, DragKind::Console, {}},
        PressCase{"ConsolePlus", {79, 34}, CursorShape::ZoomIn, DragKind::Console, {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(CanvasInteractionTest, ConsoleButtonsStepTheZoomOnThePress)
{
    interaction.press({79, 34}, Qt::LeftButton, {});
    interaction.release({79, 34}, {}, Qt::LeftButton, {});
    EXPECT_EQ(host.zoomSteps, 1);
    interaction.press({79, 124}, Qt::LeftButton, {});
    interaction.release({79, 124}, {}, Qt::LeftButton, {});
    EXPECT_EQ(host.zoomSteps, 0);
    EXPECT_EQ(history.undoCount(), 0);
}

// ---- Moving nodes ----------------------------------------------------------

struct MoveCase {
    const char* name;
    float zoom;
    QPoint by; // window pixels
    QPoint centre; // node 0's centre after the release, canvas pixels
    bool undoStep;
};

class MoveDragTest : public CanvasInteractionTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveDragTest, ReleaseMovesTheSelectionByTheZoomedDistance)
{
    const MoveCase& c = GetParam();
    doc.state.zoom = c.zoom;
    selectOnly(0);
    const QPoint from = clientOf({300, 300});
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Move);
    interaction.move(from + c.by, {});
    // The outline follows the pointer while the node stays where it is.
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::Move);
    EXPECT_EQ(host.feedback.corners[0], clientOf({250, 260}) + c.by);
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), QPoint(300, 300));
    EXPECT_EQ(interaction.proposeMove(from + c.by).windowDelta, c.by);

    interaction.release(from + c.by, {}, Qt::LeftButton, {});
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), c.centre);
    EXPECT_EQ(box(1), (Box{600, 600, 40, 30})) << "unselected nodes stay";
    EXPECT_EQ(history.undoCount(), c.undoStep ? 1 : 0);
    EXPECT_TRUE(host.feedback.isNone());
    EXPECT_EQ(interaction.drag(), DragKind::None);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MoveDragTest,
    ::testing::Values(MoveCase{"HalfZoomDoubles", 0.5f, {30, -20}, {360, 260}, true},
                      MoveCase{"DoubleZoomHalves", 2.0f, {30, -20}, {315, 290}, true},
                      MoveCase{"DoubleZoomOnePixelStillMovesOne", 2.0f, {3, 1}, {301, 301}, true},
                      MoveCase{"BelowThresholdIsAClick", 2.0f, {1, -1}, {300, 300}, false},
                      MoveCase{"HalfZoomBelowThreshold", 0.5f, {1, 0}, {300, 300}, false},
                      MoveCase{"NoMovementNoStep", 1.0f, {0, 0}, {300, 300}, false}),
    [](const auto& info) { return info.param.name; });

// Whatever scrolls the window during the drag (the wheel, a scroll bar) is
// part of the move, as the drag's own scrolling at the window's edge is.
TEST_F(CanvasInteractionTest, ScrollingDuringAMoveIsCountedInTheMove)
{
    doc.state.zoom = 2.0f;
    host.client = {400, 300};
    host.setScrollPosition({400, 450});
    selectOnly(0);
    const QPoint from = clientOf({300, 300});
    ASSERT_EQ(from, QPoint(200, 150));
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Move);
    interaction.move(from + QPoint(20, 0), {});
    host.setScrollPosition(host.scroll + QPoint(0, 40)); // a wheel turn
    ASSERT_EQ(host.scroll.y(), 490);
    interaction.move(from + QPoint(20, 0), {});
    EXPECT_EQ(interaction.proposeMove(from + QPoint(20, 0)).windowDelta, QPoint(20, 40));
    interaction.release(from + QPoint(20, 0), {}, Qt::LeftButton, {});
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), QPoint(310, 320));
}

TEST_F(CanvasInteractionTest, MoveOutlineStaysOnTheCanvasButTheReleaseKeepsTheCentreThere)
{
    selectOnly(0);
    interaction.press({300, 300}, Qt::LeftButton, {});
    interaction.move({1200, 300}, {});
    // The outline's centre stops at the canvas's right edge.
    EXPECT_EQ(interaction.proposeMove({1200, 300}).centre, QPoint(1000, 300));
    EXPECT_EQ(host.feedback.corners[0], QPoint(950, 260));
    interaction.release({1200, 300}, {}, Qt::LeftButton, {});
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), QPoint(1000, 300));
}

// ---- Snapping while moving ---------------------------------------------------

// Room for the canvas at four times its size, the console out of the way:
// nothing scrolls and no press lands on the console.
class SnapDragTest : public CanvasInteractionTest {
protected:
    void SetUp() override
    {
        CanvasInteractionTest::SetUp();
        host.client = {5000, 5000};
        doc.state.consoleX = 4900;
        doc.state.consoleY = 4900;
    }
    // Presses on node 0's centre, moves by `by` window pixels and stops there.
    void moveNode0(QPoint by, Qt::KeyboardModifiers mods)
    {
        selectOnly(0);
        const QPoint from = clientOf({300, 300});
        interaction.press(from, Qt::LeftButton, {});
        ASSERT_EQ(interaction.drag(), DragKind::Move);
        interaction.move(from + by, mods);
        m_to = from + by;
    }
    void releaseHere(Qt::KeyboardModifiers mods) { interaction.release(m_to, {}, Qt::LeftButton, mods); }
    [[nodiscard]] QPoint centre0() const { return {doc.nodes[0].centerX, doc.nodes[0].centerY}; }

private:
    QPoint m_to;
};

struct SnapMoveCase {
    const char* name;
    float zoom;
    QPoint by; // window pixels
    Qt::KeyboardModifiers mods;
    int gridMode;
    QPoint centre; // node 0's centre after the release
    int guides;
};

class SnapMoveTest : public SnapDragTest, public ::testing::WithParamInterface<SnapMoveCase> {};

// Node 0 spans 250..350 x 260..340, node 1 560..640 x 570..630; the canvas
// has its edges at 0 and 1000 and its centre lines at 500.
TEST_P(SnapMoveTest, SelectionEdgesSnapToTheNearestLineOnEachAxis)
{
    const SnapMoveCase& c = GetParam();
    doc.state.zoom = c.zoom;
    doc.state.gridMode = c.gridMode;
    moveNode0(c.by, c.mods);
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::Move);
    EXPECT_EQ(static_cast<int>(host.feedback.guides.size()), c.guides);
    // The outline is drawn where the release puts the node (on an axis that
    // did not snap it follows the pointer, as it always has: the cases off
    // full size snap along y only).
    const QPoint expectedTopLeft = CanvasToScreen(c.centre - QPoint(50, 40), c.zoom) - host.scroll;
    if (c.guides > 0 && c.zoom == 1.0f) {
        EXPECT_EQ(host.feedback.corners[0], expectedTopLeft);
    } else if (c.guides > 0) {
        EXPECT_EQ(host.feedback.corners[0].y(), expectedTopLeft.y());
    }
    releaseHere(c.mods);
    EXPECT_EQ(centre0(), c.centre);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_TRUE(host.feedback.isNone());
}

INSTANTIATE_TEST_SUITE_P(
    Table, SnapMoveTest,
    ::testing::Values(
        // Left edge 556 goes to node 1's left edge, 4 away.
        SnapMoveCase{"LeftEdgeToAnotherNodesLeftEdge", 1.0f, {306, 0}, {}, -2, {610, 300}, 1},
        // Along x the centre is 3 from node 1's centre line, along y the
        // bottom 2 from it: each axis takes its own nearest line.
        SnapMoveCase{"NearestWinsOnEachAxis", 1.0f, {303, 262}, {}, -2, {600, 560}, 2},
        // The bottom edge k canvas pixels above the canvas's centre line.
        SnapMoveCase{"SixPixelsAtFullSize", 1.0f, {0, 154}, {}, -2, {300, 460}, 1},
        SnapMoveCase{"SevenPixelsAtFullSizeStayFree", 1.0f, {0, 153}, {}, -2, {300, 453}, 0},
        SnapMoveCase{"TwentyFourCanvasPixelsAtQuarterSize", 0.25f, {0, 34}, {}, -2, {300, 460}, 1},
        SnapMoveCase{"TwentyEightCanvasPixelsAtQuarterSizeStayFree", 0.25f, {0, 33}, {}, -2, {300, 432}, 0},
        SnapMoveCase{"OneCanvasPixelAtFourTimes", 4.0f, {0, 636}, {}, -2, {300, 460}, 1},
        SnapMoveCase{"TwoCanvasPixelsAtFourTimesStayFree", 4.0f, {0, 632}, {}, -2, {300, 458}, 0},
        SnapMoveCase{"AltMovesFreely", 1.0f, {0, 154}, Qt::AltModifier, -2, {300, 454}, 0},
        // 40-pixel grid: top, centre and bottom all 5 short of a grid line.
        SnapMoveCase{"ShownGridSnaps", 1.0f, {0, 15}, {}, 2, {300, 320}, 1},
        SnapMoveCase{"HiddenGridDoesNot", 1.0f, {0, 15}, {}, -2, {300, 315}, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(SnapDragTest, SwitchedOffNothingSnaps)
{
    host.snap = false;
    moveNode0({0, 154}, {});
    EXPECT_TRUE(host.feedback.guides.empty());
    EXPECT_TRUE(host.proposedPosition.isEmpty());
    releaseHere({});
    EXPECT_EQ(centre0(), QPoint(300, 454));
}

TEST_F(SnapDragTest, GuideSpansTheSnappedEdgeAndItsTarget)
{
    moveNode0({306, 0}, {});
    ASSERT_EQ(host.feedback.guides.size(), 1u);
    // Node 0's left edge on node 1's: from node 0's top to node 1's bottom.
    EXPECT_EQ(host.feedback.guides[0], QLine(560, 260, 560, 630));
    // The position pane shows where the snap puts the node, until the release.
    EXPECT_EQ(host.proposedPosition, QStringLiteral("560, 260"));
    releaseHere({});
    EXPECT_TRUE(host.proposedPosition.isEmpty());
}

TEST_F(SnapDragTest, SeveralSelectedSnapAsOneBoxAndMoveTogether)
{
    // Node 2 spans 750..850 and is selected with node 0: the box's right
    // edge, node 2's, ends 4 short of the canvas's right edge.
    addNode({800, 300, 50, 40});
    selectOnly(0);
    doc.screen[2].selected = 1;
    const QPoint from = clientOf({300, 300});
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Move);
    interaction.move(from + QPoint(146, 0), {});
    ASSERT_EQ(host.feedback.guides.size(), 1u);
    EXPECT_EQ(host.feedback.guides[0], QLine(1000, 0, 1000, 1000));
    EXPECT_EQ(host.proposedPosition, QStringLiteral("400, 260"));
    interaction.release(from + QPoint(146, 0), {}, Qt::LeftButton, {});
    EXPECT_EQ(centre0(), QPoint(450, 300));
    EXPECT_EQ(box(2), (Box{950, 300, 50, 40}));
}

TEST_F(SnapDragTest, ArrowKeysDoNotSnap)
{
    // Left edge 495 and right edge 595: one pixel on is 4 from the canvas's
    // centre line and from node 1's centre line.
    doc.nodes[0].centerX = 545;
    selectOnly(0);
    EXPECT_TRUE(interaction.key(Qt::Key_Right, Qt::ControlModifier));
    EXPECT_EQ(centre0(), QPoint(546, 300));
}

// ---- Snapping while resizing -------------------------------------------------

struct SnapResizeCase {
    const char* name;
    QPoint handleAt; // canvas pixels of the grabbed handle on node 0, zoom 1
    QPoint by;
    Qt::KeyboardModifiers mods;
    Box result;
    int guides;
};

class SnapResizeTest : public SnapDragTest, public ::testing::WithParamInterface<SnapResizeCase> {};

TEST_P(SnapResizeTest, MovingSidesSnapAndACornerKeepsItsRatio)
{
    const SnapResizeCase& c = GetParam();
    selectOnly(0);
    const QPoint from = clientOf(c.handleAt);
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Resize);
    interaction.move(from + c.by, c.mods);
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::Resize);
    EXPECT_EQ(static_cast<int>(host.feedback.guides.size()), c.guides);
    interaction.release(from + c.by, {}, Qt::LeftButton, c.mods);
    EXPECT_EQ(box(0), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SnapResizeTest,
    ::testing::Values(
        // The right side at 496 goes to the canvas's centre line.
        SnapResizeCase{"RightEdgeToTheCanvasCentre", {350, 300}, {146, 0}, {}, {375, 300, 125, 40}, 1},
        SnapResizeCase{"RightEdgeWithAltStaysFree", {350, 300}, {146, 0}, Qt::AltModifier, {373, 300, 123, 40}, 0},
        // The width leads (it grew 205 %, the height 25 %): the right side
        // goes from 555 to node 1's left edge at 560 and the height follows
        // at 100 x 80.
        SnapResizeCase{"CornerSnapsItsLeadingSide", {350, 340}, {205, 20}, {}, {405, 384, 155, 124}, 1},
        SnapResizeCase{"CornerWithAltStaysFree", {350, 340}, {205, 20}, Qt::AltModifier, {402, 382, 152, 122}, 0},
        // The height leads (it grew 195 %, the width 10 %): the bottom goes
        // from 496 to the canvas's centre line and the width follows.
        SnapResizeCase{"CornerSnapsTheHeightWhenItLeads", {350, 340}, {10, 156}, {}, {400, 380, 150, 120}, 1}),
    [](const auto& info) { return info.param.name; });

// ---- Resizing --------------------------------------------------------------

struct ResizeCase {
    const char* name;
    QPoint handleAt; // canvas pixels of the grabbed handle on node 0
    QPoint by;       // window pixels at zoom 2
    Qt::KeyboardModifiers mods;
    Box result;
};

class ResizeDragTest : public CanvasInteractionTest, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(ResizeDragTest, ReleaseAppliesTheLastProposedRectangle)
{
    const ResizeCase& c = GetParam();
    doc.state.zoom = 2.0f;
    selectOnly(0);
    const QPoint from = clientOf(c.handleAt);
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Resize);
    interaction.move(from + c.by, c.mods);
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::Resize);
    EXPECT_EQ(host.feedback.rect, interaction.proposeResize(from + c.by, c.mods.testFlag(Qt::ControlModifier)));
    EXPECT_EQ(box(0), (Box{300, 300, 50, 40})) << "nothing changes before the release";
    interaction.release(from + c.by, {}, Qt::LeftButton, {});
    EXPECT_EQ(box(0), c.result);
    EXPECT_EQ(history.undoCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResizeDragTest,
    ::testing::Values(ResizeCase{"CornerKeepsTheRatio", {350, 340}, {40, 20}, {}, {310, 308, 60, 48}},
                      ResizeCase{"CornerWithCtrlIsFree", {350, 340}, {40, 20}, Qt::ControlModifier, {310, 305, 60, 45}},
                      ResizeCase{"EdgeMovesOneSide", {350, 300}, {40, 99}, {}, {310, 300, 60, 40}}),
    [](const auto& info) { return info.param.name; });

TEST_F(CanvasInteractionTest, PressAndReleaseOnAHandleLeavesNoUndoStep)
{
    selectOnly(0);
    interaction.press({250, 260}, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Resize);
    interaction.release({250, 260}, {}, Qt::LeftButton, {});
    EXPECT_EQ(box(0), (Box{300, 300, 50, 40}));
    EXPECT_EQ(history.undoCount(), 0);
}

// ---- The range frame, and Esc during its drag -------------------------------

struct FrameCase {
    const char* name;
    bool escapeBeforeRelease;
    int right;        // the frame's right side afterwards
    bool modeActive;
};

class FrameDragTest : public CanvasInteractionTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameDragTest, RightEdgeDrag)
{
    const FrameCase& c = GetParam();
    session.mode().modeKind = RangeKind::Trim;
    session.mode().modeNode = 0;
    session.mode().modeRect = doc.NodeRect(0);
    interaction.press({350, 300}, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::ModeFrame);
    EXPECT_EQ(session.mode().modePart, ModePart::Right);
    interaction.move({330, 300}, {});
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::ModeFrame);
    EXPECT_EQ(session.mode().modeRect.right, 350) << "the frame waits for the release";
    if (c.escapeBeforeRelease) {
        // Esc is the command table's: it calls the mode off through the session.
        EXPECT_FALSE(interaction.key(Qt::Key_Escape, {}));
        session.cancelMode();
    }
    interaction.release({330, 300}, {}, Qt::LeftButton, {});
    EXPECT_EQ(session.mode().active(), c.modeActive);
    EXPECT_EQ(session.mode().modeRect.right, c.right);
    EXPECT_EQ(history.undoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, FrameDragTest,
                         ::testing::Values(FrameCase{"ReleaseStoresTheFrame", false, 330, true},
                                           FrameCase{"EscapeCallsOffTheModeAndTheDrag", true, 350, false}),
                         [](const auto& info) { return info.param.name; });

// ---- Rubber band -----------------------------------------------------------

struct BandCase {
    const char* name;
    QPoint from;
    QPoint to;
    bool feedback;
    std::vector<int> selected;
    int main;
};

class BandTest : public CanvasInteractionTest, public ::testing::WithParamInterface<BandCase> {};

TEST_P(BandTest, SelectsTheNodesItEncloses)
{
    const BandCase& c = GetParam();
    selectOnly(0);
    interaction.press(c.from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), DragKind::Band);
    interaction.move(c.to, {});
    EXPECT_EQ(host.feedback.kind, c.feedback ? Feedback::Kind::Band : Feedback::Kind::None);
    if (c.feedback) {
        EXPECT_EQ(host.feedback.rect, QRect(c.from, c.to).normalized());
    }
    interaction.release(c.to, {}, Qt::LeftButton, {});
    std::vector<int> selected;
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected != 0)
            selected.push_back(i);
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(doc.state.mainIndex, c.main);
    EXPECT_EQ(history.undoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BandTest,
    ::testing::Values(BandCase{"AroundBoth", {200, 200}, {700, 700}, true, {0, 1}, 1},
                      BandCase{"BackwardsAroundBoth", {700, 700}, {200, 200}, true, {0, 1}, 1},
                      BandCase{"AroundTheFirst", {200, 200}, {400, 400}, true, {0}, 0},
                      BandCase{"CuttingThroughSelectsNothing", {200, 200}, {300, 300}, true, {}, -1},
                      BandCase{"TooShortOnlyDeselects", {200, 200}, {209, 205}, false, {}, -1}),
    [](const auto& info) { return info.param.name; });

TEST_F(CanvasInteractionTest, DuringARangeModeTheBandSelectsNothing)
{
    RangeMode& mode = session.mode();
    mode.modeNode = 0;
    mode.modeKind = RangeKind::Trim;
    mode.modeRect = {270, 280, 330, 320};
    interaction.press({200, 200}, Qt::LeftButton, {});
    EXPECT_EQ(interaction.drag(), DragKind::None);
    interaction.move({700, 700}, {});
    EXPECT_TRUE(host.feedback.isNone());
    interaction.release({700, 700}, {}, Qt::LeftButton, {});
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_EQ(mode.modeNode, 0) << "the mode goes on with its node";
}

// ---- Canvas edges ----------------------------------------------------------

using Answer = CanvasScaleAnswer;

struct EdgeCase {
    const char* name;
    bool width;
    int to; // pointer coordinate along the axis, client pixels at zoom 0.5
    CanvasScaleAnswer answer;
    int size; // the canvas side afterwards
    bool undoStep;
};

class CanvasEdgeTest : public CanvasInteractionTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(CanvasEdgeTest, DragIsClampedToTheCanvasLimits)
{
    const EdgeCase& c = GetParam();
    doc.state.zoom = 0.5f;
    host.answer = c.answer;
    const QPoint from = c.width ? QPoint(500, 200) : QPoint(200, 500);
    const QPoint to = c.width ? QPoint(c.to, 200) : QPoint(200, c.to);
    interaction.press(from, Qt::LeftButton, {});
    ASSERT_EQ(interaction.drag(), c.width ? DragKind::CanvasWidth : DragKind::CanvasHeight);
    interaction.move(to, {});
    EXPECT_EQ(host.feedback.kind, Feedback::Kind::CanvasBar);
    interaction.release(to, {}, Qt::LeftButton, {});
    EXPECT_EQ(c.width ? doc.state.canvasWidth : doc.state.canvasHeight, c.size);
    EXPECT_EQ(c.width ? doc.state.canvasHeight : doc.state.canvasWidth, 1000);
    EXPECT_EQ(history.undoCount(), c.undoStep ? 1 : 0);
    EXPECT_EQ(host.canvasSizeChanges, c.undoStep ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CanvasEdgeTest,
    ::testing::Values(EdgeCase{"WiderAtHalfZoom", true, 600, Answer::KeepNodes, 1200, true},
                      EdgeCase{"WidthStopsAtTheMaximum", true, 9000, Answer::KeepNodes, kMaxCanvasWidth, true},
                      EdgeCase{"HeightStopsAtTheMaximum", false, 9000, Answer::ScaleNodes, kMaxCanvasHeight, true},
                      EdgeCase{"WidthStopsAtTheMinimum", true, -300, Answer::ScaleNodes, kMinCanvasSide, true},
                      EdgeCase{"CancelledChangesNothing", true, 600, Answer::Cancel, 1000, false},
                      EdgeCase{"BelowThresholdAsksNothing", true, 502, Answer::KeepNodes, 1000, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(CanvasInteractionTest, CanvasEdgeAsksOnlyForADragLongEnough)
{
    doc.state.zoom = 0.5f;
    drag({500, 200}, {502, 200});
    EXPECT_EQ(host.questions, 0);
    drag({500, 200}, {503, 200});
    EXPECT_EQ(host.questions, 1);
}

TEST_F(CanvasInteractionTest, CanvasBarLabelShowsTheClampedSide)
{
    doc.state.zoom = 0.5f;
    interaction.press({500, 200}, Qt::LeftButton, {});
    interaction.move({9000, 200}, {});
    EXPECT_EQ(host.feedback.label, QString::number(kMaxCanvasWidth));
    interaction.move({10, 200}, {});
    EXPECT_EQ(host.feedback.label, QString::number(kMinCanvasSide));
}

// ---- Keys ------------------------------------------------------------------

struct ArrowCase {
    const char* name;
    float zoom;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    QPoint centre;
};

class ArrowKeyTest : public CanvasInteractionTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(ArrowKeyTest, NudgesTheSelectionOneUndoStepPerPress)
{
    const ArrowCase& c = GetParam();
    doc.state.zoom = c.zoom;
    selectOnly(0);
    EXPECT_TRUE(interaction.key(c.key, c.mods));
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), c.centre);
    EXPECT_EQ(history.undoCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ArrowKeyTest,
                         ::testing::Values(ArrowCase{"Right", 1.0f, Qt::Key_Right, {}, {310, 300}},
                                           ArrowCase{"CtrlUp", 1.0f, Qt::Key_Up, Qt::ControlModifier, {300, 299}},
                                           ArrowCase{"HalfZoomLeft", 0.5f, Qt::Key_Left, {}, {280, 300}},
                                           ArrowCase{"FourTimesCtrlDown", 4.0f, Qt::Key_Down, Qt::ControlModifier,
                                                     {300, 301}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(CanvasInteractionTest, TabWalksTheMainSelectionAndOtherKeysAreLeftAlone)
{
    selectOnly(0);
    EXPECT_TRUE(interaction.key(Qt::Key_Tab, {}));
    EXPECT_EQ(doc.state.mainIndex, 1);
    EXPECT_TRUE(interaction.key(Qt::Key_Backtab, {}));
    EXPECT_EQ(doc.state.mainIndex, 0);
    EXPECT_FALSE(interaction.key(Qt::Key_A, {}));
    EXPECT_EQ(history.undoCount(), 0);
}

} // namespace
} // namespace vq
