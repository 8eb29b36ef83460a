#include "imaging/ExifOrientation.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/JpegTransform.h"
#include "imaging/Rotate.h"

#include <QTransform>

namespace vq {

namespace {

// A picture turned upright where it cannot be turned losslessly is encoded
// as the rotation commands encode theirs.
constexpr int kReencodeQuality = 100;

constexpr quint16 kOrientationTag = 0x0112;
constexpr quint16 kTiffShort = 3;

// A view of bytes in which every read is checked first.
class Bytes {
public:
    Bytes(const unsigned char* data, qsizetype size)
        : m_data(data), m_size(size)
    {
    }
    [[nodiscard]] bool has(qsizetype offset, qsizetype count) const
    {
        return offset >= 0 && count >= 0 && offset <= m_size && count <= m_size - offset;
    }
    [[nodiscard]] unsigned u8(qsizetype offset) const { return m_data[offset]; }
    [[nodiscard]] unsigned u16be(qsizetype offset) const { return unsigned(m_data[offset]) << 8 | m_data[offset + 1]; }
    [[nodiscard]] unsigned u16(qsizetype offset, bool bigEndian) const
    {
        return bigEndian ? u16be(offset) : unsigned(m_data[offset]) | unsigned(m_data[offset + 1]) << 8;
    }
    [[nodiscard]] quint32 u32(qsizetype offset, bool bigEndian) const
    {
        return bigEndian ? quint32(u16(offset, true)) << 16 | u16(offset + 2, true)
                         : quint32(u16(offset + 2, false)) << 16 | u16(offset, false);
    }

private:
    const unsigned char* m_data;
    qsizetype m_size;
};

// An APP1 segment holding an Exif block: where the segment starts and where
// its TIFF structure lies in the stream.
struct ExifSegment {
    qsizetype segmentStart = 0; // the 0xFF of the marker
    qsizetype segmentSize = 0;  // marker, length and payload
    qsizetype tiffStart = 0;
    qsizetype tiffSize = 0;
};

std::optional<ExifSegment> findExifSegment(const Bytes& b)
{
    if (!b.has(0, 2) || b.u8(0) != 0xFF || b.u8(1) != 0xD8)
        return std::nullopt;
    qsizetype i = 2;
    while (b.has(i, 2)) {
        if (b.u8(i) != 0xFF)
            return std::nullopt;
        const unsigned marker = b.u8(i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            i += 2;
            continue;
        }
        // The tag belongs before the image data; nothing after it counts.
        if (marker == 0xD9 || marker == 0xDA || !b.has(i + 2, 2))
            return std::nullopt;
        const qsizetype length = b.u16be(i + 2);
        if (length < 2 || !b.has(i + 2, length))
            return std::nullopt;
        constexpr qsizetype kExifHeader = 6; // "Exif\0\0"
        if (marker == 0xE1 && length >= 2 + kExifHeader) {
            const qsizetype payload = i + 4;
            static constexpr unsigned char kExif[kExifHeader] = {'E', 'x', 'i', 'f', 0, 0};
            bool exif = true;
            for (qsizetype k = 0; k < kExifHeader; ++k)
                exif = exif && b.u8(payload + k) == kExif[k];
            if (exif)
                return ExifSegment{i, 2 + length, payload + kExifHeader, length - 2 - kExifHeader};
        }
        i += 2 + length;
    }
    return std::nullopt;
}

// The orientation entry of the first image directory of the TIFF structure
// at `tiff`. Only that one directory is read: no offsets are chased further,
// so no chain of directories, however it loops, costs more than one pass.
std::optional<ExifOrientationTag> findOrientationEntry(const Bytes& b, const ExifSegment& exif)
{
    const qsizetype base = exif.tiffStart;
    const qsizetype size = exif.tiffSize;
    if (size < 8 || !b.has(base, size))
        return std::nullopt;
    bool bigEndian = false;
    if (b.u8(base) == 'M' && b.u8(base + 1) == 'M')
        bigEndian = true;
    else if (b.u8(base) != 'I' || b.u8(base + 1) != 'I')
        return std::nullopt;
    if (b.u16(base + 2, bigEndian) != 42)
        return std::nullopt;
    const quint32 directory = b.u32(base + 4, bigEndian);
    // The directory must lie after the header and wholly inside the block.
    if (directory < 8 || directory > quint32(size) || size - qsizetype(directory) < 2)
        return std::nullopt;
    const qsizetype entries = b.u16(base + directory, bigEndian);
    const qsizetype first = base + directory + 2;
    constexpr qsizetype kEntrySize = 12;
    // A directory that claims more entries than the block holds is damaged.
    if (entries * kEntrySize > base + size - first)
        return std::nullopt;
    for (qsizetype n = 0; n < entries; ++n) {
        const qsizetype entry = first + n * kEntrySize;
        if (b.u16(entry, bigEndian) != kOrientationTag)
            continue;
        // A short, one value, stored in the entry itself.
        if (b.u16(entry + 2, bigEndian) != kTiffShort || b.u32(entry + 4, bigEndian) != 1)
            return std::nullopt;
        return ExifOrientationTag{int(b.u16(entry + 8, bigEndian)), entry + 8, bigEndian};
    }
    return std::nullopt;
}

Bytes bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const unsigned char*>(data.constData()), data.size()};
}

bool isTurning(int orientation)
{
    return orientation >= 2 && orientation <= 8;
}

// `reencoded` (a fresh JPEG stream) with `original`'s Exif segment, its
// orientation set to 1, after the start of image and any JFIF segment, so
// that what the camera recorded about the photograph stays with it.
QByteArray withExifOf(const QByteArray& original, QByteArray reencoded)
{
    const Bytes from = bytesOf(original);
    const std::optional<ExifSegment> exif = findExifSegment(from);
    const Bytes to = bytesOf(reencoded);
    if (!exif || !to.has(0, 4))
        return reencoded;
    QByteArray segment = original.mid(exif->segmentStart, exif->segmentSize);
    if (const std::optional<ExifOrientationTag> tag = findOrientationEntry(from, *exif)) {
        const qsizetype at = tag->offset - exif->segmentStart;
        segment[at] = char(tag->bigEndian ? 0 : kUprightOrientation);
        segment[at + 1] = char(tag->bigEndian ? kUprightOrientation : 0);
    }
    qsizetype insertAt = 2;
    if (to.u8(2) == 0xFF && to.u8(3) == 0xE0 && to.has(4, 2))
        insertAt = 4 + qsizetype(to.u16be(4));
    if (insertAt > reencoded.size())
        return reencoded;
    reencoded.insert(insertAt, segment);
    return reencoded;
}

} // namespace

std::optional<ExifOrientationTag> FindExifOrientation(const QByteArray& jpeg)
{
    const Bytes b = bytesOf(jpeg);
    const std::optional<ExifSegment> exif = findExifSegment(b);
    if (!exif)
        return std::nullopt;
    return findOrientationEntry(b, *exif);
}

int ExifOrientationOf(const QByteArray& jpeg)
{
    const std::optional<ExifOrientationTag> tag = FindExifOrientation(jpeg);
    return tag && isTurning(tag->value) ? tag->value : kUprightOrientation;
}

int PngExifOrientationOf(const QByteArray& png)
{
    const Bytes b = bytesOf(png);
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!b.has(0, 8))
        return kUprightOrientation;
    for (qsizetype k = 0; k < 8; ++k) {
        if (b.u8(k) != kSignature[k])
            return kUprightOrientation;
    }
    const auto typeIs = [&b](qsizetype at, const char* name) {
        for (qsizetype k = 0; k < 4; ++k) {
            if (b.u8(at + k) != static_cast<unsigned char>(name[k]))
                return false;
        }
        return true;
    };
    // Chunks: a big-endian length, a four-letter type, the data, a CRC.
    qsizetype at = 8;
    while (b.has(at, 8)) {
        const quint32 length = b.u32(at, true);
        const qsizetype data = at + 8;
        if (typeIs(at + 4, "IDAT") || typeIs(at + 4, "IEND") || !b.has(data, qsizetype(length)))
            break;
        if (typeIs(at + 4, "eXIf")) {
            const std::optional<ExifOrientationTag> tag
                = findOrientationEntry(b, ExifSegment{at, 12 + qsizetype(length), data, qsizetype(length)});
            return tag && isTurning(tag->value) ? tag->value : kUprightOrientation;
        }
        at = data + qsizetype(length) + 4;
    }
    return kUprightOrientation;
}

QByteArray WithUprightOrientationTag(QByteArray jpeg)
{
    const std::optional<ExifOrientationTag> tag = FindExifOrientation(jpeg);
    if (!tag || tag->value == kUprightOrientation)
        return jpeg;
    jpeg[tag->offset] = char(tag->bigEndian ? 0 : kUprightOrientation);
    jpeg[tag->offset + 1] = char(tag->bigEndian ? kUprightOrientation : 0);
    return jpeg;
}

QImage OrientImage(const QImage& stored, int orientation)
{
    // The exact turns of the rotation commands work in RGB32; a picture that
    // may be transparent (a PNG) is turned by Qt's own exact quarter turns
    // and mirrors instead, so its transparency stays.
    const bool alpha = stored.hasAlphaChannel();
    const auto turn = [alpha](const QImage& image, ExactTurn how) {
        if (!alpha)
            return TurnImage(image, how);
        switch (how) {
        case ExactTurn::Left90: return image.transformed(QTransform().rotate(270));
        case ExactTurn::Right90: return image.transformed(QTransform().rotate(90));
        case ExactTurn::Half: return image.mirrored(true, true);
        case ExactTurn::MirrorLeftRight: return image.mirrored(true, false);
        case ExactTurn::MirrorTopBottom: return image.mirrored(false, true);
        }
        return image;
    };
    switch (orientation) {
    case 2: return turn(stored, ExactTurn::MirrorLeftRight);
    case 3: return turn(stored, ExactTurn::Half);
    case 4: return turn(stored, ExactTurn::MirrorTopBottom);
    case 5: return turn(turn(stored, ExactTurn::Right90), ExactTurn::MirrorLeftRight);
    case 6: return turn(stored, ExactTurn::Right90);
    case 7: return turn(turn(stored, ExactTurn::Left90), ExactTurn::MirrorLeftRight);
    case 8: return turn(stored, ExactTurn::Left90);
    default:
        if (stored.isNull())
            return stored;
        return stored.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

QByteArray UprightJpeg(const QByteArray& jpeg)
{
    const int orientation = ExifOrientationOf(jpeg);
    if (orientation == kUprightOrientation)
        return jpeg;
    const QByteArray turned = TransformJpegToUpright(jpeg, orientation);
    if (!turned.isEmpty())
        return WithUprightOrientationTag(turned);
    const QImage stored = FlattenOntoTopLeftColor(DecodeImage(jpeg));
    if (stored.isNull())
        return {};
    const QByteArray reencoded = EncodeJpegFullChroma(OrientImage(stored, orientation), kReencodeQuality);
    if (reencoded.isEmpty())
        return {};
    return withExifOf(jpeg, reencoded);
}

} // namespace vq
