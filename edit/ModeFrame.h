#pragma once

#include "model/Geometry.h"
#include "model/RangeModeState.h"

#include <QPoint>

namespace vq {

// The frame a drag of `part` by `canvasDelta` proposes. The inside moves the
// whole frame and is shifted back into the node; edges and corners move their
// sides, kept inside the node and `minGap` canvas pixels from the opposite side.
[[nodiscard]] IntRect DragModeFrame(const IntRect& frame, ModePart part, QPoint canvasDelta, const IntRect& node, int minGap);
// An arrow-key step of `part` by `delta` canvas pixels: edges take the
// component along their axis, corners both, the inside moves the whole frame
// but only when it stays inside the node. False when nothing changes.
bool StepModeFrame(IntRect& frame, ModePart part, QPoint delta, const IntRect& node);
// The part Tab (or Shift+Tab) chooses next: the edges in turn; from the
// inside the first or last edge; from a corner the edge at its position.
[[nodiscard]] ModePart NextModePart(ModePart part, bool backwards);

} // namespace vq
