#include "model/Recovery.h"

#include "model/DataFile.h"
#include "model/cabinet/CabinetReader.h"

#include "base/Report.h"

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
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vq {

namespace {

constexpr char kMagic[] = "VQRCV001";
constexpr int kMagicBytes = 8;
// Far above any real path; a larger length can only be damage.
constexpr quint32 kMaxPathBytes = 64 * 1024;
// The stamp of the document's file follows the data file: tag, size, time.
constexpr char kStampTag[] = "VQST";
constexpr int kStampBytes = 4 + 8 + 8;
// Ids a store takes when its process id is held: above any process id.
constexpr qint64 kSpareIdStep = 1000000000;
constexpr int kSpareIds = 8;

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

bool syncFolderOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Takes `lock`, or a lock its dead process left; never one a live process holds.
bool takeLock(QLockFile& lock)
{
    // Qt keeps a lock whose file names a running process (our own id, say)
    // for a live one; removing it succeeds only when no process holds the
    // system's lock on it, which dies with its process.
    return lock.tryLock(0) || (lock.removeStaleLockFile() && lock.tryLock(0));
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

FileStamp StampOf(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

QString RecoveryFolder(Report* failure)
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG says a relative path there is to be ignored.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/velquin");
    const QByteArray native = QFile::encodeName(folder);
    bool ok = QDir().mkpath(state) && (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST);
    struct stat st {};
    ok = ok && ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
         && ((st.st_mode & 0077) == 0 || ::chmod(native.constData(), 0700) == 0);
    if (!ok) {
        Record(failure, {kMsgNoWorkFolder, {}, kStyleError, true});
        return {};
    }
    return folder;
}

qint64 EstimateCopyBytes(const Document& doc)
{
    qint64 bytes = 4096 + qint64(doc.state.nodeCount) * 2200;
    if (doc.state.backPicture)
        bytes += doc.state.backPicture->bytes().size();
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.nodes[i].picture)
            bytes += doc.nodes[i].picture->bytes().size();
    }
    return bytes;
}

bool PictureBytesReady(const Document& doc)
{
    if (doc.state.backPicture && !doc.state.backPicture->bytesReady())
        return false;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.nodes[i].picture && !doc.nodes[i].picture->bytesReady())
            return false;
    }
    return true;
}

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

bool WriteRecoveryFile(const QString& path, const QString& documentPath, const Document& doc, Report* failure,
                       const FileStamp& stamp)
{
    const QByteArray pathBytes = documentPath.toUtf8();
    QByteArray header(kMagic, kMagicBytes);
    header += QByteArray(4, '\0');
    qToBigEndian(static_cast<quint32>(pathBytes.size()), header.data() + kMagicBytes);
    header += pathBytes;
    QByteArray trailer(kStampTag, 4);
    trailer += QByteArray(16, '\0');
    qToBigEndian(stamp.size, trailer.data() + 4);
    qToBigEndian(stamp.modifiedMs, trailer.data() + 12);

    QFile file(path);
    // Synced before it is renamed into place: after a power cut the name
    // must not point at a file whose blocks never reached the disk.
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                         && static_cast<quint32>(pathBytes.size()) <= kMaxPathBytes
                         && file.write(header) == header.size() && WriteDataFile(file, doc, failure)
                         && file.write(trailer) == trailer.size() && file.flush()
                         && file.error() == QFileDevice::NoError && ::fsync(file.handle()) == 0;
    file.close();
    if (!written)
        QFile::remove(path);
    return written;
}

bool CommitRecoveryFile(const QString& part, const QString& target)
{
    // QFile::rename refuses an existing target; rename(2) replaces it atomically.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    // The rename itself lives in the folder; a folder that cannot be synced
    // still has the copy, only less surely after a power cut.
    syncFolderOf(target);
    return true;
}

bool WriteRecoveryCopy(const QString& target, const QString& documentPath, const Document& doc, Report* failure,
                       const FileStamp& stamp)
{
    const QString part = target + QStringLiteral(".part");
    if (WriteRecoveryFile(part, documentPath, doc, failure, stamp) && CommitRecoveryFile(part, target))
        return true;
    QFile::remove(part);
    return false;
}

bool ReadRecoveryCopy(const QString& path, Document& into, QString& documentPath, FileStamp* stamp)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The data file is mapped whole: a size no document can make is damage,
    // and must not be mapped at all.
    const qint64 total = file.size();
    if (total > kMagicBytes + 4 + qint64(kMaxPathBytes) + MaxDataFileBytes() + kStampBytes)
        return false;
    FileStamp recorded;
    if (total >= kMagicBytes + 4 + kStampBytes && file.seek(total - kStampBytes)) {
        const QByteArray tail = file.read(kStampBytes);
        if (tail.size() == kStampBytes && tail.startsWith(QByteArray(kStampTag, 4))) {
            recorded.size = qFromBigEndian<qint64>(tail.constData() + 4);
            recorded.modifiedMs = qFromBigEndian<qint64>(tail.constData() + 12);
        }
    }
    if (!file.seek(0))
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
    // A copy we cannot read is simply not offered: nothing to tell. Nor is
    // one whose pictures were cut short: restored, it would quietly lose them.
    bool complete = false;
    if (!ReadDataFile(file, into, nullptr, &complete) || !complete)
        return false;
    documentPath = QString::fromUtf8(pathBytes);
    if (stamp)
        *stamp = recorded.size < -1 ? FileStamp{} : recorded;
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

RecoveryStore::RecoveryStore(const QString& folder, qint64 pid) : m_folder(folder), m_pid(pid)
{
    for (int spare = 0; spare <= kSpareIds; ++spare) {
        const qint64 id = pid + spare * kSpareIdStep;
        auto lock = makeLock(RecoveryLockPath(folder, id));
        if (takeLock(*lock) || spare == kSpareIds) {
            m_pid = id;
            m_lock = std::move(lock);
            return;
        }
    }
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
    static const QRegularExpression pattern(QStringLiteral("^recovery-([0-9]{1,18})\\.(vqdr(\\.part)?|lock)$"));
    std::set<qint64> pids;
    std::set<qint64> locked;
    const QStringList names = QDir(folder).entryList({QStringLiteral("recovery-*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            (m.captured(2) == QLatin1String("lock") ? locked : pids).insert(m.captured(1).toLongLong());
    }

    // An instance killed while it had nothing unsaved leaves only its lock:
    // taken here, it goes with its holder, or it would stay until its id came
    // round again. The lock of a process still alive is never touched, not
    // even to try it.
    for (const qint64 pid : locked) {
        if (pids.count(pid) != 0 || pid == ownPid || processAlive(pid))
            continue;
        auto lock = makeLock(RecoveryLockPath(folder, pid));
        if (takeLock(*lock))
            lock->unlock();
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
            if (!takeLock(*copy.hold))
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
