#pragma once

#include "base/Report.h"

#include "model/DocState.h"

#include <QSize>
#include <QString>

class QObject;

namespace vq {

class Document;

// The arithmetic and edits behind the image properties dialog. Each function
// changes the document only; the caller takes the undo snapshot once for the
// whole dialog and reports every change to the edit session.

// Smallest displayed width or height the dialog offers.
inline constexpr int kMinNodeSide = 10;
inline constexpr int kMinFrameWidth = 1;
inline constexpr int kMaxFrameWidth = 20;

// A number field read as the dialogs read them: thousands commas removed,
// leading blanks skipped, then the leading decimal digits (with an optional
// sign); 0 when there are none. Values beyond int are held at its limits.
[[nodiscard]] int ParseDialogInteger(const QString& text);

// What the memory part of the dialog shows for a node whose fields hold the
// displayed width and height.
struct NodeMemoryInfo {
    int memoryWidth = 0;
    int memoryHeight = 0;
    int dataSize = 0;
    int ratioX = 0; // percent, truncated
    int ratioY = 0;
    bool canActualSize = true; // "実寸にする"
    bool canAspect = true;     // "縦横比同じにする"
    bool canResample = true;   // "ビューのイメージの大きさにする"
};
[[nodiscard]] NodeMemoryInfo ReadNodeMemoryInfo(const NodeRecord& node, int fieldWidth, int fieldHeight);

// The displayed size corrected to the picture's aspect ratio, keeping the
// width (`widthBasis`) or the height.
struct AspectResult {
    QSize size;
    bool changed = false;
};
[[nodiscard]] AspectResult AspectTarget(QSize view, QSize memory, bool widthBasis);

// The displayed width or height as a spin step leaves it: half of `value`.
void SetNodeDisplayWidth(Document& doc, int index, int value);
void SetNodeDisplayHeight(Document& doc, int index, int value);

// "実寸にする": the picture's own size, held inside 10..canvas size, then the
// node is kept on the canvas. The new displayed size; empty (nothing done)
// for a picture of no size.
[[nodiscard]] QSize ApplyActualSize(Document& doc, int index);

// "縦横比同じにする": the new displayed size; empty when it already agrees.
[[nodiscard]] QSize ApplySameAspect(Document& doc, int index, bool widthBasis);

// "ビューのイメージの大きさにする". The picture's bytes are first written to
// `backupPath` (when it is not empty); `backedUp` tells whether that worked,
// so the dialog can offer the undo. Then the picture is redrawn at the
// aspect-corrected displayed size. When that fails the node keeps its
// picture and size and `failure` (when given) holds the no-image report.
struct ResampleResult {
    bool backedUp = false;
    bool resampled = false;
    QSize size;
};
[[nodiscard]] ResampleResult ResampleToDisplaySize(Document& doc, int index, bool widthBasis,
                                                   const QString& backupPath, Report* failure);

// Puts the picture kept in `backupPath` back into the node. False, with the
// node untouched, when the file cannot be read or its bytes make no
// picture that can be drawn: a node is never left without a picture.
bool UndoResample(Document& doc, int index, const QString& backupPath);

// One canvas pixel in any direction; the node is not kept on the canvas.
void MoveNodeByPixel(Document& doc, int index, int dx, int dy);

// The frame settings go to every selected node, not only the dialog's own.
// The width is held inside 1..20.
void SetSelectedFrameWidth(Document& doc, int width);
void SetSelectedFrameStyle(Document& doc, int style);
void SetSelectedFrameColor(Document& doc, ColorRef colour);

// The source as the dialog shows it: the notes for pasted, multi-cut and
// unrecorded pictures, a file source without "file:///" and a final
// carriage return, anything else as it is.
[[nodiscard]] QString NodeSourceDisplay(const QString& source);

// What "表示" does with the shown source.
enum class OriginKind {
    None,  // nothing to show (empty, or one of the notes)
    File,  // a local path: ask whether to open it or show its folder
    Web,   // an address: open it in the browser
};
[[nodiscard]] OriginKind ClassifyOrigin(const QString& shownSource);

// "再読込み": reads the picture again from the shown source (a local file, or
// an address downloaded first) into the main node, which must be `index`.
// On success the node's source record is renewed with the shown text.
// On failure `reports` (when given) ends with the reload-failed report, after
// what the download or the load found wrong.
bool ReloadNodeFromOrigin(Document& doc, int index, const QString& shownSource, Reports* reports = nullptr);

} // namespace vq
