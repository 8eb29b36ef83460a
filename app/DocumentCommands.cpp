#include "app/DocumentCommands.h"

#include "app/CMainFrame.h"
#include "app/CT52106Doc.h"
#include "view/CT52106View.h"

namespace vq {

void wireDocumentCommands(CMainFrame& frame, CT52106Doc& document)
{
    frame.registerHandler(57600, [&document] { document.OnNewDocument(); });
    frame.registerHandler(57601, [&document] { document.OnFileOpen(); });
    frame.registerHandler(57603, [&document] { document.OnFileSave(); });
    frame.registerHandler(57604, [&document] { document.OnFileSaveAs(); });
    for (int id = 57616; id <= 57631; ++id) {
        frame.registerHandler(id, [&frame, &document, id] {
            const QString path = frame.recentFilePath(id);
            if (!path.isEmpty())
                document.OnOpenDocument(path);
        });
    }
    frame.registerHandler(384, [&document] { document.OnUndo(); });
    frame.registerHandler(385, [&document] { document.OnRedo(); });
    frame.setCloseGuard([&document] { return document.SaveModified(); });
    const auto markModified = [&document] { document.SetModifiedFlag(true); };
    QObject::connect(&frame, &CMainFrame::documentModified, &document, markModified);
    if (CT52106View* view = frame.canvas())
        QObject::connect(view, &CT52106View::documentModified, &document, markModified);
}

} // namespace vq
