#include "imaging/ImageDecode.h"

#include "imaging/ColorProfile.h"
#include "imaging/ExifOrientation.h"
#include "imaging/HeifDecode.h"
#include "imaging/JpegHeader.h"
#include "imaging/JpegScaledDecode.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <mutex>

namespace vq {

namespace {

// The reader's limit is process-wide. Raised once, before the first image is
// read, to the budget explained with kDecoderAllocationLimitMb; never lowered
// below what someone else in the process asked for.
void applyDecoderAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const int current = QImageReader::allocationLimit();
        if (current != 0) // 0: someone lifted the limit altogether
            QImageReader::setAllocationLimit(std::max(current, kDecoderAllocationLimitMb));
    });
}

// What a document's blocks may hold, and so what a kept picture is decoded
// from; a picture coming in may also be WebP, which is converted before it is
// kept.
bool isAcceptedFormat(const QByteArray& format, bool incoming)
{
    static constexpr std::array<const char*, 5> kFormats{"jpeg", "gif", "bmp", "png", "tiff"};
    return std::any_of(kFormats.begin(), kFormats.end(), [&](const char* f) { return format == f; })
        || (incoming && format == "webp");
}

class ByteReader {
public:
    explicit ByteReader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.constData())), m_size(bytes.size())
    {
    }
    [[nodiscard]] bool has(qint64 offset, qint64 count) const { return offset >= 0 && count >= 0 && offset + count <= m_size; }
    [[nodiscard]] qint64 size() const { return m_size; }
    [[nodiscard]] unsigned u8(qint64 offset) const { return m_data[offset]; }
    [[nodiscard]] unsigned u16le(qint64 offset) const { return m_data[offset] | m_data[offset + 1] << 8; }
    [[nodiscard]] quint32 u32le(qint64 offset) const { return u16le(offset) | quint32(u16le(offset + 2)) << 16; }

private:
    const unsigned char* m_data;
    qint64 m_size;
};

// Skips a chain of GIF data sub-blocks starting at `offset`; the offset after
// the terminating empty block, or −1 when the chain runs past the end.
qint64 skipGifSubBlocks(const ByteReader& r, qint64 offset)
{
    while (r.has(offset, 1)) {
        const unsigned length = r.u8(offset);
        offset += 1 + length;
        if (length == 0)
            return offset;
    }
    return -1;
}

} // namespace

bool IsAcceptableImageSize(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide
        && size.height() <= kMaxImageSide && qint64(size.width()) * size.height() <= kMaxImagePixels;
}

bool IsCompleteBmp(const QByteArray& bytes)
{
    const ByteReader r(bytes);
    if (!r.has(0, 18) || r.u8(0) != 'B' || r.u8(1) != 'M')
        return false;
    const qint64 pixelOffset = r.u32le(10);
    const quint32 headerSize = r.u32le(14);
    qint64 width = 0;
    qint64 height = 0;
    unsigned bitsPerPixel = 0;
    quint32 compression = 0;
    quint32 imageSize = 0;
    if (headerSize == 12) { // OS/2 core header
        if (!r.has(14, 12))
            return false;
        width = r.u16le(18);
        height = r.u16le(20);
        bitsPerPixel = r.u16le(24);
    } else {
        if (headerSize < 40 || !r.has(14, 40))
            return false;
        width = qint32(r.u32le(18));
        height = qint32(r.u32le(22));
        bitsPerPixel = r.u16le(28);
        compression = r.u32le(30);
        imageSize = r.u32le(34);
    }
    if (width <= 0 || height == 0 || bitsPerPixel == 0)
        return false;
    constexpr quint32 kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;
    if (compression == kRgb || compression == kBitfields || compression == kAlphaBitfields) {
        // Sides past what any decoder here takes are refused before the
        // product of forged fields can overflow.
        const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
        if (width > kMaxImageSide || rows > kMaxImageSide)
            return false;
        const qint64 rowBytes = (qint64(width) * bitsPerPixel + 31) / 32 * 4;
        return r.has(pixelOffset, rowBytes * rows);
    }
    if (compression == kRle8 || compression == kRle4)
        return imageSize > 0 ? r.has(pixelOffset, imageSize) : r.has(pixelOffset, 1);
    // Other compressions carry a JPEG or PNG stream whose decoder checks itself.
    return r.has(pixelOffset, 1);
}

bool IsCompleteGif(const QByteArray& bytes)
{
    const ByteReader r(bytes);
    if (!r.has(0, 13))
        return false;
    qint64 offset = 13;
    const unsigned screenFlags = r.u8(10);
    if (screenFlags & 0x80)
        offset += 3 * (qint64(2) << (screenFlags & 7));
    while (r.has(offset, 1)) {
        const unsigned introducer = r.u8(offset);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            offset = r.has(offset, 2) ? skipGifSubBlocks(r, offset + 2) : -1;
        } else if (introducer == 0x2C) { // image: descriptor, local table, code size, data
            if (!r.has(offset, 10))
                return false;
            const unsigned imageFlags = r.u8(offset + 9);
            offset += 10;
            if (imageFlags & 0x80)
                offset += 3 * (qint64(2) << (imageFlags & 7));
            offset = r.has(offset, 1) ? skipGifSubBlocks(r, offset + 1) : -1;
            return offset >= 0;
        } else {
            return false; // a trailer or junk before any image
        }
        if (offset < 0)
            return false;
    }
    return false;
}

namespace {

// A reader over `buffer` that has passed every check made before decoding;
// its format in `format`, or false when the bytes are refused.
bool openCheckedReader(const QByteArray& bytes, QBuffer& buffer, QImageReader& reader, QByteArray& format,
                       bool incoming = false)
{
    applyDecoderAllocationLimit();
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    reader.setDevice(&buffer);
    reader.setDecideFormatFromContent(true);
    // Pictures already kept show their pixels as stored, as they always have:
    // their bytes must not change meaning. Only a picture coming in is turned
    // upright, once, before it is kept.
    reader.setAutoTransform(incoming);
    if (!reader.canRead())
        return false;
    // The reader forgets the format once it has read the image; ask now.
    format = reader.format().toLower();
    if (!isAcceptedFormat(format, incoming))
        return false;
    if ((format == "bmp" && !IsCompleteBmp(bytes)) || (format == "gif" && !IsCompleteGif(bytes)))
        return false;
    // Every accepted format states its size in the header; data that cannot
    // is broken, and data that states an absurd size must not reach a decoder.
    return IsAcceptableImageSize(reader.size());
}

// A four-colour JPEG whose inks Qt's reader would misread: one holding plain
// ink amounts (Qt takes every such JPEG as inverted) or carrying a CMYK
// profile. Adobe's inverted ones without a profile Qt reads as they are meant.
bool needsOwnFourColourDecode(const QByteArray& bytes)
{
    return IsFourColourJpeg(bytes) && (!JpegHasAdobeMarker(bytes) || !EmbeddedIccProfile(bytes).isEmpty());
}

QImage decodeFourColourJpeg(const QByteArray& bytes, QSize scaledTo)
{
    const bool scaled = scaledTo.isValid() && !scaledTo.isEmpty();
    const int reduction = scaled ? JpegReductionCovering(jpegPixelSize(bytes), scaledTo) : 1;
    const QImage image = DecodeCmykJpegReduced(bytes, reduction);
    if (image.isNull() || !scaled || image.size() == scaledTo)
        return image;
    return image.scaled(scaledTo, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QImage DecodeImage(const QByteArray& bytes, QByteArray* format, QSize scaledTo, JpegScaling scaling)
{
    // Nearly every picture is a photograph shown smaller than it is: decoded
    // by libjpeg-turbo straight from memory, with the shortcuts only a reduced
    // copy can afford. Full-size requests, and what libjpeg-turbo refuses
    // (CMYK, broken data), take Qt's reader as before. Either way the pixels
    // are converted to sRGB here, once, so the cache holds them ready to draw.
    if (scaledTo.isValid() && !scaledTo.isEmpty()) {
        QImage reduced = DecodeJpegForDisplay(bytes, scaledTo, scaling);
        if (!reduced.isNull()) {
            if (format)
                *format = "jpeg";
            return ConvertToSrgb(std::move(reduced), EmbeddedIccProfile(bytes));
        }
    }
    if (needsOwnFourColourDecode(bytes)) {
        QImage inks = decodeFourColourJpeg(bytes, scaledTo);
        if (!inks.isNull()) {
            if (format)
                *format = "jpeg";
            return inks;
        }
    }
    QBuffer buffer;
    QImageReader reader;
    QByteArray detected;
    if (!openCheckedReader(bytes, buffer, reader, detected))
        return {};
    if (scaledTo.isValid() && !scaledTo.isEmpty())
        reader.setScaledSize(scaledTo);
    QImage image = reader.read();
    if (image.isNull() || !IsAcceptableImageSize(image.size()))
        return {};
    if (format)
        *format = detected;
    return ConvertToSrgb(std::move(image), EmbeddedIccProfile(bytes));
}

QImage DecodeImageUpright(const QByteArray& bytes, QByteArray* format)
{
    const QByteArray heif = HeifFormatOf(bytes);
    if (!heif.isEmpty()) {
        QImage image = DecodeHeif(bytes);
        if (!image.isNull() && format)
            *format = heif;
        return image;
    }
    if (needsOwnFourColourDecode(bytes)) {
        QImage inks = decodeFourColourJpeg(bytes, {});
        if (!inks.isNull()) {
            if (format)
                *format = "jpeg";
            return inks;
        }
    }
    QBuffer buffer;
    QImageReader reader;
    QByteArray detected;
    if (!openCheckedReader(bytes, buffer, reader, detected, true))
        return {};
    QImage image = reader.read();
    if (image.isNull() || !IsAcceptableImageSize(image.size()))
        return {};
    // Qt's reader turns JPEG and TIFF pictures by their tag, but reads past a
    // PNG's Exif block: such a picture is turned here, unless a reader that
    // knows the block has turned it already.
    if (detected == "png" && reader.transformation() == QImageIOHandler::TransformationNone) {
        const int orientation = PngExifOrientationOf(bytes);
        if (orientation != kUprightOrientation)
            image = OrientImage(image, orientation);
    }
    if (format)
        *format = detected;
    return ConvertToSrgb(std::move(image), EmbeddedIccProfile(bytes));
}

ImageHeader ProbeImage(const QByteArray& bytes)
{
    QBuffer buffer;
    QImageReader reader;
    QByteArray detected;
    if (!openCheckedReader(bytes, buffer, reader, detected))
        return {};
    return {detected, reader.size()};
}

} // namespace vq
