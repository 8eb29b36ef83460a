#include "render/CanvasRender.h"

#include "model/RangeModeState.h"
#include "imaging/LargeImage.h"
#include "imaging/Picture.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "render/Painters.h"
#include "render/StreamingPictureSupply.h"
#include "render/ViewGeometry.h"

#include <QPainter>

#include <algorithm>

namespace vq {

QImage RenderCanvas(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom)
{
    const QSize size = ZoomedCanvasSize(doc.state.canvasWidth, doc.state.canvasHeight, zoom);
    if (size.isEmpty())
        return {};
    QImage image = AllocateLargeImage(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintCanvasBackground(painter, doc, zoom);
    if (doc.state.nodeCount > 0)
        PaintNodes(painter, doc, sys, mode, zoom, false);
    return image;
}

QImage RenderCanvasStreamed(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom)
{
    // A picture found undecodable while drawing was taken to hide what lies
    // beneath it; drawn again, the painters know of it and uncover that. Each
    // pass that finds one marks it for good, so this ends.
    for (;;) {
        StreamingPictureSupply supply;
        QImage image;
        {
            PictureSupplyScope scope(supply);
            image = RenderCanvas(doc, sys, mode, zoom);
        }
        if (!supply.foundUndecodable() || image.isNull())
            return image;
    }
}

QImage SelectionClipboardImage(const Document& doc, const SysSettings& sys, const RangeMode& mode)
{
    const DocState& s = doc.state;
    int selected = 0;
    int only = -1;
    IntRect united;
    for (int i = 0; i < s.nodeCount; ++i) {
        if (doc.screen[i].selected == 0)
            continue;
        const IntRect r = doc.NodeRect(i);
        united = selected == 0 ? r : IntRect{std::min(united.left, r.left), std::min(united.top, r.top),
                                             std::max(united.right, r.right), std::max(united.bottom, r.bottom)};
        only = i;
        ++selected;
    }
    if (selected == 0)
        return {};
    if (selected == 1) {
        const NodeRecord& node = doc.nodes[only];
        const QSize shown(scaleTrunc(2 * node.halfWidth, s.zoom), scaleTrunc(2 * node.halfHeight, s.zoom));
        if (!node.picture || shown.isEmpty())
            return {};
        const QImage full = node.picture->image(shown);
        if (full.isNull())
            return {};
        return full.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    }
    const QImage canvas = RenderCanvas(doc, sys, mode, 1.0f);
    const int left = std::max(0, united.left);
    const int top = std::max(0, united.top);
    const int width = std::min(united.width(), s.canvasWidth - left);
    const int height = std::min(united.height(), s.canvasHeight - top);
    if (width <= 0 || height <= 0)
        return {};
    return canvas.copy(left, top, width, height);
}

} // namespace vq
