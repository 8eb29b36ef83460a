#include "imaging/ColorProfile.h"

#include <QColorSpace>
#include <QSysInfo>

#include <lcms2.h>
#include <zlib.h>

#include <array>
#include <map>
#include <memory>
#include <type_traits>

namespace vq {

namespace {

// Real profiles run to a few hundred kilobytes at most; a chunk inflating to
// more is refused rather than allowed to take memory.
constexpr qsizetype kMaxProfileBytes = qsizetype(16) << 20;

const uchar* dataOf(const QByteArray& bytes)
{
    return reinterpret_cast<const uchar*>(bytes.constData());
}

quint32 be32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint32 le32(const uchar* p)
{
    return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

// APP2 segments "ICC_PROFILE\0" + sequence number + count + data, before the
// first scan; a profile too large for one segment is split over several.
QByteArray jpegProfile(const QByteArray& bytes)
{
    static const QByteArray kTag("ICC_PROFILE", 12); // with its terminating zero
    const uchar* b = dataOf(bytes);
    const qsizetype n = bytes.size();
    std::map<int, QByteArray> chunks;
    int count = 0;
    qsizetype i = 2;
    while (i + 4 <= n && b[i] == 0xFF) {
        const uchar marker = b[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = qsizetype(b[i + 2]) << 8 | b[i + 3];
        if (length < 2 || i + 2 + length > n)
            return {};
        const qsizetype body = i + 4;
        const qsizetype bodyLength = length - 2;
        if (marker == 0xE2 && bodyLength > kTag.size() + 2 && bytes.mid(body, kTag.size()) == kTag) {
            const int sequence = b[body + kTag.size()];
            const int total = b[body + kTag.size() + 1];
            if (sequence == 0 || total == 0 || (count != 0 && total != count) || chunks.count(sequence))
                return {};
            count = total;
            chunks[sequence] = bytes.mid(body + kTag.size() + 2, bodyLength - kTag.size() - 2);
        }
        i += 2 + length;
    }
    // Distinct sequence numbers from 1 to count, none missing.
    if (count == 0 || int(chunks.size()) != count || chunks.begin()->first != 1 || chunks.rbegin()->first != count)
        return {};
    QByteArray profile;
    for (const auto& entry : chunks)
        profile += entry.second;
    return profile;
}

QByteArray inflated(const uchar* data, qsizetype size)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    QByteArray out;
    std::array<char, 16384> buffer{};
    stream.next_in = const_cast<uchar*>(data);
    stream.avail_in = uInt(size);
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = uInt(buffer.size());
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        out.append(buffer.data(), qsizetype(buffer.size() - stream.avail_out));
        if (out.size() > kMaxProfileBytes)
            status = Z_MEM_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

// The iCCP chunk: a name of 1 to 79 bytes, a zero, method 0 (deflate), data.
// It must come before the image data.
QByteArray pngProfile(const QByteArray& bytes)
{
    const uchar* b = dataOf(bytes);
    const qsizetype n = bytes.size();
    qsizetype i = 8;
    while (i + 12 <= n) {
        const qsizetype length = be32(b + i);
        const QByteArray type = bytes.mid(i + 4, 4);
        if (length > n - i - 12)
            return {};
        if (type == "IDAT" || type == "IEND")
            return {};
        if (type == "iCCP") {
            const qsizetype data = i + 8;
            const qsizetype nameEnd = bytes.indexOf('\0', data);
            if (nameEnd < 0 || nameEnd - data > 79 || nameEnd + 2 > data + length || b[nameEnd + 1] != 0)
                return {};
            return inflated(b + nameEnd + 2, data + length - nameEnd - 2);
        }
        i += 12 + length;
    }
    return {};
}

// The ICC tag (34675) of the first image directory.
QByteArray tiffProfile(const QByteArray& bytes)
{
    const uchar* b = dataOf(bytes);
    const qsizetype n = bytes.size();
    const bool big = b[0] == 'M';
    const auto u16 = [&](qsizetype at) { return big ? unsigned(b[at]) << 8 | b[at + 1] : unsigned(b[at + 1]) << 8 | b[at]; };
    const auto u32 = [&](qsizetype at) { return big ? be32(b + at) : le32(b + at); };
    if (n < 8 || u16(2) != 42)
        return {};
    const qsizetype directory = u32(4);
    if (directory < 8 || directory > n - 2)
        return {};
    const unsigned entries = u16(directory);
    for (unsigned e = 0; e < entries; ++e) {
        const qsizetype entry = directory + 2 + qsizetype(e) * 12;
        if (entry + 12 > n)
            return {};
        if (u16(entry) != 34675)
            continue;
        const unsigned type = u16(entry + 2);
        const qsizetype count = u32(entry + 4);
        if ((type != 7 && type != 1) || count <= 4 || count > kMaxProfileBytes)
            return {};
        const qsizetype offset = u32(entry + 8);
        if (offset < 0 || offset > n - count)
            return {};
        return bytes.mid(offset, count);
    }
    return {};
}

// RIFF chunks after "RIFF" size "WEBP": a four-character code, a
// little-endian length, the data padded to an even length.
QByteArray webpProfile(const QByteArray& bytes)
{
    const uchar* b = dataOf(bytes);
    const qsizetype n = bytes.size();
    qsizetype i = 12;
    while (i + 8 <= n) {
        const qsizetype length = le32(b + i + 4);
        if (length > n - i - 8)
            return {};
        if (bytes.mid(i, 4) == "ICCP")
            return bytes.mid(i + 8, length);
        i += 8 + length + (length & 1);
    }
    return {};
}

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, ProfileCloser>;
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, TransformDeleter>;

// Format_RGB32 and Format_ARGB32 pixels as Little CMS names their bytes.
constexpr cmsUInt32Number kArgb32Layout = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TYPE_BGRA_8 : TYPE_ARGB_8;

Profile openProfile(const QByteArray& icc)
{
    return Profile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
}

Transform transformToSrgb(cmsHPROFILE from, cmsUInt32Number inputLayout, cmsUInt32Number flags)
{
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return nullptr;
    // Lookup-table profiles carry their maker's perceptual rendering; for
    // matrix profiles Little CMS falls back to the colorimetric one.
    return Transform(cmsCreateTransform(from, inputLayout, srgb.get(), kArgb32Layout, INTENT_PERCEPTUAL, flags));
}

QImage convertWithLittleCms(QImage image, const QByteArray& icc)
{
    const Profile profile = openProfile(icc);
    if (!profile)
        return image;
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile.get());
    const bool grey = space == cmsSigGrayData && !image.hasAlphaChannel();
    if (space != cmsSigRgbData && !grey)
        return image;
    const QImage source = grey ? image.convertToFormat(QImage::Format_Grayscale8)
                               : image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                                : QImage::Format_RGB32);
    if (source.isNull())
        return image;
    const Transform transform = transformToSrgb(profile.get(), grey ? TYPE_GRAY_8 : kArgb32Layout,
                                                grey ? 0 : cmsFLAGS_COPY_ALPHA);
    if (!transform)
        return image;
    QImage converted(source.size(), grey ? QImage::Format_RGB32 : source.format());
    if (converted.isNull())
        return image;
    // Little CMS leaves an output's extra channel alone when none comes in.
    converted.fill(0xFFFFFFFFu);
    for (int y = 0; y < source.height(); ++y)
        cmsDoTransform(transform.get(), source.constScanLine(y), converted.scanLine(y), cmsUInt32Number(source.width()));
    return converted;
}

} // namespace

QByteArray EmbeddedIccProfile(const QByteArray& bytes)
{
    if (bytes.startsWith(QByteArrayLiteral("\xFF\xD8")))
        return jpegProfile(bytes);
    if (bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1A\n")))
        return pngProfile(bytes);
    if (bytes.startsWith(QByteArrayLiteral("II*\0")) || bytes.startsWith(QByteArrayLiteral("MM\0*")))
        return tiffProfile(bytes);
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return webpProfile(bytes);
    return {};
}

QImage ConvertToSrgb(QImage image, const QByteArray& iccProfile)
{
    if (image.isNull() || iccProfile.isEmpty())
        return image;
    const QColorSpace space = QColorSpace::fromIccProfile(iccProfile);
    if (!space.isValid())
        return convertWithLittleCms(std::move(image), iccProfile);
    if (space == QColorSpace(QColorSpace::SRgb))
        return image;
    // Qt converts these formats in place; anything else is widened first.
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        break;
    }
    image.setColorSpace(space);
    image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

QImage CmykToSrgb(const uchar* inks, QSize size, qsizetype stride, const QByteArray& iccProfile)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(0xFFFFFFFFu);
    const Profile profile = iccProfile.isEmpty() ? nullptr : openProfile(iccProfile);
    const Transform transform = profile && cmsGetColorSpace(profile.get()) == cmsSigCmykData
                                    ? transformToSrgb(profile.get(), TYPE_CMYK_8, 0)
                                    : nullptr;
    for (int y = 0; y < size.height(); ++y) {
        const uchar* row = inks + y * stride;
        if (transform) {
            cmsDoTransform(transform.get(), row, image.scanLine(y), cmsUInt32Number(size.width()));
            continue;
        }
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const uchar* ink = row + 4 * x;
            const auto light = [k = 255 - ink[3]](int c) { return ((255 - c) * k + 127) / 255; };
            line[x] = qRgb(light(ink[0]), light(ink[1]), light(ink[2]));
        }
    }
    return image;
}

} // namespace vq
