#pragma once

namespace vq {

class MainWindow;
class MultiCutWindow;

// Plugs executing the multi-cut and its settings window into the frame.
void wireMultiCutCommands(MainWindow& frame);

// The frame's one multi-cut settings window, made on first use; it lives as
// long as the frame.
MultiCutWindow& multiCutWindowOf(MainWindow& frame);

} // namespace vq
