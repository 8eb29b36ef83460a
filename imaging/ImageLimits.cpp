#include "imaging/ImageLimits.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <mutex>

namespace vq {

namespace {

// The reader's limit is process-wide. Raise it once to our budget (Qt's own
// default of 256 MB would refuse a large photograph), never lower it below
// what someone else in the process asked for.
void applyDecoderAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), kDecoderAllocationLimitMb));
    });
}

bool isAcceptedFormat(const QByteArray& format)
{
    static constexpr std::array<const char*, 5> kFormats{"jpeg", "gif", "bmp", "png", "tiff"};
    return std::any_of(kFormats.begin(), kFormats.end(), [&](const char* f) { return format == f; });
}

} // namespace

bool IsAcceptableImageSize(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide
        && size.height() <= kMaxImageSide && qint64(size.width()) * size.height() <= kMaxImagePixels;
}

QImage DecodeImage(QIODevice& device, QByteArray* format)
{
    applyDecoderAllocationLimit();
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    // Orientation tags would make the decoded size disagree with the header
    // size we check, and the program has always shown pixels as stored.
    reader.setAutoTransform(false);
    if (!reader.canRead())
        return {};
    const QByteArray detected = reader.format().toLower();
    if (!isAcceptedFormat(detected))
        return {};
    // Every accepted format states its size in the header; a file that cannot
    // is broken, and one that states an absurd size must not reach a decoder.
    if (!IsAcceptableImageSize(reader.size()))
        return {};
    QImage image = reader.read();
    if (image.isNull() || !IsAcceptableImageSize(image.size()))
        return {};
    if (format)
        *format = detected;
    return image;
}

QImage DecodeImageFile(const QString& path, QByteArray* format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeImage(file, format);
}

} // namespace vq
