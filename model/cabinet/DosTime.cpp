#include "model/cabinet/DosTime.h"

namespace vq {

DosDateTime ToDosDateTime(const QDateTime& when)
{
    const QDateTime local = when.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (d.year() < 1980)
        return {quint16((0 << 9) | (1 << 5) | 1), 0};
    if (d.year() > 2107)
        return {quint16((127 << 9) | (12 << 5) | 31), quint16((23 << 11) | (59 << 5) | 29)};
    return {quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day()),
            quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2))};
}

QDateTime FromDosDateTime(DosDateTime dos)
{
    const QDate d(1980 + (dos.date >> 9), (dos.date >> 5) & 0x0F, dos.date & 0x1F);
    const QTime t(dos.time >> 11, (dos.time >> 5) & 0x3F, (dos.time & 0x1F) * 2);
    if (!d.isValid() || !t.isValid())
        return {};
    return QDateTime(d, t, Qt::LocalTime);
}

} // namespace vq
