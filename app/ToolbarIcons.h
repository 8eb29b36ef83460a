#pragma once

#include <QIcon>

namespace vq {

// The toolbar icon of command `id`: the desktop theme's icon where one is
// named for it, otherwise a glyph drawn here, so no button is ever blank.
[[nodiscard]] QIcon commandIcon(int id);

// The drawn glyph alone; null for an id without one.
[[nodiscard]] QIcon drawnCommandIcon(int id);

} // namespace vq
