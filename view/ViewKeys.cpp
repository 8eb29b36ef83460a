// Keys and the wheel on the canvas: arrows and Tab go to the interaction; the
// wheel scrolls, or zooms on the dial's ring.
#include "view/CanvasView.h"

#include "edit/EditSession.h"
#include "edit/PointMath.h"
#include "edit/Selection.h"
#include "model/Document.h"
#include "render/ViewGeometry.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace vq {

namespace {

constexpr int kWheelStep = 10;

} // namespace

void CanvasView::OnSelectAll()
{
    SelectAllOutsideMode(m_session);
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
    if (!m_interaction.key(static_cast<Qt::Key>(event->key()), event->modifiers())) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
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

    ConsoleState& console = m_interaction.console();
    const QPoint p = event->position().toPoint();
    const QPoint centre = consoleCentre();
    const int d = PointMath::Distance(p.x(), p.y(), centre.x(), centre.y());
    if (console.dialActive && d >= kDialRingInner && d <= kDialRingOuter) {
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
    const bool wasVisible = console.consoleVisible;
    QAbstractScrollArea::wheelEvent(event);
    if (wasVisible && !console.consoleVisible) {
        console.consoleVisible = true;
        console.consoleHiddenByScroll = false;
        viewport()->update();
    }
}

} // namespace vq
