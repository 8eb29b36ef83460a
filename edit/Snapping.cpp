#include "edit/Snapping.h"

#include "model/Document.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace vq {

namespace {

// Sorted by place; lines at one place become one line reaching as far as all.
void settle(std::vector<SnapLine>& lines)
{
    std::sort(lines.begin(), lines.end(), [](const SnapLine& a, const SnapLine& b) { return a.pos < b.pos; });
    std::vector<SnapLine> merged;
    merged.reserve(lines.size());
    for (const SnapLine& l : lines) {
        if (merged.empty() || merged.back().pos != l.pos) {
            merged.push_back(l);
            continue;
        }
        SnapLine& m = merged.back();
        if (l.from > l.to)
            continue;
        if (m.from > m.to) {
            m.from = l.from;
            m.to = l.to;
        } else {
            m.from = std::min(m.from, l.from);
            m.to = std::max(m.to, l.to);
        }
    }
    lines = std::move(merged);
}

// The grid's lines along one zoomed canvas side, as canvas pixels. The
// painter draws them every `spacing` window pixels from the canvas origin.
void addGridLines(std::vector<SnapLine>& lines, int zoomedSide, int spacing, float zoom)
{
    for (int k = 1; k * spacing <= zoomedSide; ++k)
        lines.push_back({divTrunc(k * spacing, zoom), 0, -1});
}

bool within(int shift, float zoom)
{
    return static_cast<float>(std::abs(shift)) * zoom <= static_cast<float>(kSnapWindowPixels);
}

} // namespace

SnapTargets BuildSnapTargets(const Document& doc)
{
    const DocState& s = doc.state;
    SnapTargets t;
    t.x.reserve(static_cast<std::size_t>(s.nodeCount) * 3 + 3);
    t.y.reserve(static_cast<std::size_t>(s.nodeCount) * 3 + 3);
    const int w = s.canvasWidth;
    const int h = s.canvasHeight;
    for (int x : {0, w / 2, w})
        t.x.push_back({x, 0, h});
    for (int y : {0, h / 2, h})
        t.y.push_back({y, 0, w});
    for (int i = 0; i < s.nodeCount; ++i) {
        if (doc.screen[i].selected != 0)
            continue;
        const NodeRecord& n = doc.nodes[i];
        const IntRect r = doc.NodeRect(i);
        for (int x : {r.left, n.centerX, r.right})
            t.x.push_back({x, r.top, r.bottom});
        for (int y : {r.top, n.centerY, r.bottom})
            t.y.push_back({y, r.left, r.right});
    }
    // Grid styles 1..4 are lines every 10, 40, 70 or 100 window pixels; the
    // centre cross (5) lies on the canvas's centre lines, already here.
    if (s.gridMode >= 1 && s.gridMode <= 4 && s.zoom > 0.0f) {
        const int spacing = 30 * s.gridMode - 20;
        addGridLines(t.x, scaleTrunc(w, s.zoom), spacing, s.zoom);
        addGridLines(t.y, scaleTrunc(h, s.zoom), spacing, s.zoom);
    }
    settle(t.x);
    settle(t.y);
    return t;
}

SnapHit NearestSnap(const std::vector<SnapLine>& lines, std::span<const int> edges, float zoom)
{
    SnapHit best;
    int bestDistance = std::numeric_limits<int>::max();
    const auto consider = [&](const SnapLine& line, int edge) {
        const int shift = line.pos - edge;
        if (std::abs(shift) < bestDistance && within(shift, zoom)) {
            bestDistance = std::abs(shift);
            best = {true, shift, line};
        }
    };
    for (int edge : edges) {
        const auto at = std::lower_bound(lines.begin(), lines.end(), edge,
                                         [](const SnapLine& l, int e) { return l.pos < e; });
        if (at != lines.begin())
            consider(*(at - 1), edge);
        if (at != lines.end())
            consider(*at, edge);
    }
    return best;
}

GuideSpan GuideFor(const SnapLine& line, int boxFrom, int boxTo)
{
    if (line.from > line.to)
        return {line.pos, boxFrom, boxTo};
    return {line.pos, std::min(line.from, boxFrom), std::max(line.to, boxTo)};
}

IntRect SelectionBox(const Document& doc)
{
    IntRect box;
    bool any = false;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected == 0)
            continue;
        const IntRect r = doc.NodeRect(i);
        if (!any) {
            box = r;
            any = true;
            continue;
        }
        box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
    }
    return box;
}

} // namespace vq
