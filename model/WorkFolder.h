#pragma once

#include <QString>

namespace vq {

struct Report;

// Every running instance works in a folder of its own, inside the per-user
// private folder under the system temporary folder ("Velquin-<uid>", mode
// 0700, owned by the user): "run-XXXXXX", with its lock "run-XXXXXX.lock"
// beside it. The lock is the system's advisory lock, held on an open file for
// as long as the instance runs and dropped by the kernel however it ends, so
// a process id that comes round again can never pass for its owner.

// The per-user folder that holds the instances' folders; empty, with the
// no-work-folder report in `failure` when given, when it cannot be had or
// when another user owns it.
[[nodiscard]] QString WorkFolderBase(Report* failure = nullptr);

// This instance's working folder, created and locked on first use (again if
// it has gone since), plus `sub` when given. The folder becomes the process's
// current folder. Empty, with the no-work-folder report in `failure` when
// given, when it cannot be had.
[[nodiscard]] QString GetWorkFolder(const QString& sub = {}, Report* failure = nullptr);

// A new empty file in the working folder whose name begins with "VQD";
// empty when the folder (reported to `failure`) or the name cannot be had.
[[nodiscard]] QString MakeWorkFileName(Report* failure = nullptr);

// Deletes the files of `folder` whose upper-cased names begin with "VQD",
// examining at most `maxEntries` entries and skipping sub-folders.
void CleanWorkFolder(const QString& folder, int maxEntries = 100);

// A clean exit: cleans the instance's folder, removes it when nothing else is
// left in it and lets its lock go. Whatever stayed behind is swept by the
// next start. The next GetWorkFolder makes a new folder.
void ReleaseWorkFolder();

// Removes the folders (and locks) of instances that no longer run; returns
// how many. A folder whose lock is held, by this process or another, stays.
int RemoveStaleWorkFolders();

} // namespace vq
