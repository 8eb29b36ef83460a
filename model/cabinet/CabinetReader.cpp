#include "model/cabinet/CabinetReader.h"

#include "model/Cp932.h"
#include "model/cabinet/PosixFile.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mspack.h>

namespace vq {

namespace {

constexpr int kMaxFileNameBytes = 255;
const QString kFallbackName = QStringLiteral("unnamed");

// The I/O layer handed to libmspack. Our own rather than the library's
// default so that members are created exclusively (never through a link left
// in the folder), only regular files are read, and writing can be capped.
struct ReaderSystem {
    mspack_system base; // first, so libmspack's pointer converts back
    qint64 budget = -1; // bytes still allowed to be written; negative = unlimited
};

struct ReaderFile {
    ReaderSystem* system;
    int fd;
};

ReaderFile* AsFile(mspack_file* f)
{
    return reinterpret_cast<ReaderFile*>(f);
}

mspack_file* SysOpen(mspack_system* self, const char* filename, int mode)
{
    int fd = -1;
    if (mode == MSPACK_SYS_OPEN_READ) {
        fd = ::open(filename, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            return nullptr;
        }
    } else if (mode == MSPACK_SYS_OPEN_WRITE) {
        fd = ::open(filename, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0)
        return nullptr;
    // Plain C memory: the library owns this handle between open and close.
    auto* file = static_cast<ReaderFile*>(std::malloc(sizeof(ReaderFile)));
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    file->system = reinterpret_cast<ReaderSystem*>(self);
    file->fd = fd;
    return reinterpret_cast<mspack_file*>(file);
}

void SysClose(mspack_file* f)
{
    if (!f)
        return;
    ::close(AsFile(f)->fd);
    std::free(f);
}

int SysRead(mspack_file* f, void* buffer, int bytes)
{
    if (bytes < 0)
        return -1;
    return int(cab::ReadFull(AsFile(f)->fd, static_cast<std::uint8_t*>(buffer), std::size_t(bytes)));
}

int SysWrite(mspack_file* f, void* buffer, int bytes)
{
    ReaderFile* file = AsFile(f);
    if (bytes < 0)
        return -1;
    if (file->system->budget >= 0) {
        if (bytes > file->system->budget)
            return -1;
        file->system->budget -= bytes;
    }
    return cab::WriteAll(file->fd, static_cast<const std::uint8_t*>(buffer), std::size_t(bytes)) ? bytes : -1;
}

int SysSeek(mspack_file* f, off_t offset, int mode)
{
    int whence = SEEK_SET;
    if (mode == MSPACK_SYS_SEEK_CUR)
        whence = SEEK_CUR;
    else if (mode == MSPACK_SYS_SEEK_END)
        whence = SEEK_END;
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    return ::lseek(AsFile(f)->fd, offset, whence) < 0 ? -1 : 0;
}

off_t SysTell(mspack_file* f)
{
    return ::lseek(AsFile(f)->fd, 0, SEEK_CUR);
}

// The library's notes about damaged input are not for the user; the failing
// call reports the outcome.
void SysMessage(mspack_file*, const char*, ...) {}

void* SysAlloc(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void SysFree(void* p)
{
    std::free(p);
}

void SysCopy(void* src, void* dest, size_t bytes)
{
    std::memcpy(dest, src, bytes);
}

struct DecompressorDeleter {
    void operator()(mscab_decompressor* d) const { mspack_destroy_cab_decompressor(d); }
};
using Decompressor = std::unique_ptr<mscab_decompressor, DecompressorDeleter>;

QString MemberName(const mscabd_file& file)
{
    const QByteArray raw(file.filename);
    // Cabinets made on Japanese Windows carry names in its ANSI code page.
    return (file.attribs & MSCAB_ATTRIB_UTF_NAME) ? QString::fromUtf8(raw) : fromCp932(raw);
}

void RestoreStampAndAttributes(const mscabd_file& file, const QByteArray& path)
{
    const QDate date(file.date_y, file.date_m, file.date_d);
    const QTime time(file.time_h, file.time_m, file.time_s);
    if (date.isValid() && time.isValid()) {
        const qint64 secs = QDateTime(date, time, Qt::LocalTime).toSecsSinceEpoch();
        const timespec stamp{time_t(secs), 0};
        const timespec both[2] = {stamp, stamp};
        ::utimensat(AT_FDCWD, path.constData(), both, AT_SYMLINK_NOFOLLOW);
    }
    // Only the write bits go: the file stays ours to replace or delete,
    // since that is decided by the folder's permissions.
    struct stat st {};
    if ((file.attribs & MSCAB_ATTRIB_RDONLY) && ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(path.constData(), st.st_mode & 07555);
}

ExtractResult Failure(ExtractResult result, const QString& error)
{
    result.status = ExtractStatus::Failed;
    result.error = error;
    return result;
}

} // namespace

QString SafeMemberFileName(const QString& memberName)
{
    QString name;
    const QStringList parts = QString(memberName).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (!it->isEmpty()) {
            name = *it;
            break;
        }
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return kFallbackName;
    while (name.toUtf8().size() > kMaxFileNameBytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name;
}

ExtractResult ExtractCabinet(const QString& cabinetPath, const QString& destFolder, const ExtractOptions& options)
{
    ExtractResult result;
    ReaderSystem system;
    system.base = mspack_system{SysOpen, SysClose, SysRead,  SysWrite, SysSeek, SysTell,
                                SysMessage, SysAlloc, SysFree, SysCopy, nullptr};
    system.budget = options.maxBytesWritten;

    int selfTest = 0;
    MSPACK_SYS_SELFTEST(selfTest);
    Decompressor cabd(selfTest == MSPACK_ERR_OK ? mspack_create_cab_decompressor(&system.base) : nullptr);
    if (!cabd) {
        result.status = ExtractStatus::NoDecompressor;
        result.error = QStringLiteral("cannot start the cabinet decompressor");
        return result;
    }

    const QByteArray encodedCabinet = QFile::encodeName(cabinetPath);
    struct stat cabinetStat {};
    if (::stat(encodedCabinet.constData(), &cabinetStat) != 0)
        return Failure(result, cab::SystemError(QStringLiteral("cannot open"), cabinetPath));
    mscabd_cabinet* cabinet = cabd->open(cabd.get(), encodedCabinet.constData());
    if (!cabinet)
        return Failure(result, QStringLiteral("not a readable cabinet (error %1): %2")
                                   .arg(cabd->last_error(cabd.get()))
                                   .arg(cabinetPath));
    const auto closeCabinet = [&] { cabd->close(cabd.get(), cabinet); };

    if (!QDir().mkpath(destFolder)) {
        closeCabinet();
        return Failure(result, QStringLiteral("cannot create the folder %1").arg(destFolder));
    }
    QString folder = destFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    for (mscabd_file* file = cabinet->files; file; file = file->next) {
        const QString name = SafeMemberFileName(MemberName(*file));
        const QByteArray path = QFile::encodeName(folder + name);
        struct stat existing {};
        if (::lstat(path.constData(), &existing) == 0) {
            if (existing.st_dev == cabinetStat.st_dev && existing.st_ino == cabinetStat.st_ino) {
                closeCabinet();
                return Failure(result, QStringLiteral("member %1 would overwrite the cabinet itself").arg(name));
            }
            if (S_ISDIR(existing.st_mode) || ::unlink(path.constData()) != 0) {
                closeCabinet();
                return Failure(result, QStringLiteral("cannot replace %1").arg(folder + name));
            }
        }
        const int rc = cabd->extract(cabd.get(), file, path.constData());
        if (rc != MSPACK_ERR_OK) {
            closeCabinet();
            return Failure(result, QStringLiteral("cannot extract %1 (error %2)").arg(name).arg(rc));
        }
        RestoreStampAndAttributes(*file, path);
        result.written << name;
    }
    closeCabinet();
    // A document is its data file; a cabinet without one cannot be opened.
    if (result.written.isEmpty())
        return Failure(result, QStringLiteral("the cabinet holds no members"));
    result.status = ExtractStatus::Ok;
    return result;
}

} // namespace vq
