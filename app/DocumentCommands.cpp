#include "app/DocumentCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/DocumentController.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"

namespace vq {

void wireDocumentCommands(MainWindow& frame, DocumentController& document)
{
    Application& app = frame.app();
    EditSession& edits = app.edits();
    frame.registerHandler(cmd::FileNew, [&document] { document.OnNewDocument(); });
    frame.registerHandler(cmd::FileOpen, [&document] { document.OnFileOpen(); });
    frame.registerHandler(cmd::FileSave, [&document] { document.OnFileSave(); });
    frame.registerHandler(cmd::FileSaveAs, [&document] { document.OnFileSaveAs(); });
    for (int id = cmd::RecentFirst; id <= cmd::RecentLast; ++id) {
        frame.registerHandler(id, [&frame, &document, id] {
            const QString path = frame.recentFilePath(id);
            if (!path.isEmpty())
                document.OnOpenDocument(path);
        });
    }
    frame.registerHandler(cmd::Undo, [&edits] { edits.UndoRedo(true); });
    frame.registerHandler(cmd::Redo, [&edits] { edits.UndoRedo(false); });
    frame.setCloseGuard([&document] { return document.SaveModified(); });

    // Every change through the editing session marks the document and
    // refreshes the panes; a selection change only refreshes.
    QObject::connect(&edits, &EditSession::documentChanged, &document, [&document, &app] {
        document.SetModifiedFlag(true);
        app.RefreshStatusCounts(false);
    });
    QObject::connect(&edits, &EditSession::selectionChanged, &document, [&app] { app.RefreshStatusCounts(false); });
    QObject::connect(&edits, &EditSession::modeRectChanged, &document, [&app](RangeKind kind, const IntRect& r) {
        const int index = RangeKindIndex(kind);
        app.settings().setLastRect(index, "PX", r.left);
        app.settings().setLastRect(index, "PY", r.top);
        app.settings().setLastRect(index, "SX", r.width());
        app.settings().setLastRect(index, "SY", r.height());
    });
    if (CanvasView* view = frame.canvas()) {
        QObject::connect(&document, &DocumentController::documentReplaced, view, &CanvasView::OnInitialUpdate);
        QObject::connect(&document, &DocumentController::aboutToSave, view, [view, &app] {
            // The scroll position is saved with the document, but keeping it
            // up to date is not an edit.
            const QPoint scroll = view->scrollPosition();
            app.edits().adjustViewState([scroll](Document& doc) {
                doc.state.scrollX = scroll.x();
                doc.state.scrollY = scroll.y();
            });
        });
    }
}

} // namespace vq
