#pragma once

#include "edit/MoveResize.h"
#include "model/RangeModeState.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace vq {

class Document;
struct ScreenGeometry;

// What lies under the pointer. All points are view coordinates (zoomed canvas
// pixels, scroll-independent) unless a name says otherwise.

// The topmost node whose screen rectangle (right and bottom exclusive) holds
// `view`, or -1. Nodes without a picture count: their rectangle still exists.
[[nodiscard]] int HitTestNode(const Document& doc, QPoint view, float zoom);

inline constexpr int kHandleReach = 5;

struct HandleHit {
    int node = -1; // -1: no handle there
    ResizeHandle handle = ResizeHandle::TopLeft;

    [[nodiscard]] bool hit() const { return node >= 0; }
    bool operator==(const HandleHit&) const = default;
};
// The first selection handle within kHandleReach of `view`: selected, shown
// nodes from the top of the stack down, corners before edge midpoints.
[[nodiscard]] HandleHit HitTestHandle(const Document& doc, const ScreenGeometry& geometry, QPoint view);

// `modeCorners` are the frame's screen corners TL, TR, BR, BL (ModeFrameCorners);
// the result is the part hit, or none.
// The corner nearer than 5 pixels to `view`.
[[nodiscard]] std::optional<ModePart> HitTestModeCorner(const std::array<QPoint, 4>& modeCorners, QPoint view);
// The edge within 4 pixels, else the inside of the frame.
[[nodiscard]] std::optional<ModePart> HitTestModeFrame(const std::array<QPoint, 4>& modeCorners, QPoint view);

// The canvas's right and bottom edges, grabbed to change the canvas size.
enum class CanvasEdge { None, Width, Height };
// The edge a press at `view` grabs; the width edge wins at the corner.
[[nodiscard]] CanvasEdge CanvasEdgeAt(QPoint view, QSize zoomedCanvas);
// The size tooltip over the edges, empty elsewhere. Here the height edge wins
// at the corner, so the tip near the corner describes the other edge than a
// press there would drag.
[[nodiscard]] QString CanvasEdgeTooltip(QPoint view, QSize zoomedCanvas, int canvasWidth, int canvasHeight);
// The operation guide while hovering a canvas edge; empty for None.
[[nodiscard]] QString CanvasEdgeGuideText(CanvasEdge edge);

// The operation guide while hovering node `index`: two texts each for
// selected and unselected nodes, alternating by the index's parity so that
// moving across the stack shows more of them.
[[nodiscard]] QString HoverGuideText(bool selected, int index);

} // namespace vq
