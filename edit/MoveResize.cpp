#include "edit/MoveResize.h"

#include "model/Document.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vq {

namespace {

int axisDisplacement(int window, float zoom)
{
    const int canvas = divTrunc(window, zoom);
    if (canvas == 0 && std::abs(window) == 1)
        return window;
    return canvas;
}

// A resize factor kept as an exact fraction: a side scaled by the factor a
// limit was taken from lands on that limit to the pixel.
struct Scale {
    long long num = 0;
    long long den = 1; // positive

    [[nodiscard]] int of(int length) const { return static_cast<int>(length * num / den); }
    friend bool operator<(const Scale& a, const Scale& b) { return a.num * b.den < b.num * a.den; }
};

using H = ResizeHandle;
bool movesLeft(H h) { return h == H::TopLeft || h == H::BottomLeft || h == H::Left; }
bool movesRight(H h) { return h == H::TopRight || h == H::BottomRight || h == H::Right; }
bool movesTop(H h) { return h == H::TopLeft || h == H::TopRight || h == H::Top; }
bool movesBottom(H h) { return h == H::BottomRight || h == H::BottomLeft || h == H::Bottom; }
bool changesWidth(H h) { return IsCornerHandle(h) || h == H::Right || h == H::Left; }
bool changesHeight(H h) { return IsCornerHandle(h) || h == H::Top || h == H::Bottom; }

} // namespace

QPoint MoveDisplacement(QPoint windowDelta, float zoom)
{
    return {axisDisplacement(windowDelta.x(), zoom), axisDisplacement(windowDelta.y(), zoom)};
}

bool ExceedsMoveThreshold(QPoint windowDelta)
{
    return std::abs(windowDelta.x()) >= kMoveThreshold || std::abs(windowDelta.y()) >= kMoveThreshold;
}

bool MoveSelection(Document& doc, QPoint canvasDelta)
{
    bool any = false;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected == 0)
            continue;
        any = true;
        doc.nodes[i].centerX += canvasDelta.x();
        doc.nodes[i].centerY += canvasDelta.y();
        KeepNodeInCanvas(doc, i, KeepMode::Centre);
    }
    return any;
}

QRect ResizeFeedbackRect(const QRect& start, ResizeHandle handle, QPoint pointer, QPoint canvasBottomRight,
                         int minSize, bool freeRatio)
{
    const int px = std::clamp(pointer.x(), 0, std::max(0, canvasBottomRight.x()));
    const int py = std::clamp(pointer.y(), 0, std::max(0, canvasBottomRight.y()));
    // Sides as exclusive edges: right = left + width.
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width();
    int bottom = start.top() + start.height();
    if (movesLeft(handle))
        left = std::min(px, right - minSize);
    if (movesRight(handle))
        right = std::max(px, left + minSize);
    if (movesTop(handle))
        top = std::min(py, bottom - minSize);
    if (movesBottom(handle))
        bottom = std::max(py, top + minSize);

    if (IsCornerHandle(handle) && !freeRatio && start.width() > 0 && start.height() > 0) {
        const int w0 = start.width();
        const int h0 = start.height();
        // The side that moved further, relative to its length, leads.
        const bool widthLeads = static_cast<long long>(std::abs(right - left - w0)) * h0
                                >= static_cast<long long>(std::abs(bottom - top - h0)) * w0;
        Scale scale = widthLeads ? Scale{right - left, w0} : Scale{bottom - top, h0};
        // The opposite corner stays; the moving corner may not leave the
        // canvas nor make either side shorter than the minimum.
        const int anchorX = movesLeft(handle) ? right : left;
        const int anchorY = movesTop(handle) ? bottom : top;
        const int roomX = movesLeft(handle) ? anchorX : canvasBottomRight.x() - anchorX;
        const int roomY = movesTop(handle) ? anchorY : canvasBottomRight.y() - anchorY;
        scale = std::min({scale, Scale{roomX, w0}, Scale{roomY, h0}});
        scale = std::max({scale, Scale{minSize, w0}, Scale{minSize, h0}, Scale{0, 1}});
        const int w = scale.of(w0);
        const int h = scale.of(h0);
        left = movesLeft(handle) ? anchorX - w : anchorX;
        right = left + w;
        top = movesTop(handle) ? anchorY - h : anchorY;
        bottom = top + h;
    }
    return QRect(left, top, right - left, bottom - top);
}

void ApplyResize(Document& doc, const QRect& start, const QRect& result, QPoint scroll, float zoom,
                 ResizeHandle handle)
{
    DocState& s = doc.state;
    if (s.mainIndex < 0 || s.mainIndex >= s.nodeCount || start.width() <= 0 || start.height() <= 0)
        return;
    const float ratioX = static_cast<float>(result.width()) / static_cast<float>(start.width());
    const float ratioY = static_cast<float>(result.height()) / static_cast<float>(start.height());
    NodeRecord& main = doc.nodes[s.mainIndex];
    const QPoint centre(result.left() + result.width() / 2, result.top() + result.height() / 2);
    main.centerX = divTrunc(centre.x() + scroll.x(), zoom);
    main.centerY = divTrunc(centre.y() + scroll.y(), zoom);
    main.halfWidth = divTrunc(result.width() / 2, zoom);
    main.halfHeight = divTrunc(result.height() / 2, zoom);
    for (int i = 0; i < s.nodeCount; ++i) {
        if (i == s.mainIndex || doc.screen[i].selected == 0)
            continue;
        NodeRecord& n = doc.nodes[i];
        if (changesWidth(handle))
            n.halfWidth = static_cast<int>(static_cast<float>(n.halfWidth) * ratioX);
        if (changesHeight(handle))
            n.halfHeight = static_cast<int>(static_cast<float>(n.halfHeight) * ratioY);
    }
}

int CanvasSizeFromDrag(const Document& doc, CanvasAxis axis, int screenPos, bool scaleNodes)
{
    const float zoom = doc.state.zoom;
    const bool width = axis == CanvasAxis::Width;
    const int maxSide = width ? kMaxCanvasWidth : kMaxCanvasHeight;
    const int upper = scaleTrunc(maxSide, zoom);
    int lower = scaleTrunc(kMinCanvasSide, zoom);
    // The far side of the nodes' central halves, in canvas pixels.
    int coreEnd = 0;
    if (!scaleNodes) {
        for (int i = 0; i < doc.state.nodeCount; ++i) {
            const NodeRecord& n = doc.nodes[i];
            const int centre = width ? n.centerX : n.centerY;
            const int half = width ? n.halfWidth : n.halfHeight;
            const IntRect core{centre - half / 2, 0, centre - half / 2 + half, 1};
            coreEnd = std::max(coreEnd, core.right);
            lower = std::max(lower, core.scaled(zoom).right);
        }
    }
    const int size = divTrunc(std::clamp(screenPos, std::min(lower, upper), upper), zoom);
    // Truncating on the screen and back can lose a canvas pixel or more, so
    // the bounds are enforced once more in canvas pixels. The canvas limits
    // win over a node reaching beyond them: no document holds a larger canvas.
    return std::clamp(std::max(size, coreEnd), kMinCanvasSide, maxSide);
}

bool ApplyCanvasSize(Document& doc, CanvasAxis axis, int newSize, bool scaleNodes)
{
    DocState& s = doc.state;
    int& side = axis == CanvasAxis::Width ? s.canvasWidth : s.canvasHeight;
    if (newSize == side || side <= 0)
        return false;
    const float ratio = static_cast<float>(newSize) / static_cast<float>(side);
    side = newSize;
    if (!scaleNodes)
        return true;
    for (int i = 0; i < s.nodeCount; ++i) {
        NodeRecord& n = doc.nodes[i];
        int& centre = axis == CanvasAxis::Width ? n.centerX : n.centerY;
        int& half = axis == CanvasAxis::Width ? n.halfWidth : n.halfHeight;
        centre = static_cast<int>(static_cast<float>(centre) * ratio);
        half = static_cast<int>(static_cast<float>(half) * ratio);
    }
    return true;
}

} // namespace vq
