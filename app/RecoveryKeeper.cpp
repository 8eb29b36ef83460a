#include "app/RecoveryKeeper.h"

#include "app/DocumentController.h"
#include "edit/EditSession.h"
#include "view/Prompts.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace vq {

RecoveryKeeper::RecoveryKeeper(EditSession& edits, DocumentController& document, const QString& folder, QObject* parent,
                               std::chrono::milliseconds settleTime)
    : QObject(parent), m_edits(edits), m_document(document)
{
    if (!folder.isEmpty())
        m_store = std::make_unique<RecoveryStore>(folder, ::getpid());
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleTime);
    connect(&m_settle, &QTimer::timeout, this, &RecoveryKeeper::startWrite);
    // Every mouse move of a drag is a change; only the last one starts the timer for good.
    connect(&m_edits, &EditSession::documentChanged, this, &RecoveryKeeper::scheduleWrite);
    connect(&m_document, &DocumentController::modifiedChanged, this, [this](bool modified) {
        if (modified)
            scheduleWrite();
        else
            removeCopy();
    });
    // Should the document stay after all (the next one failed to open), its
    // next change writes the copy again.
    connect(&m_document, &DocumentController::changesDiscarded, this, &RecoveryKeeper::removeCopy);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_settle.stop();
    joinWorker();
    removeCopy();
}

QString RecoveryKeeper::copyPath() const
{
    return m_store ? m_store->copyPath() : QString();
}

bool RecoveryKeeper::isWritePending() const
{
    return m_busy || m_settle.isActive();
}

void RecoveryKeeper::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void RecoveryKeeper::scheduleWrite()
{
    if (m_store && m_store->isHeld())
        m_settle.start();
}

void RecoveryKeeper::startWrite()
{
    if (!m_document.isModified())
        return;
    if (m_busy) {
        m_again = true;
        return;
    }
    joinWorker();
    m_busy = true;
    auto snapshot = std::make_shared<const Document>(m_edits.doc());
    const QString documentPath = m_document.path();
    const QString part = m_store->partPath();
    const QString target = m_store->copyPath();
    const quint64 generation = m_generation;
    m_worker = std::thread([this, snapshot, documentPath, part, target, generation]() mutable {
        Report failure;
        bool ok = WriteRecoveryFile(part, documentPath, *snapshot, &failure);
        {
            const std::lock_guard<std::mutex> lock(m_commitMutex);
            if (ok && generation == m_generation)
                ok = CommitRecoveryFile(part, target);
            else
                QFile::remove(part);
        }
        // The last reference to a picture may be this one, and pictures are
        // released where they are painted: on the user-interface thread.
        // What went wrong is told there too: a message box belongs to it.
        QMetaObject::invokeMethod(
            this, [this, ok, failure, done = std::move(snapshot)] { writeFinished(ok, failure); },
            Qt::QueuedConnection);
    });
}

void RecoveryKeeper::writeFinished(bool ok, const Report& failure)
{
    ShowMessage(failure);
    m_busy = false;
    joinWorker();
    emit copyWritten(ok);
    if (m_again) {
        m_again = false;
        startWrite();
    }
}

void RecoveryKeeper::removeCopy()
{
    m_settle.stop();
    m_again = false;
    if (!m_store)
        return;
    const std::lock_guard<std::mutex> lock(m_commitMutex);
    ++m_generation;
    QFile::remove(m_store->copyPath());
}

bool RecoveryKeeper::OfferLeftCopies()
{
    if (!m_store)
        return false;
    bool restored = false;
    for (LeftRecoveryCopy& copy : FindLeftRecoveryCopies(m_store->folder(), m_store->pid())) {
        Document recovered;
        QString documentPath;
        if (!ReadRecoveryCopy(copy.path, recovered, documentPath)) {
            const QString aside = SetAsideDamagedCopy(copy.path);
            MessageRequest report;
            report.text = QStringLiteral("前回正常に終了しなかったときの作業内容が見つかりましたが、"
                                         "ファイルが壊れているため復元できません。");
            if (!aside.isEmpty())
                report.text += QStringLiteral("\nファイルは次の名前で残しました:\n") + aside;
            report.style = kStyleError;
            report.owner = parent();
            prompter().message(report);
            continue;
        }
        MessageRequest question;
        question.prefix = (documentPath.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath).fileName())
                          + QLatin1Char('\n');
        question.text = QStringLiteral("前回正常に終了しなかったときの作業内容が見つかりました。\n復元しますか?");
        question.style = kStyleYesNo;
        question.owner = parent();
        if (prompter().message(question) != kIdYes) {
            QFile::remove(copy.path);
            continue;
        }
        // Declined when the user keeps the document already there; the copy
        // then waits for the next start.
        if (!m_document.OnRestoreDocument(recovered, documentPath))
            continue;
        restored = true;
        // The copy already holds exactly this document: it becomes ours at
        // once instead of being written again, and a write of the document
        // it replaced must not land over it.
        const std::lock_guard<std::mutex> lock(m_commitMutex);
        ++m_generation;
        if (copy.path != m_store->copyPath() && !CommitRecoveryFile(copy.path, m_store->copyPath()))
            QFile::remove(copy.path);
    }
    return restored;
}

} // namespace vq
