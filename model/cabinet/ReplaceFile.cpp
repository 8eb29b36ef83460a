#include "model/cabinet/ReplaceFile.h"

#include "model/cabinet/PosixFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {

namespace {

using cab::FileDescriptor;

// An open, private, empty file that is removed again unless kept.
class ScratchFile {
public:
    ScratchFile(const QString& folder, const QString& stem)
    {
        QByteArray name = QFile::encodeName(folder + QLatin1Char('/') + stem + QStringLiteral(".XXXXXX"));
        m_fd = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
        if (m_fd.get() >= 0)
            m_name = name;
        else
            m_error = errno;
    }
    ~ScratchFile()
    {
        m_fd.close();
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    [[nodiscard]] bool isOpen() const { return m_fd.get() >= 0; }
    [[nodiscard]] int error() const { return m_error; }
    [[nodiscard]] int fd() const { return m_fd.get(); }
    [[nodiscard]] const QByteArray& name() const { return m_name; }
    void keep() { m_name.clear(); }

private:
    FileDescriptor m_fd;
    QByteArray m_name;
    int m_error = 0;
};

// Only a refusal is worth writing in place for: a full disk would fail the
// in-place write half-way and cost the user the old file.
bool IsRefusal(int error)
{
    return error == EACCES || error == EPERM;
}

bool MayCreateIn(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

mode_t UsualMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

ReplaceOutcome ReplaceFile(const QString& target, const std::function<bool(const QString& path)>& write,
                           const ReplaceOptions& options)
{
    const QFileInfo info(target);
    const QString real = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    const QByteArray realName = QFile::encodeName(real);
    const QString folder = QFileInfo(real).absolutePath();

    struct stat old {};
    const bool exists = ::stat(realName.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return ReplaceOutcome::Failed;
    // The scratch file's private mode must not stick to the document.
    const mode_t mode = exists ? old.st_mode & 07777 : UsualMode();

    const bool tryBeside = options.folderTakesNewFiles ? options.folderTakesNewFiles(folder) : MayCreateIn(folder);
    if (tryBeside) {
        ScratchFile beside(folder, QLatin1Char('.') + QFileInfo(real).fileName());
        if (beside.isOpen()) {
            if (!write(QFile::decodeName(beside.name())) || !cab::SyncFile(beside.fd()))
                return ReplaceOutcome::Failed;
            if (::fchmod(beside.fd(), mode) == 0 && std::rename(beside.name().constData(), realName.constData()) == 0) {
                beside.keep();
                cab::SyncFolder(folder);
                return ReplaceOutcome::Renamed;
            }
            // A shared folder can let us add files and still not let us
            // replace another user's file, which we may write all the same.
            if (exists && IsRefusal(errno) && cab::OverwriteFile(real, beside.fd()))
                return ReplaceOutcome::CopiedInPlace;
            return ReplaceOutcome::Failed;
        }
        if (!IsRefusal(beside.error()))
            return ReplaceOutcome::Failed;
    }

    if (!exists || options.fallbackFolder.isEmpty())
        return ReplaceOutcome::Failed;
    ScratchFile elsewhere(options.fallbackFolder, QLatin1Char('.') + QFileInfo(real).fileName());
    if (!elsewhere.isOpen() || !write(QFile::decodeName(elsewhere.name())))
        return ReplaceOutcome::Failed;
    return cab::OverwriteFile(real, elsewhere.fd()) ? ReplaceOutcome::CopiedInPlace : ReplaceOutcome::Failed;
}

} // namespace vq
