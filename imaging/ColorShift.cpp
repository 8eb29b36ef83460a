#include "imaging/ColorShift.h"

#include <QtGlobal>

#include <algorithm>

namespace vq {

namespace {
constexpr ColorRef kMidGrey = 0x808080;
constexpr ColorRef kWhite = 0xFFFFFF;

int shiftChannel(ColorRef color, int shift, int delta)
{
    const qint64 channel = (color >> shift) & 0xFF;
    return int(std::clamp<qint64>(channel - delta, 0, 255)) << shift;
}
} // namespace

ColorRef ShiftColor(ColorRef color, int delta)
{
    if ((delta > 0 && color == 0) || (delta < 0 && color == kWhite))
        return kMidGrey;
    return shiftChannel(color, 0, delta) | shiftChannel(color, 8, delta) | shiftChannel(color, 16, delta);
}

} // namespace vq
