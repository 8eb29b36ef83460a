#pragma once

// The pack and unpack jobs, RunPack() and RunUnpack(), are declared beside
// the writer and the reader they drive.
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

#include <QString>

namespace vq {

// `folder` and `name` joined with one "/"; the folder may end with "/" or
// not, and an empty folder leaves the name as it is.
[[nodiscard]] QString PathInFolder(const QString& folder, const QString& name);

} // namespace vq
