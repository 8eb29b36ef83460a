#pragma once

#include "base/Color.h"

namespace vq {

// `color` (0x00BBGGRR) with `delta` subtracted from each of red, green and
// blue, each clamped to 0..255. Black lightened or white darkened would not
// move at all, so those give mid grey 0x808080 instead.
[[nodiscard]] ColorRef ShiftColor(ColorRef color, int delta);

} // namespace vq
