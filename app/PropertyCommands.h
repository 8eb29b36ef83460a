#pragma once

namespace vq {

class MainWindow;

// Plugs the node and canvas property dialogs into the frame.
void wirePropertyCommands(MainWindow& frame);

} // namespace vq
