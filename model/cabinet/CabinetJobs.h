#pragma once

#include <QString>

class QObject;

namespace vq {

// `folder` and `name` joined with one "/"; the folder may end with "/" or
// not, and an empty folder leaves the name as it is.
[[nodiscard]] QString PathInFolder(const QString& folder, const QString& name);

// Packs the data file `sourcePath` into the cabinet destFolder/memberName as
// its one member `memberName`. On failure shows message 30035 (information
// style, owned by `owner`) and returns false; the folder is not created.
bool RunPack(const QString& sourcePath, const QString& memberName, const QString& destFolder,
             QObject* owner = nullptr);

// Unpacks every member of the cabinet cabinetFolder/cabinetName into
// `extractFolder` and on success sets `dataFileName` (when given) to the file
// name of the last member written. On failure shows message 30036 with the
// prefix "[Make Context]\n" or "[File Copy]\n" (error style, owned by
// `owner`) and returns false.
bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, QObject* owner = nullptr);

} // namespace vq
