#pragma once

#include "view/CT52106View.h"

#include <QPoint>

class QMenu;

namespace vq {

class CMainFrame;

// Builds popup `popup` of the canvas's context menu with its own items,
// enabled and marked by the canvas's rules rather than the main menu's.
// The caller owns the menu.
[[nodiscard]] QMenu* buildCanvasMenu(CMainFrame& frame, CanvasPopup popup);
// Shows popup `popup` centred below `globalPos` and runs the chosen command.
void showCanvasMenu(CMainFrame& frame, CanvasPopup popup, QPoint globalPos);

} // namespace vq
