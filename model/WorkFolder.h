#pragma once

#include <QString>

namespace vq {

// The per-user private working folder under the system temporary folder
// (mode 0700, owned by the user), plus `sub` when given. The folder becomes the
// process's current folder. Empty, after message 30002, when it cannot be had
// or when another user owns it.
[[nodiscard]] QString GetWorkFolder(const QString& sub = {});

// A new empty file in the working folder whose name begins with "VQD";
// empty when the folder or the name cannot be had.
[[nodiscard]] QString MakeWorkFileName();

// Deletes the files of `folder` whose upper-cased names begin with "VQD",
// examining at most `maxEntries` entries and skipping sub-folders.
void CleanWorkFolder(const QString& folder, int maxEntries = 100);

} // namespace vq
