#pragma once

namespace vq {

class MainWindow;

// The print dialog on the application's print record, run modally.
void RunPrintDialog(MainWindow& frame);

// Plugs printing into the frame.
void wirePrintCommands(MainWindow& frame);

} // namespace vq
