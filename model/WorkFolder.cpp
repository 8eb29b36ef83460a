#include "model/WorkFolder.h"

#include "base/Report.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

namespace {

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

} // namespace

QString GetWorkFolder(const QString& sub, Report* failure)
{
    QString folder = QDir::tempPath() + QStringLiteral("/Velquin-%1").arg(::getuid());
    bool ok = ensurePrivateFolder(folder);
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

} // namespace vq
