#include "imaging/JpegScaledDecode.h"

#include "imaging/ColorProfile.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegHeader.h"

#include <QSysInfo>

#include <turbojpeg.h>

#include <array>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace vq {

namespace {

constexpr std::array<int, 3> kReductions{8, 4, 2};

// Format_RGB32 is 0xffRRGGBB in native byte order. The X formats leave that
// top byte undefined, so the A formats, which set it to 0xFF, fill it.
constexpr TJPF kRgb32Layout = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRA : TJPF_ARGB;

// A reduced decode is always smoothed down further, which hides what the fast
// IDCT and box upsampling of chroma lose. Any warning stops the decode: after
// one, libjpeg-turbo no longer tells a later fatal error from it, so data cut
// short or damaged is left to Qt's reader, which makes of it what it always
// made. Progressive streams with absurdly many scans are cut off.
constexpr int kCommonFlags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
constexpr int kReducedFlags = kCommonFlags | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
constexpr int kFullFlags = kCommonFlags | TJFLAG_ACCURATEDCT;

struct DecompressorDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<std::remove_pointer_t<tjhandle>, DecompressorDeleter>;

int scaledSide(int side, int reduction)
{
    return TJSCALED(side, (tjscalingfactor{1, reduction}));
}

QSize scaledFrame(QSize full, tjscalingfactor factor)
{
    return {TJSCALED(full.width(), factor), TJSCALED(full.height(), factor)};
}

// TurboJPEG decodes at the largest of its scaling factors whose result fits
// the size it is given; for tiny sides another factor (5/8, 3/8 …) can fit
// too and win, and its image would not be the size of our buffer.
bool turboPicksReduction(QSize full, QSize target)
{
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    if (!factors)
        return false;
    for (int i = 0; i < count; ++i) {
        const QSize scaled(TJSCALED(full.width(), factors[i]), TJSCALED(full.height(), factors[i]));
        if (scaled.width() <= target.width() && scaled.height() <= target.height())
            return scaled == target;
    }
    return false;
}

bool looksLikeJpeg(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArrayLiteral("\xFF\xD8"));
}

const unsigned char* dataOf(const QByteArray& bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

struct FrameHeader {
    QSize size;
    bool fourColour = false;
};

// The frame's size from the header, and whether it holds four colours; an
// invalid size for anything not to be decoded at all.
FrameHeader readFrameHeader(tjhandle decompressor, const QByteArray& bytes)
{
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (tjDecompressHeader3(decompressor, dataOf(bytes), static_cast<unsigned long>(bytes.size()), &width, &height,
                            &subsampling, &colourSpace)
        != 0)
        return {};
    // Refused before the output or libjpeg's own buffers are allocated.
    if (!IsAcceptableImageSize({width, height}))
        return {};
    return {{width, height}, colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK};
}

// The size of a three-colour or grey frame; libjpeg cannot make RGB of four.
QSize readFrame(tjhandle decompressor, const QByteArray& bytes)
{
    const FrameHeader header = readFrameHeader(decompressor, bytes);
    return header.fourColour ? QSize() : header.size;
}

// The frame decoded at `factor`, at most 1/1.
QImage decodeFrame(tjhandle decompressor, const QByteArray& bytes, QSize full, tjscalingfactor factor)
{
    const QSize target = scaledFrame(full, factor);
    if (!turboPicksReduction(full, target))
        return {};
    QImage image(target, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int flags = factor.num < factor.denom ? kReducedFlags : kFullFlags;
    if (tjDecompress2(decompressor, dataOf(bytes), static_cast<unsigned long>(bytes.size()), image.bits(),
                      target.width(), static_cast<int>(image.bytesPerLine()), target.height(), kRgb32Layout, flags)
        != 0)
        return {};
    return image;
}

} // namespace

int JpegReductionCovering(QSize full, QSize wanted)
{
    if (!wanted.isValid() || wanted.isEmpty() || full.isEmpty())
        return 1;
    for (const int reduction : kReductions) {
        if (scaledSide(full.width(), reduction) >= wanted.width()
            && scaledSide(full.height(), reduction) >= wanted.height())
            return reduction;
    }
    return 1;
}

int JpegEighthsCovering(QSize full, QSize wanted)
{
    if (!wanted.isValid() || wanted.isEmpty() || full.isEmpty())
        return 8;
    for (int eighths = 1; eighths < 8; ++eighths) {
        const QSize scaled = scaledFrame(full, {eighths, 8});
        if (scaled.width() >= wanted.width() && scaled.height() >= wanted.height())
            return eighths;
    }
    return 8;
}

QImage DecodeJpegReduced(const QByteArray& bytes, int reduction)
{
    if ((reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8) || !looksLikeJpeg(bytes))
        return {};
    const Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return {};
    const QSize full = readFrame(decompressor.get(), bytes);
    return full.isValid() ? decodeFrame(decompressor.get(), bytes, full, {1, reduction}) : QImage();
}

QImage DecodeJpegForDisplay(const QByteArray& bytes, QSize size, JpegScaling scaling)
{
    if (!size.isValid() || size.isEmpty() || !looksLikeJpeg(bytes))
        return {};
    const Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return {};
    const QSize full = readFrame(decompressor.get(), bytes);
    if (!full.isValid())
        return {};
    tjscalingfactor factor{1, JpegReductionCovering(full, size)};
    if (scaling == JpegScaling::Eighths)
        factor = {JpegEighthsCovering(full, size), 8};
    if (factor.num >= factor.denom)
        return {};
    QImage image = decodeFrame(decompressor.get(), bytes, full, factor);
    if (image.isNull() || image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool IsFourColourJpeg(const QByteArray& bytes)
{
    if (!looksLikeJpeg(bytes))
        return false;
    const Decompressor decompressor(tjInitDecompress());
    return decompressor && readFrameHeader(decompressor.get(), bytes).fourColour;
}

QImage DecodeCmykJpegReduced(const QByteArray& bytes, int reduction)
{
    if ((reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8) || !looksLikeJpeg(bytes))
        return {};
    const Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return {};
    const FrameHeader header = readFrameHeader(decompressor.get(), bytes);
    if (!header.size.isValid() || !header.fourColour)
        return {};
    const QSize target(scaledSide(header.size.width(), reduction), scaledSide(header.size.height(), reduction));
    if (!turboPicksReduction(header.size, target))
        return {};
    const qsizetype stride = qsizetype(target.width()) * 4;
    std::vector<uchar> inks;
    try {
        inks.resize(std::size_t(stride) * std::size_t(target.height()));
    } catch (const std::bad_alloc&) {
        return {};
    }
    const int flags = reduction > 1 ? kReducedFlags : kFullFlags;
    if (tjDecompress2(decompressor.get(), dataOf(bytes), static_cast<unsigned long>(bytes.size()), inks.data(),
                      target.width(), int(stride), target.height(), TJPF_CMYK, flags)
        != 0)
        return {};
    if (JpegHasAdobeMarker(bytes)) {
        for (uchar& ink : inks)
            ink = uchar(255 - ink);
    }
    return CmykToSrgb(inks.data(), target, stride, EmbeddedIccProfile(bytes));
}

} // namespace vq
