// Keys and the wheel on the canvas: arrows nudge the console, the range frame
// or the selection; Tab walks through the nodes or the frame's edges; the
// wheel scrolls, or zooms on the dial's ring.
#include "view/CanvasView.h"

#include "edit/EditSession.h"
#include "edit/ModeFrame.h"
#include "edit/MoveResize.h"
#include "model/RangeModeState.h"
#include "edit/Selection.h"
#include "model/Document.h"
#include "view/PointMath.h"
#include "render/ViewGeometry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace vq {

namespace {

constexpr int kArrowStep = 10;
constexpr int kFineStep = 1;
constexpr int kWheelStep = 10;

} // namespace

void CanvasView::OnSelectAll()
{
    m_session.changeSelection([](Document& document) { SelectAll(document); });
}

void CanvasView::OnCancelMode()
{
    // Whichever mode runs is called off as its own cancel command would;
    // multi-cut's settings window hears of it through the session.
    m_session.cancelMode();
}

bool CanvasView::focusNextPrevChild(bool)
{
    // Tab belongs to the canvas: it walks through the nodes, not the widgets.
    return false;
}

void CanvasView::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const int s = ctrl ? kFineStep : kArrowStep;
    switch (event->key()) {
    case Qt::Key_Left: onArrow({-s, 0}); break;
    case Qt::Key_Up: onArrow({0, -s}); break;
    case Qt::Key_Right: onArrow({s, 0}); break;
    case Qt::Key_Down: onArrow({0, s}); break;
    case Qt::Key_Tab: onTab(event->modifiers().testFlag(Qt::ShiftModifier)); break;
    case Qt::Key_Backtab: onTab(true); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

bool CanvasView::onArrow(QPoint step)
{
    const DocState& s = doc().state;
    if (m_console.consoleVisible && m_console.dialActive) {
        const QPoint at = ClampConsolePosition(s.consoleX + step.x(), s.consoleY + step.y(), clientRect());
        m_session.changeWithoutUndo([at](Document& document) {
            document.state.consoleX = at.x();
            document.state.consoleY = at.y();
        });
        return true;
    }
    RangeMode& mode = rangeMode();
    if (mode.active()) {
        IntRect frame = mode.modeRect;
        if (StepModeFrame(frame, mode.modePart, step, doc().NodeRect(mode.modeNode)))
            m_session.setModeRect(frame);
        return true;
    }
    if (s.mainIndex < 0 || s.mainIndex >= s.nodeCount)
        return false;
    StopHoverAnimation();
    const QPoint d = MoveDisplacement(step, s.zoom);
    m_session.edit([d](Document& doc) { MoveSelection(doc, d); });
    return true;
}

void CanvasView::scrollToNode(int index)
{
    const DocState& s = doc().state;
    const QSize total = ScrollTotalSize(s.canvasWidth, s.canvasHeight, s.zoom);
    const QSize client = viewport()->size();
    const bool scrollX = total.width() > client.width();
    const bool scrollY = total.height() > client.height();
    if (!scrollX && !scrollY)
        return;
    const NodeRecord& n = doc().nodes[index];
    const int x = scrollX ? scaleTrunc(n.centerX, s.zoom) - client.width() / 2 : 0;
    const int y = scrollY ? scaleTrunc(n.centerY, s.zoom) - client.height() / 2 : 0;
    setScrollPosition({x, y});
}

void CanvasView::onTab(bool backwards)
{
    RangeMode& mode = rangeMode();
    if (mode.active()) {
        mode.modePart = NextModePart(mode.modePart, backwards);
        repaintNow();
        return;
    }
    if (!m_session.amend([backwards](Document& document) { return CycleMainSelection(document, backwards); }))
        return;
    scrollToNode(doc().state.mainIndex);
    m_session.commitSelection();
}

void CanvasView::wheelEvent(QWheelEvent* event)
{
    RestoreFeedback();
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    const Qt::MouseButtons buttons = event->buttons();
    const bool rightOnly = buttons == Qt::RightButton && mods == Qt::NoModifier;
    int n = kWheelStep;
    if (buttons == Qt::NoButton && mods == Qt::ControlModifier)
        n = 1;
    else if (buttons == Qt::NoButton && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        n = -1;
    else if (rightOnly)
        n = -kWheelStep;
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta > 0)
        n = -n;

    const QPoint p = event->position().toPoint();
    const QPoint centre = consoleCentre();
    const int d = PointMath::Distance(p.x(), p.y(), centre.x(), centre.y());
    if (m_console.dialActive && d >= kDialRingInner && d <= kDialRingOuter) {
        StepZoom(n);
        event->accept();
        return;
    }
    if (verticalScrollBar()->maximum() <= 0) {
        event->accept();
        return;
    }
    const bool sideways = buttons == Qt::NoButton
                          && (mods == Qt::ShiftModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier));
    QScrollBar* bar = sideways || rightOnly ? horizontalScrollBar() : verticalScrollBar();
    bar->setValue(bar->value() + n);
    if (mods != Qt::NoModifier) {
        // Scrolling views add their own step only to a plain turn; Qt's would
        // page the vertical bar under Ctrl or Shift.
        event->accept();
        return;
    }
    const bool wasVisible = m_console.consoleVisible;
    QAbstractScrollArea::wheelEvent(event);
    if (wasVisible && !m_console.consoleVisible) {
        m_console.consoleVisible = true;
        m_console.consoleHiddenByScroll = false;
        viewport()->update();
    }
}

} // namespace vq
