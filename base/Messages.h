#pragma once

#include "base/Prompter.h"

#include <QString>

#include <optional>

class QObject;

namespace vq {

// The application name shown as every message box's caption.
inline constexpr char kAppName[] = "Velquin";

// The message catalogue: the text of string `id`, or nothing for an unknown id.
[[nodiscard]] std::optional<QString> messageText(int id);

// Shows string `id` behind `prefix` with the given style through the installed
// seam; returns the button pressed, or 0 (showing nothing) for an unknown id.
int ShowMessage(int id, QObject* owner = nullptr, const QString& prefix = {}, int style = kStyleError);

} // namespace vq
