#pragma once

#include "model/DocState.h"
#include "model/Geometry.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>


namespace vq {

struct LoadedPicture;
struct Report;

// The one document: the canvas state and the nodes in stacking order
// (index 0 at the bottom), with the run-time screen information beside them.
class Document {
public:
    Document();

    DocState state;
    std::vector<NodeRecord> nodes;       // kNodeSlots slots
    std::vector<NodeScreenInfo> screen;  // kNodeSlots slots

    // Discards and re-creates both arrays of kNodeSlots slots.
    bool AllocateNodeArrays();
    // Drops the background picture and every node's picture; keeps nodeCount.
    void ReleasePictures();
    // The new-document state; modeFrameColor and modeFrameWidth are kept.
    void ResetDocument();
    // True when another node fits; otherwise false with the too-many-images
    // report behind "最大 1000 個\n" in `failure`, when given.
    bool CheckNodeCapacity(Report* failure) const;

    [[nodiscard]] IntRect NodeRect(int index) const;
    [[nodiscard]] IntRect NodeScreenRect(int index) const;

    [[nodiscard]] int nodeCount() const { return state.nodeCount; }
    [[nodiscard]] bool hasMainSelection() const { return state.mainIndex >= 0 && state.mainIndex < state.nodeCount; }
    [[nodiscard]] int selectedCount() const;
    void clearSelection();
};

// Appends a node for a picture of w x h pixels centred at (cx, cy), shrunk to
// 250 pixels wide when it reaches the canvas size, selected, made the main
// selection and moved inside the canvas. False, with the capacity report in
// `failure`, when the document is full.
bool AppendNode(Document& doc, PicturePtr picture, int w, int h, int cx, int cy, Report* failure = nullptr);

// The displayed size of a w x h picture under the 250-pixel rule.
struct DisplaySize {
    int width;
    int height;
};
[[nodiscard]] DisplaySize AppendSizeRule(int w, int h, int canvasWidth, int canvasHeight);

enum class KeepMode { Edge, Centre };
// Moves node `index` back inside the canvas; true when it moved.
bool KeepNodeInCanvas(Document& doc, int index, KeepMode mode);

// Records the picture's pixel size, source data size and origin text.
void SetNodeSource(Document& doc, int index, int width, int height, int dataSize, const QString& source);

// A new picture as a node: appended centred at `centre` (see AppendNode) with
// its pixel size, data size and `source` recorded. It is shown at its pixel
// size unless `displaySize` says otherwise (a tile shown at the size it had on
// the canvas). False, with the capacity report in `failure`, when the document
// is full.
bool AppendPictureNode(Document& doc, const LoadedPicture& picture, QPoint centre, const QString& source,
                       Report* failure, std::optional<QSize> displaySize = std::nullopt);
// The stored origin text as text.
[[nodiscard]] QString NodeSourceText(const NodeRecord& node);

} // namespace vq
