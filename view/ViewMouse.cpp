// The mouse side of the canvas widget: events go to the interaction, and what
// it asks for (feedback, cursors, guides, popups, questions) is shown here.
#include "view/CanvasView.h"

#include "view/Prompts.h"
#include "base/Prompter.h"
#include "view/Cursors.h"
#include "base/Settings.h"

#include <QMouseEvent>
#include <QToolTip>

namespace vq {

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    m_interaction.press(event->position().toPoint(), event->button(), event->modifiers());
    event->accept();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    m_interaction.move(event->position().toPoint(), event->modifiers());
    event->accept();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    m_interaction.release(event->position().toPoint(), event->globalPosition().toPoint(), event->button(),
                          event->modifiers());
    event->accept();
}

bool CanvasView::snapEnabled() const
{
    return m_sys.snap != 0;
}

QSize CanvasView::clientSize() const
{
    return viewport()->size();
}

bool CanvasView::hasKeyboardFocus() const
{
    return hasFocus();
}

void CanvasView::takeFocus()
{
    setFocus(Qt::MouseFocusReason);
}

void CanvasView::showCursor(CursorShape shape)
{
    if (shape == m_cursor)
        return;
    m_cursor = shape;
    viewport()->setCursor(CursorFor(shape));
}

void CanvasView::showTooltip(QPoint client, const QString& text)
{
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(viewport()->mapToGlobal(client), text, viewport());
}

void CanvasView::showCursorText(const QString& text)
{
    emit cursorTextChanged(text);
}

void CanvasView::consoleChanged()
{
    viewport()->update();
}

void CanvasView::requestPopup(CanvasPopup popup, QPoint global)
{
    emit contextMenuRequested(popup, global);
}

CanvasScaleAnswer CanvasView::askScaleNodes()
{
    switch (ShowMessage(kMsgAdjustPositions, window(), {}, kStyleYesNoCancel)) {
    case kIdYes: return CanvasScaleAnswer::ScaleNodes;
    case kIdNo: return CanvasScaleAnswer::KeepNodes;
    default: return CanvasScaleAnswer::Cancel;
    }
}

void CanvasView::setFeedback(const Feedback& feedback)
{
    QRegion dirty(FeedbackArea(m_feedback));
    m_feedback = feedback;
    dirty += FeedbackArea(m_feedback);
    viewport()->update(dirty);
}

void CanvasView::RestoreFeedback()
{
    if (m_feedback.isNone())
        return;
    viewport()->update(FeedbackArea(m_feedback));
    m_feedback = {};
}

} // namespace vq
