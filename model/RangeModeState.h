#pragma once

#include "model/Geometry.h"

namespace vq {

// The three range modes: a frame over one node that trimming crops to, blur
// obscures, or multi-cut takes as its first tile.
enum class RangeKind : int {
    Trim = 0,
    Blur = 1,
    MultiCut = 2,
};
// The number a range kind is stored under: the remembered ranges' settings
// names and the modes' menus are indexed by it.
[[nodiscard]] constexpr int RangeKindIndex(RangeKind kind)
{
    return static_cast<int>(kind);
}

// Parts of the range frame: the edges, the corners in handle order, the inside.
enum class ModePart : int {
    Left = 0,
    Top = 1,
    Right = 2,
    Bottom = 3,
    TopLeft = 4,
    TopRight = 5,
    BottomRight = 6,
    BottomLeft = 7,
    Inside = 9,
};

// The trimming, blur and multi-cut range mode of the canvas.
struct RangeMode {
    RangeKind modeKind = RangeKind::Trim;
    int modeNode = -1;  // node in mode; -1 when no mode is active
    IntRect modeRect;   // canvas pixels
    ModePart modePart = ModePart::Right; // frame part chosen for keyboard and mouse

    [[nodiscard]] bool active() const { return modeNode >= 0; }
};

} // namespace vq
