#include "app/PrintCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/PrintDialog.h"
#include "view/Prompts.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"

namespace vq {

void RunPrintDialog(MainWindow& frame)
{
    Application& app = frame.app();
    QPrinter* printer = app.printer();
    if (!printer) {
        ShowMessage(kMsgPrinterInitFailed, &frame, {}, kStyleError);
        return;
    }
    PrintDialog dialog(*printer, app.settings(), app.doc(), app.sys(), frame.canvas()->rangeMode(), &frame);
    RunDialog(dialog);
}

void wirePrintCommands(MainWindow& frame)
{
    frame.registerHandler(cmd::Print, [&frame] { RunPrintDialog(frame); });
}

} // namespace vq
