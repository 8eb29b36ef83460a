#include "render/ScreenGeometry.h"

#include "imaging/Picture.h"
#include "model/Document.h"

#include <algorithm>

namespace vq {

ScreenGeometry ComputeScreenGeometry(const Document& doc, float zoom)
{
    ScreenGeometry g;
    g.zoom = zoom;
    const int count = std::clamp(doc.state.nodeCount, 0, static_cast<int>(doc.nodes.size()));
    g.nodes.resize(static_cast<std::size_t>(count));
    std::vector<IntRect> rects(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const NodeRecord& node = doc.nodes[static_cast<std::size_t>(i)];
        NodeGeometry& n = g.nodes[static_cast<std::size_t>(i)];
        rects[static_cast<std::size_t>(i)] = doc.NodeRect(i);
        const IntRect r = rects[static_cast<std::size_t>(i)].scaled(zoom);
        n.shown = node.picture && !node.picture->undecodable();
        n.corners = {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom),
                     QPoint(r.left, r.bottom)};
        const auto mid = [](int a, int b) { return std::min(a, b) + (std::max(a, b) - std::min(a, b)) / 2; };
        n.edgeMids = {QPoint(mid(r.left, r.right), r.top), QPoint(r.right, mid(r.top, r.bottom)),
                      QPoint(mid(r.left, r.right), r.bottom), QPoint(r.left, mid(r.top, r.bottom))};
    }
    // Overlaps are always against nodes lower in the stack; the bottom node has none.
    for (int i = count - 1; i >= 1; --i) {
        NodeGeometry& n = g.nodes[static_cast<std::size_t>(i)];
        const IntRect& a = rects[static_cast<std::size_t>(i)];
        std::size_t k = 0;
        for (int j = 0; j < i && k < n.overlapRects.size(); ++j) {
            const IntRect& b = rects[static_cast<std::size_t>(j)];
            if (!a.intersects(b))
                continue;
            n.overlapRects[k] = a.intersected(b).scaled(zoom).toQRect();
            n.overlapIndex[k] = j;
            ++k;
        }
    }
    return g;
}

} // namespace vq
