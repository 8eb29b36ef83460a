#include "model/WorkFolder.h"

#include "base/Report.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

namespace {

constexpr char kLockSuffix[] = ".lock";
constexpr int kLockSuffixLength = 5;
// A folder without a lock beside it is either being made this very moment or
// was left half removed; only the latter is this old.
constexpr qint64 kOrphanAgeSeconds = 600;

// Makes `path` a private folder of ours, or refuses it.
bool ensurePrivateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    // lstat: a symbolic link planted by someone else must not redirect us.
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

bool sameFile(int fd, const QByteArray& path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev
           && open.st_ino == named.st_ino;
}

// The instance's folder and the open, locked file that keeps it ours.
struct Instance {
    QByteArray base;
    QByteArray folder;
    QByteArray lock;
    int fd = -1;

    ~Instance()
    {
        // An exit that never said goodbye (a tool, a test run): only what is
        // certainly empty goes, without Qt, which may already be gone.
        if (fd < 0)
            return;
        if (::rmdir(folder.constData()) == 0)
            ::unlink(lock.constData());
        ::close(fd);
    }

    [[nodiscard]] bool usable(const QByteArray& currentBase) const
    {
        struct stat st {};
        return fd >= 0 && base == currentBase && ::lstat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode)
               && sameFile(fd, lock);
    }

    void forget()
    {
        if (fd >= 0) {
            // A folder that vanished under us leaves its lock for nothing.
            if (sameFile(fd, lock))
                ::unlink(lock.constData());
            ::close(fd);
        }
        fd = -1;
        folder.clear();
        lock.clear();
    }

    bool make(const QByteArray& inBase)
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            QByteArray templ = inBase + "/run-XXXXXX" + kLockSuffix;
            const int made = ::mkostemps(templ.data(), kLockSuffixLength, O_CLOEXEC);
            if (made < 0)
                return false;
            // Between making the file and locking it another instance's sweep
            // may have taken the file for a dead one's: only a lock on the file
            // still under that name counts.
            if (::flock(made, LOCK_EX | LOCK_NB) != 0 || !sameFile(made, templ)) {
                ::close(made);
                continue;
            }
            const QByteArray dir = templ.left(templ.size() - kLockSuffixLength);
            if (::mkdir(dir.constData(), 0700) != 0) {
                ::unlink(templ.constData());
                ::close(made);
                continue;
            }
            base = inBase;
            folder = dir;
            lock = templ;
            fd = made;
            return true;
        }
        return false;
    }
};

std::mutex& instanceMutex()
{
    static std::mutex mutex;
    return mutex;
}

Instance& instance()
{
    static Instance own;
    return own;
}

} // namespace

QString WorkFolderBase(Report* failure)
{
    const QString base = QDir::tempPath() + QStringLiteral("/Velquin-%1").arg(::getuid());
    if (!ensurePrivateFolder(base)) {
        Record(failure, {kMsgNoWorkFolder, {}, kStyleError, true});
        return {};
    }
    return base;
}

QString GetWorkFolder(const QString& sub, Report* failure)
{
    const QString base = WorkFolderBase(failure);
    if (base.isEmpty())
        return {};
    QString folder;
    {
        const std::lock_guard<std::mutex> guard(instanceMutex());
        Instance& own = instance();
        const QByteArray nativeBase = QFile::encodeName(base);
        // A folder removed under us (a cleaner of the temporary folder) is
        // made again under its name while its lock is still ours.
        if (own.fd >= 0 && own.base == nativeBase && sameFile(own.fd, own.lock))
            ::mkdir(own.folder.constData(), 0700);
        if (!own.usable(nativeBase)) {
            own.forget();
            if (own.make(nativeBase))
                folder = QFile::decodeName(own.folder);
        } else {
            folder = QFile::decodeName(own.folder);
        }
    }
    bool ok = !folder.isEmpty();
    if (ok && !sub.isEmpty()) {
        folder += QLatin1Char('/') + sub;
        ok = ensurePrivateFolder(folder);
    }
    if (ok)
        ok = QDir::setCurrent(folder);
    if (!ok) {
        Record(failure, {kMsgNoWorkFolder, {}, kStyleError, true});
        return {};
    }
    return folder;
}

QString MakeWorkFileName(Report* failure)
{
    const QString folder = GetWorkFolder({}, failure);
    if (folder.isEmpty())
        return {};
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("/VQDXXXXXX"));
    const int fd = ::mkstemp(templ.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return QFile::decodeName(templ);
}

void CleanWorkFolder(const QString& folder, int maxEntries)
{
    if (folder.isEmpty())
        return;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    int examined = 0;
    while (examined < maxEntries) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        ++examined;
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QString path = folder + QLatin1Char('/') + QFile::decodeName(name);
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        if (name.left(3).toUpper() == "VQD")
            QFile::remove(path);
    }
    ::closedir(dir);
}

void ReleaseWorkFolder()
{
    const std::lock_guard<std::mutex> guard(instanceMutex());
    Instance& own = instance();
    if (own.fd < 0)
        return;
    const QString folder = QFile::decodeName(own.folder);
    CleanWorkFolder(folder);
    // The image dialog's resample backup is a scratch file of this run only.
    QFile::remove(folder + QStringLiteral("/temp.tmp"));
    // The lock stays while anything is left, so the next start's sweep finds
    // the folder and takes the rest.
    if (::rmdir(own.folder.constData()) == 0 || errno == ENOENT)
        ::unlink(own.lock.constData());
    ::close(own.fd);
    own.fd = -1;
    own.folder.clear();
    own.lock.clear();
}

int RemoveStaleWorkFolders()
{
    const QString base = WorkFolderBase();
    if (base.isEmpty())
        return 0;
    QByteArray ownLock;
    {
        const std::lock_guard<std::mutex> guard(instanceMutex());
        ownLock = instance().fd >= 0 ? instance().lock : QByteArray();
    }
    int removed = 0;
    const QDir dir(base);
    for (const QString& name : dir.entryList({QStringLiteral("run-*.lock")}, QDir::Files | QDir::Hidden)) {
        const QByteArray lockPath = QFile::encodeName(dir.filePath(name));
        if (lockPath == ownLock)
            continue;
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // Taken only when no process holds it: its instance is gone, however
        // it went, and whatever process now has its id.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, lockPath)) {
            const QString folder = dir.filePath(name.left(name.size() - kLockSuffixLength));
            QDir(folder).removeRecursively();
            if (!QFileInfo::exists(folder)) {
                ::unlink(lockPath.constData());
                ++removed;
            }
        }
        ::close(fd);
    }
    const QDateTime orphanBefore = QDateTime::currentDateTimeUtc().addSecs(-kOrphanAgeSeconds);
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("run-??????")}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        if (!QFileInfo::exists(info.filePath() + QLatin1String(kLockSuffix)) && info.lastModified().toUTC() < orphanBefore
            && QDir(info.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace vq
