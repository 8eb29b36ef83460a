#pragma once

#include "base/MessageIds.h"
#include "base/Messages.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QObject;

namespace vq {

// What the user is to be told: the catalogue message, the text naming the
// failed thing, and the box's style. The core only says what happened; the
// program decides over which window and shows it.
struct Report {
    int id = 0;
    QString prefix;
    int style = kStyleError;
    // Told over no window whoever shows it: what the process as a whole ran
    // short of (memory, its working folder), found deep below any window.
    bool ownerless = false;

    [[nodiscard]] bool isEmpty() const { return id == 0; }
    friend bool operator==(const Report&, const Report&) = default;
};

using Reports = QList<Report>;

// Shows a report the moment it happens, over `owner` (null for none), and
// returns the button pressed. Work that must tell the user something before
// it goes on, or that runs under a popup owning its messages, takes one.
using ReportSink = std::function<int(const Report& report, QObject* owner)>;

// Keeps `report` where the caller asked for it; callers that do not care pass null.
inline void Record(Report* into, Report report)
{
    if (into)
        *into = std::move(report);
}

// The message box request for `report` over `owner`; nothing for an unknown id.
[[nodiscard]] inline std::optional<MessageRequest> messageRequest(const Report& report, QObject* owner = nullptr)
{
    return messageRequest(report.id, report.ownerless ? nullptr : owner, report.prefix, report.style);
}

} // namespace vq
