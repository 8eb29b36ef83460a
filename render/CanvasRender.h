#pragma once

#include <QImage>

namespace vq {

class Document;
struct RangeMode;
struct SysSettings;

// The canvas as output shows it at `zoom`: background, frame, nodes, overlaps
// and any range overlay, without grid, handles or console. The document's own
// zoom and the screen's geometry are left alone.
[[nodiscard]] QImage RenderCanvas(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom);

// RenderCanvas drawing each picture from a StreamingPictureSupply: the same
// pixels, made while holding little more than the canvas itself. For output
// that draws the canvas once.
[[nodiscard]] QImage RenderCanvasStreamed(const Document& doc, const SysSettings& sys, const RangeMode& mode,
                                          float zoom);

// What a copy puts on the system clipboard: one selected node's picture at
// the size it is shown; for several, the part of the canvas (drawn at zoom 1)
// that their rectangles cover. Null when nothing selected can be drawn.
[[nodiscard]] QImage SelectionClipboardImage(const Document& doc, const SysSettings& sys, const RangeMode& mode);

} // namespace vq
