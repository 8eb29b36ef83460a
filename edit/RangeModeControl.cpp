#include "edit/RangeModeControl.h"

#include "edit/EditSession.h"
#include "edit/MultiCut.h"
#include "edit/Selection.h"
#include "model/Document.h"
#include "base/Settings.h"

#include <algorithm>

namespace vq {

namespace {

// An offset remembered beyond the node starts this far in.
constexpr int kPulledInOffset = 5;
// Narrowing stops before a range gets smaller than this on either side.
constexpr int kNarrowestRange = 10;

bool insideNode(const IntRect& range, const IntRect& node)
{
    return !range.isEmpty() && range.left >= node.left && range.top >= node.top && range.right <= node.right
           && range.bottom <= node.bottom;
}

IntRect fromOffsets(const IntRect& node, int px, int py, int sx, int sy)
{
    return {node.left + px, node.top + py, node.left + px + sx, node.top + py + sy};
}

bool modeOnValidNode(const EditSession& session)
{
    const RangeMode& mode = session.mode();
    return mode.modeNode >= 0 && mode.modeNode < session.doc().state.nodeCount;
}

void applyRangeCommand(EditSession& session, const IntRect& range)
{
    session.mode().modeRect = range;
    SaveModeRect(session);
    session.commitSelection();
}

} // namespace

StoredRange ReadStoredRange(const Settings& settings, RangeKind kind, int width, int height)
{
    const int index = RangeKindIndex(kind);
    return {settings.lastRect(index, "PX", width / 4), settings.lastRect(index, "PY", height / 4),
            settings.lastRect(index, "SX", width / 2), settings.lastRect(index, "SY", height / 2)};
}

IntRect RangeFromStored(const IntRect& node, const StoredRange& stored)
{
    const int w = node.width();
    const int h = node.height();
    StoredRange r = stored;
    if (r.px > w)
        r.px = kPulledInOffset;
    if (r.py > h)
        r.py = kPulledInOffset;
    if (r.px + r.sx > w)
        r.sx = w - r.px - 1;
    if (r.py + r.sy > h)
        r.sy = h - r.py - 1;
    const IntRect repaired = fromOffsets(node, r.px, r.py, r.sx, r.sy);
    if (insideNode(repaired, node))
        return repaired;
    const IntRect fallback = fromOffsets(node, w / 4, h / 4, w / 2, h / 2);
    return insideNode(fallback, node) ? fallback : node;
}

int FitTileCount(int count, int tile, float spacing, int offset, int nodeSize)
{
    // The settings window fits counts the same way, so entering the mode and
    // stepping a count never disagree about how many tiles fit.
    const int g1000 = SpacingThousandths(spacing);
    if (count >= 1 && GridExtent(count, tile, g1000, offset) <= nodeSize)
        return count;
    return LargestFittingCount(tile, g1000, offset, nodeSize);
}

bool FitMultiCutToRange(const EditSession& session, SysSettings& sys)
{
    const RangeMode& mode = session.mode();
    if (!modeOnValidNode(session) || mode.modeKind != RangeKind::MultiCut)
        return false;
    const IntRect node = session.doc().NodeRect(mode.modeNode);
    const IntRect& r = mode.modeRect;
    const int cx = FitTileCount(sys.multiCntX, r.width(), sys.multiMarginX, r.left - node.left, node.width());
    const int cy = FitTileCount(sys.multiCntY, r.height(), sys.multiMarginY, r.top - node.top, node.height());
    const bool changed = cx != sys.multiCntX || cy != sys.multiCntY;
    sys.multiCntX = cx;
    sys.multiCntY = cy;
    return changed;
}

bool EnterRangeMode(EditSession& session, RangeKind kind, const Settings& settings, SysSettings& sys)
{
    Document& doc = session.editableDoc();
    if (!doc.hasMainSelection())
        return false;
    RangeMode& mode = session.mode();
    mode.modeNode = doc.state.mainIndex;
    mode.modeKind = kind;
    mode.modePart = ModePart::Right;
    const IntRect node = doc.NodeRect(mode.modeNode);
    mode.modeRect = RangeFromStored(node, ReadStoredRange(settings, kind, node.width(), node.height()));
    (void)FitMultiCutToRange(session, sys);
    DeselectAll(doc);
    session.commitSelection();
    return true;
}

void LeaveRangeMode(EditSession& session)
{
    RangeMode& mode = session.mode();
    if (mode.modeNode == -1)
        return;
    mode.modeNode = -1;
    session.commitSelection();
}

void CancelRangeMode(EditSession& session)
{
    session.cancelMode();
}

void SaveModeRect(EditSession& session)
{
    session.saveModeRect();
}

QString RangeModeGuide(RangeKind kind)
{
    static const char* const kNames[] = {"トリミング", "ボカシ", "マルチカット"};
    const int index = RangeKindIndex(kind);
    const char* name = index >= 0 && index <= 2 ? kNames[index] : kNames[0];
    return QString::fromUtf8(name)
           + QStringLiteral("処理中です。反転部分を右クリックするとメニューが表示されます。（中止 : ESCキー）");
}

void LargestModeRect(EditSession& session)
{
    if (!modeOnValidNode(session))
        return;
    applyRangeCommand(session, session.doc().NodeRect(session.mode().modeNode));
}

void WidenModeRect(EditSession& session)
{
    if (!modeOnValidNode(session))
        return;
    const IntRect& r = session.mode().modeRect;
    const IntRect grown{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    applyRangeCommand(session, grown.intersected(session.doc().NodeRect(session.mode().modeNode)));
}

void NarrowModeRect(EditSession& session)
{
    if (!modeOnValidNode(session))
        return;
    const IntRect& r = session.mode().modeRect;
    if (r.width() < kNarrowestRange || r.height() < kNarrowestRange)
        return;
    applyRangeCommand(session, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
}

} // namespace vq
