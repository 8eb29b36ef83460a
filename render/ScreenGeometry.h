#pragma once

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace vq {

class Document;

// Where each node lies on the screen at one zoom, in zoomed canvas pixels
// (scroll-independent). Hit-testing reads it; it is worked out from the
// document alone, so drawing at another scale (export, print, clipboard) can
// never disturb what the mouse finds.
struct NodeGeometry {
    // False for a node whose picture is missing or cannot be decoded: such a
    // node is not drawn, has no frame, no handles and no handle hit zones.
    bool shown = false;
    std::array<QPoint, 4> corners{};  // TL, TR, BR, BL
    std::array<QPoint, 4> edgeMids{}; // T, R, B, L
    // Where this node overlaps nodes lower in the stack, at most four.
    std::array<QRect, 4> overlapRects{};
    std::array<std::int32_t, 4> overlapIndex{-1, -1, -1, -1};
};

struct ScreenGeometry {
    float zoom = 0.0f;
    std::vector<NodeGeometry> nodes; // one per node in use

    [[nodiscard]] int count() const { return static_cast<int>(nodes.size()); }
};

// The screen geometry of every node in use at `zoom`.
[[nodiscard]] ScreenGeometry ComputeScreenGeometry(const Document& doc, float zoom);

} // namespace vq
