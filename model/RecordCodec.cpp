#include "model/RecordCodec.h"

#include <cstring>

namespace vq {

namespace {

constexpr int kSourceOffset = 44;

void putI32(char* at, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    at[0] = static_cast<char>(u & 0xFF);
    at[1] = static_cast<char>((u >> 8) & 0xFF);
    at[2] = static_cast<char>((u >> 16) & 0xFF);
    at[3] = static_cast<char>((u >> 24) & 0xFF);
}

std::int32_t getI32(const char* at)
{
    const auto* b = reinterpret_cast<const unsigned char*>(at);
    const std::uint32_t u = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<std::int32_t>(u);
}

void putF32(char* at, float value)
{
    std::uint32_t u = 0;
    std::memcpy(&u, &value, 4);
    putI32(at, static_cast<std::int32_t>(u));
}

float getF32(const char* at)
{
    const auto u = static_cast<std::uint32_t>(getI32(at));
    float value = 0;
    std::memcpy(&value, &u, 4);
    return value;
}

} // namespace

QByteArray encodeDocState(const DocState& s)
{
    QByteArray out(kDocStateBytes, '\0');
    char* p = out.data();
    putI32(p + 0, s.nodeCount);
    putI32(p + 4, s.mainIndex);
    putI32(p + 8, s.scrollX);
    putI32(p + 12, s.scrollY);
    putF32(p + 16, s.zoom);
    putI32(p + 20, s.consoleX);
    putI32(p + 24, s.consoleY);
    putI32(p + 28, s.consoleAlways);
    putI32(p + 32, s.canvasWidth);
    putI32(p + 36, s.canvasHeight);
    putI32(p + 40, s.backColor);
    putI32(p + 44, s.canvasFrameColor);
    putI32(p + 48, s.canvasFrameWidth);
    putI32(p + 52, s.canvasFrameStyle);
    putI32(p + 56, s.backPicture ? 1 : 0);
    putI32(p + 60, s.gridMode);
    putI32(p + 64, s.gridOnTop);
    putI32(p + 68, s.modeFrameColor);
    putI32(p + 72, s.modeFrameWidth);
    return out;
}

void decodeDocState(const char* p, DocState& s, bool& hasBackPicture)
{
    s.nodeCount = getI32(p + 0);
    s.mainIndex = getI32(p + 4);
    s.scrollX = getI32(p + 8);
    s.scrollY = getI32(p + 12);
    s.zoom = getF32(p + 16);
    s.consoleX = getI32(p + 20);
    s.consoleY = getI32(p + 24);
    s.consoleAlways = getI32(p + 28);
    s.canvasWidth = getI32(p + 32);
    s.canvasHeight = getI32(p + 36);
    s.backColor = getI32(p + 40);
    s.canvasFrameColor = getI32(p + 44);
    s.canvasFrameWidth = getI32(p + 48);
    s.canvasFrameStyle = getI32(p + 52);
    hasBackPicture = getI32(p + 56) != 0;
    s.backPicture.reset();
    s.gridMode = getI32(p + 60);
    s.gridOnTop = getI32(p + 64);
    s.modeFrameColor = getI32(p + 68);
    s.modeFrameWidth = getI32(p + 72);
}

QByteArray encodeNodeRecord(const NodeRecord& n)
{
    QByteArray out(kNodeRecordBytes, '\0');
    char* p = out.data();
    putI32(p + 0, n.centerX);
    putI32(p + 4, n.centerY);
    putI32(p + 8, n.halfWidth);
    putI32(p + 12, n.halfHeight);
    putI32(p + 16, n.frameColor);
    putI32(p + 20, n.frameWidth);
    putI32(p + 24, n.frameStyle);
    putI32(p + 28, n.picture ? 1 : 0);
    putI32(p + 32, n.imageWidth);
    putI32(p + 36, n.imageHeight);
    putI32(p + 40, n.dataSize);
    // The terminator always fits: at most kSourceBytes - 1 source bytes.
    const int len = static_cast<int>(std::min<qsizetype>(n.source.size(), kSourceBytes - 1));
    std::memcpy(p + kSourceOffset, n.source.constData(), static_cast<size_t>(len));
    return out;
}

void decodeNodeRecord(const char* p, NodeRecord& n, bool& hasPicture)
{
    n.centerX = getI32(p + 0);
    n.centerY = getI32(p + 4);
    n.halfWidth = getI32(p + 8);
    n.halfHeight = getI32(p + 12);
    n.frameColor = getI32(p + 16);
    n.frameWidth = getI32(p + 20);
    n.frameStyle = getI32(p + 24);
    hasPicture = getI32(p + 28) != 0;
    n.picture.reset();
    n.imageWidth = getI32(p + 32);
    n.imageHeight = getI32(p + 36);
    n.dataSize = getI32(p + 40);
    // A source without a terminator is cut at the field's last byte.
    const char* src = p + kSourceOffset;
    const void* nul = std::memchr(src, 0, kSourceBytes);
    const int len = nul ? static_cast<int>(static_cast<const char*>(nul) - src) : kSourceBytes - 1;
    n.source = QByteArray(src, len);
}

} // namespace vq
