#pragma once

#include "model/RangeModeState.h"
#include "imaging/Picture.h"
#include "model/Geometry.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

namespace vq {

class Document;
class EditSession;

// Picture pixels to cut from each edge of a node's picture.
struct EdgeCuts {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] bool none() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

// How a node shows its picture: sx = 2·halfWidth / picture width, likewise sy,
// in single precision as the program has always computed them.
struct DisplayScale {
    float sx = 1.0f;
    float sy = 1.0f;
};
[[nodiscard]] DisplayScale DisplayScaleOf(const IntRect& node, QSize picture);

// The picture pixels under `range` (canvas pixels) of a node at `node` showing
// a picture of `picture` pixels: each offset and size divided by the display
// scale and truncated. May reach past the picture; callers clip.
[[nodiscard]] QRect RangeToPictureRect(const IntRect& node, QSize picture, const IntRect& range);

// A trim worked out but not yet applied: the new picture and the node's new
// rectangle. Working it out touches nothing, so a failure changes nothing.
struct PreparedTrim {
    int node = -1;
    PicturePtr picture;
    IntRect rect;
};

// The trim of node `index` to `range` (canvas pixels): the part of the picture
// under the range, and the range as the node's new place.
[[nodiscard]] std::optional<PreparedTrim> PrepareRangeTrim(const Document& doc, int index, const IntRect& range);
// The trim of node `index` by `cuts` picture pixels from its edges; the node's
// sides move in by each cut times the display scale, truncated.
[[nodiscard]] std::optional<PreparedTrim> PrepareEdgeTrim(const Document& doc, int index, const EdgeCuts& cuts);
// Gives the node its new picture and takes the new rectangle's place and
// half sizes (integer halves). The node's recorded original size and data
// size stay.
void ApplyTrim(Document& doc, const PreparedTrim& trim);

// Trims node `mode.modeNode`: to `mode.modeRect` when `cuts` are all 0,
// otherwise by the cuts. No undo step of its own. On success the mode ends;
// on failure (no picture, nothing left, an encode that fails) nothing changes
// and the mode stays.
bool ExecuteTrim(Document& doc, RangeMode& mode, const EdgeCuts& cuts);

// Executing the trimming mode: one undo step, taken only when the trim
// succeeds. False when no trimming mode is active or the trim failed.
bool ExecuteModeTrim(EditSession& session);

// Cuts `cuts` from the edges of every selected node, as one undo step; a
// node that cannot be cut stays as it was. Nothing happens without a main
// node or when all cuts are 0. The number of nodes trimmed.
int TrimSelected(EditSession& session, const EdgeCuts& cuts);

// The decoded picture of node `index` at its own pixel size, opaque 32-bit
// RGB; null when the node has no picture or it cannot be decoded.
[[nodiscard]] QImage DecodeNodePicture(const Document& doc, int index);

} // namespace vq
