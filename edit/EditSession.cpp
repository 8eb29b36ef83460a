#include "edit/EditSession.h"

#include "model/Document.h"
#include "model/UndoHistory.h"

namespace vq {

EditSession::EditSession(Document& doc, UndoHistory& history, QObject* parent)
    : QObject(parent), m_doc(doc), m_history(history)
{
}

bool EditSession::edit(const std::function<void(Document&)>& change)
{
    if (!PushUndoSnapshot())
        return false;
    change(m_doc);
    commitChange();
    return true;
}

bool EditSession::editIfChanged(const std::function<bool(Document&)>& change)
{
    const QString snapshot = m_history.PrepareSnapshot(m_doc);
    if (snapshot.isEmpty())
        return false;
    if (!change(m_doc)) {
        m_history.DiscardSnapshot(snapshot);
        return false;
    }
    m_history.CommitSnapshot(snapshot);
    commitChange();
    return true;
}

void EditSession::changeWithoutUndo(const std::function<void(Document&)>& change)
{
    change(m_doc);
    commitChange();
}

void EditSession::adjustViewState(const std::function<void(Document&)>& change)
{
    change(m_doc);
    emit viewStateAdjusted();
}

void EditSession::changeSelection(const std::function<void(Document&)>& change)
{
    change(m_doc);
    commitSelection();
}

bool EditSession::PushUndoSnapshot()
{
    return m_history.PushUndoSnapshot(m_doc);
}

void EditSession::commitChange()
{
    emit documentChanged();
}

void EditSession::commitSelection()
{
    emit selectionChanged();
}

void EditSession::setModeRect(const IntRect& rect)
{
    m_mode.modeRect = rect;
    saveModeRect();
    commitChange();
}

void EditSession::saveModeRect()
{
    if (m_mode.modeNode < 0 || m_mode.modeNode >= m_doc.state.nodeCount)
        return;
    // Remembered relative to the node, so it fits the next node the mode starts on.
    const IntRect& rect = m_mode.modeRect;
    const IntRect node = m_doc.NodeRect(m_mode.modeNode);
    emit modeRectChanged(m_mode.modeKind,
                         {rect.left - node.left, rect.top - node.top, rect.right - node.left, rect.bottom - node.top});
}

void EditSession::cancelMode()
{
    if (m_mode.modeNode == -1)
        return;
    m_mode.modeNode = -1;
    emit modeCancelled(m_mode.modeKind);
    emit selectionChanged();
}

bool EditSession::UndoRedo(bool isUndo)
{
    const float zoom = m_doc.state.zoom;
    if (!m_history.UndoRedo(isUndo, m_doc))
        return false;
    // A restored model has nothing selected, so no mode can refer into it;
    // what belonged to a running mode goes with it.
    const bool hadMode = m_mode.modeNode != -1;
    m_mode.modeNode = -1;
    if (hadMode)
        emit modeCancelled(m_mode.modeKind);
    emit documentRestored(zoom);
    emit documentChanged();
    return true;
}

void EditSession::resetForNewDocument()
{
    m_history.ResetHistory();
    m_mode = RangeMode{};
}

} // namespace vq
