#pragma once

#include <QCursor>

namespace vq {

// The program's own cursors, numbered as the canvas refers to them.
enum ProgramCursorId : int {
    kCursorZoomIn = 311,      // over the console's plus button
    kCursorZoomOut = 312,     // over the console's minus button
    kCursorHoldOutside = 314, // dial drag on the ring, resize with the pointer off the canvas
    kCursorHold = 315,        // moving nodes, over a selected node, dragging the console
    kCursorDialRing = 316,    // over the ring of an active dial
    kCursorSizeWidth = 326,   // left or right edge: the mode frame's, the canvas's right edge
    kCursorSizeHeight = 327,  // top or bottom edge: the mode frame's, the canvas's bottom edge
};

// The cursor for `id`, drawn on first use and kept until the application
// ends; the arrow for an id the program does not draw. Needs a QGuiApplication.
[[nodiscard]] QCursor ProgramCursor(int id);

} // namespace vq
