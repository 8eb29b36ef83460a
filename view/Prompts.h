#pragma once

#include "base/Prompter.h"
#include "base/Report.h"

#include <QString>

class QObject;

namespace vq {

// The installed seam; a printing one until something else is installed. Only
// the layers with windows reach it: the core hands back what happened and
// leaves the asking and telling to them.
Prompter& prompter();
// Installs `p` (not owned) and returns the previous one; nullptr restores the default.
Prompter* installPrompter(Prompter* p);

// Shows string `id` behind `prefix` with the given style through the installed
// seam; returns the button pressed, or 0 (showing nothing) for an unknown id.
int ShowMessage(int id, QObject* owner = nullptr, const QString& prefix = {}, int style = kStyleError);
// The same for a report the core handed back.
int ShowMessage(const Report& report, QObject* owner = nullptr);
// Shows each report in turn over `owner`.
void ShowMessages(const Reports& reports, QObject* owner = nullptr);
// A sink that shows every report as it arrives.
[[nodiscard]] ReportSink messageSink();

} // namespace vq
