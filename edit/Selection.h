#pragma once

#include <QRect>

namespace vq {

class Document;
class EditSession;

// How a click on a node changes the selection. Ctrl and Shift together count
// as a plain click, as does any other combination.
enum class ClickKind { Plain, Ctrl, Shift };
[[nodiscard]] ClickKind ClickKindFor(bool ctrl, bool shift);

struct SelectionOutcome {
    bool startMove = false; // the press goes on as a move drag
    bool changed = false;   // the selection or the main node changed
};

void DeselectAll(Document& doc);
// Every node selected, the first one main; nothing main on an empty canvas.
void SelectAll(Document& doc);
// Ctrl+A: SelectAll, except while a range mode runs, which keeps the
// selection empty. False when nothing changed.
bool SelectAllOutsideMode(EditSession& session);
// The selection rule for a press on node `index`.
SelectionOutcome ApplySelectionRule(Document& doc, int index, ClickKind kind);
// Every node whose four corners lie inside `band` (zoomed canvas pixels,
// right and bottom exclusive) is selected and becomes main in turn, so the
// highest enclosed node ends up main. Clears the main node first.
void SelectInBand(Document& doc, float zoom, const QRect& band);
// Tab: the next (or previous) node becomes the only selection, wrapping round.
// False when there is no main node or fewer than two nodes.
bool CycleMainSelection(Document& doc, bool backwards);

} // namespace vq
