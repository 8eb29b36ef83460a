#include "model/Recovery.h"

#include "model/DataFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <signal.h>
#include <sys/types.h>

namespace vq {

namespace {

constexpr char kMagic[] = "VQRCV001";
constexpr int kMagicBytes = 8;
// Far above any real path; a larger length can only be damage.
constexpr quint32 kMaxPathBytes = 64 * 1024;

QString recoveryName(const QString& folder, qint64 pid, const char* suffix)
{
    return QStringLiteral("%1/recovery-%2%3").arg(folder).arg(pid).arg(QLatin1String(suffix));
}

std::unique_ptr<QLockFile> makeLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A lock is stale only when its process is gone, however old the file is:
    // an instance may well run for weeks.
    lock->setStaleLockTime(0);
    return lock;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

QString RecoveryCopyPath(const QString& folder, qint64 pid)
{
    return recoveryName(folder, pid, ".vqdr");
}

QString RecoveryPartPath(const QString& folder, qint64 pid)
{
    return recoveryName(folder, pid, ".vqdr.part");
}

QString RecoveryLockPath(const QString& folder, qint64 pid)
{
    return recoveryName(folder, pid, ".lock");
}

bool WriteRecoveryFile(const QString& path, const QString& documentPath, const Document& doc, Report* failure)
{
    const QByteArray pathBytes = documentPath.toUtf8();
    QByteArray header(kMagic, kMagicBytes);
    header += QByteArray(4, '\0');
    qToBigEndian(static_cast<quint32>(pathBytes.size()), header.data() + kMagicBytes);
    header += pathBytes;

    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                         && static_cast<quint32>(pathBytes.size()) <= kMaxPathBytes
                         && file.write(header) == header.size() && WriteDataFile(file, doc, failure) && file.flush()
                         && file.error() == QFileDevice::NoError;
    file.close();
    if (!written)
        QFile::remove(path);
    return written;
}

bool CommitRecoveryFile(const QString& part, const QString& target)
{
    // QFile::rename refuses an existing target; rename(2) replaces it atomically.
    return std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) == 0;
}

bool WriteRecoveryCopy(const QString& target, const QString& documentPath, const Document& doc, Report* failure)
{
    const QString part = target + QStringLiteral(".part");
    if (WriteRecoveryFile(part, documentPath, doc, failure) && CommitRecoveryFile(part, target))
        return true;
    QFile::remove(part);
    return false;
}

bool ReadRecoveryCopy(const QString& path, Document& into, QString& documentPath)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kMagicBytes + 4);
    if (head.size() != kMagicBytes + 4 || !head.startsWith(QByteArray(kMagic, kMagicBytes)))
        return false;
    const quint32 length = qFromBigEndian<quint32>(head.constData() + kMagicBytes);
    if (length > kMaxPathBytes)
        return false;
    const QByteArray pathBytes = file.read(length);
    if (static_cast<quint32>(pathBytes.size()) != length)
        return false;
    // A copy we cannot read is simply not offered: nothing to tell.
    if (!ReadDataFile(file, into, nullptr))
        return false;
    documentPath = QString::fromUtf8(pathBytes);
    return true;
}

QString SetAsideDamagedCopy(const QString& path)
{
    const QString aside = path + QLatin1Char('-')
                          + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))
                          + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (QFile::rename(path, aside))
        return aside;
    QFile::remove(path);
    return {};
}

RecoveryStore::RecoveryStore(const QString& folder, qint64 pid)
    : m_folder(folder), m_pid(pid), m_lock(makeLock(RecoveryLockPath(folder, pid)))
{
    // Qt would keep a lock naming our own running process for a live one.
    QFile::remove(RecoveryLockPath(folder, pid));
    m_lock->tryLock(0);
}

RecoveryStore::~RecoveryStore() = default;

bool RecoveryStore::isHeld() const
{
    return m_lock->isLocked();
}

LeftRecoveryCopy::LeftRecoveryCopy() = default;
LeftRecoveryCopy::LeftRecoveryCopy(LeftRecoveryCopy&&) noexcept = default;
LeftRecoveryCopy& LeftRecoveryCopy::operator=(LeftRecoveryCopy&&) noexcept = default;
LeftRecoveryCopy::~LeftRecoveryCopy() = default;

std::vector<LeftRecoveryCopy> FindLeftRecoveryCopies(const QString& folder, qint64 ownPid)
{
    static const QRegularExpression pattern(QStringLiteral("^recovery-([0-9]{1,18})\\.vqdr(\\.part)?$"));
    std::set<qint64> pids;
    const QStringList names = QDir(folder).entryList({QStringLiteral("recovery-*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            pids.insert(m.captured(1).toLongLong());
    }

    std::vector<LeftRecoveryCopy> left;
    for (const qint64 pid : pids) {
        LeftRecoveryCopy copy;
        copy.pid = pid;
        copy.path = RecoveryCopyPath(folder, pid);
        if (pid != ownPid) {
            const QString lockPath = RecoveryLockPath(folder, pid);
            const bool hadLock = QFileInfo::exists(lockPath);
            copy.hold = makeLock(lockPath);
            // Qt keeps a lock whose file names no process (written only in
            // part) for a live one; removing it succeeds only when no process
            // holds the system's lock on it, which dies with its process.
            if (!copy.hold->tryLock(0) && !(copy.hold->removeStaleLockFile() && copy.hold->tryLock(0)))
                continue;
            // Without its lock file an instance cannot be asked; only a
            // process id that no longer exists proves it gone.
            if (!hadLock && processAlive(pid))
                continue;
        }
        QFile::remove(RecoveryPartPath(folder, pid));
        if (QFileInfo::exists(copy.path))
            left.push_back(std::move(copy));
    }
    std::stable_sort(left.begin(), left.end(), [](const LeftRecoveryCopy& a, const LeftRecoveryCopy& b) {
        return QFileInfo(a.path).lastModified() < QFileInfo(b.path).lastModified();
    });
    return left;
}

} // namespace vq
