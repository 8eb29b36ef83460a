#pragma once

// Running a range mode: entering and leaving it, the range commands, and the
// ranges remembered between runs. The mode's state itself is a RangeMode
// (model/RangeModeState.h).

#include "model/Geometry.h"
#include "model/RangeModeState.h"

#include <QString>

namespace vq {

class EditSession;
class Settings;
struct SysSettings;

// The last range of a mode as remembered: its left and top as offsets from
// the node's top-left corner, and its width and height, in canvas pixels.
struct StoredRange {
    int px = 0;
    int py = 0;
    int sx = 0;
    int sy = 0;
};

// The remembered range of `kind`, with a quarter-in, half-size range for a
// `width` x `height` node where nothing is stored.
[[nodiscard]] StoredRange ReadStoredRange(const Settings& settings, RangeKind kind, int width, int height);

// The range frame a remembered range gives on node rectangle `node`. A range
// remembered for a larger node is pulled in: an offset beyond the node starts
// 5 pixels in, a size running past the node's right or bottom edge ends one
// pixel inside it. Whatever still would not lie inside the node (a node of a
// few pixels, values edited by hand) becomes the default range, or the whole
// node when even that is empty, so a mode never starts on an empty frame.
[[nodiscard]] IntRect RangeFromStored(const IntRect& node, const StoredRange& stored);

// Multi-cut keeps its grid on the node: when `counts` tiles of `tile` with the
// spacings do not fit in `nodeSize` from `offset`, the count becomes the
// largest that does (at least one).
[[nodiscard]] int FitTileCount(int count, int tile, float spacing, int offset, int nodeSize);

// Keeps the multi-cut grid on its node after its range changed (a range
// command, a frame drag, a key): each tile count that no longer fits becomes
// the largest that does. True when a count changed; nothing happens outside
// a multi-cut.
bool FitMultiCutToRange(const EditSession& session, SysSettings& sys);

// Starts mode `kind` on the main node: the range from the remembered one,
// the keyboard on the frame's right edge, the selection cleared. Entering
// multi-cut also fits the tile counts of `sys` to the node. False, with
// nothing changed, when there is no main node.
bool EnterRangeMode(EditSession& session, RangeKind kind, const Settings& settings, SysSettings& sys);
// Ends the active mode, if any, and repaints; nothing else changes.
void LeaveRangeMode(EditSession& session);
// The user calls the active mode off: as LeaveRangeMode, and windows that
// belong to the mode (the multi-cut settings) hear of it.
void CancelRangeMode(EditSession& session);
// Remembers the current range for the next time its mode starts.
void SaveModeRect(EditSession& session);

// The status-bar guide while mode `kind` runs.
[[nodiscard]] QString RangeModeGuide(RangeKind kind);

// The range commands; each acts only while a mode is active, remembers the
// new range and repaints. The whole node:
void LargestModeRect(EditSession& session);
// One pixel more on every side, kept inside the node:
void WidenModeRect(EditSession& session);
// One pixel less on every side, unless the range is narrower or lower than
// 10 pixels:
void NarrowModeRect(EditSession& session);

} // namespace vq
