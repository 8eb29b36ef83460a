#include "edit/Selection.h"

#include "edit/EditSession.h"
#include "model/Document.h"

#include <algorithm>

namespace vq {

ClickKind ClickKindFor(bool ctrl, bool shift)
{
    if (ctrl && !shift)
        return ClickKind::Ctrl;
    if (shift && !ctrl)
        return ClickKind::Shift;
    return ClickKind::Plain;
}

void DeselectAll(Document& doc)
{
    doc.clearSelection();
}

void SelectAll(Document& doc)
{
    for (int i = 0; i < doc.state.nodeCount; ++i)
        doc.screen[i].selected = 1;
    doc.state.mainIndex = doc.state.nodeCount > 0 ? 0 : -1;
}

bool SelectAllOutsideMode(EditSession& session)
{
    if (session.mode().active())
        return false;
    session.changeSelection([](Document& document) { SelectAll(document); });
    return true;
}

SelectionOutcome ApplySelectionRule(Document& doc, int index, ClickKind kind)
{
    DocState& s = doc.state;
    int& selected = doc.screen[index].selected;
    if (!doc.hasMainSelection()) {
        selected = 1;
        s.mainIndex = index;
        return {true, true};
    }
    if (selected == 0) {
        if (kind == ClickKind::Ctrl) {
            selected = 1;
            s.mainIndex = index;
            return {false, true};
        }
        doc.clearSelection();
        doc.screen[index].selected = 1;
        s.mainIndex = index;
        return {true, true};
    }
    if (kind == ClickKind::Shift) {
        selected = 0;
        if (s.mainIndex == index) {
            // The first node still selected takes over; with none left the
            // main index stays where it was.
            for (int i = 0; i < s.nodeCount; ++i) {
                if (doc.screen[i].selected != 0) {
                    s.mainIndex = i;
                    break;
                }
            }
        }
        return {false, true};
    }
    const bool changed = s.mainIndex != index;
    s.mainIndex = index;
    return {true, changed};
}

void SelectInBand(Document& doc, float zoom, const QRect& band)
{
    doc.state.mainIndex = -1;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        // The corners as drawn on the screen; the bottom-right one is the
        // rectangle's exclusive corner and must lie inside the band too.
        const IntRect r = doc.NodeRect(i).scaled(zoom);
        const bool inside = r.left >= band.left() && r.right < band.left() + band.width() && r.top >= band.top()
                            && r.bottom < band.top() + band.height();
        if (inside) {
            doc.screen[i].selected = 1;
            doc.state.mainIndex = i;
        }
    }
}

bool CycleMainSelection(Document& doc, bool backwards)
{
    DocState& s = doc.state;
    if (!doc.hasMainSelection() || s.nodeCount < 2)
        return false;
    // Taken before the selection is cleared, which forgets the main node.
    int next = s.mainIndex + (backwards ? -1 : 1);
    if (next >= s.nodeCount)
        next = 0;
    else if (next < 0)
        next = s.nodeCount - 1;
    doc.clearSelection();
    s.mainIndex = next;
    doc.screen[next].selected = 1;
    return true;
}

} // namespace vq
