#include "edit/ModeFrame.h"

#include <algorithm>

namespace vq {

namespace {

bool hasLeft(int part) { return part == kPartLeft || part == kPartTopLeft || part == kPartBottomLeft; }
bool hasRight(int part) { return part == kPartRight || part == kPartTopRight || part == kPartBottomRight; }
bool hasTop(int part) { return part == kPartTop || part == kPartTopLeft || part == kPartTopRight; }
bool hasBottom(int part) { return part == kPartBottom || part == kPartBottomLeft || part == kPartBottomRight; }

// Moves the sides a part owns, each kept inside the node and `gap` from its opposite.
IntRect moveSides(const IntRect& f, int part, QPoint d, const IntRect& node, int gap)
{
    IntRect r = f;
    if (hasLeft(part))
        r.left = std::clamp(f.left + d.x(), node.left, std::max(node.left, f.right - gap));
    if (hasRight(part))
        r.right = std::clamp(f.right + d.x(), std::min(node.right, f.left + gap), node.right);
    if (hasTop(part))
        r.top = std::clamp(f.top + d.y(), node.top, std::max(node.top, f.bottom - gap));
    if (hasBottom(part))
        r.bottom = std::clamp(f.bottom + d.y(), std::min(node.bottom, f.top + gap), node.bottom);
    return r;
}

} // namespace

IntRect DragModeFrame(const IntRect& frame, int part, QPoint canvasDelta, const IntRect& node, int minGap)
{
    if (part != kPartInside)
        return moveSides(frame, part, canvasDelta, node, std::max(1, minGap));
    IntRect r{frame.left + canvasDelta.x(), frame.top + canvasDelta.y(), frame.right + canvasDelta.x(),
              frame.bottom + canvasDelta.y()};
    // Shifted back, never squeezed: a frame as large as the node stays put.
    const int dx = r.left < node.left ? node.left - r.left : (r.right > node.right ? node.right - r.right : 0);
    const int dy = r.top < node.top ? node.top - r.top : (r.bottom > node.bottom ? node.bottom - r.bottom : 0);
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

bool StepModeFrame(IntRect& frame, int part, QPoint delta, const IntRect& node)
{
    IntRect next;
    if (part == kPartInside) {
        next = {frame.left + delta.x(), frame.top + delta.y(), frame.right + delta.x(), frame.bottom + delta.y()};
        if (next.left < node.left || next.top < node.top || next.right > node.right || next.bottom > node.bottom)
            return false;
    } else {
        next = moveSides(frame, part, delta, node, 1);
    }
    if (next == frame)
        return false;
    frame = next;
    return true;
}

int NextModePart(int part, bool backwards)
{
    switch (part) {
    case kPartInside: return backwards ? kPartBottom : kPartLeft;
    case kPartTopLeft: return kPartLeft;
    case kPartTopRight: return kPartTop;
    case kPartBottomRight: return kPartRight;
    case kPartBottomLeft: return kPartBottom;
    default: break;
    }
    const int edge = std::clamp(part, 0, 3);
    return backwards ? (edge + 3) % 4 : (edge + 1) % 4;
}

} // namespace vq
