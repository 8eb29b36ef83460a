#pragma once

#include "model/DocumentFile.h"

namespace vq {

class CT52106App;

// Runs document packing and unpacking inside the processing popup.
[[nodiscard]] JobRunner processingJobRunner(CT52106App& app);

} // namespace vq
