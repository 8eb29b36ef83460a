#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace vq {

// A time stamp as cabinets keep it: local wall-clock time, two-second steps,
// years 1980 to 2107.
struct DosDateTime {
    quint16 date = 0; // bits 15-9 year - 1980, 8-5 month, 4-0 day
    quint16 time = 0; // bits 15-11 hour, 10-5 minute, 4-0 second / 2

    friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

// `when` seen as local time; odd seconds round down and times outside the
// representable years are clamped to the nearest end.
[[nodiscard]] DosDateTime ToDosDateTime(const QDateTime& when);

// The local time a stamp stands for; invalid when a field is out of range
// (day 0, month 13, hour 24 and the like), as in damaged cabinets.
[[nodiscard]] QDateTime FromDosDateTime(DosDateTime dos);

} // namespace vq
