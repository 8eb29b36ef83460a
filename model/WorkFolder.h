#pragma once

#include <QString>

namespace vq {

struct Report;

// The per-user private working folder under the system temporary folder
// (mode 0700, owned by the user), plus `sub` when given. The folder becomes the
// process's current folder. Empty, with the no-work-folder report in
// `failure` when given, when it cannot be had or when another user owns it.
[[nodiscard]] QString GetWorkFolder(const QString& sub = {}, Report* failure = nullptr);

// A new empty file in the working folder whose name begins with "VQD";
// empty when the folder (reported to `failure`) or the name cannot be had.
[[nodiscard]] QString MakeWorkFileName(Report* failure = nullptr);

// Deletes the files of `folder` whose upper-cased names begin with "VQD",
// examining at most `maxEntries` entries and skipping sub-folders.
void CleanWorkFolder(const QString& folder, int maxEntries = 100);

} // namespace vq
