#pragma once

namespace vq {

class MainWindow;

// Plugs rotation and flipping into the frame: right by 90, 180 and left by 90
// turn every selected node, the two mirrors flip them, and "any angle" opens
// the angle dialog for the main node.
void wireRotateCommands(MainWindow& frame);

} // namespace vq
