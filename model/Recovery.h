#pragma once

#include "model/Document.h"

#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace vq {

struct Report;

// What a document file was like when the document was opened or last saved,
// so a later look can tell whether someone else has written it since.
struct FileStamp {
    qint64 size = -1; // -1: no file (an untitled document, or none on the disk)
    qint64 modifiedMs = 0; // milliseconds since the epoch, UTC

    [[nodiscard]] bool exists() const { return size >= 0; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
[[nodiscard]] FileStamp StampOf(const QString& path);

// Where recovery copies are kept: "$XDG_STATE_HOME/velquin" (by default
// "~/.local/state/velquin"), mode 0700, a folder a reboot leaves alone.
// Empty, with the no-work-folder report in `failure` when given, when it
// cannot be had or another user owns it.
[[nodiscard]] QString RecoveryFolder(Report* failure = nullptr);

// About the size a copy of `doc` takes on the disk. Waits for pictures
// whose bytes are still being made (Picture::bytesReady).
[[nodiscard]] qint64 EstimateCopyBytes(const Document& doc);

// True when the bytes of every picture in `doc` are made, so that estimating
// or writing a copy waits for none.
[[nodiscard]] bool PictureBytesReady(const Document& doc);

// Recovery copies live in the recovery folder, one per running instance:
// "recovery-<pid>.vqdr", written as "recovery-<pid>.vqdr.part" first, and the
// instance holds "recovery-<pid>.lock" for as long as it runs. None of these
// names begins with "VQD", so cleaning the working folder leaves them alone.
[[nodiscard]] QString RecoveryCopyPath(const QString& folder, qint64 pid);
[[nodiscard]] QString RecoveryPartPath(const QString& folder, qint64 pid);
[[nodiscard]] QString RecoveryLockPath(const QString& folder, qint64 pid);

// Writes the document's path (empty for an untitled one), the document as a
// data file and the stamp of the document's file to `path`, and makes it
// durable before returning; a file that could not be written completely is
// removed. A picture too large to record leaves its report in `failure`.
bool WriteRecoveryFile(const QString& path, const QString& documentPath, const Document& doc,
                       Report* failure = nullptr, const FileStamp& stamp = {});
// Puts a completely written `part` in place of `target` in one step, so a
// crash at any moment leaves either the previous copy or the new one, and
// makes the new name durable.
bool CommitRecoveryFile(const QString& part, const QString& target);
// Both of the above, through `target` + ".part".
bool WriteRecoveryCopy(const QString& target, const QString& documentPath, const Document& doc,
                       Report* failure = nullptr, const FileStamp& stamp = {});

// Reads a recovery copy into `into` (a fresh document). False for a copy
// that is damaged, a picture cut short included, or larger than any document
// can make; nothing is shown to the user. `stamp`, when given, receives the
// document file's stamp as the copy recorded it (none for an older copy).
bool ReadRecoveryCopy(const QString& path, Document& into, QString& documentPath, FileStamp* stamp = nullptr);

// Renames a damaged copy out of the way of the next search and returns its
// new name (empty when even that failed and the copy was deleted instead).
QString SetAsideDamagedCopy(const QString& path);

// The lock and the copy names of the running instance.
class RecoveryStore {
public:
    // Takes the instance's lock under `pid`. A lock left under that id by a
    // dead process is taken over; one that a live process holds (another
    // instance offering a dead one's copy that had our id) is left alone and
    // the store takes an id no process can have instead.
    RecoveryStore(const QString& folder, qint64 pid);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // Without the lock another instance could take our copy for a dead
    // one's, so nothing should be written.
    [[nodiscard]] bool isHeld() const;
    [[nodiscard]] QString folder() const { return m_folder; }
    // The id the store's names carry: the process id unless that was taken.
    [[nodiscard]] qint64 pid() const { return m_pid; }
    [[nodiscard]] QString lockPath() const { return RecoveryLockPath(m_folder, m_pid); }
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
// file at all counts as running while its process id is alive. Parts left by
// a dead instance are deleted, and so is the lock of one that left no copy. `ownPid` is the id of this instance's store
// (or the process id before it has one): its files are always a dead
// process's, since that id is ours now.
[[nodiscard]] std::vector<LeftRecoveryCopy> FindLeftRecoveryCopies(const QString& folder, qint64 ownPid);

} // namespace vq
