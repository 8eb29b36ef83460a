#pragma once

namespace vq {

// True for the ids of the visual style commands (205-210, 215-219).
[[nodiscard]] bool isVisualStyleId(int id);

// Renders look `id` application-wide as a Qt style and palette. Ids that name
// no look fall back to the Office 2007 look with the last colour scheme
// chosen. Returns the id that now describes the look.
int ApplyVisualStyle(int id);

} // namespace vq
