// Feeds arbitrary bytes to the picture loader as an added file reaches it
// (content sniffing, the JPEG header and orientation readers, the decoders
// with their size limits), then to the scaled decode the canvas draws from.
// Whatever is accepted must have a size the rest of the program can hold.
#include "fuzz/FuzzSupport.h"
#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegHeader.h"
#include "imaging/JpegScaledDecode.h"

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool acceptable(QSize size)
{
    return vq::IsAcceptableImageSize(size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // The readers that look at the bytes before any decode.
    const vq::ImageHeader header = vq::ProbeImage(bytes);
    if (!header.format.isEmpty())
        vq::fuzz::check(acceptable(header.size));
    const QSize jpegSize = vq::jpegPixelSize(bytes);
    (void)vq::ExifOrientationOf(bytes);
    (void)vq::FindExifOrientation(bytes);
    if (vq::ExifOrientationOf(bytes) != 1)
        (void)vq::WithUprightOrientationTag(bytes);

    // Through a file, as Add image and drops read it; the name's type is only a hint.
    static const char* const kTypes[] = {"jpeg", "gif", "bmp", "png", "tiff"};
    const QString path = vq::fuzz::inputFile(data, size);
    const QString type = QString::fromLatin1(kTypes[size % 5]);
    if (const std::optional<vq::LoadedPicture> loaded = vq::LoadPicture(path, type)) {
        vq::fuzz::check(loaded->picture != nullptr);
        vq::fuzz::check(loaded->width > 0 && loaded->height > 0);
        vq::fuzz::check(acceptable(loaded->picture->pixelSize()));
    }

    // The canvas's scaled decode of a kept JPEG, at a size the header allows.
    if (jpegSize.isValid() && acceptable(jpegSize)) {
        const QSize wanted(std::max(1, jpegSize.width() / 3), std::max(1, jpegSize.height() / 5));
        const QImage shown = vq::DecodeJpegForDisplay(bytes, wanted);
        if (!shown.isNull())
            vq::fuzz::check(shown.width() <= jpegSize.width() && shown.height() <= jpegSize.height());
        const QImage reduced = vq::DecodeJpegReduced(bytes, 1 + int(size % 8));
        if (!reduced.isNull())
            vq::fuzz::check(acceptable(reduced.size()));
    }
    return 0;
}
