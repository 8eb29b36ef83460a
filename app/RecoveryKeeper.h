#pragma once

#include "model/Recovery.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vq {

struct Report;

class DocumentController;
class EditSession;

// Keeps a recovery copy of the document while it has unsaved changes, and
// at start-up offers the copies that instances which died left behind.
//
// The copies are kept in the recovery folder (see RecoveryFolder), which a
// reboot leaves alone. The copy is written a moment after the changes settle,
// and never later than kLongestWait after the first unsaved change however
// the changes keep coming, by a worker thread
// from a snapshot: pictures are immutable and shared, so copying the state
// and the node records costs next to nothing, and the user interface never
// waits for the disk.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSettleTime{3000};
    static constexpr std::chrono::milliseconds kLongestWait{30000};
    static constexpr std::chrono::milliseconds kRetryTime{15000};
    // How often a copy due while pictures are still being made asks again.
    static constexpr std::chrono::milliseconds kPictureWait{500};
    // The bytes free for new files in a folder; negative when unknown.
    using FreeSpaceProbe = std::function<qint64(const QString& folder)>;

    // `folder` is the recovery folder; an empty one keeps no copies.
    RecoveryKeeper(EditSession& edits, DocumentController& document, const QString& folder, QObject* parent = nullptr,
                   std::chrono::milliseconds settleTime = kSettleTime);
    // Waits for a write in progress, then removes the copy: a clean exit
    // leaves nothing to recover.
    ~RecoveryKeeper() override;

    // Asks, for each copy a dead instance left, whether to restore it; true
    // when one became the document. With `requested` (the document named on
    // the command line) only the copies of that document are offered, in
    // place of opening it; the others wait for a later start.
    bool OfferLeftCopies(const QString& requested = {});

    // How long the changes must rest before a copy is written.
    void setSettleTime(std::chrono::milliseconds settleTime) { m_settleTime = settleTime; }
    // How long after the first unsaved change a copy is written at the latest.
    void setLongestWait(std::chrono::milliseconds longest) { m_longestWait = longest; }
    // How long after a failed write the next one is tried.
    void setRetryTime(std::chrono::milliseconds retry) { m_retry.setInterval(retry); }
    void setFreeSpaceProbe(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }

    [[nodiscard]] QString copyPath() const;
    [[nodiscard]] QString lockPath() const;
    // Whether a write is running or waiting for the changes to settle.
    [[nodiscard]] bool isWritePending() const;

signals:
    // A write ended; `ok` is false when the copy could not be written.
    void copyWritten(bool ok);
    // Writing the copy failed or was skipped for want of space: told once,
    // until a copy is written again, and tried again after a while.
    void copyFailed(const QString& text);

private:
    void scheduleWrite();
    void startWrite();
    void writeFinished(bool ok, const Report& failure, const QString& reason);
    // The changes are saved or given up: the copy must go, and a write in
    // flight must not bring it back.
    void removeCopy();
    void joinWorker();

    EditSession& m_edits;
    DocumentController& m_document;
    std::unique_ptr<RecoveryStore> m_store;
    QTimer m_settle;
    QTimer m_retry;
    std::chrono::milliseconds m_settleTime;
    std::chrono::milliseconds m_longestWait = kLongestWait;
    // Runs from the first change not yet in a copy.
    std::optional<QDeadlineTimer> m_deadline;
    FreeSpaceProbe m_freeSpace;
    bool m_failureTold = false;
    std::thread m_worker;
    bool m_busy = false;
    bool m_again = false;
    // Counts removals; a worker renames its part into place only when no
    // removal happened since its snapshot was taken.
    std::mutex m_commitMutex;
    quint64 m_generation = 0;
};

} // namespace vq
