#pragma once

namespace vq {

class CMainFrame;

// Plugs executing the multi-cut and its settings window into the frame.
void wireMultiCutCommands(CMainFrame& frame);

} // namespace vq
