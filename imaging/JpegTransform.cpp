#include "imaging/JpegTransform.h"

#include "imaging/JpegEncode.h"
#include "imaging/JpegReencode.h"

#include <QSysInfo>

#include <turbojpeg.h>

#include <algorithm>
#include <memory>

namespace vq {

namespace {

struct TjHandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

struct TjBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferDeleter>;

bool looksLikeJpeg(const QByteArray& bytes)
{
    return bytes.size() > 4 && bytes.startsWith("\xFF\xD8");
}

int transformOp(ExactTurn turn)
{
    // libjpeg names its quarter turns clockwise.
    switch (turn) {
    case ExactTurn::Left90: return TJXOP_ROT270;
    case ExactTurn::Half: return TJXOP_ROT180;
    case ExactTurn::Right90: return TJXOP_ROT90;
    case ExactTurn::MirrorLeftRight: return TJXOP_HFLIP;
    case ExactTurn::MirrorTopBottom: return TJXOP_VFLIP;
    }
    return TJXOP_NONE;
}

// A warning means damaged data that libjpeg would patch over in its own way;
// such a picture goes the decoding way, which shows what the canvas shows.
// Progressive streams with absurd numbers of scans are refused rather than
// left to run for minutes.
constexpr int kStrictFlags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

} // namespace

std::optional<JpegBlockLayout> ReadJpegBlockLayout(const QByteArray& jpeg)
{
    if (!looksLikeJpeg(jpeg))
        return std::nullopt;
    const TjHandle handle(tjInitDecompress());
    if (!handle)
        return std::nullopt;
    int width = 0;
    int height = 0;
    int subsampling = -1;
    int colorspace = -1;
    if (tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.constData()),
                            static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling, &colorspace)
        != 0)
        return std::nullopt;
    if (subsampling < 0 || subsampling >= TJ_NUMSAMP || width <= 0 || height <= 0)
        return std::nullopt;
    return JpegBlockLayout{QSize(width, height), QSize(tjMCUWidth[subsampling], tjMCUHeight[subsampling])};
}

bool IsPerfectTurn(const JpegBlockLayout& layout, ExactTurn turn)
{
    const bool wholeColumns = layout.size.width() % layout.mcu.width() == 0;
    const bool wholeRows = layout.size.height() % layout.mcu.height() == 0;
    switch (turn) {
    case ExactTurn::Left90:
    case ExactTurn::MirrorLeftRight: return wholeColumns;
    case ExactTurn::Right90:
    case ExactTurn::MirrorTopBottom: return wholeRows;
    case ExactTurn::Half: return wholeColumns && wholeRows;
    }
    return false;
}

namespace {

// Runs libjpeg's transform `op` over `jpeg`, every marker copied.
QByteArray runTransform(const QByteArray& jpeg, int op)
{
    const TjHandle handle(tjInitTransform());
    if (!handle)
        return {};
    tjtransform transform{};
    transform.op = op;
    // Our own check decides; this makes libjpeg refuse rather than leave an
    // edge block unturned should the two ever disagree.
    transform.options = TJXOPT_PERFECT;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int result = tjTransform(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                   static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform,
                                   kStrictFlags);
    const TjBuffer owned(out);
    if (result != 0 || !out || outSize == 0)
        return {};
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
}

} // namespace

QByteArray TransformJpegLossless(const QByteArray& jpeg, ExactTurn turn)
{
    const std::optional<JpegBlockLayout> layout = ReadJpegBlockLayout(jpeg);
    if (!layout || !IsPerfectTurn(*layout, turn))
        return {};
    return runTransform(jpeg, transformOp(turn));
}

QByteArray TransformJpegToUpright(const QByteArray& jpeg, int orientation)
{
    const std::optional<JpegBlockLayout> layout = ReadJpegBlockLayout(jpeg);
    if (!layout)
        return {};
    const bool wholeColumns = layout->size.width() % layout->mcu.width() == 0;
    const bool wholeRows = layout->size.height() % layout->mcu.height() == 0;
    // Partial units sit at the right and bottom; each operation is perfect
    // when none of them would land on the left or top.
    struct Operation {
        int op;
        bool perfect;
    };
    const auto operation = [&]() -> std::optional<Operation> {
        switch (orientation) {
        case 2: return Operation{TJXOP_HFLIP, wholeColumns};
        case 3: return Operation{TJXOP_ROT180, wholeColumns && wholeRows};
        case 4: return Operation{TJXOP_VFLIP, wholeRows};
        case 5: return Operation{TJXOP_TRANSPOSE, true};
        case 6: return Operation{TJXOP_ROT90, wholeRows};
        case 7: return Operation{TJXOP_TRANSVERSE, wholeColumns && wholeRows};
        case 8: return Operation{TJXOP_ROT270, wholeColumns};
        default: return std::nullopt;
        }
    }();
    if (!operation)
        return {};
    if (!operation->perfect)
        return ReencodeJpegTransformed(jpeg, operation->op);
    return runTransform(jpeg, operation->op);
}

QByteArray TurnJpeg(const QByteArray& jpeg, ExactTurn turn)
{
    QByteArray lossless = TransformJpegLossless(jpeg, turn);
    if (!lossless.isEmpty())
        return lossless;
    return ReencodeJpegTransformed(jpeg, transformOp(turn));
}

QByteArray EncodeJpegFullChroma(const QImage& image, int quality)
{
    QImage opaque = FlattenOntoTopLeftColor(image);
    if (opaque.isNull())
        return {};
    if (opaque.format() != QImage::Format_RGB32)
        opaque.convertTo(QImage::Format_RGB32);
    if (opaque.isNull())
        return {};
    const TjHandle handle(tjInitCompress());
    if (!handle)
        return {};
    // RGB32 is one native 32-bit word per pixel, 0xffRRGGBB.
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int result = tjCompress2(handle.get(), opaque.constBits(), opaque.width(),
                                   static_cast<int>(opaque.bytesPerLine()), opaque.height(), pixelFormat, &out,
                                   &outSize, TJSAMP_444, std::clamp(quality, 1, 100), TJFLAG_ACCURATEDCT);
    const TjBuffer owned(out);
    if (result != 0 || !out || outSize == 0)
        return {};
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
}

} // namespace vq
