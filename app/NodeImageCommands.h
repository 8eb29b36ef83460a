#pragma once

namespace vq {

class MainWindow;

// Plugs saving the main node's picture to a file into the frame.
void wireNodeImageCommands(MainWindow& frame);

} // namespace vq
