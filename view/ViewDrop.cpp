// Drops on the canvas: files from a file manager, links and pictures from a
// web browser. The view only says where the drop landed; what it adds is the
// editing commands' business.
#include "view/CanvasView.h"

#include "imaging/Clipboard.h"
#include "model/Document.h"
#include "edit/HitTest.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace vq {

namespace {

bool acceptable(const QMimeData* data)
{
    return data && (data->hasUrls() || MimeOffersImage(*data) || data->hasText());
}

} // namespace

void CanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
}

void CanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
}

void CanvasView::dropEvent(QDropEvent* event)
{
    if (!acceptable(event->mimeData()))
        return;
    StopHoverAnimation();
    const QPoint v = toView(event->position().toPoint());
    event->acceptProposedAction();
    emit dropped(event->mimeData(), v, HitTestNode(doc(), v, zoom()));
}

} // namespace vq
