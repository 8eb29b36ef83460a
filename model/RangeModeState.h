#pragma once

#include "model/Geometry.h"

namespace vq {

// The trimming, blur and multi-cut range mode of the canvas.
struct RangeMode {
    int modeKind = 0;   // 0 trimming, 1 blur, 2 multi-cut
    int modeNode = -1;  // node in mode; -1 when no mode is active
    IntRect modeRect;   // canvas pixels
    int modePart = 2;   // frame part chosen for keyboard and mouse

    [[nodiscard]] bool active() const { return modeNode >= 0; }
};

} // namespace vq
