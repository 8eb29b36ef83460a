#pragma once

#include "edit/CanvasFeedback.h"

#include <QRect>

class QPainter;

namespace vq {

// The client area `feedback` covers (what must be repainted to remove it).
[[nodiscard]] QRect FeedbackArea(const Feedback& feedback);

void PaintFeedback(QPainter& painter, const Feedback& feedback);

// Feedback colours (0x00BBGGRR).
inline constexpr ColorRef kBandColour = 0x464646;
inline constexpr ColorRef kConsoleDragColour = 0x800000;
inline constexpr std::array<ColorRef, 3> kMovePens{0xFAF7F3, 0xF2EBE5, 0xEADFD7};
inline constexpr ColorRef kResizeColour = 0xB46464;
inline constexpr ColorRef kCanvasSizeLabelColour = 0x4E55E0;
// Snap guides: magenta dashes on white, which read on any picture.
inline constexpr ColorRef kGuideColour = 0xFF00FF;
inline constexpr ColorRef kGuideGapColour = 0xFFFFFF;

} // namespace vq
