// A double-click opens properties: the first click of the pair has already
// selected what lies under the pointer, so the second press is not treated
// as the start of a drag.
#include "view/CanvasView.h"

#include "edit/EditSession.h"
#include "edit/HitTest.h"

#include <QMouseEvent>

namespace vq {

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || m_session.mode().active() || m_interaction.drag() != DragKind::None)
        return;
    const QPoint v = toView(event->position().toPoint());
    const QSize canvas = zoomedCanvas();
    if (v.x() < 0 || v.y() < 0 || v.x() >= canvas.width() || v.y() >= canvas.height())
        return;
    StopHoverAnimation();
    emit doubleClicked(HitTestNode(doc(), v, zoom()));
}

} // namespace vq
