#pragma once

#include "model/Document.h"

#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace vq {

struct Report;

// Recovery copies live in the working folder, one per running instance:
// "recovery-<pid>.vqdr", written as "recovery-<pid>.vqdr.part" first, and the
// instance holds "recovery-<pid>.lock" for as long as it runs. None of these
// names begins with "VQD", so cleaning the working folder leaves them alone.
[[nodiscard]] QString RecoveryCopyPath(const QString& folder, qint64 pid);
[[nodiscard]] QString RecoveryPartPath(const QString& folder, qint64 pid);
[[nodiscard]] QString RecoveryLockPath(const QString& folder, qint64 pid);

// Writes the document's path (empty for an untitled one) and the document as
// a data file to `path`; a file that could not be written completely is
// removed. A picture too large to record leaves its report in `failure`.
bool WriteRecoveryFile(const QString& path, const QString& documentPath, const Document& doc,
                       Report* failure = nullptr);
// Puts a completely written `part` in place of `target` in one step, so a
// crash at any moment leaves either the previous copy or the new one.
bool CommitRecoveryFile(const QString& part, const QString& target);
// Both of the above, through `target` + ".part".
bool WriteRecoveryCopy(const QString& target, const QString& documentPath, const Document& doc,
                       Report* failure = nullptr);

// Reads a recovery copy into `into` (a fresh document). False for a copy
// that is damaged; nothing is shown to the user.
bool ReadRecoveryCopy(const QString& path, Document& into, QString& documentPath);

// Renames a damaged copy out of the way of the next search and returns its
// new name (empty when even that failed and the copy was deleted instead).
QString SetAsideDamagedCopy(const QString& path);

// The lock and the copy names of the running instance.
class RecoveryStore {
public:
    // Takes the instance's lock; a lock left under our own process id can
    // only be a dead process's, so it is replaced.
    RecoveryStore(const QString& folder, qint64 pid);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // Without the lock another instance could take our copy for a dead
    // one's, so nothing should be written.
    [[nodiscard]] bool isHeld() const;
    [[nodiscard]] QString folder() const { return m_folder; }
    [[nodiscard]] qint64 pid() const { return m_pid; }
    [[nodiscard]] QString copyPath() const { return RecoveryCopyPath(m_folder, m_pid); }
    [[nodiscard]] QString partPath() const { return RecoveryPartPath(m_folder, m_pid); }

private:
    QString m_folder;
    qint64 m_pid;
    std::unique_ptr<QLockFile> m_lock;
};

// A copy left by an instance that is no longer running. Its lock is held
// while the object lives, so a second instance starting at the same moment
// does not offer it too.
struct LeftRecoveryCopy {
    qint64 pid = 0;
    QString path;
    std::unique_ptr<QLockFile> hold;

    LeftRecoveryCopy();
    LeftRecoveryCopy(LeftRecoveryCopy&&) noexcept;
    LeftRecoveryCopy& operator=(LeftRecoveryCopy&&) noexcept;
    ~LeftRecoveryCopy();
};

// The copies in `folder` whose instance is gone, oldest first. An instance
// counts as running while it holds its lock file: the process id written in
// it is alive and the system's advisory lock on it, which the kernel drops
// when the process dies however it dies, is still taken. A copy with no lock
// file at all counts as running while its process id is alive. Parts left by a dead instance are deleted. `ownPid`'s
// files are always a dead process's: that id is ours now.
[[nodiscard]] std::vector<LeftRecoveryCopy> FindLeftRecoveryCopies(const QString& folder, qint64 ownPid);

} // namespace vq
