#include "model/Document.h"

#include "imaging/Codec.h"
#include "model/Cp932.h"
#include "base/Report.h"

namespace vq {

Document::Document()
{
    AllocateNodeArrays();
}

bool Document::AllocateNodeArrays()
{
    nodes.assign(kNodeSlots, NodeRecord{});
    screen.assign(kNodeSlots, NodeScreenInfo{});
    return true;
}

void Document::ReleasePictures()
{
    state.backPicture.reset();
    const int n = std::min(state.nodeCount, static_cast<int>(nodes.size()));
    for (int i = 0; i < n; ++i)
        nodes[i].picture.reset();
}

void Document::ResetDocument()
{
    if (state.nodeCount > 0) {
        ReleasePictures();
        AllocateNodeArrays();
    }
    const ColorRef modeColor = state.modeFrameColor;
    const int modeWidth = state.modeFrameWidth;
    state = DocState{};
    state.nodeCount = 0;
    state.mainIndex = -1;
    state.scrollX = 0;
    state.scrollY = 0;
    state.zoom = 1.0f;
    state.consoleX = 79;
    state.consoleY = 79;
    state.consoleAlways = 1;
    state.canvasWidth = 1000;
    state.canvasHeight = 1000;
    state.backColor = 0xFFFFFF;
    state.canvasFrameColor = 0x7B5A48;
    state.canvasFrameWidth = 1;
    state.canvasFrameStyle = 0;
    state.gridMode = -1;
    state.gridOnTop = 0;
    state.modeFrameColor = modeColor;
    state.modeFrameWidth = modeWidth;
}

bool Document::CheckNodeCapacity(Report* failure) const
{
    if (state.nodeCount < kMaxNodes)
        return true;
    Record(failure, {kMsgTooManyImages, QStringLiteral("最大 %1 個\n").arg(kMaxNodes), kStyleError});
    return false;
}

IntRect Document::NodeRect(int index) const
{
    const NodeRecord& n = nodes[index];
    return {n.centerX - n.halfWidth, n.centerY - n.halfHeight, n.centerX + n.halfWidth, n.centerY + n.halfHeight};
}

IntRect Document::NodeScreenRect(int index) const
{
    return NodeRect(index).scaled(state.zoom);
}

int Document::selectedCount() const
{
    int count = 0;
    for (int i = 0; i < state.nodeCount; ++i)
        count += screen[i].selected != 0 ? 1 : 0;
    return count;
}

void Document::clearSelection()
{
    for (auto& s : screen)
        s.selected = 0;
    state.mainIndex = -1;
}

DisplaySize AppendSizeRule(int w, int h, int canvasWidth, int canvasHeight)
{
    if (w >= canvasWidth || h >= canvasHeight) {
        // The factor is rounded to single precision before it scales the height.
        const float f = static_cast<float>(250.0 / w);
        return {250, static_cast<int>(f * static_cast<float>(h))};
    }
    return {w, h};
}

bool AppendNode(Document& doc, PicturePtr picture, int w, int h, int cx, int cy, Report* failure)
{
    if (!doc.CheckNodeCapacity(failure))
        return false;
    const int c = doc.state.nodeCount;
    doc.state.nodeCount += 1;
    NodeRecord& node = doc.nodes[c];
    node = NodeRecord{};
    node.centerX = cx;
    node.centerY = cy;
    const DisplaySize size = w > 0 ? AppendSizeRule(w, h, doc.state.canvasWidth, doc.state.canvasHeight)
                                   : DisplaySize{w, h};
    node.halfWidth = size.width / 2;
    node.halfHeight = size.height / 2;
    node.frameColor = kNoColor;
    node.frameWidth = 1;
    node.frameStyle = 0;
    node.picture = std::move(picture);
    doc.screen[c] = NodeScreenInfo{};
    doc.screen[c].selected = 1;
    KeepNodeInCanvas(doc, c, KeepMode::Edge);
    doc.state.mainIndex = c;
    return true;
}

bool AppendPictureNode(Document& doc, const LoadedPicture& picture, QPoint centre, const QString& source,
                       Report* failure, std::optional<QSize> displaySize)
{
    const QSize shown = displaySize.value_or(QSize(picture.width, picture.height));
    if (!AppendNode(doc, picture.picture, shown.width(), shown.height(), centre.x(), centre.y(), failure))
        return false;
    SetNodeSource(doc, doc.state.nodeCount - 1, picture.width, picture.height, picture.dataSize, source);
    return true;
}

bool KeepNodeInCanvas(Document& doc, int index, KeepMode mode)
{
    const float zoom = doc.state.zoom;
    const NodeRecord& node = doc.nodes[index];
    IntRect r = doc.NodeRect(index).scaled(zoom);
    const int grow = scaleTrunc(node.frameWidth, zoom);
    r.left -= grow;
    r.top -= grow;
    r.right += grow;
    r.bottom += grow;
    const int canvasW = scaleTrunc(doc.state.canvasWidth, zoom);
    const int canvasH = scaleTrunc(doc.state.canvasHeight, zoom);

    int dx = 0;
    int dy = 0;
    if (mode == KeepMode::Edge) {
        if (r.left < 0)
            dx = -r.left;
        if (r.right > canvasW)
            dx = canvasW - r.right;
        if (r.top < 0)
            dy = -r.top;
        if (r.bottom > canvasH)
            dy = canvasH - r.bottom;
    } else {
        const int mx = (r.left + r.right) / 2;
        const int my = (r.top + r.bottom) / 2;
        if (mx < 0)
            dx = -mx;
        else if (mx > canvasW)
            dx = canvasW - mx;
        if (my < 0)
            dy = -my;
        else if (my > canvasH)
            dy = canvasH - my;
    }
    if (dx == 0 && dy == 0)
        return false;
    NodeRecord& moved = doc.nodes[index];
    moved.centerX += divTrunc(dx, zoom);
    moved.centerY += divTrunc(dy, zoom);
    return true;
}

void SetNodeSource(Document& doc, int index, int width, int height, int dataSize, const QString& source)
{
    NodeRecord& node = doc.nodes[index];
    node.imageWidth = width;
    node.imageHeight = height;
    node.dataSize = dataSize;
    // The stored form is code page 932, so the length rule counts its bytes:
    // whatever is accepted is guaranteed to fit the 2085-byte field.
    QByteArray bytes = toCp932(source);
    if (bytes.size() > kMaxSourceLength)
        bytes = toCp932(QStringLiteral("(サイズ超過 %1バイト)").arg(bytes.size()));
    node.source = bytes;
}

QString NodeSourceText(const NodeRecord& node)
{
    return fromCp932(node.source);
}

} // namespace vq
