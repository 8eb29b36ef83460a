#pragma once

#include "model/DocState.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QStringList>

#include <span>

class QPainter;

namespace vq {

class Document;
class Picture;
struct NodeGeometry;
struct RangeMode;
struct ScreenGeometry;
struct SysSettings;

// The painters draw in zoomed canvas coordinates: logical (0, 0) of the
// painter is the canvas's top-left corner and one unit is one screen pixel.
// They take the zoom as a parameter, so the export, printing and the canvas
// copy draw at their own scale without touching the document's zoom. Lines are
// drawn aliased, as the stored geometry is in whole pixels; pictures are
// scaled smoothly. Anything outside the painter's clip is skipped.

// Frame line styles of nodes and of the canvas.
enum class FrameStyle : int {
    Solid = 0,
    Dash = 1,
    Dot = 2,
    DashDot = 3,
    DashDotDot = 4,
    Double = 5,
};
// Node records, the document state and the style selectors' rows keep a
// frame style as its number. A number outside the six is kept as it is: it
// draws as a plain line.
[[nodiscard]] constexpr FrameStyle FrameStyleFromStored(int stored)
{
    return static_cast<FrameStyle>(stored);
}
[[nodiscard]] constexpr int StoredFrameStyle(FrameStyle style)
{
    return static_cast<int>(style);
}
// The six style names, in index order, for every style selector.
[[nodiscard]] QStringList FrameStyleNames();

// 0x00BBGGRR to a colour; kNoColor gives an invalid QColor.
[[nodiscard]] QColor ColorFromRef(ColorRef colour);
[[nodiscard]] ColorRef RefFromColor(const QColor& colour);
// Each channel reduced by `amount`, clamped at 0; black and "none" become 0x808080.
[[nodiscard]] ColorRef DarkenColour(ColorRef colour, int amount);

// Draws the segments points[i] -> points[i + 1] with a round-capped,
// round-joined pen `widthPixels` wide; nothing when `colour` is kNoColor. The
// double-line style is drawn solid here.
void DrawPenShape(QPainter& painter, std::span<const QPoint> points, ColorRef colour, FrameStyle penStyle,
                  int widthPixels);
// Draws the segments in a frame line style; `width` is in canvas pixels and
// scaled by `zoom`. The double line is a wide line with a white middle line.
void DrawStyledOutline(QPainter& painter, std::span<const QPoint> points, ColorRef colour, FrameStyle style, int width,
                       float zoom);
// Inverts the colours of `rect` (XOR with white on raster images).
void InvertRect(QPainter& painter, const QRect& rect);

// Draws `picture` stretched into `target`, from the picture cache. False when
// the picture cannot be decoded; a target outside the clip is not decoded.
bool DrawPicture(QPainter& painter, const Picture& picture, const QRect& target);

// Background colour or picture, then the canvas frame. False when a
// background picture cannot be drawn (then neither fill nor frame is drawn).
bool PaintCanvasBackground(QPainter& painter, const Document& doc, float zoom);
// Grid lines in screen pixels, independent of the zoom; nothing when hidden.
void PaintGrid(QPainter& painter, const Document& doc, float zoom);
// One node: picture, frame (or the grey outline of frameless nodes while a
// mode is active). False when the node has no picture or it cannot be drawn;
// then nothing of it is drawn.
bool PaintNode(QPainter& painter, const Document& doc, const RangeMode& mode, int index, float zoom);
// Every node in stacking order with the mode overlays, the overlap pass and,
// when `withHandles`, the selection handles. Painting only reads: where nodes
// lie on the screen comes from `geometry` (the first form works it out).
void PaintNodes(QPainter& painter, const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                bool withHandles);
void PaintNodes(QPainter& painter, const Document& doc, const ScreenGeometry& geometry, const SysSettings& sys,
                const RangeMode& mode, float zoom, bool withHandles);
// The range frame of the node in mode (inverted area, outline, highlighted
// part, corner squares).
void PaintModeFrame(QPainter& painter, const DocState& state, const RangeMode& mode, float zoom);
// The multi-cut cells after the first one.
void PaintMultiCutCells(QPainter& painter, const DocState& state, const SysSettings& sys, const RangeMode& mode,
                        float zoom);
// The eight handles of a node at its corners and edge midpoints.
void PaintHandles(QPainter& painter, const NodeGeometry& geometry, bool mainSelection);

// Handle colours (0x00BBGGRR).
inline constexpr ColorRef kMainHandlePen = 0xC08040;
inline constexpr ColorRef kMainHandleFill = 0x804000;
inline constexpr ColorRef kOtherHandlePen = 0x8484FF;
inline constexpr ColorRef kOtherHandleFill = 0x4444FF;
inline constexpr ColorRef kFramelessOutline = 0xC0C0C0;

} // namespace vq
