#pragma once

#include "model/Geometry.h"

#include <span>
#include <vector>

namespace vq {

class Document;

// An edge or centre line snaps to a line within this many window pixels of
// it, whatever the zoom.
inline constexpr int kSnapWindowPixels = 6;

// A line something can snap to, in canvas pixels: where it lies across its
// axis, and how far it reaches along it (the span its guide covers). A line
// with no reach of its own (a grid line) has `from` > `to`.
struct SnapLine {
    int pos = 0;
    int from = 0;
    int to = -1;
    bool operator==(const SnapLine&) const = default;
};

// The lines a drag can snap to, per axis, sorted by place with one entry a
// place: `x` holds the upright lines (places along x), `y` the level ones.
struct SnapTargets {
    std::vector<SnapLine> x;
    std::vector<SnapLine> y;
};

// The lines of the canvas (edges and centre lines), of every node not
// selected (edges and centre lines), and of the grid while it shows. The grid
// is drawn at whole window pixels, so its lines depend on the zoom.
[[nodiscard]] SnapTargets BuildSnapTargets(const Document& doc);

// The nearest line to any of `edges` (canvas pixels), if it lies within
// kSnapWindowPixels at `zoom`: `shift` is what takes that edge onto it. On a
// tie the earlier edge, then the lower line, wins.
struct SnapHit {
    bool hit = false;
    int shift = 0;
    SnapLine line;
};
[[nodiscard]] SnapHit NearestSnap(const std::vector<SnapLine>& lines, std::span<const int> edges, float zoom);

// The guide for a hit: the line's place and the span from the snapped box's
// `from`..`to` along the line to the line's own reach, whichever is longer.
struct GuideSpan {
    int pos = 0;
    int from = 0;
    int to = 0;
};
[[nodiscard]] GuideSpan GuideFor(const SnapLine& line, int boxFrom, int boxTo);

// The bounding box of the selected nodes, canvas pixels; empty when none.
[[nodiscard]] IntRect SelectionBox(const Document& doc);

} // namespace vq
