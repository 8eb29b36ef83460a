#pragma once

namespace vq {

class CMainFrame;

// Plugs saving the main node's picture to a file into the frame.
void wireNodeImageCommands(CMainFrame& frame);

} // namespace vq
