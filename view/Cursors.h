#pragma once

#include "edit/CanvasInteraction.h"

#include <QCursor>

namespace vq {

// The cursor for `shape`: the system's own shapes as they are, the program's
// drawn ones made on first use and kept until the application ends. Needs a
// QGuiApplication.
[[nodiscard]] QCursor CursorFor(CursorShape shape);

} // namespace vq
