#pragma once

namespace vq {

class CMainFrame;

// Plugs the range modes into the frame: trimming, blur and multi-cut.
void wireRangeCommands(CMainFrame& frame);

} // namespace vq
