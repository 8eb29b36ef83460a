#include "app/RecoveryKeeper.h"

#include "app/DocumentController.h"
#include "edit/EditSession.h"
#include "view/Prompts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vq {

namespace {

qint64 freeBytes(const QString& folder)
{
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

QString timeText(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

bool samePath(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// What the question says of the document's file when it is no longer as the
// copy found it: restored and saved, the copy would replace that file.
QString changedSinceText(const QString& documentPath, const FileStamp& recorded)
{
    if (documentPath.isEmpty() || !recorded.exists())
        return {};
    const FileStamp now = StampOf(documentPath);
    if (now == recorded)
        return {};
    if (!now.exists())
        return QStringLiteral("このファイルは作業内容の記録の後に削除または移動されています。\n");
    return QStringLiteral("このファイルは作業内容の記録の後に変更されています (更新日時: %1)。\n"
                          "復元した内容で上書き保存すると、その変更は失われます。\n")
        .arg(timeText(QDateTime::fromMSecsSinceEpoch(now.modifiedMs)));
}

} // namespace

RecoveryKeeper::RecoveryKeeper(EditSession& edits, DocumentController& document, const QString& folder, QObject* parent,
                               std::chrono::milliseconds settleTime)
    : QObject(parent), m_edits(edits), m_document(document), m_settleTime(settleTime), m_freeSpace(freeBytes)
{
    if (!folder.isEmpty())
        m_store = std::make_unique<RecoveryStore>(folder, ::getpid());
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &RecoveryKeeper::startWrite);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryTime);
    connect(&m_retry, &QTimer::timeout, this, &RecoveryKeeper::startWrite);
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
    m_retry.stop();
    joinWorker();
    removeCopy();
}

QString RecoveryKeeper::copyPath() const
{
    return m_store ? m_store->copyPath() : QString();
}

QString RecoveryKeeper::lockPath() const
{
    return m_store ? m_store->lockPath() : QString();
}

bool RecoveryKeeper::isWritePending() const
{
    return m_busy || m_settle.isActive() || m_retry.isActive();
}

void RecoveryKeeper::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void RecoveryKeeper::scheduleWrite()
{
    if (!m_store || !m_store->isHeld())
        return;
    // Every change restarts the wait for the changes to settle, but never
    // past the deadline the first unsaved change set: a held key must not
    // put the copy off for ever.
    if (!m_deadline)
        m_deadline = QDeadlineTimer(m_longestWait);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline->remainingTimeAsDuration());
    m_settle.start(std::max(std::chrono::milliseconds(0), std::min(m_settleTime, left)));
}

void RecoveryKeeper::startWrite()
{
    if (!m_document.isModified())
        return;
    if (m_busy) {
        m_again = true;
        return;
    }
    // Photographs just brought in are still being turned upright; the copy
    // waits for them rather than hold up the window while they finish.
    if (!PictureBytesReady(m_edits.doc())) {
        m_settle.start(kPictureWait);
        return;
    }
    m_retry.stop();
    // What follows from here on waits for the next copy, not this one.
    m_deadline.reset();
    joinWorker();
    // The copy must not take the room a later save or open of the document
    // needs: it is skipped unless the document's size stays free beside it.
    const qint64 needed = 2 * EstimateCopyBytes(m_edits.doc());
    const qint64 free = m_freeSpace ? m_freeSpace(m_store->folder()) : -1;
    if (free >= 0 && free < needed) {
        writeFinished(false, {},
                      QStringLiteral("空き容量が不足しているため、作業内容の復元用の記録を保存できませんでした"));
        return;
    }
    m_busy = true;
    auto snapshot = std::make_shared<const Document>(m_edits.doc());
    const QString documentPath = m_document.path();
    const FileStamp stamp = m_document.diskStamp();
    const QString part = m_store->partPath();
    const QString target = m_store->copyPath();
    const quint64 generation = m_generation;
    m_worker = std::thread([this, snapshot, documentPath, stamp, part, target, generation]() mutable {
        Report failure;
        bool ok = WriteRecoveryFile(part, documentPath, *snapshot, &failure, stamp);
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
            this,
            [this, ok, failure, done = std::move(snapshot)] {
                writeFinished(ok, failure, QStringLiteral("作業内容の復元用の記録を保存できませんでした。しばらくしてから再度保存します"));
            },
            Qt::QueuedConnection);
    });
}

void RecoveryKeeper::writeFinished(bool ok, const Report& failure, const QString& reason)
{
    // A picture too large to record still lets the rest be written.
    if (ok)
        ShowMessage(failure);
    m_busy = false;
    joinWorker();
    if (ok) {
        m_failureTold = false;
    } else if (m_document.isModified()) {
        // Told once, in passing: a box on every try would stop the user's
        // work for what the user can do nothing about at that moment.
        if (!m_failureTold)
            emit copyFailed(reason);
        m_failureTold = true;
        m_retry.start();
    }
    emit copyWritten(ok);
    if (m_again) {
        m_again = false;
        startWrite();
    }
}

void RecoveryKeeper::removeCopy()
{
    m_settle.stop();
    m_retry.stop();
    m_deadline.reset();
    m_failureTold = false;
    m_again = false;
    if (!m_store)
        return;
    const std::lock_guard<std::mutex> lock(m_commitMutex);
    ++m_generation;
    QFile::remove(m_store->copyPath());
}

bool RecoveryKeeper::OfferLeftCopies(const QString& requested)
{
    if (!m_store)
        return false;
    bool restored = false;
    for (LeftRecoveryCopy& copy : FindLeftRecoveryCopies(m_store->folder(), m_store->pid())) {
        Document recovered;
        QString documentPath;
        FileStamp recordedStamp;
        const QDateTime written = QFileInfo(copy.path).lastModified();
        if (!ReadRecoveryCopy(copy.path, recovered, documentPath, &recordedStamp)) {
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
        // The document asked for is opened in any case, after its own copy
        // has been offered; another document's copy keeps for a later start.
        if (!requested.isEmpty() && (documentPath.isEmpty() || !samePath(documentPath, requested))) {
            // Letting go of the lock removes its file, and without one a copy
            // counts as its instance's for as long as any process has that id,
            // which after a reboot may be a long time. A lock file nobody holds
            // says the instance is gone.
            const QString lockPath = RecoveryLockPath(m_store->folder(), copy.pid);
            copy.hold.reset();
            QFile lockFile(lockPath);
            if (!lockFile.exists() && lockFile.open(QIODevice::WriteOnly))
                lockFile.close();
            continue;
        }
        MessageRequest question;
        question.prefix = (documentPath.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath).fileName())
                          + QLatin1Char('\n');
        // Two documents of one name in different folders must not be confused.
        question.text = QStringLiteral("前回正常に終了しなかったときの作業内容が見つかりました。\n")
                        + (documentPath.isEmpty() ? QString() : QStringLiteral("ファイル: ") + documentPath + QLatin1Char('\n'))
                        + QStringLiteral("記録日時: ") + timeText(written) + QLatin1Char('\n')
                        + changedSinceText(documentPath, recordedStamp) + QStringLiteral("復元しますか?");
        question.style = kStyleYesNo;
        question.owner = parent();
        if (prompter().message(question) != kIdYes) {
            QFile::remove(copy.path);
            continue;
        }
        // Declined when the user keeps the document already there; the copy
        // then waits for the next start.
        if (!m_document.OnRestoreDocument(recovered, documentPath, recordedStamp))
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
