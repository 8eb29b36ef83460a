#pragma once

namespace vq {

class CMainFrame;

// The print dialog on the application's print record, run modally.
void RunPrintDialog(CMainFrame& frame);

// Plugs printing into the frame.
void wirePrintCommands(CMainFrame& frame);

} // namespace vq
