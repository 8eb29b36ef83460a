#pragma once

namespace vq {

class CMainFrame;

// Plugs preferences, the recent-file manager, the manual and the about box into the frame.
void wireSystemCommands(CMainFrame& frame);

} // namespace vq
