#include "model/DocumentFile.h"

#include "model/DataFile.h"
#include "base/Settings.h"
#include "model/WorkFolder.h"
#include "model/cabinet/CabinetJobs.h"
#include "model/cabinet/PosixFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <fcntl.h>

namespace vq {

namespace {

// A shared folder may take no new file and still hold a backup we may write.
bool OverwriteBackup(const QString& path, const QString& backup)
{
    const cab::FileDescriptor from(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    return from.get() >= 0 && cab::OverwriteFile(backup, from.get());
}

} // namespace

JobRunner directJobRunner()
{
    return [](const std::function<bool(QObject*)>& job) { return job(nullptr); };
}

QString BackupPathFor(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return path.left(dot) + QStringLiteral("(back).VQD");
}

bool OpenDocumentFile(const QString& path, Document& into, QObject* owner, const JobRunner& run,
                      const ReportSink& report)
{
    const auto tell = [&](const Report& r, QObject* to) {
        if (report && r.id != 0)
            report(r, to);
        return false;
    };
    if (path.right(3).toUpper() != QLatin1String("VQD"))
        return false;
    const QFileInfo info(path);
    if (!info.exists())
        return tell({kMsgFileNotFound, path + QLatin1Char('\n'), kStyleError}, owner);
    if (info.isDir())
        return tell({kMsgFolderNotOpenable, {}, kStyleError}, owner);
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return false;
    const QString cabinetFolder = path.left(slash + 1);
    const QString cabinetName = path.mid(slash + 1);

    Report failure;
    const QString work = GetWorkFolder({}, &failure);
    if (work.isEmpty())
        return tell(failure, nullptr);
    // A folder of this open's own: the pictures are read from a mapping of
    // the unpacked file, which nothing else may rewrite while we read it.
    QTemporaryDir unpackFolder(work + QStringLiteral("/open-XXXXXX"));
    QString dataFileName;
    const bool unpacked = run([&](QObject* popup) {
        QObject* jobOwner = popup ? popup : owner;
        if (!unpackFolder.isValid())
            return tell({kMsgUnpackFailed, QStringLiteral("[File Copy]\n"), kStyleError}, jobOwner);
        Report unpackFailure;
        if (RunUnpack(unpackFolder.path() + QLatin1Char('/'), cabinetName, cabinetFolder, &dataFileName, &unpackFailure))
            return true;
        return tell(unpackFailure, jobOwner);
    });
    if (!unpacked)
        return false;

    QFile file(unpackFolder.path() + QLatin1Char('/') + dataFileName);
    if (!file.open(QIODevice::ReadOnly))
        return tell({kMsgOpenFailed, path + QLatin1Char('\n'), kStyleError}, owner);
    Report refused;
    if (ReadDataFile(file, into, &refused))
        return true;
    return tell(refused, owner);
}

bool SaveDocumentFile(const QString& path, const Document& doc, Settings& settings, QObject* owner,
                      const JobRunner& run, const ReportSink& report)
{
    return SaveDocumentFile(path, doc, SaveOptions{settings.value(keys::MakeBackup) == 1, &settings}, owner, run,
                            report);
}

bool SaveDocumentFile(const QString& path, const Document& doc, const SaveOptions& options, QObject* owner,
                      const JobRunner& run, const ReportSink& report)
{
    const auto tell = [&](const Report& r, QObject* to) {
        if (report && r.id != 0)
            report(r, to);
        return false;
    };
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return false;
    const QString fileName = path.mid(slash + 1);
    const QString destFolder = path.left(slash + 1);

    Report failure;
    const QString work = GetWorkFolder({}, &failure);
    if (work.isEmpty())
        return tell(failure, nullptr);
    // The data file carries the document's name only inside the cabinet; on
    // disk a name of its own keeps two saves of like-named documents apart.
    QTemporaryFile data(work + QStringLiteral("/save-XXXXXX"));
    // The user knows the data file by the document's name, not by ours.
    const QString dataPath = work + QLatin1Char('/') + fileName;
    {
        if (!data.open())
            return tell({kMsgOpenFailed, dataPath + QLatin1Char('\n'), kStyleError}, owner);
        if (!WriteDataFile(data, doc, &failure) || !data.flush()) {
            // A picture too large to record is told first, as it is met.
            tell(failure, nullptr);
            return tell({kMsgSaveFailed, dataPath + QLatin1Char('\n'), kStyleError}, owner);
        }
    }

    const bool exists = QFileInfo::exists(path);
    if (exists && options.makeBackup) {
        const QString backup = BackupPathFor(path);
        bool copied = false;
        if (!backup.isEmpty()) {
            QFile::remove(backup);
            copied = QFile::copy(path, backup) || (QFileInfo(backup).isFile() && OverwriteBackup(path, backup));
        }
        if (!copied)
            return tell({kMsgBackupFailed, {}, kStyleError}, owner);
    }

    // The old file stays until the new cabinet is on the disk, so a failed
    // save never costs the user a file.
    const bool packed = run([&](QObject* popup) {
        Report packFailure;
        if (RunPack(data.fileName(), fileName, destFolder, &packFailure))
            return true;
        return tell(packFailure, popup ? popup : owner);
    });
    if (!packed)
        return false;

    if (options.lastPathStore)
        options.lastPathStore->setText(keys::FilePath, path);
    return true;
}

} // namespace vq
