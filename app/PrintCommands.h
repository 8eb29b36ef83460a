#pragma once

namespace vq {

class CMainFrame;

// Plugs printing into the frame.
void wirePrintCommands(CMainFrame& frame);

} // namespace vq
