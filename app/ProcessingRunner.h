#pragma once

#include "model/DocumentFile.h"

namespace vq {

class Application;

// Runs document packing and unpacking inside the processing popup.
[[nodiscard]] JobRunner processingJobRunner(Application& app);

} // namespace vq
