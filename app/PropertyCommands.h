#pragma once

namespace vq {

class CMainFrame;

// Plugs the node and canvas property dialogs into the frame.
void wirePropertyCommands(CMainFrame& frame);

} // namespace vq
