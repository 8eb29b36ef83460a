#pragma once

#include "model/DocState.h"

#include <QPoint>

#include <vector>

class QImage;
class QMimeData;
class QObject;

namespace vq {

struct Report;

class Document;
class EditSession;
struct Placement;

// The nodes of the last copy, with where the user pointed when copying.
// Pictures are immutable and shared by reference, so a buffered node keeps
// its picture alive without owning a copy of its bytes.
struct CopyBuffer {
    std::vector<NodeRecord> nodes;
    QPoint refPoint;

    [[nodiscard]] int count() const { return static_cast<int>(nodes.size()); }
    void clear() { nodes.clear(); }
};

// The marker text that says the clipboard holds the program's own copy.
inline constexpr char kCopyMarker[] = "[OBJ]";

// Fills `buffer` with the selected nodes in stacking order; false (buffer
// untouched) when nothing is selected.
bool CopySelection(const Document& doc, CopyBuffer& buffer, QPoint placementPoint);

enum class PasteKind { Buffer = 1, ClipboardImage = 2, Nothing = 255 };
// The marker means our own nodes; otherwise an image; otherwise nothing.
[[nodiscard]] PasteKind PasteKindOf(const QMimeData* data);

// Pastes the buffer shifted by `delta` canvas pixels, with one undo step.
// Every pasted node is selected, the first one main; the buffer moves by
// `delta` too, so the next paste lands further on. Stops at the node limit.
// Returns the number of nodes pasted.
int PasteBuffer(EditSession& session, CopyBuffer& buffer, QPoint delta, Report* failure);

// A clipboard picture as a new node (source "FROM_CLIP"), with one undo step.
bool PasteImage(EditSession& session, const QImage& image, const Placement& placement,
                Report* failure);

// Removes the selected nodes with one undo step. The kept nodes are gathered
// apart and swapped in at once, so nothing can leave the list half-changed.
// False when nothing is selected (the undo step is taken all the same, as
// the command always has).
bool DeleteSelection(EditSession& session);

} // namespace vq
