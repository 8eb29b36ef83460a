#pragma once

#include "model/Recovery.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace vq {

struct Report;

class DocumentController;
class EditSession;

// Keeps a recovery copy of the document while it has unsaved changes, and
// at start-up offers the copies that instances which died left behind.
//
// The copy is written a moment after the changes settle, by a worker thread
// from a snapshot: pictures are immutable and shared, so copying the state
// and the node records costs next to nothing, and the user interface never
// waits for the disk.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSettleTime{3000};

    // `folder` is the working folder; an empty one keeps no copies.
    RecoveryKeeper(EditSession& edits, DocumentController& document, const QString& folder, QObject* parent = nullptr,
                   std::chrono::milliseconds settleTime = kSettleTime);
    // Waits for a write in progress, then removes the copy: a clean exit
    // leaves nothing to recover.
    ~RecoveryKeeper() override;

    // Asks, for each copy a dead instance left, whether to restore it; true
    // when one became the document.
    bool OfferLeftCopies();

    // How long the changes must rest before a copy is written.
    void setSettleTime(std::chrono::milliseconds settleTime) { m_settle.setInterval(settleTime); }

    [[nodiscard]] QString copyPath() const;
    // Whether a write is running or waiting for the changes to settle.
    [[nodiscard]] bool isWritePending() const;

signals:
    // A write ended; `ok` is false when the copy could not be written.
    void copyWritten(bool ok);

private:
    void scheduleWrite();
    void startWrite();
    void writeFinished(bool ok, const Report& failure);
    // The changes are saved or given up: the copy must go, and a write in
    // flight must not bring it back.
    void removeCopy();
    void joinWorker();

    EditSession& m_edits;
    DocumentController& m_document;
    std::unique_ptr<RecoveryStore> m_store;
    QTimer m_settle;
    std::thread m_worker;
    bool m_busy = false;
    bool m_again = false;
    // Counts removals; a worker renames its part into place only when no
    // removal happened since its snapshot was taken.
    std::mutex m_commitMutex;
    quint64 m_generation = 0;
};

} // namespace vq
