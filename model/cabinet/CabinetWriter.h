#pragma once

#include "model/cabinet/ReplaceFile.h"

#include <QList>
#include <QString>

namespace vq {

struct Report;

// One file to put into a cabinet under the name it will carry there.
struct CabinetSource {
    QString sourcePath;
    QString memberName;
};

// Writes `cabinetPath` as a cabinet of one MSZIP folder holding `members` in
// order. Each member keeps its source's last-write time (local DOS time) and
// its read-only and archive attributes. Blocks that would not shrink are
// stored, so photographs cost little more than a copy. Member names are
// written as given (UTF-8, flagged as such when not ASCII); a name must be 1
// to 255 bytes long. On failure `error` says why and no file is left at
// `cabinetPath`.
bool WriteCabinet(const QString& cabinetPath, const QList<CabinetSource>& members, QString* error = nullptr);

// The usual case: a single member.
bool WriteCabinet(const QString& cabinetPath, const QString& sourcePath, const QString& memberName,
                  QString* error = nullptr);

// The pack job: the data file `sourcePath` becomes the cabinet
// destFolder/memberName holding it as member `memberName`, put in place by
// ReplaceFile(), so an old file there normally stays whole until the new one
// is on the disk. When the folder takes no new file, the cabinet is built
// beside the source (unless `placement` names another folder) and written
// over the existing file in place. On failure returns false with the
// no-write-access report (information style) in `failure`, when given; the
// folder is not created.
bool RunPack(const QString& sourcePath, const QString& memberName, const QString& destFolder,
             Report* failure, const ReplaceOptions& placement = {});

} // namespace vq
