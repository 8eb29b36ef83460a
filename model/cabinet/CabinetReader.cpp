#include "model/cabinet/CabinetReader.h"

#include "model/Cp932.h"
#include "model/cabinet/PosixFile.h"
#include "model/cabinet/ReaderIo.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

namespace {

constexpr int kMaxFileNameBytes = 255;
const QString kFallbackName = QStringLiteral("unnamed");

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
    cab::ReaderIo io;

    int selfTest = 0;
    MSPACK_SYS_SELFTEST(selfTest);
    Decompressor cabd(selfTest == MSPACK_ERR_OK ? mspack_create_cab_decompressor(io.system()) : nullptr);
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

    // Judged by what the members declare, before anything is written; the
    // writes are then held to those sizes.
    qint64 declared = 0;
    for (const mscabd_file* file = cabinet->files; file; file = file->next)
        declared += qint64(file->length);
    if (options.maxBytesWritten >= 0 && declared > options.maxBytesWritten) {
        closeCabinet();
        return Failure(result, QStringLiteral("the members declare %1 bytes, more than the %2 allowed")
                                   .arg(declared)
                                   .arg(options.maxBytesWritten));
    }
    if (options.freeSpace) {
        const qint64 free = options.freeSpace(destFolder);
        if (free >= 0 && declared > free) {
            closeCabinet();
            return Failure(result, QStringLiteral("the members declare %1 bytes, more than the %2 free in %3")
                                       .arg(declared)
                                       .arg(free)
                                       .arg(destFolder));
        }
    }
    io.limits().total = options.maxBytesWritten;

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
        io.limits().perFile = qint64(file->length);
        const int rc = cabd->extract(cabd.get(), file, path.constData());
        if (rc != MSPACK_ERR_OK || io.writeFailed()) {
            closeCabinet();
            // What a stopped member wrote is of no use and may be large.
            ::unlink(path.constData());
            return Failure(result, io.limits().reached
                                       ? QStringLiteral("%1 was stopped at its size limit").arg(name)
                                       : QStringLiteral("cannot extract %1 (error %2)").arg(name).arg(rc != MSPACK_ERR_OK ? rc : MSPACK_ERR_WRITE));
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
