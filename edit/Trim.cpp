#include "edit/Trim.h"

#include "edit/EditSession.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/JpegTransform.h"
#include "model/Document.h"

#include <new>
#include <vector>

namespace vq {

namespace {

// Rewritten pictures are kept at the best quality the encoder has.
constexpr int kRewriteQuality = 100;

bool hasPicture(const Document& doc, int index)
{
    return index >= 0 && index < doc.state.nodeCount && doc.nodes[index].picture
           && !doc.nodes[index].picture->pixelSize().isEmpty();
}

int truncTimes(int value, float scale)
{
    return static_cast<int>(static_cast<float>(value) * scale);
}

int truncDivided(int value, float scale)
{
    return static_cast<int>(static_cast<float>(value) / scale);
}

// The new picture of `source` cut to `cut`; null when nothing of it is left
// or the encode fails. A range reaching a rounding past the picture's edge
// takes what there is.
PicturePtr cutPicture(const QImage& source, const QRect& cut)
{
    const QRect inside = cut.intersected(source.rect());
    if (inside.isEmpty())
        return nullptr;
    return Picture::fromJpegBytes(EncodeJpegFullChroma(source.copy(inside), kRewriteQuality));
}

std::optional<PreparedTrim> prepare(const Document& doc, int index, const QRect& cut, const IntRect& rect)
{
    if (cut.isEmpty() || rect.isEmpty())
        return std::nullopt;
    const QImage source = DecodeNodePicture(doc, index);
    if (source.isNull())
        return std::nullopt;
    PicturePtr picture;
    try {
        picture = cutPicture(source, cut);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!picture)
        return std::nullopt;
    return PreparedTrim{index, std::move(picture), rect};
}

} // namespace

DisplayScale DisplayScaleOf(const IntRect& node, QSize picture)
{
    if (picture.isEmpty())
        return {};
    return {static_cast<float>(node.width()) / static_cast<float>(picture.width()),
            static_cast<float>(node.height()) / static_cast<float>(picture.height())};
}

QRect RangeToPictureRect(const IntRect& node, QSize picture, const IntRect& range)
{
    const DisplayScale s = DisplayScaleOf(node, picture);
    if (s.sx <= 0.0f || s.sy <= 0.0f)
        return {};
    return QRect(truncDivided(range.left - node.left, s.sx), truncDivided(range.top - node.top, s.sy),
                 truncDivided(range.width(), s.sx), truncDivided(range.height(), s.sy));
}

QImage DecodeNodePicture(const Document& doc, int index)
{
    if (!hasPicture(doc, index) || doc.nodes[index].picture->undecodable())
        return {};
    try {
        QImage image = FlattenOntoTopLeftColor(DecodeImage(doc.nodes[index].picture->bytes()));
        if (!image.isNull() && image.format() != QImage::Format_RGB32)
            image.convertTo(QImage::Format_RGB32);
        return image;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::optional<PreparedTrim> PrepareRangeTrim(const Document& doc, int index, const IntRect& range)
{
    if (!hasPicture(doc, index))
        return std::nullopt;
    const IntRect node = doc.NodeRect(index);
    return prepare(doc, index, RangeToPictureRect(node, doc.nodes[index].picture->pixelSize(), range), range);
}

std::optional<PreparedTrim> PrepareEdgeTrim(const Document& doc, int index, const EdgeCuts& cuts)
{
    if (!hasPicture(doc, index) || cuts.left < 0 || cuts.top < 0 || cuts.right < 0 || cuts.bottom < 0)
        return std::nullopt;
    const QSize picture = doc.nodes[index].picture->pixelSize();
    const IntRect node = doc.NodeRect(index);
    const DisplayScale s = DisplayScaleOf(node, picture);
    const QRect cut(cuts.left, cuts.top, picture.width() - cuts.left - cuts.right,
                    picture.height() - cuts.top - cuts.bottom);
    const IntRect rect{node.left + truncTimes(cuts.left, s.sx), node.top + truncTimes(cuts.top, s.sy),
                       node.right - truncTimes(cuts.right, s.sx), node.bottom - truncTimes(cuts.bottom, s.sy)};
    return prepare(doc, index, cut, rect);
}

void ApplyTrim(Document& doc, const PreparedTrim& trim)
{
    NodeRecord& node = doc.nodes[trim.node];
    // The old picture goes only now that its successor exists.
    node.picture = trim.picture;
    node.centerX = (trim.rect.left + trim.rect.right) / 2;
    node.centerY = (trim.rect.top + trim.rect.bottom) / 2;
    node.halfWidth = trim.rect.width() / 2;
    node.halfHeight = trim.rect.height() / 2;
}

bool ExecuteTrim(Document& doc, RangeMode& mode, const EdgeCuts& cuts)
{
    if (mode.modeNode < 0)
        return false;
    const std::optional<PreparedTrim> trim = cuts.none() ? PrepareRangeTrim(doc, mode.modeNode, mode.modeRect)
                                                         : PrepareEdgeTrim(doc, mode.modeNode, cuts);
    if (!trim)
        return false;
    if (!cuts.none())
        mode.modeRect = trim->rect;
    ApplyTrim(doc, *trim);
    mode.modeNode = -1;
    return true;
}

bool ExecuteModeTrim(EditSession& session)
{
    const RangeMode& mode = session.mode();
    if (mode.modeNode < 0 || mode.modeKind != RangeKind::Trim)
        return false;
    const std::optional<PreparedTrim> trim = PrepareRangeTrim(session.doc(), mode.modeNode, mode.modeRect);
    if (!trim)
        return false;
    session.edit([&](Document& doc) {
        ApplyTrim(doc, *trim);
        session.mode().modeNode = -1;
    });
    return true;
}

int TrimSelected(EditSession& session, const EdgeCuts& cuts)
{
    const Document& doc = session.doc();
    if (!doc.hasMainSelection() || cuts.none())
        return 0;
    std::vector<PreparedTrim> trims;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected == 0)
            continue;
        if (std::optional<PreparedTrim> trim = PrepareEdgeTrim(doc, i, cuts))
            trims.push_back(std::move(*trim));
    }
    if (trims.empty())
        return 0;
    session.edit([&](Document& d) {
        for (const PreparedTrim& trim : trims)
            ApplyTrim(d, trim);
    });
    return static_cast<int>(trims.size());
}

} // namespace vq
