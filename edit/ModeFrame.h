#pragma once

#include "model/Geometry.h"

#include <QPoint>

namespace vq {

// Parts of the range frame: the edges, the corners in handle order, the inside.
enum ModePart : int {
    kPartLeft = 0,
    kPartTop = 1,
    kPartRight = 2,
    kPartBottom = 3,
    kPartTopLeft = 4,
    kPartTopRight = 5,
    kPartBottomRight = 6,
    kPartBottomLeft = 7,
    kPartInside = 9,
};

// The frame a drag of `part` by `canvasDelta` proposes. The inside moves the
// whole frame and is shifted back into the node; edges and corners move their
// sides, kept inside the node and `minGap` canvas pixels from the opposite side.
[[nodiscard]] IntRect DragModeFrame(const IntRect& frame, int part, QPoint canvasDelta, const IntRect& node, int minGap);
// An arrow-key step of `part` by `delta` canvas pixels: edges take the
// component along their axis, corners both, the inside moves the whole frame
// but only when it stays inside the node. False when nothing changes.
bool StepModeFrame(IntRect& frame, int part, QPoint delta, const IntRect& node);
// The part Tab (or Shift+Tab) chooses next: the edges in turn; from the
// inside the first or last edge; from a corner the edge at its position.
[[nodiscard]] int NextModePart(int part, bool backwards);

} // namespace vq
