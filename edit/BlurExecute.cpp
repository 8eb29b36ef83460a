#include "edit/BlurExecute.h"

#include "edit/EditSession.h"
#include "edit/Trim.h"
#include "imaging/JpegTransform.h"
#include "model/Document.h"

#include <cstring>
#include <new>

namespace vq {

namespace {

constexpr int kRewriteQuality = 100;

// `region` (32-bit, as BlurBitmap leaves it) written back over `picture` at
// `at`, row by row.
void putRegion(QImage& picture, const QImage& region, QPoint at)
{
    const QImage rows = region.format() == QImage::Format_RGB32 ? region
                                                                  : region.convertToFormat(QImage::Format_RGB32);
    const qsizetype bytes = qsizetype(rows.width()) * 4;
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(picture.scanLine(at.y() + y) + qsizetype(at.x()) * 4, rows.constScanLine(y), bytes);
}

PicturePtr blurredPicture(const Document& doc, int index, const IntRect& range, const BlurSettings& settings,
                          const RandomSource& random, ProgressSink* progress)
{
    QImage picture = DecodeNodePicture(doc, index);
    if (picture.isNull())
        return nullptr;
    const QRect area =
        RangeToPictureRect(doc.NodeRect(index), doc.nodes[index].picture->pixelSize(), range).intersected(picture.rect());
    if (area.isEmpty())
        return nullptr;
    QImage region = picture.copy(area);
    if (region.isNull() || !BlurBitmap(region, settings, random, progress))
        return nullptr;
    if (region.size() != area.size())
        return nullptr;
    putRegion(picture, region, area.topLeft());
    return Picture::fromJpegBytes(EncodeJpegFullChroma(picture, kRewriteQuality));
}

} // namespace

bool ExecuteBlur(EditSession& session, const BlurSettings& settings, const RandomSource& random,
                 ProgressSink* progress)
{
    const RangeMode& mode = session.mode();
    if (mode.modeNode < 0 || mode.modeNode >= session.doc().state.nodeCount || mode.modeKind != RangeKind::Blur)
        return false;
    PicturePtr picture;
    try {
        picture = blurredPicture(session.doc(), mode.modeNode, mode.modeRect, settings, random, progress);
    } catch (const std::bad_alloc&) {
        picture = nullptr;
    }
    if (!picture)
        return false;
    const int index = mode.modeNode;
    session.edit([&](Document& doc) {
        doc.nodes[index].picture = std::move(picture);
        session.mode().modeNode = -1;
    });
    return true;
}

} // namespace vq
