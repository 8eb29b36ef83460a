#include "edit/MultiCut.h"

#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "model/RangeModeState.h"
#include "edit/SaveNodeImage.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "base/Settings.h"

#include <QFileInfo>

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

namespace vq {

namespace {

constexpr char kMultiCutSource[] = "MULTI_CUT";

[[nodiscard]] int ClampCount(int count)
{
    return std::clamp(count, kMinTileCount, kMaxTileCount);
}

[[nodiscard]] float ClampSpacing(float spacing)
{
    return std::clamp(spacing, 0.0f, kMaxTileSpacing);
}

// Offsets of tile `index` along one axis: whole tiles plus the spacings in
// thousandths, truncated only once so the half pixels accumulate.
[[nodiscard]] int TileOffset(int index, int tile, int g1000)
{
    return index * tile + static_cast<int>(static_cast<qint64>(index) * g1000 / 1000);
}

[[nodiscard]] int ScaledDown(int value, float scale)
{
    return static_cast<int>(static_cast<float>(value) / scale);
}

// One axis of the fit: the count or the spacing brought back onto the node.
// True when the axis fitted as it was.
bool FitAxis(int& count, float& spacing, bool spacingChanged, int tile, int offset, int nodeSize)
{
    if (GridExtent(count, tile, SpacingThousandths(spacing), offset) <= nodeSize)
        return true;
    if (spacingChanged) {
        const int g1000 = FittingSpacingThousandths(count, tile, offset, nodeSize);
        if (g1000 >= 0) {
            spacing = static_cast<float>(g1000) / 1000.0f;
            return false;
        }
        // The tiles overflow even without spacing (the range grew since the
        // count was set): no spacing fits, so the grid closes up and loses
        // the tiles that still stick out.
        if (count > 1)
            spacing = 0.0f;
    }
    count = LargestFittingCount(tile, SpacingThousandths(spacing), offset, nodeSize);
    return false;
}

} // namespace

QString TileFileExtension(int fileType)
{
    switch (fileType) {
    case kTileGif: return QStringLiteral("gif");
    case kTileBmp: return QStringLiteral("bmp");
    case kTilePng: return QStringLiteral("png");
    case kTileTiff: return QStringLiteral("tiff");
    default: return QStringLiteral("jpeg");
    }
}

int SpacingThousandths(float spacing)
{
    return MarginToThousandths(spacing);
}

int GridExtent(int count, int tile, int g1000, int offset)
{
    return count * tile + static_cast<int>(static_cast<qint64>(count - 1) * g1000 / 1000) + offset;
}

int LargestFittingCount(int tile, int g1000, int offset, int nodeSize)
{
    int count = kMinTileCount;
    while (count < kMaxTileCount && GridExtent(count + 1, tile, g1000, offset) <= nodeSize)
        ++count;
    return count;
}

int FittingSpacingThousandths(int count, int tile, int offset, int nodeSize)
{
    // One tile has no spacing to change.
    if (count <= 1)
        return -1;
    const qint64 room = qint64(nodeSize) - qint64(count) * tile - offset;
    if (room < 0)
        return -1;
    // Rounded up, so that the truncated sum of the spacings reaches the edge
    // exactly: (count - 1) * g1000 lies in [1000 * room, 1000 * room + count - 2].
    const qint64 gaps = count - 1;
    const qint64 g1000 = (room * 1000 + gaps - 1) / gaps;
    return static_cast<int>(std::min<qint64>(g1000, qint64(kMaxTileSpacing * 1000)));
}

QPoint TileGrid::tileOrigin(int i, int j) const
{
    return {range.left + TileOffset(i, tileWidth(), g1000x), range.top + TileOffset(j, tileHeight(), g1000y)};
}

bool TileGrid::fits() const
{
    return GridExtent(cx, tileWidth(), g1000x, range.left - node.left) <= node.width()
        && GridExtent(cy, tileHeight(), g1000y, range.top - node.top) <= node.height();
}

TileGrid MakeTileGrid(const Document& doc, const RangeMode& mode, const SysSettings& sys)
{
    TileGrid grid;
    if (mode.modeNode >= 0 && mode.modeNode < doc.state.nodeCount)
        grid.node = doc.NodeRect(mode.modeNode);
    grid.range = mode.modeRect;
    grid.cx = ClampCount(sys.multiCntX);
    grid.cy = ClampCount(sys.multiCntY);
    grid.g1000x = SpacingThousandths(sys.multiMarginX);
    grid.g1000y = SpacingThousandths(sys.multiMarginY);
    return grid;
}

QRect SourceTiles::tile(int i, int j) const
{
    return {px + TileOffset(i, tw, g1000x), py + TileOffset(j, th, g1000y), tw, th};
}

SourceTiles SourceTilesFor(const TileGrid& grid, float sx, float sy)
{
    SourceTiles s{grid.range.left - grid.node.left, grid.range.top - grid.node.top, grid.tileWidth(),
                  grid.tileHeight(), grid.g1000x, grid.g1000y};
    if (sx != 1.0f || sy != 1.0f) {
        s.px = ScaledDown(s.px, sx);
        s.py = ScaledDown(s.py, sy);
        s.tw = ScaledDown(s.tw, sx);
        s.th = ScaledDown(s.th, sy);
        s.g1000x = ScaledDown(s.g1000x, sx);
        s.g1000y = ScaledDown(s.g1000y, sy);
    }
    return s;
}

bool UpdateMultiCutSettings(EditSession& session, SysSettings& sys, const MultiCutChange& change)
{
    bool changed = false;
    const auto store = [&changed](auto& field, auto value) {
        if (field != value)
            changed = true;
        field = value;
    };
    if (change.cx >= 0)
        store(sys.multiCntX, ClampCount(change.cx));
    if (change.cy >= 0)
        store(sys.multiCntY, ClampCount(change.cy));
    if (change.gx >= 0.0f)
        store(sys.multiMarginX, ClampSpacing(change.gx));
    if (change.gy >= 0.0f)
        store(sys.multiMarginY, ClampSpacing(change.gy));
    if (!changed)
        return false;

    const RangeMode& mode = session.mode();
    const Document& doc = session.doc();
    if (!mode.active() || mode.modeKind != RangeKind::MultiCut || mode.modeNode >= doc.state.nodeCount)
        return false;
    const IntRect node = doc.NodeRect(mode.modeNode);
    const IntRect& r = mode.modeRect;
    const bool fits =
        FitAxis(sys.multiCntX, sys.multiMarginX, change.gx >= 0.0f, r.width(), r.left - node.left, node.width())
        && FitAxis(sys.multiCntY, sys.multiMarginY, change.gy >= 0.0f, r.height(), r.top - node.top, node.height());
    // Even a change brought back onto the node may differ from the grid shown.
    session.commitSelection();
    return fits;
}

QImage RenderModePicture(const Document& doc, const RangeMode& mode)
{
    return RenderNodePicture(doc, mode.modeNode);
}

namespace {

// The tiles of the active mode in the picture's own pixels, or nothing to cut.
struct CutPlan {
    TileGrid grid;
    SourceTiles source;
};

std::optional<CutPlan> PlanCut(const Document& doc, const RangeMode& mode, const SysSettings& sys,
                               const QImage& rendered)
{
    if (!mode.active() || mode.modeNode >= doc.state.nodeCount || rendered.isNull())
        return std::nullopt;
    CutPlan plan{MakeTileGrid(doc, mode, sys), {}};
    TileGrid& grid = plan.grid;
    if (grid.node.isEmpty() || grid.range.isEmpty())
        return std::nullopt;
    // A grid hanging over the node's edge would cut beyond the picture: only
    // the tiles that lie on the node are cut.
    const auto fitted = [](int count, int tile, int g1000, int offset, int size) {
        return GridExtent(count, tile, g1000, offset) <= size ? count
                                                              : LargestFittingCount(tile, g1000, offset, size);
    };
    grid.cx = fitted(grid.cx, grid.tileWidth(), grid.g1000x, grid.range.left - grid.node.left, grid.node.width());
    grid.cy = fitted(grid.cy, grid.tileHeight(), grid.g1000y, grid.range.top - grid.node.top, grid.node.height());
    const float sx = static_cast<float>(plan.grid.node.width()) / static_cast<float>(rendered.width());
    const float sy = static_cast<float>(plan.grid.node.height()) / static_cast<float>(rendered.height());
    plan.source = SourceTilesFor(grid, sx, sy);
    if (plan.source.tw <= 0 || plan.source.th <= 0)
        return std::nullopt;
    return plan;
}

// Tile (i, j) of the plan in the picture's pixels, never reaching past the
// picture; empty where rounding left nothing of it on the picture.
QRect sourceTile(const CutPlan& plan, const QImage& rendered, int i, int j)
{
    return plan.source.tile(i, j).intersected(rendered.rect());
}

} // namespace

int CutTilesToNodes(EditSession& session, const SysSettings& sys, const QImage& rendered, ProgressSink* progress,
                    Report* failure)
{
    Document& doc = session.editableDoc();
    RangeMode& mode = session.mode();
    const std::optional<CutPlan> plan = PlanCut(doc, mode, sys, rendered);
    if (!plan)
        return 0;
    const TileGrid& grid = plan->grid;
    const SourceTiles& source = plan->source;

    // A full document takes no tile: no undo step that would change nothing.
    if (!doc.CheckNodeCapacity(failure))
        return 0;
    // Every tile is made before the document changes, so running out of
    // memory half-way leaves the document as it was.
    const int step = progress ? std::max(1, progress->BeginProgress(grid.cx * grid.cy)) : 1;
    std::vector<PicturePtr> pictures;
    try {
        pictures.reserve(static_cast<std::size_t>(grid.cx) * grid.cy);
        int done = 0;
        for (int j = 0; j < grid.cy; ++j) {
            for (int i = 0; i < grid.cx; ++i) {
                const QRect cut = sourceTile(*plan, rendered, i, j);
                pictures.push_back(cut.isEmpty() ? nullptr : BitmapToPicture(rendered.copy(cut)));
                if (progress && ++done % step == 0)
                    progress->StepProgress();
            }
        }
    } catch (const std::bad_alloc&) {
        if (progress)
            progress->EndProgress();
        Record(failure, {kMsgOutOfMemory, {}, kStyleError});
        return 0;
    }

    if (!session.PushUndoSnapshot()) {
        if (progress)
            progress->EndProgress();
        return 0;
    }
    int added = 0;
    bool full = false;
    for (int j = 0; j < grid.cy && !full; ++j) {
        for (int i = 0; i < grid.cx; ++i) {
            const PicturePtr& picture = pictures[static_cast<std::size_t>(j) * grid.cx + i];
            if (!picture)
                continue;
            const QPoint origin = grid.tileOrigin(i, j);
            const QSize shown(grid.tileWidth(), grid.tileHeight());
            const LoadedPicture tile{picture, source.tw, source.th, static_cast<int>(picture->bytes().size())};
            if (!AppendPictureNode(doc, tile, origin + QPoint(shown.width() / 2, shown.height() / 2),
                                   QString::fromLatin1(kMultiCutSource), failure, shown)) {
                full = true;
                break;
            }
            ++added;
        }
    }
    if (progress)
        progress->EndProgress();
    if (full) {
        // The nodes made so far stay; the mode stays for another try.
        session.commitChange();
        return added;
    }
    mode.modeNode = -1;
    session.commitChange();
    return added;
}

QString NextTileFileName(const QString& folder, const QString& extension, int* counter)
{
    for (;;) {
        const QString name =
            folder + QStringLiteral("%1.").arg(*counter, 8, 10, QLatin1Char('0')) + extension;
        ++*counter;
        if (!QFileInfo::exists(name))
            return name;
    }
}

TileFilesResult CutTilesToFiles(const Document& doc, const RangeMode& mode, const SysSettings& sys,
                                const QImage& rendered, const QString& folder, ProgressSink* progress)
{
    TileFilesResult result;
    const std::optional<CutPlan> plan = PlanCut(doc, mode, sys, rendered);
    if (!plan)
        return result;
    const TileGrid& grid = plan->grid;
    const QString extension = TileFileExtension(sys.multiExt);
    const int step = progress ? std::max(1, progress->BeginProgress(grid.cx * grid.cy)) : 1;
    int counter = 0;
    int done = 0;
    for (int j = 0; j < grid.cy; ++j) {
        for (int i = 0; i < grid.cx; ++i) {
            if (progress && ++done % step == 0)
                progress->StepProgress();
            const QRect cut = sourceTile(*plan, rendered, i, j);
            if (cut.isEmpty())
                continue;
            const QImage tile = rendered.copy(cut);
            const QString name = NextTileFileName(folder, extension, &counter);
            Report failure;
            // A tile the memory cannot hold fails like one the disk cannot.
            if (!tile.isNull()
                && SaveBitmapAsImageFile(tile, tile.width(), tile.height(), name, extension, 100, false, &failure)) {
                ++result.written;
                continue;
            }
            if (tile.isNull())
                failure = {kMsgOutOfMemory, {}, kStyleError};
            if (result.failed++ == 0)
                result.firstFailure = name;
            if (!failure.isEmpty())
                result.reports << failure;
        }
    }
    if (progress)
        progress->EndProgress();
    result.ran = true;
    return result;
}

} // namespace vq
