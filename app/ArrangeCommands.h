#pragma once

namespace vq {

class CMainFrame;

// Plugs the Align menu and toolbar and the node menu's position commands into
// the frame; each runs its arrangement operation through the editing session.
void wireArrangeCommands(CMainFrame& frame);

} // namespace vq
