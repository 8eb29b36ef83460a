#pragma once

#include "model/RangeModeState.h"

#include <QObject>

#include <functional>
#include <utility>

namespace vq {

class Document;
class UndoHistory;

// The one door every editing command goes through. A command asks for the
// steps it needs and the session tells whoever listens: the view repaints,
// the document marks itself modified, the frame refreshes its status panes.
// Nothing here knows a widget, so any edit can run in a test without a window.
class EditSession : public QObject {
    Q_OBJECT
public:
    EditSession(Document& doc, UndoHistory& history, QObject* parent = nullptr);

    // What everyone reads. Widgets and commands change the document only
    // through the calls below.
    [[nodiscard]] const Document& doc() const { return m_doc; }
    // For the editing operations of edit/, which change the document between
    // a snapshot and a commit of their own.
    [[nodiscard]] Document& editableDoc() { return m_doc; }
    [[nodiscard]] UndoHistory& history() { return m_history; }
    // The trimming, blur and multi-cut range mode.
    [[nodiscard]] RangeMode& mode() { return m_mode; }
    [[nodiscard]] const RangeMode& mode() const { return m_mode; }

    // An undoable edit: snapshot, `change`, then the document counts as changed.
    // False, with `change` not run, when the undo step could not be taken
    // (the history has told why): an edit never runs without its way back.
    bool edit(const std::function<void(Document&)>& change);
    // An undoable edit that may find nothing to do: `change` says whether it
    // changed the document. When it did not, no undo step is left behind and
    // nobody hears of it. Without its undo step it does not run either.
    bool editIfChanged(const std::function<bool(Document&)>& change);
    // A change that is saved with the document but takes no undo step: the
    // zoom, the console's place, the grid.
    void changeWithoutUndo(const std::function<void(Document&)>& change);
    // The view keeping its own saved state in order (the console pulled back
    // into a smaller window): saved with the document, but not an edit of the
    // user's, so the document does not count as modified.
    void adjustViewState(const std::function<void(Document&)>& change);
    // Only the selection changes.
    void changeSelection(const std::function<void(Document&)>& change);
    // A change inside an undo step already taken, such as the node dialog's
    // live changes: whoever shows the document hears of it when the step is
    // committed. Returns what `change` returns.
    template <typename Change>
    decltype(auto) amend(Change&& change)
    {
        return std::forward<Change>(change)(m_doc);
    }
    // Records the document for undo just before a change the caller makes.
    // False when it could not (the history has told why): the caller then
    // leaves the document alone.
    bool PushUndoSnapshot();
    // The document changed (after an edit, or a change that takes no undo
    // step such as the zoom or the console's place).
    void commitChange();
    // Only the selection changed: nothing to save, but the view and the
    // status panes show it.
    void commitSelection();

    // A new range frame from a drag or a key: stored in the mode and
    // remembered for the next time the mode starts.
    void setModeRect(const IntRect& rect);
    // Remembers the current range frame for the next time its mode starts,
    // without counting as a change of the document.
    void saveModeRect();
    // The user called the active range mode off (its cancel command or Esc):
    // the mode ends and whoever shows something for it hears so.
    void cancelMode();
    // A command about to add, remove or reorder nodes, or to select some,
    // ends a running range mode first: the mode keeps the selection empty and
    // holds its node by index, which must go on naming the node the user sees.
    void leaveModeForNodeChange() { cancelMode(); }

    // Steps back or forward through the history; false when there was no
    // step or its snapshot could not be read.
    bool UndoRedo(bool isUndo);

    // A new or opened document: no mode, no history.
    void resetForNewDocument();
    // A new or opened document takes the old one's place; whoever opened it
    // announces the new document itself.
    void replaceDocument(const std::function<void(Document&)>& replace) { replace(m_doc); }

signals:
    // The document changed: repaint, mark modified, refresh the status.
    void documentChanged();
    // The selection changed: repaint and refresh the status.
    void selectionChanged();
    // The view's saved state was put in order without an edit.
    void viewStateAdjusted();
    // Undo or redo replaced the whole model; `previousZoom` is the zoom
    // before, so the view can rescale when it differs.
    void documentRestored(float previousZoom);
    // The range frame changed; `relative` is its place relative to the
    // node's top-left corner, which is remembered per mode.
    void modeRectChanged(RangeKind modeKind, const IntRect& relative);
    // The range mode of `modeKind` was called off by the user (not ended by
    // executing it), so windows that belong to it can close.
    void modeCancelled(RangeKind modeKind);

private:
    Document& m_doc;
    UndoHistory& m_history;
    RangeMode m_mode;
};

} // namespace vq
