#pragma once

#include <QString>

namespace vq {

class MainWindow;

// Plugs preferences, the recent-file manager, the manual and the about box
// into the frame. The manual is looked for from the program's own folder.
void wireSystemCommands(MainWindow& frame);

// The same with the manual looked for from `programFolder`.
void wireSystemCommands(MainWindow& frame, const QString& programFolder);

} // namespace vq
