#pragma once

#include "base/Report.h"

#include <QString>

#include <array>
#include <functional>

class QIODevice;

namespace vq {

class Document;

// Whole-document snapshots written as data files into the working folder,
// nine undo steps deep. The history keeps paths only; the files hold the rest.
class UndoHistory {
public:
    static constexpr int kSlots = 10;

    [[nodiscard]] int undoCount() const { return m_undoCount; }
    [[nodiscard]] int redoCount() const { return m_redoCount; }
    [[nodiscard]] QString undoPath(int i) const { return m_undoPaths.at(static_cast<size_t>(i)); }
    [[nodiscard]] QString redoPath(int i) const { return m_redoPaths.at(static_cast<size_t>(i)); }

    // Records `doc` before an edit. False, with the failure told to the
    // report sink, when no snapshot can be written: the edit should then not
    // run, as it could not be undone.
    bool PushUndoSnapshot(const Document& doc);

    // The two halves of PushUndoSnapshot, for an edit that may turn out to
    // change nothing: the snapshot is written first, while the document is
    // still as it was, and only becomes a step (dropping the redo steps) when
    // committed. A discarded one leaves the history exactly as it was. An
    // empty path: no snapshot could be written, and the sink was told.
    [[nodiscard]] QString PrepareSnapshot(const Document& doc);
    void CommitSnapshot(const QString& path);
    void DiscardSnapshot(const QString& path);

    // Replaces `doc` by the previous (undo) or next (redo) snapshot and
    // clears the selection. The snapshot is read before anything is released:
    // when it cannot be read, `doc` is unchanged, the broken entry is dropped
    // and false is returned.
    bool UndoRedo(bool isUndo, Document& doc);

    // Forgets every step without deleting files (after a new or opened document).
    void ResetHistory();

    // Where a snapshot that could not be written is told to the user; an
    // edit without its undo step should not pass in silence.
    void setReportSink(ReportSink sink) { m_report = std::move(sink); }

    // What writes a snapshot's data into its file; the data file writer
    // unless replaced, as a test replaces it by one that meets a full disk.
    using SnapshotWriter = std::function<bool(QIODevice& file, const Document& doc, Report* failure)>;
    void setSnapshotWriter(SnapshotWriter writer) { m_writer = std::move(writer); }

private:
    std::array<QString, kSlots> m_undoPaths;
    std::array<QString, kSlots> m_redoPaths;
    int m_undoCount = 0;
    int m_redoCount = 0;
    ReportSink m_report;
    SnapshotWriter m_writer;

    [[nodiscard]] QString writeSnapshot(const Document& doc) const;
};

} // namespace vq
