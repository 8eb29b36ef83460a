#include "app/PropertyCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ImagePropertiesDialog.h"
#include "dialogs/CanvasPropertiesDialog.h"
#include "edit/CanvasProperties.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"

namespace vq {

namespace {

void openNodeProperties(MainWindow& frame)
{
    EditSession& session = frame.app().edits();
    const Document& doc = session.doc();
    if (!doc.hasMainSelection() || !doc.nodes[doc.state.mainIndex].picture)
        return;
    // Everything done in one run of the dialog is one undo step.
    if (!session.PushUndoSnapshot())
        return;
    ImagePropertiesDialog dialog(session, doc.state.mainIndex, &frame);
    RunDialog(dialog);
    if (CanvasView* view = frame.canvas())
        view->StopHoverAnimation();
}

void openCanvasProperties(MainWindow& frame)
{
    EditSession& session = frame.app().edits();
    CanvasPropertiesDialog dialog(CanvasPropertiesOf(session.doc().state), &frame);
    if (RunDialog(dialog) != QDialog::Accepted)
        return;
    // Unlike the dialog's forebears this is one undo step: shrinking the
    // canvas by mistake must be recoverable.
    if (ApplyCanvasPropertiesEdit(session, dialog.properties()))
        if (CanvasView* view = frame.canvas())
            view->UpdateScrollSizes();
}

} // namespace

void wirePropertyCommands(MainWindow& frame)
{
    frame.registerHandler(cmd::ImageProperties, [&frame] { openNodeProperties(frame); });
    frame.registerHandler(cmd::ViewProperties, [&frame] { openCanvasProperties(frame); });
    if (CanvasView* view = frame.canvas()) {
        // The first click of the pair has already selected the node.
        QObject::connect(view, &CanvasView::doubleClicked, &frame, [&frame](int node) {
            frame.invokeHandler(node >= 0 ? cmd::ImageProperties : cmd::ViewProperties);
        });
    }
}

} // namespace vq
