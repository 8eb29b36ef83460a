#pragma once

#include "view/CanvasView.h"

#include <QPoint>

class QMenu;

namespace vq {

class MainWindow;

// Builds popup `popup` of the canvas's context menu with its own items,
// enabled and marked by the canvas's rules rather than the main menu's.
// The caller owns the menu.
[[nodiscard]] QMenu* buildCanvasMenu(MainWindow& frame, CanvasPopup popup);
// Shows popup `popup` centred below `globalPos` and runs the chosen command.
void showCanvasMenu(MainWindow& frame, CanvasPopup popup, QPoint globalPos);

} // namespace vq
