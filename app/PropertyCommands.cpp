#include "app/PropertyCommands.h"

#include "app/CMainFrame.h"
#include "app/CT52106App.h"
#include "dialogs/CNodeDlg.h"
#include "dialogs/CPropertyView.h"
#include "edit/CanvasProperties.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "view/CT52106View.h"

namespace vq {

namespace {

void openNodeProperties(CMainFrame& frame)
{
    EditSession& session = frame.app().edits();
    const Document& doc = session.doc();
    if (!doc.hasMainSelection() || !doc.nodes[doc.state.mainIndex].picture)
        return;
    // Everything done in one run of the dialog is one undo step.
    session.PushUndoSnapshot();
    CNodeDlg dialog(session, doc.state.mainIndex, &frame);
    dialog.exec();
    if (CT52106View* view = frame.canvas())
        view->StopHoverAnimation();
}

void openCanvasProperties(CMainFrame& frame)
{
    EditSession& session = frame.app().edits();
    CPropertyView dialog(CanvasPropertiesOf(session.doc().state), &frame);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Unlike the dialog's forebears this is one undo step: shrinking the
    // canvas by mistake must be recoverable.
    if (ApplyCanvasPropertiesEdit(session, dialog.properties()))
        if (CT52106View* view = frame.canvas())
            view->UpdateScrollSizes();
}

} // namespace

void wirePropertyCommands(CMainFrame& frame)
{
    frame.registerHandler(cmd::ImageProperties, [&frame] { openNodeProperties(frame); });
    frame.registerHandler(cmd::ViewProperties, [&frame] { openCanvasProperties(frame); });
    if (CT52106View* view = frame.canvas()) {
        // The first click of the pair has already selected the node.
        QObject::connect(view, &CT52106View::doubleClicked, &frame, [&frame](int node) {
            frame.invokeHandler(node >= 0 ? cmd::ImageProperties : cmd::ViewProperties);
        });
    }
}

} // namespace vq
