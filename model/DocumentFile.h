#pragma once

#include "model/Document.h"
#include "base/Report.h"

#include <QString>

#include <functional>

class QObject;

namespace vq {

class Settings;

// Runs a packing or unpacking job; the program shows its processing popup
// around it, tools and tests just run it. The job is handed the popup, which
// owns the job's reports, or null when there is none.
using JobRunner = std::function<bool(const std::function<bool(QObject* popup)>& job)>;
[[nodiscard]] JobRunner directJobRunner();

// Opens the document at `path` into `into` (a fresh document). Every check
// happens before the caller's own document is touched: on failure the
// matching report has gone to `report` and false is returned. Reports are
// handed over as they happen, a job's own with the popup as their owner
// while it still stands, the rest with `owner`.
bool OpenDocumentFile(const QString& path, Document& into, QObject* owner, const JobRunner& run,
                      const ReportSink& report);

// What a save does besides writing the document.
struct SaveOptions {
    // Copy the file being replaced to its backup path first.
    bool makeBackup = true;
    // Where to record the saved path as "Last"/"FilePath"; none records nothing.
    Settings* lastPathStore = nullptr;
};

// Saves `doc` as a cabinet at `path`. The old file is kept as the backup when
// asked and is replaced only once the new cabinet is on the disk; where the
// folder takes no new file, a writable document is written over in place.
// Failures go to `report` as they happen, a packing failure owned by the
// popup the runner hands its job.
bool SaveDocumentFile(const QString& path, const Document& doc, const SaveOptions& options, QObject* owner,
                      const JobRunner& run, const ReportSink& report);
// The program's save: a backup when "MakeBackup" is on, and "Last"/"FilePath"
// recorded on success.
bool SaveDocumentFile(const QString& path, const Document& doc, Settings& settings, QObject* owner,
                      const JobRunner& run, const ReportSink& report);

// "a.vqd" -> "a(back).VQD"; empty when the file name has no dot.
[[nodiscard]] QString BackupPathFor(const QString& path);

} // namespace vq
