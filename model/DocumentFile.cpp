#include "model/DocumentFile.h"

#include "model/DataFile.h"
#include "model/Messages.h"
#include "model/Settings.h"
#include "model/WorkFolder.h"
#include "model/cabinet/CabinetJobs.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>

#include <sys/stat.h>

namespace vq {

namespace {

// Removes a file when it goes out of scope, whatever path the function took.
class RemoveOnExit {
public:
    explicit RemoveOnExit(QString path) : m_path(std::move(path)) {}
    ~RemoveOnExit()
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;
    void set(const QString& path) { m_path = path; }

private:
    QString m_path;
};

} // namespace

JobRunner directJobRunner()
{
    return [](const std::function<bool()>& job) { return job(); };
}

QString BackupPathFor(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return path.left(dot) + QStringLiteral("(back).VQD");
}

bool OpenDocumentFile(const QString& path, Document& into, QObject* owner, const JobRunner& run)
{
    if (path.right(3).toUpper() != QLatin1String("VQD"))
        return false;
    const QFileInfo info(path);
    if (!info.exists()) {
        ShowMessage(30077, owner, path + QLatin1Char('\n'), kStyleError);
        return false;
    }
    if (info.isDir()) {
        ShowMessage(30066, owner, {}, kStyleError);
        return false;
    }
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return false;
    const QString cabinetFolder = path.left(slash + 1);
    const QString cabinetName = path.mid(slash + 1);

    const QString work = GetWorkFolder();
    if (work.isEmpty())
        return false;
    // A folder of this open's own: the pictures are read from a mapping of
    // the unpacked file, which nothing else may rewrite while we read it.
    QTemporaryDir unpackFolder(work + QStringLiteral("/open-XXXXXX"));
    if (!unpackFolder.isValid()) {
        ShowMessage(30036, owner, QStringLiteral("[File Copy]\n"), kStyleError);
        return false;
    }
    QString dataFileName;
    const bool unpacked = run([&] {
        return RunUnpack(unpackFolder.path() + QLatin1Char('/'), cabinetName, cabinetFolder, &dataFileName, owner);
    });
    if (!unpacked)
        return false;

    QFile file(unpackFolder.path() + QLatin1Char('/') + dataFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(30026, owner, path + QLatin1Char('\n'), kStyleError);
        return false;
    }
    return ReadDataFile(file, into, owner);
}

bool SaveDocumentFile(const QString& path, const Document& doc, Settings& settings, QObject* owner,
                      const JobRunner& run)
{
    return SaveDocumentFile(path, doc, SaveOptions{settings.value(keys::MakeBackup) == 1, &settings}, owner, run);
}

bool SaveDocumentFile(const QString& path, const Document& doc, const SaveOptions& options, QObject* owner,
                      const JobRunner& run)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return false;
    const QString fileName = path.mid(slash + 1);
    const QString destFolder = path.left(slash + 1);

    const QString work = GetWorkFolder();
    if (work.isEmpty())
        return false;
    // The data file carries the document's name only inside the cabinet; on
    // disk a name of its own keeps two saves of like-named documents apart.
    QTemporaryFile data(work + QStringLiteral("/save-XXXXXX"));
    const QString dataPath = data.fileTemplate();
    {
        if (!data.open()) {
            ShowMessage(30026, owner, dataPath + QLatin1Char('\n'), kStyleError);
            return false;
        }
        if (!WriteDataFile(data, doc) || !data.flush()) {
            ShowMessage(30018, owner, data.fileName() + QLatin1Char('\n'), kStyleError);
            return false;
        }
    }

    const bool exists = QFileInfo::exists(path);
    if (exists && options.makeBackup) {
        const QString backup = BackupPathFor(path);
        bool copied = false;
        if (!backup.isEmpty()) {
            QFile::remove(backup);
            copied = QFile::copy(path, backup);
        }
        if (!copied) {
            ShowMessage(30047, owner, {}, kStyleError);
            return false;
        }
    }

    // The cabinet is built beside its final place and renamed over the old
    // file only when complete, so a failed save never costs the user a file.
    // A link is saved through to the file it names, as writing in place would.
    const QFileInfo pathInfo(path);
    const QString target = pathInfo.isSymLink() ? pathInfo.symLinkTarget() : path;
    const QString targetFolder = QFileInfo(target).absolutePath() + QLatin1Char('/');
    QString partial;
    {
        QTemporaryFile temp(targetFolder + QStringLiteral(".") + fileName + QStringLiteral(".XXXXXX"));
        temp.setAutoRemove(false);
        if (temp.open())
            partial = temp.fileName();
    }
    RemoveOnExit partialCleanup(partial);
    const bool packed = !partial.isEmpty() && run([&] { return WriteCabinet(partial, data.fileName(), fileName); });
    // The new file takes the old one's permissions; a new document gets the
    // usual ones, not the temporary file's private mode.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (!packed || ::chmod(QFile::encodeName(partial).constData(), mode) != 0
        || std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        ShowMessage(30035, owner, {}, kStyleInfo);
        return false;
    }
    partialCleanup.set({});

    if (options.lastPathStore)
        options.lastPathStore->setText(keys::FilePath, path);
    return true;
}

} // namespace vq
