#include "edit/HitTest.h"

#include "edit/ModeFrame.h"
#include "edit/MoveResize.h"
#include "model/Document.h"
#include "edit/PointMath.h"
#include "render/ScreenGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace vq {

namespace {
bool contains(const IntRect& r, QPoint p)
{
    return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

// Less than 4 pixels from a canvas edge counts as on it: a 7-pixel band.
constexpr int kEdgeReach = 4;
// A mode-frame edge is grabbed up to and including 4 pixels away: a 9-pixel
// band, one pixel wider on each side than the canvas edge's.
constexpr int kModeEdgeReach = 4;
// Corners are round zones: nearer than 5 pixels by the truncated distance.
constexpr int kModeCornerReach = 5;

bool onWidthEdge(QPoint v, QSize canvas)
{
    return std::abs(v.x() - canvas.width()) < kEdgeReach && v.y() < canvas.height();
}
bool onHeightEdge(QPoint v, QSize canvas)
{
    return v.x() < canvas.width() && std::abs(v.y() - canvas.height()) < kEdgeReach;
}
} // namespace

int HitTestNode(const Document& doc, QPoint view, float zoom)
{
    const int count = std::clamp(doc.state.nodeCount, 0, static_cast<int>(doc.nodes.size()));
    for (int i = count - 1; i >= 0; --i) {
        if (contains(doc.NodeRect(i).scaled(zoom), view))
            return i;
    }
    return -1;
}

HandleHit HitTestHandle(const Document& doc, const ScreenGeometry& geometry, QPoint view)
{
    const int count = std::min({doc.state.nodeCount, geometry.count(), static_cast<int>(doc.screen.size())});
    for (int i = count - 1; i >= 0; --i) {
        const NodeGeometry& g = geometry.nodes[static_cast<std::size_t>(i)];
        if (doc.screen[static_cast<std::size_t>(i)].selected == 0 || !g.shown)
            continue;
        std::array<QPoint, 8> points{};
        std::copy(g.corners.begin(), g.corners.end(), points.begin());
        std::copy(g.edgeMids.begin(), g.edgeMids.end(), points.begin() + 4);
        for (int h = 0; h < 8; ++h) {
            const QPoint p = points[static_cast<std::size_t>(h)];
            const IntRect zone{p.x() - kHandleReach, p.y() - kHandleReach, p.x() + kHandleReach, p.y() + kHandleReach};
            if (contains(zone, view))
                return {i, static_cast<ResizeHandle>(h)};
        }
    }
    return {};
}

std::optional<ModePart> HitTestModeCorner(const std::array<QPoint, 4>& modeCorners, QPoint view)
{
    for (int k = 0; k < 4; ++k) {
        if (PointMath::Distance(modeCorners[static_cast<std::size_t>(k)], view) < kModeCornerReach)
            return static_cast<ModePart>(static_cast<int>(ModePart::TopLeft) + k);
    }
    return std::nullopt;
}

std::optional<ModePart> HitTestModeFrame(const std::array<QPoint, 4>& modeCorners, QPoint view)
{
    const IntRect r{modeCorners[0].x(), modeCorners[0].y(), modeCorners[2].x(), modeCorners[2].y()};
    const int x = view.x();
    const int y = view.y();
    const bool betweenTopAndBottom = y > r.top && y < r.bottom;
    const bool betweenLeftAndRight = x > r.left && x < r.right;
    if (betweenTopAndBottom && std::abs(x - r.left) <= kModeEdgeReach)
        return ModePart::Left;
    if (betweenLeftAndRight && std::abs(y - r.top) <= kModeEdgeReach)
        return ModePart::Top;
    if (betweenTopAndBottom && std::abs(x - r.right) <= kModeEdgeReach)
        return ModePart::Right;
    if (betweenLeftAndRight && std::abs(y - r.bottom) <= kModeEdgeReach)
        return ModePart::Bottom;
    if (contains(r, view))
        return ModePart::Inside;
    return std::nullopt;
}

CanvasEdge CanvasEdgeAt(QPoint view, QSize zoomedCanvas)
{
    if (onWidthEdge(view, zoomedCanvas))
        return CanvasEdge::Width;
    if (onHeightEdge(view, zoomedCanvas))
        return CanvasEdge::Height;
    return CanvasEdge::None;
}

QString CanvasEdgeTooltip(QPoint view, QSize zoomedCanvas, int canvasWidth, int canvasHeight)
{
    if (onHeightEdge(view, zoomedCanvas))
        return QStringLiteral("Height=%1\nmin:%2  max:%3").arg(canvasHeight).arg(kMinCanvasSide).arg(kMaxCanvasHeight);
    if (onWidthEdge(view, zoomedCanvas))
        return QStringLiteral("Width=%1\nmin:%2  max:%3").arg(canvasWidth).arg(kMinCanvasSide).arg(kMaxCanvasWidth);
    return {};
}

QString CanvasEdgeGuideText(CanvasEdge edge)
{
    switch (edge) {
    case CanvasEdge::Width:
        return QStringLiteral("←左へドラッグするとビューの幅を狭く、→右へドラッグすると広くできます");
    case CanvasEdge::Height:
        return QStringLiteral("↑上へドラッグするとビューの高さを狭く、↓下へドラッグすると広くできます");
    case CanvasEdge::None:
        break;
    }
    return {};
}

QString HoverGuideText(bool selected, int index)
{
    const bool even = index % 2 == 0;
    if (selected) {
        return even ? QStringLiteral("外周上の矩形をドラッグ＆ドロップしてイメージサイズを変更できます")
                    : QStringLiteral("方向キーで10ピクセルずつ移動します。Ctrlキーを押しながらのときは微移動します");
    }
    return even ? QStringLiteral("マイコンピュータからファイルをドラッグ＆ドロップしてイメージを変更できます")
                : QStringLiteral("イメージをドラッグ＆ドロップして位置を変更できます");
}

} // namespace vq
