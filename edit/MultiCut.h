#pragma once

#include "base/Report.h"

#include "model/Geometry.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QObject;

namespace vq {


class Document;
class EditSession;
class ProgressSink;
struct RangeMode;
struct SysSettings;

inline constexpr int kMinTileCount = 1;
inline constexpr int kMaxTileCount = 100;
inline constexpr float kMaxTileSpacing = 50.0f;

// The tile file types, numbered as "MultiExt" stores them.
enum TileFileType : int { kTileJpeg = 0, kTileGif = 1, kTileBmp = 2, kTilePng = 3, kTileTiff = 4 };
// "jpeg", "gif", "bmp", "png" or "tiff"; JPEG for anything else.
[[nodiscard]] QString TileFileExtension(int fileType);

// A spacing as the whole thousandths of a pixel the grid is laid out in.
// Spacings are kept as thousandths, so they are rounded, not truncated: 0.7f
// is 0.69999999 and must still lay tiles 0.7 pixels apart.
[[nodiscard]] int SpacingThousandths(float spacing);

// What the tiles of `count` tiles of `tile` pixels with spacing `g1000`
// thousandths, starting `offset` into the node, take of a node of `nodeSize`.
[[nodiscard]] int GridExtent(int count, int tile, int g1000, int offset);
// The largest count (at least 1, at most 100) whose grid fits in `nodeSize`.
[[nodiscard]] int LargestFittingCount(int tile, int g1000, int offset, int nodeSize);
// The spacing, in thousandths, that makes `count` tiles end exactly at the
// node's far edge; -1 when no spacing can (a single tile, or tiles that do not
// fit even without spacing).
[[nodiscard]] int FittingSpacingThousandths(int count, int tile, int offset, int nodeSize);

// The multi-cut grid on the canvas: the range is the first tile.
struct TileGrid {
    IntRect node;  // the node's rectangle, canvas pixels
    IntRect range; // the top-left tile
    int cx = 1;
    int cy = 1;
    int g1000x = 0;
    int g1000y = 0;

    [[nodiscard]] int tileWidth() const { return range.width(); }
    [[nodiscard]] int tileHeight() const { return range.height(); }
    // The top-left corner of tile (i, j) on the canvas.
    [[nodiscard]] QPoint tileOrigin(int i, int j) const;
    [[nodiscard]] bool fits() const;
};
[[nodiscard]] TileGrid MakeTileGrid(const Document& doc, const RangeMode& mode, const SysSettings& sys);

// The same tiles in the pixels of a picture shown at scale sx, sy.
struct SourceTiles {
    int px = 0;
    int py = 0;
    int tw = 0;
    int th = 0;
    int g1000x = 0;
    int g1000y = 0;

    [[nodiscard]] QRect tile(int i, int j) const;
};
[[nodiscard]] SourceTiles SourceTilesFor(const TileGrid& grid, float sx, float sy);

// A change from the settings window: -1 leaves a value as it is.
struct MultiCutChange {
    int cx = -1;
    int cy = -1;
    float gx = -1.0f;
    float gy = -1.0f;
};

// Stores the change in `sys` at once and keeps the grid on the node of the
// active multi-cut: a count that does not fit becomes the largest that does,
// a spacing that does not fit becomes the one that ends the grid exactly at
// the node's edge (or 0, with the count cut down, when the tiles overflow
// even without spacing). True only when something changed, a multi-cut is active
// and the grid fitted as asked. The view repaints after every change made
// while a multi-cut is active, so the grid shown is always the one stored.
bool UpdateMultiCutSettings(EditSession& session, SysSettings& sys, const MultiCutChange& change);

// The tiles of the active multi-cut cut out of `rendered` (the mode node's
// picture at its own size) and appended as nodes in their places, selected,
// the last one main, as one undo step. The mode ends when every tile is in;
// the node limit stops the loop early (its report in `failure`) and keeps the mode.
// The number of nodes added; 0 with nothing changed when there is nothing to
// cut.
int CutTilesToNodes(EditSession& session, const SysSettings& sys, const QImage& rendered, ProgressSink* progress,
                    Report* failure);

// What writing the tiles as files came to.
struct TileFilesResult {
    bool ran = false;   // there was something to cut, and every tile was tried
    int written = 0;
    int failed = 0;
    QString firstFailure; // the first file that could not be written
    Reports reports;      // why tiles failed, tile by tile, to be told first
};

// The tiles of the active multi-cut written into `folder` (ending with "/")
// as numbered files of the chosen type, each number the next one not taken.
// A tile that cannot be written is counted and the rest still go. Nothing
// runs when there is nothing to cut. The mode stays and the document does
// not change.
TileFilesResult CutTilesToFiles(const Document& doc, const RangeMode& mode, const SysSettings& sys,
                                const QImage& rendered, const QString& folder, ProgressSink* progress);

// The next free name folder + "%08d" + "." + extension from `*counter` on;
// the counter moves past the name returned.
[[nodiscard]] QString NextTileFileName(const QString& folder, const QString& extension, int* counter);

// The mode node's picture at its own pixel size, opaque 32-bit RGB; null when
// there is no mode node or its picture cannot be decoded.
[[nodiscard]] QImage RenderModePicture(const Document& doc, const RangeMode& mode);

} // namespace vq
