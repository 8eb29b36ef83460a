#pragma once

#include <QString>

#include <functional>

namespace vq {

struct ReplaceOptions {
    // Where the new contents are put together when the target's own folder
    // takes no new file; they are then copied over the target in place.
    QString fallbackFolder{};
    // Whether `folder` lets us add a file. Empty: ask the system. Root passes
    // every permission check, so tests stand in for a folder that refuses.
    std::function<bool(const QString& folder)> folderTakesNewFiles{};
};

enum class ReplaceOutcome {
    Failed,        // the target is as it was
    Renamed,       // a new file took the target's place
    CopiedInPlace, // the target itself was rewritten
};

// Gives `target` new contents through `write`, which fills the file at the
// path it is handed and says whether it could. The contents are built beside
// the target, synced and renamed over it, and the folder is synced, so a
// power cut leaves the old file or the new one, never an empty one. Where the
// folder takes no new file (a shared folder with a writable document, say),
// or will not let us replace the file, an existing target is rewritten in
// place and synced instead. A link is followed to the file it names; an
// existing file keeps its permissions and a new one gets the usual ones. A
// target that is not a regular file is never replaced.
ReplaceOutcome ReplaceFile(const QString& target, const std::function<bool(const QString& path)>& write,
                           const ReplaceOptions& options = {});

} // namespace vq
