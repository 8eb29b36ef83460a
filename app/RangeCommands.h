#pragma once

namespace vq {

class MainWindow;

// Plugs the range modes into the frame: trimming, blur and multi-cut.
void wireRangeCommands(MainWindow& frame);

} // namespace vq
