#include "app/PrintCommands.h"

#include "app/CMainFrame.h"
#include "app/CT52106App.h"
#include "dialogs/CInsatuDlg.h"
#include "model/Messages.h"
#include "resources/CommandIds.h"
#include "view/CT52106View.h"

namespace vq {

void RunPrintDialog(CMainFrame& frame)
{
    CT52106App& app = frame.app();
    QPrinter* printer = app.printer();
    if (!printer) {
        ShowMessage(30082, &frame, {}, kStyleError);
        return;
    }
    CInsatuDlg dialog(*printer, app.settings(), app.doc(), app.sys(), frame.canvas()->rangeMode(), &frame);
    dialog.exec();
}

void wirePrintCommands(CMainFrame& frame)
{
    frame.registerHandler(cmd::Print, [&frame] { RunPrintDialog(frame); });
}

} // namespace vq
