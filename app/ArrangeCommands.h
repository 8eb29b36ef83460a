#pragma once

namespace vq {

class MainWindow;

// Plugs the Align menu and toolbar and the node menu's position commands into
// the frame; each runs its arrangement operation through the editing session.
void wireArrangeCommands(MainWindow& frame);

} // namespace vq
