#pragma once

#include <QString>

namespace vq {

class CMainFrame;

// Plugs preferences, the recent-file manager, the manual and the about box
// into the frame. The manual is looked for from the program's own folder.
void wireSystemCommands(CMainFrame& frame);

// The same with the manual looked for from `programFolder`.
void wireSystemCommands(CMainFrame& frame, const QString& programFolder);

} // namespace vq
