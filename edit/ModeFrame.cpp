#include "edit/ModeFrame.h"

#include <algorithm>

namespace vq {

namespace {

bool hasLeft(ModePart part) { return part == ModePart::Left || part == ModePart::TopLeft || part == ModePart::BottomLeft; }
bool hasRight(ModePart part) { return part == ModePart::Right || part == ModePart::TopRight || part == ModePart::BottomRight; }
bool hasTop(ModePart part) { return part == ModePart::Top || part == ModePart::TopLeft || part == ModePart::TopRight; }
bool hasBottom(ModePart part) { return part == ModePart::Bottom || part == ModePart::BottomLeft || part == ModePart::BottomRight; }

// Moves the sides a part owns, each kept inside the node and `gap` from its opposite.
IntRect moveSides(const IntRect& f, ModePart part, QPoint d, const IntRect& node, int gap)
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

IntRect DragModeFrame(const IntRect& frame, ModePart part, QPoint canvasDelta, const IntRect& node, int minGap)
{
    if (part != ModePart::Inside)
        return moveSides(frame, part, canvasDelta, node, std::max(1, minGap));
    IntRect r{frame.left + canvasDelta.x(), frame.top + canvasDelta.y(), frame.right + canvasDelta.x(),
              frame.bottom + canvasDelta.y()};
    // Shifted back, never squeezed: a frame as large as the node stays put.
    const int dx = r.left < node.left ? node.left - r.left : (r.right > node.right ? node.right - r.right : 0);
    const int dy = r.top < node.top ? node.top - r.top : (r.bottom > node.bottom ? node.bottom - r.bottom : 0);
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

bool StepModeFrame(IntRect& frame, ModePart part, QPoint delta, const IntRect& node)
{
    IntRect next;
    if (part == ModePart::Inside) {
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

ModePart NextModePart(ModePart part, bool backwards)
{
    switch (part) {
    case ModePart::Inside: return backwards ? ModePart::Bottom : ModePart::Left;
    case ModePart::TopLeft: return ModePart::Left;
    case ModePart::TopRight: return ModePart::Top;
    case ModePart::BottomRight: return ModePart::Right;
    case ModePart::BottomLeft: return ModePart::Bottom;
    default: break;
    }
    // The edges are numbered 0 to 3 in Tab order.
    const int edge = static_cast<int>(part);
    return static_cast<ModePart>(backwards ? (edge + 3) % 4 : (edge + 1) % 4);
}

} // namespace vq
