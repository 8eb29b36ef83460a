#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vq {

class Document;

// Moves shorter than this many window pixels on both axes are taken as clicks.
inline constexpr int kMoveThreshold = 2;
// Nodes never get narrower or lower than this many canvas pixels by a resize.
inline constexpr int kMinResizeCanvasPixels = 10;

// The eight selection handles of a node, numbered as they are drawn and
// hit-tested: the corners clockwise from the top-left, then the edge
// midpoints clockwise from the top.
enum class ResizeHandle : int { TopLeft, TopRight, BottomRight, BottomLeft, Top, Right, Bottom, Left };
[[nodiscard]] constexpr bool IsCornerHandle(ResizeHandle h) { return static_cast<int>(h) <= 3; }

// A pointer displacement in window pixels as canvas pixels: truncated, except
// that a step of exactly one window pixel always moves one canvas pixel.
[[nodiscard]] QPoint MoveDisplacement(QPoint windowDelta, float zoom);
[[nodiscard]] bool ExceedsMoveThreshold(QPoint windowDelta);
// Adds `canvasDelta` to every selected node and pulls each back so that its
// centre stays on the canvas. True when anything was selected.
bool MoveSelection(Document& doc, QPoint canvasDelta);

// Where the main node's rectangle goes while `handle` is dragged to `pointer`. All in client
// pixels: `start` is the node's rectangle at the press, `canvasBottomRight`
// the canvas's bottom-right corner on screen. The pointer is kept on the
// canvas and the moved sides keep `minSize` from the opposite ones. A corner
// handle keeps the aspect ratio unless `freeRatio`: the side that moved
// further, relative to its length, leads.
[[nodiscard]] QRect ResizeFeedbackRect(const QRect& start, ResizeHandle handle, QPoint pointer,
                                       QPoint canvasBottomRight, int minSize, bool freeRatio);
// Applies a finished resize: the main node takes the rectangle `result`
// (client pixels, `scroll` the scroll position); every other selected node is
// scaled by the same ratios along the axes the handle moved.
void ApplyResize(Document& doc, const QRect& start, const QRect& result, QPoint scroll, float zoom,
                 ResizeHandle handle);

// The canvas edge a drag changes.
enum class CanvasAxis { Width, Height };
// Edge drags shorter than this along their axis change nothing.
inline constexpr int kCanvasDragThreshold = 3;
// The canvas side the edge dragged to `screenPos` (zoomed canvas pixels)
// gives, within the canvas limits. With `scaleNodes` false (only the margin
// changes) the canvas cannot cut into the central half of any node that lies
// within those limits.
[[nodiscard]] int CanvasSizeFromDrag(const Document& doc, CanvasAxis axis, int screenPos, bool scaleNodes);
// Sets the canvas side; with `scaleNodes` every node's centre and size along
// that axis is scaled with it. False when the size is unchanged.
bool ApplyCanvasSize(Document& doc, CanvasAxis axis, int newSize, bool scaleNodes);

} // namespace vq
