#include "imaging/JpegHeader.h"

namespace vq {

QSize jpegPixelSize(const QByteArray& bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return {};
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (b[i] != 0xFF)
            return {};
        const unsigned char marker = b[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image or scan before any frame
            return {};
        const int length = (b[i + 2] << 8) | b[i + 3];
        if (length < 2)
            return {};
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > n || length < 7)
                return {};
            const int height = (b[i + 5] << 8) | b[i + 6];
            const int width = (b[i + 7] << 8) | b[i + 8];
            if (width <= 0 || height <= 0)
                return {};
            return {width, height};
        }
        i += 2 + length;
    }
    return {};
}

bool JpegHasAdobeMarker(const QByteArray& jpeg)
{
    const auto* b = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 4 <= n && b[i] == 0xFF) {
        const unsigned char marker = b[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return false;
        const qsizetype length = (qsizetype(b[i + 2]) << 8) | b[i + 3];
        if (length < 2 || i + 2 + length > n)
            return false;
        if (marker == 0xEE && length >= 2 + 5 && jpeg.mid(i + 4, 5) == "Adobe")
            return true;
        i += 2 + length;
    }
    return false;
}

} // namespace vq
