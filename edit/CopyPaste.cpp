#include "edit/CopyPaste.h"

#include "imaging/Clipboard.h"
#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "edit/Selection.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "base/Report.h"

#include <QImage>
#include <QMimeData>

namespace vq {

bool CopySelection(const Document& doc, CopyBuffer& buffer, QPoint placementPoint)
{
    std::vector<NodeRecord> copied;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected != 0)
            copied.push_back(doc.nodes[i]);
    }
    if (copied.empty())
        return false;
    buffer.nodes = std::move(copied);
    buffer.refPoint = placementPoint;
    return true;
}

PasteKind PasteKindOf(const QMimeData* data)
{
    if (!data)
        return PasteKind::Nothing;
    if (data->hasText() && data->text() == QLatin1String(kCopyMarker))
        return PasteKind::Buffer;
    if (MimeOffersImage(*data))
        return PasteKind::ClipboardImage;
    return PasteKind::Nothing;
}

int PasteBuffer(EditSession& session, CopyBuffer& buffer, QPoint delta, Report* failure)
{
    if (buffer.count() == 0)
        return 0;
    session.leaveModeForNodeChange();
    // The snapshot's selection is of no account: undo clears it.
    if (!session.PushUndoSnapshot())
        return 0;
    Document& doc = session.editableDoc();
    DeselectAll(doc);
    int pasted = 0;
    for (NodeRecord& source : buffer.nodes) {
        if (!doc.CheckNodeCapacity(failure))
            break;
        const int c = doc.state.nodeCount;
        doc.state.nodeCount += 1;
        doc.nodes[c] = source;
        doc.nodes[c].centerX += delta.x();
        doc.nodes[c].centerY += delta.y();
        doc.screen[c] = NodeScreenInfo{};
        doc.screen[c].selected = 1;
        KeepNodeInCanvas(doc, c, KeepMode::Edge);
        source.centerX += delta.x();
        source.centerY += delta.y();
        if (pasted == 0)
            doc.state.mainIndex = c;
        ++pasted;
    }
    session.commitChange();
    return pasted;
}

bool PasteImage(EditSession& session, const QImage& image, const Placement& placement, Report* failure)
{
    const PicturePtr picture = BitmapToPicture(image);
    if (!picture) {
        Record(failure, {kMsgPasteFailed, {}, kStyleError});
        return false;
    }
    session.leaveModeForNodeChange();
    Document& doc = session.editableDoc();
    if (!session.PushUndoSnapshot())
        return false;
    const float zoom = doc.state.zoom;
    const QPoint centre = placement.point.isNull()
                              ? DefaultPlacementPoint(doc, placement.client, placement.scroll)
                              : QPoint(divTrunc(placement.point.x(), zoom), divTrunc(placement.point.y(), zoom));
    DeselectAll(doc);
    const LoadedPicture pasted{picture, picture->width(), picture->height(), static_cast<int>(picture->bytes().size())};
    const bool added = AppendPictureNode(doc, pasted, centre, QStringLiteral("FROM_CLIP"), failure);
    session.commitChange();
    return added;
}

bool DeleteSelection(EditSession& session)
{
    if (session.doc().selectedCount() == 0)
        return false;
    session.leaveModeForNodeChange();
    // Without its undo step nothing is deleted: the nodes stay where they are.
    if (!session.PushUndoSnapshot())
        return false;
    Document& doc = session.editableDoc();
    std::vector<NodeRecord> kept;
    kept.reserve(static_cast<std::size_t>(doc.state.nodeCount));
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected == 0)
            kept.push_back(doc.nodes[i]);
    }
    // From here nothing can fail: the kept records replace the list whole.
    for (int i = 0; i < doc.state.nodeCount; ++i)
        doc.nodes[i] = NodeRecord{};
    std::copy(kept.begin(), kept.end(), doc.nodes.begin());
    doc.state.nodeCount = static_cast<int>(kept.size());
    doc.clearSelection();
    session.commitChange();
    return true;
}

} // namespace vq
