#include "model/UndoHistory.h"

#include "model/DataFile.h"
#include "model/Document.h"
#include "model/WorkFolder.h"

#include <QFile>

namespace vq {

namespace {

void removeIfExists(const QString& path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

bool readSnapshot(const QString& path, Document& into)
{
    QFile file(path);
    // Snapshots are the program's own files: a damaged one is not the user's
    // concern, the step is simply dropped.
    return file.open(QIODevice::ReadOnly) && ReadDataFile(file, into, nullptr);
}

// Drops the oldest entry when all ten slots are in use.
void trimOverflow(std::array<QString, UndoHistory::kSlots>& paths, int& count)
{
    if (count < UndoHistory::kSlots)
        return;
    removeIfExists(paths[0]);
    for (int i = 1; i < UndoHistory::kSlots; ++i)
        paths[static_cast<size_t>(i - 1)] = paths[static_cast<size_t>(i)];
    paths[UndoHistory::kSlots - 1].clear();
    count = UndoHistory::kSlots - 1;
}

} // namespace

// Writes `doc` to a new snapshot file; empty when that is not possible.
QString UndoHistory::writeSnapshot(const Document& doc) const
{
    Report failure;
    const auto fail = [&] {
        // A full disk says nothing of its own; the edit it stops must not
        // simply fail to happen.
        if (failure.id == 0)
            failure = {kMsgOutOfMemory, QStringLiteral("元に戻すための記録を作業フォルダに書き込めないため、操作を中止しました\n"),
                       kStyleError, true};
        if (m_report)
            m_report(failure, nullptr);
        return QString();
    };
    const QString path = MakeWorkFileName(&failure);
    if (path.isEmpty())
        return fail();
    QFile file(path);
    // A snapshot cut short by a full disk would restore nodes without their
    // pictures; only a complete one is kept.
    const bool written = file.open(QIODevice::ReadWrite | QIODevice::Truncate)
                         && (m_writer ? m_writer(file, doc, &failure) : WriteDataFile(file, doc, &failure))
                         && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    if (!written) {
        QFile::remove(path);
        return fail();
    }
    return path;
}

bool UndoHistory::PushUndoSnapshot(const Document& doc)
{
    const QString path = PrepareSnapshot(doc);
    CommitSnapshot(path);
    return !path.isEmpty();
}

QString UndoHistory::PrepareSnapshot(const Document& doc)
{
    return writeSnapshot(doc);
}

void UndoHistory::CommitSnapshot(const QString& path)
{
    if (path.isEmpty())
        return;
    m_undoPaths[static_cast<size_t>(m_undoCount)] = path;
    for (int i = 0; i < m_redoCount; ++i) {
        removeIfExists(m_redoPaths[static_cast<size_t>(i)]);
        m_redoPaths[static_cast<size_t>(i)].clear();
    }
    m_redoCount = 0;
    m_undoCount += 1;
    trimOverflow(m_undoPaths, m_undoCount);
}

void UndoHistory::DiscardSnapshot(const QString& path)
{
    removeIfExists(path);
}

bool UndoHistory::UndoRedo(bool isUndo, Document& doc)
{
    auto& from = isUndo ? m_undoPaths : m_redoPaths;
    auto& to = isUndo ? m_redoPaths : m_undoPaths;
    int& fromCount = isUndo ? m_undoCount : m_redoCount;
    int& toCount = isUndo ? m_redoCount : m_undoCount;
    if (fromCount == 0)
        return false;

    const QString snapshot = from[static_cast<size_t>(fromCount - 1)];
    Document restored;
    if (!readSnapshot(snapshot, restored)) {
        // The step cannot come back; drop it so the history stays truthful.
        removeIfExists(snapshot);
        from[static_cast<size_t>(fromCount - 1)].clear();
        fromCount -= 1;
        return false;
    }

    // The current state becomes the opposite step; if it cannot be written
    // the opposite step is simply not offered.
    const QString opposite = writeSnapshot(doc);
    from[static_cast<size_t>(fromCount - 1)].clear();
    fromCount -= 1;
    if (!opposite.isEmpty()) {
        to[static_cast<size_t>(toCount)] = opposite;
        toCount += 1;
        trimOverflow(to, toCount);
    }
    removeIfExists(snapshot);

    doc.ReleasePictures();
    std::swap(doc.state, restored.state);
    std::swap(doc.nodes, restored.nodes);
    std::swap(doc.screen, restored.screen);
    doc.clearSelection();
    return true;
}

void UndoHistory::ResetHistory()
{
    m_undoCount = 0;
    m_redoCount = 0;
}

} // namespace vq
