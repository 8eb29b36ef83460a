#include "edit/Arrange.h"

#include "model/Document.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <utility>
#include <vector>

namespace vq {

namespace {

std::vector<int> selectedIndices(const Document& doc)
{
    std::vector<int> out;
    for (int i = 0; i < doc.state.nodeCount; ++i)
        if (doc.screen[i].selected != 0)
            out.push_back(i);
    return out;
}

// The leading edge and the extent of a box along one axis.
int startOf(const IntRect& r, Axis axis)
{
    return axis == Axis::Horizontal ? r.left : r.top;
}
int extentOf(const IntRect& r, Axis axis)
{
    return axis == Axis::Horizontal ? r.width() : r.height();
}
int& centreOf(NodeRecord& n, Axis axis)
{
    return axis == Axis::Horizontal ? n.centerX : n.centerY;
}

int edgeOf(const IntRect& r, MainEdge edge)
{
    switch (edge) {
    case MainEdge::Left: return r.left;
    case MainEdge::Right: return r.right;
    case MainEdge::Top: return r.top;
    case MainEdge::Bottom: return r.bottom;
    }
    return 0;
}

// A random centre keeping a node of `half` inside a canvas side of `side`;
// a node that leaves no room takes the middle instead of a remainder by zero
// or by a negative range.
int randomCentre(int draw, int side, int half)
{
    const int room = side - 2 * half;
    return room > 0 ? draw % room + half : side / 2;
}

bool fitsOnSide(int centre, int half, int side)
{
    return centre - half >= 0 && centre + half <= side;
}

} // namespace

IntRect DrawnBoxInCanvas(const Document& doc, int index)
{
    const float zoom = doc.state.zoom;
    const IntRect drawn = doc.NodeScreenRect(index);
    const int left = divTrunc(drawn.left, zoom);
    const int top = divTrunc(drawn.top, zoom);
    return {left, top, left + divTrunc(drawn.width(), zoom), top + divTrunc(drawn.height(), zoom)};
}

bool AlignToMainEdge(Document& doc, MainEdge edge)
{
    if (!doc.hasMainSelection())
        return false;
    const int main = doc.state.mainIndex;
    const int reference = edgeOf(DrawnBoxInCanvas(doc, main), edge);
    const bool horizontal = edge == MainEdge::Left || edge == MainEdge::Right;
    for (int i : selectedIndices(doc)) {
        if (i == main)
            continue;
        const int shift = reference - edgeOf(DrawnBoxInCanvas(doc, i), edge);
        centreOf(doc.nodes[i], horizontal ? Axis::Horizontal : Axis::Vertical) += shift;
    }
    return true;
}

bool CentreOnCanvas(Document& doc, Axis axis)
{
    if (!doc.hasMainSelection())
        return false;
    const std::vector<int> selected = selectedIndices(doc);
    const float zoom = doc.state.zoom;
    int start = INT_MAX;
    int end = INT_MIN;
    for (int i : selected) {
        const IntRect box = doc.NodeScreenRect(i);
        start = std::min(start, startOf(box, axis));
        end = std::max(end, startOf(box, axis) + extentOf(box, axis));
    }
    const int side = axis == Axis::Horizontal ? doc.state.canvasWidth : doc.state.canvasHeight;
    const int extent = scaleTrunc(side, zoom);
    const int shift = divTrunc((extent + start - end) / 2 - start, zoom);
    for (int i : selected)
        centreOf(doc.nodes[i], axis) += shift;
    return true;
}

bool DistributeEvenly(Document& doc, Axis axis)
{
    if (!doc.hasMainSelection())
        return false;
    struct Item {
        int index;
        int start;
        int extent;
    };
    std::vector<Item> items;
    for (int i : selectedIndices(doc)) {
        const IntRect box = doc.NodeScreenRect(i);
        items.push_back({i, startOf(box, axis), extentOf(box, axis)});
    }
    const int n = static_cast<int>(items.size());
    if (n < 3)
        return false;
    const auto [minIt, maxIt] = std::minmax_element(items.begin(), items.end(),
                                                    [](const Item& a, const Item& b) { return a.start < b.start; });
    const int minStart = minIt->start;
    const int maxStart = maxIt->start;
    const int sumExtents =
        std::accumulate(items.begin(), items.end(), 0, [](int sum, const Item& it) { return sum + it.extent; });
    // Indices already ascend, so a stable sort puts equal starts in index order.
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.start < b.start; });

    const float zoom = doc.state.zoom;
    const NodeRecord& last = doc.nodes[items.back().index];
    const int lastExtent = scaleTrunc(2 * (axis == Axis::Horizontal ? last.halfWidth : last.halfHeight), zoom);
    const int gap = (lastExtent - sumExtents - minStart + maxStart) / (n - 1);

    // Every shift comes from the boxes as they were, before anything moves.
    std::vector<int> shifts(static_cast<std::size_t>(n), 0);
    int pos = items.front().start + items.front().extent + gap;
    for (int k = 1; k < n - 1; ++k) {
        shifts[static_cast<std::size_t>(k)] = divTrunc(pos - items[static_cast<std::size_t>(k)].start, zoom);
        pos += items[static_cast<std::size_t>(k)].extent + gap;
    }
    for (int k = 1; k < n - 1; ++k)
        centreOf(doc.nodes[items[static_cast<std::size_t>(k)].index], axis) += shifts[static_cast<std::size_t>(k)];
    return true;
}

bool MatchMainSize(Document& doc, SizeMatch match)
{
    if (!doc.hasMainSelection())
        return false;
    const int main = doc.state.mainIndex;
    const int refW = 2 * doc.nodes[main].halfWidth;
    const int refH = 2 * doc.nodes[main].halfHeight;
    for (int i : selectedIndices(doc)) {
        if (i == main)
            continue;
        NodeRecord& n = doc.nodes[i];
        const int left = n.centerX - n.halfWidth;
        const int top = n.centerY - n.halfHeight;
        const int w = match == SizeMatch::Height ? 2 * n.halfWidth : refW;
        const int h = match == SizeMatch::Width ? 2 * n.halfHeight : refH;
        n.centerX = left + w / 2;
        n.halfWidth = w / 2;
        n.centerY = top + h / 2;
        n.halfHeight = h / 2;
    }
    return true;
}

bool MoveSelectionToEdge(Document& doc, bool toFront)
{
    if (!doc.hasMainSelection())
        return false;
    const int count = doc.state.nodeCount;
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    // The group that goes first in the array ends up at the bottom.
    std::stable_partition(order.begin(), order.end(),
                          [&doc, toFront](int i) { return (doc.screen[i].selected != 0) != toFront; });
    // Records are moved, not copied, so their pictures and texts are not duplicated.
    std::vector<NodeRecord> nodes;
    std::vector<NodeScreenInfo> screen;
    nodes.reserve(order.size());
    screen.reserve(order.size());
    for (int i : order) {
        nodes.push_back(std::move(doc.nodes[i]));
        screen.push_back(doc.screen[i]);
    }
    std::move(nodes.begin(), nodes.end(), doc.nodes.begin());
    std::copy(screen.begin(), screen.end(), doc.screen.begin());
    doc.state.mainIndex = toFront ? count - 1 : 0;
    return true;
}

bool SwapTwoSelected(Document& doc)
{
    const std::vector<int> selected = selectedIndices(doc);
    if (selected.size() != 2)
        return false;
    const int a = selected[0];
    const int b = selected[1];
    std::swap(doc.nodes[a], doc.nodes[b]);
    std::swap(doc.screen[a], doc.screen[b]);
    return true;
}

bool MoveMainToCorner(Document& doc)
{
    if (!doc.hasMainSelection())
        return false;
    NodeRecord& n = doc.nodes[doc.state.mainIndex];
    n.centerX = n.halfWidth;
    n.centerY = n.halfHeight;
    return true;
}

bool ScatterSelected(Document& doc, const RandomDraw& draw)
{
    if (!doc.hasMainSelection())
        return false;
    const int width = doc.state.canvasWidth;
    const int height = doc.state.canvasHeight;
    for (int i : selectedIndices(doc)) {
        NodeRecord& n = doc.nodes[i];
        const int r1 = draw();
        const int r2 = draw();
        n.centerX = randomCentre(r1, width, n.halfWidth);
        n.centerY = randomCentre(r2, height, n.halfHeight);
        KeepNodeInCanvas(doc, i, KeepMode::Edge);
        // Keeping a thick frame inside can push the node itself over the far
        // edge when node and frame together do not fit; the middle is the
        // place that leaves the least of it outside.
        if (!fitsOnSide(n.centerX, n.halfWidth, width))
            n.centerX = width / 2;
        if (!fitsOnSide(n.centerY, n.halfHeight, height))
            n.centerY = height / 2;
    }
    return true;
}

} // namespace vq
