// JPEG pictures decoded for the screen by libjpeg-turbo at a reduced scale:
// the same picture Qt's reader makes, full-size requests untouched, and
// broken or hostile data refused without harm.
#include "imaging/ImageDecode.h"
#include "imaging/JpegScaledDecode.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRadialGradient>

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

namespace vq::test {
namespace {

// Smooth colour ramps under soft discs and a few hard edges: what the
// different upsampling and IDCT of a reduced decode change stays small, and
// a misplaced row or swapped channel shows at once.
QImage photoLike(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(255 * x / size.width(), 255 * y / size.height(), 160 - 120 * x / size.width());
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int unit = std::min(size.width(), size.height());
    QRadialGradient glow(QPointF(size.width() * 0.3, size.height() * 0.4), unit * 0.3);
    glow.setColorAt(0, QColor(250, 240, 200));
    glow.setColorAt(1, QColor(250, 240, 200, 0));
    p.setBrush(glow);
    p.drawRect(image.rect());
    p.setBrush(QColor(30, 40, 120));
    p.drawRect(QRect(size.width() * 3 / 5, size.height() / 5, size.width() / 4, size.height() / 3));
    p.setBrush(QColor(200, 30, 30));
    p.drawEllipse(QPoint(size.width() * 3 / 4, size.height() * 3 / 4), unit / 8, unit / 8);
    return image;
}

enum class Kind { Colour, Grey, Progressive };

QByteArray encodeWithQt(const QImage& image, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QByteArray jpegOf(Kind kind, QSize size)
{
    const QImage image = photoLike(size);
    switch (kind) {
    case Kind::Colour: return encodeWithQt(image, false);
    case Kind::Grey: return encodeWithQt(image.convertToFormat(QImage::Format_Grayscale8), false);
    case Kind::Progressive: return encodeWithQt(image, true);
    }
    return {};
}

struct TurboDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<std::remove_pointer_t<tjhandle>, TurboDeleter>;

// A four-colour (YCCK) JPEG, which libjpeg cannot turn into RGB.
QByteArray cmykJpeg(QSize size)
{
    std::vector<unsigned char> cmyk(std::size_t(size.width()) * size.height() * 4);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            unsigned char* px = &cmyk[(std::size_t(y) * size.width() + x) * 4];
            px[0] = static_cast<unsigned char>(x < size.width() / 2 ? 200 : 20);
            px[1] = static_cast<unsigned char>(y < size.height() / 2 ? 30 : 180);
            px[2] = 90;
            px[3] = 10;
        }
    }
    const TurboHandle compressor(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long length = 0;
    if (!compressor
        || tjCompress2(compressor.get(), cmyk.data(), size.width(), size.width() * 4, size.height(), TJPF_CMYK, &out,
                       &length, TJSAMP_444, 90, 0)
               != 0) {
        tjFree(out);
        ADD_FAILURE() << "could not make a CMYK JPEG";
        return {};
    }
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(length));
    tjFree(out);
    return bytes;
}

int colourSpaceOf(const QByteArray& bytes)
{
    const TurboHandle decompressor(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colourSpace = -1;
    tjDecompressHeader3(decompressor.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                        static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling, &colourSpace);
    return colourSpace;
}

// Qt's reader asked for `size`, as every picture was decoded before.
QImage readWithQt(const QByteArray& bytes, QSize size = {})
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

struct Difference {
    double mean = 0;
    int worst = 0;
};

Difference compare(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            for (const int shift : {0, 8, 16}) {
                const int e = std::abs(int((p[col] >> shift) & 0xFF) - int((q[col] >> shift) & 0xFF));
                sum += e;
                d.worst = std::max(d.worst, e);
            }
        }
    }
    d.mean = double(sum) / (3.0 * x.width() * x.height());
    return d;
}

// RGB32 promises 0xFF in every pixel's top byte; painting relies on it.
bool everyPixelOpaque(const QImage& image)
{
    for (int row = 0; row < image.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        if (!std::all_of(line, line + image.width(), [](QRgb px) { return qAlpha(px) == 0xFF; }))
            return false;
    }
    return true;
}

struct ReductionCase {
    const char* name;
    QSize full;
    QSize wanted;
    int reduction;
};

class ReductionCoveringTest : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(ReductionCoveringTest, LargestReductionWhoseRoundedUpSidesCover)
{
    EXPECT_EQ(JpegReductionCovering(GetParam().full, GetParam().wanted), GetParam().reduction);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReductionCoveringTest,
    ::testing::Values(ReductionCase{"PhotoNode", {4000, 3000}, {500, 375}, 8},
                      ReductionCase{"PhotoNodeSmallest", {4000, 3000}, {250, 186}, 8},
                      ReductionCase{"OnePixelWiderQuarter", {4000, 3000}, {501, 375}, 4},
                      ReductionCase{"OnePixelTallerQuarter", {4000, 3000}, {500, 376}, 4},
                      ReductionCase{"HalfExactly", {4000, 3000}, {2000, 1500}, 2},
                      ReductionCase{"OverHalfIsFull", {4000, 3000}, {2001, 1500}, 1},
                      ReductionCase{"FullIsFull", {4000, 3000}, {4000, 3000}, 1},
                      ReductionCase{"LargerIsFull", {4000, 3000}, {8000, 6000}, 1},
                      ReductionCase{"EmptyIsFull", {4000, 3000}, {}, 1},
                      // libjpeg rounds scaled sides up: 4001 / 8 gives 501.
                      ReductionCase{"OddSideRoundsUp", {4001, 3001}, {501, 376}, 8},
                      ReductionCase{"OddSideOnePixelShort", {3999, 2999}, {500, 375}, 8},
                      ReductionCase{"TinyPicture", {3, 2}, {1, 1}, 8}),
    [](const auto& info) { return info.param.name; });

struct ScaledCase {
    const char* name;
    Kind kind;
    QSize full;
    QSize wanted;
};

void PrintTo(const ScaledCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScaledDecodeTest : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(ScaledDecodeTest, SamePictureAsQtsReader)
{
    const ScaledCase& c = GetParam();
    const QByteArray bytes = jpegOf(c.kind, c.full);
    ASSERT_FALSE(bytes.isEmpty());
    if (c.kind == Kind::Grey) {
        ASSERT_EQ(colourSpaceOf(bytes), TJCS_GRAY);
    }

    QByteArray format;
    const QImage decoded = DecodeImage(bytes, &format, c.wanted);
    ASSERT_EQ(decoded.size(), c.wanted);
    EXPECT_EQ(format, "jpeg");
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    EXPECT_TRUE(everyPixelOpaque(decoded));
    // Taken by libjpeg-turbo, not by the reader it is compared with.
    EXPECT_EQ(decoded, DecodeJpegForDisplay(bytes, c.wanted));

    const QImage reference = readWithQt(bytes, c.wanted);
    ASSERT_EQ(reference.size(), c.wanted);
    const Difference d = compare(decoded, reference);
    EXPECT_LE(d.mean, 1.0) << "worst " << d.worst;
    EXPECT_LE(d.worst, 16) << "mean " << d.mean;
    const Quadrants got = SampleQuadrants(decoded);
    const Quadrants want = SampleQuadrants(reference);
    EXPECT_TRUE(Near(got.topLeft, want.topLeft, 6));
    EXPECT_TRUE(Near(got.topRight, want.topRight, 6));
    EXPECT_TRUE(Near(got.bottomLeft, want.bottomLeft, 6));
    EXPECT_TRUE(Near(got.bottomRight, want.bottomRight, 6));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScaledDecodeTest,
    ::testing::Values(ScaledCase{"ColourHalf", Kind::Colour, {800, 600}, {400, 300}},
                      ScaledCase{"ColourQuarter", Kind::Colour, {800, 600}, {200, 150}},
                      ScaledCase{"ColourEighth", Kind::Colour, {800, 600}, {100, 75}},
                      ScaledCase{"ColourBetweenScales", Kind::Colour, {800, 600}, {250, 187}},
                      ScaledCase{"ColourOddSides", Kind::Colour, {803, 601}, {100, 75}},
                      ScaledCase{"GreyHalf", Kind::Grey, {800, 600}, {400, 300}},
                      ScaledCase{"GreyQuarter", Kind::Grey, {800, 600}, {200, 150}},
                      ScaledCase{"GreyEighth", Kind::Grey, {800, 600}, {100, 75}},
                      ScaledCase{"ProgressiveHalf", Kind::Progressive, {800, 600}, {400, 300}},
                      ScaledCase{"ProgressiveQuarter", Kind::Progressive, {800, 600}, {200, 150}},
                      ScaledCase{"ProgressiveEighth", Kind::Progressive, {800, 600}, {100, 75}}),
    [](const auto& info) { return info.param.name; });

struct EighthsCase {
    const char* name;
    QSize full;
    QSize wanted;
    int eighths;
};

class EighthsCoveringTest : public ::testing::TestWithParam<EighthsCase> {};

TEST_P(EighthsCoveringTest, SmallestEighthWhoseRoundedUpSidesCover)
{
    EXPECT_EQ(JpegEighthsCovering(GetParam().full, GetParam().wanted), GetParam().eighths);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EighthsCoveringTest,
    ::testing::Values(EighthsCase{"PhotoNodeFromLarge", {4000, 3000}, {460, 345}, 1},
                      EighthsCase{"OneEighthExactly", {4000, 3000}, {500, 375}, 1},
                      EighthsCase{"OnePixelOverAnEighth", {4000, 3000}, {501, 375}, 2},
                      EighthsCase{"HeightDecides", {4000, 3000}, {500, 376}, 2},
                      EighthsCase{"ThreeEighths", {4000, 3000}, {1400, 1100}, 3},
                      EighthsCase{"PhotoNodeFromSmall", {800, 600}, {460, 345}, 5},
                      EighthsCase{"FiveEighthsExactly", {800, 600}, {500, 375}, 5},
                      EighthsCase{"SixEighths", {800, 600}, {501, 375}, 6},
                      EighthsCase{"SevenEighths", {800, 600}, {700, 500}, 7},
                      EighthsCase{"OverSevenEighthsIsFull", {800, 600}, {701, 525}, 8},
                      EighthsCase{"FullIsFull", {800, 600}, {800, 600}, 8},
                      EighthsCase{"LargerIsFull", {800, 600}, {1600, 1200}, 8},
                      EighthsCase{"EmptyIsFull", {800, 600}, {}, 8},
                      // libjpeg rounds scaled sides up: 3 × 801 / 8 gives 301.
                      EighthsCase{"OddSideRoundsUp", {801, 601}, {301, 226}, 3},
                      EighthsCase{"TinyPicture", {3, 2}, {1, 1}, 1}),
    [](const auto& info) { return info.param.name; });

class EighthsDecodeTest : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(EighthsDecodeTest, SamePictureAsQtsReaderFromTheNearestEighth)
{
    const ScaledCase& c = GetParam();
    const QByteArray bytes = jpegOf(c.kind, c.full);
    ASSERT_FALSE(bytes.isEmpty());
    QByteArray format;
    const QImage decoded = DecodeImage(bytes, &format, c.wanted, JpegScaling::Eighths);
    ASSERT_EQ(decoded.size(), c.wanted);
    EXPECT_EQ(format, "jpeg");
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    EXPECT_TRUE(everyPixelOpaque(decoded));
    EXPECT_EQ(decoded, DecodeJpegForDisplay(bytes, c.wanted, JpegScaling::Eighths));

    const QImage reference = readWithQt(bytes, c.wanted);
    ASSERT_EQ(reference.size(), c.wanted);
    const Difference d = compare(decoded, reference);
    EXPECT_LE(d.mean, 1.0) << "worst " << d.worst;
    EXPECT_LE(d.worst, 16) << "mean " << d.mean;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EighthsDecodeTest,
    ::testing::Values(ScaledCase{"ColourFiveEighths", Kind::Colour, {800, 600}, {500, 375}},
                      ScaledCase{"ColourBelowFiveEighths", Kind::Colour, {800, 600}, {460, 345}},
                      ScaledCase{"ColourThreeEighths", Kind::Colour, {800, 600}, {300, 225}},
                      ScaledCase{"ColourSevenEighthsOddSides", Kind::Colour, {803, 601}, {650, 500}},
                      ScaledCase{"GreySixEighths", Kind::Grey, {800, 600}, {560, 420}},
                      ScaledCase{"ProgressiveFiveEighths", Kind::Progressive, {800, 600}, {460, 345}}),
    [](const auto& info) { return info.param.name; });

// When an eighth of the frame is exactly the size wanted, that eighth is what
// libjpeg-turbo decodes and nothing is scaled after it.
TEST(EighthsDecodeScaleTest, AnEighthOfExactlyTheWantedSizeIsTheDecode)
{
    const QByteArray bytes = jpegOf(Kind::Colour, {800, 600});
    for (int eighths = 1; eighths < 8; ++eighths) {
        const QSize wanted((800 * eighths + 7) / 8, (600 * eighths + 7) / 8);
        QImage direct(wanted, QImage::Format_RGB32);
        const TurboHandle decompressor(tjInitDecompress());
        ASSERT_EQ(tjDecompress2(decompressor.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                                static_cast<unsigned long>(bytes.size()), direct.bits(), wanted.width(),
                                int(direct.bytesPerLine()), wanted.height(), TJPF_BGRA,
                                TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE),
                  0);
        EXPECT_EQ(DecodeJpegForDisplay(bytes, wanted, JpegScaling::Eighths), direct) << eighths << "/8";
    }
    // Halvings keep to 1/2, 1/4 and 1/8 and smooth the rest of the way.
    EXPECT_NE(DecodeJpegForDisplay(bytes, {500, 375}, JpegScaling::Halvings),
              DecodeJpegForDisplay(bytes, {500, 375}, JpegScaling::Eighths));
}

class FullSizeTest : public ::testing::TestWithParam<Kind> {
protected:
    void TearDown() override { PictureCache::instance().clear(); }
};

TEST_P(FullSizeTest, FullSizeRequestsDecodeExactlyAsBefore)
{
    const QSize full(320, 240);
    const QByteArray bytes = jpegOf(GetParam(), full);
    const QImage reference = readWithQt(bytes);
    ASSERT_EQ(reference.size(), full);

    EXPECT_EQ(DecodeImage(bytes), reference);
    EXPECT_EQ(DecodeImage(bytes, nullptr, full), reference);
    // What libjpeg-turbo makes at full size is the same image.
    EXPECT_EQ(DecodeJpegReduced(bytes, 1), reference.convertToFormat(QImage::Format_RGB32));

    const PicturePtr picture = Picture::fromJpegBytes(bytes);
    ASSERT_TRUE(picture);
    for (const QSize wanted : {QSize(), full, QSize(321, 240), full * 3}) {
        const QImage cached = PictureCache::instance().image(*picture, wanted);
        EXPECT_EQ(cached, reference.convertToFormat(QImage::Format_RGB32))
            << wanted.width() << "x" << wanted.height();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FullSizeTest, ::testing::Values(Kind::Colour, Kind::Grey, Kind::Progressive),
                         [](const auto& info) {
                             switch (info.param) {
                             case Kind::Colour: return "Colour";
                             case Kind::Grey: return "Grey";
                             case Kind::Progressive: return "Progressive";
                             }
                             return "Unknown";
                         });

TEST(ScaledDecodeFallbackTest, CmykTakesQtsReader)
{
    const QByteArray bytes = cmykJpeg({160, 120});
    ASSERT_EQ(colourSpaceOf(bytes), TJCS_YCCK);
    EXPECT_TRUE(DecodeJpegReduced(bytes, 4).isNull());
    EXPECT_TRUE(DecodeJpegForDisplay(bytes, {40, 30}).isNull());

    QByteArray format;
    const QImage decoded = DecodeImage(bytes, &format, {40, 30});
    ASSERT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_EQ(format, "jpeg");
    EXPECT_EQ(decoded, readWithQt(bytes, {40, 30}));
}

// Where in a stream the damage lies, by marker.
qsizetype offsetOfMarker(const QByteArray& bytes, unsigned char marker)
{
    qsizetype i = 2;
    while (i + 4 <= bytes.size() && quint8(bytes[i]) == 0xFF) {
        if (quint8(bytes[i + 1]) == marker)
            return i;
        i += 2 + (quint8(bytes[i + 2]) << 8 | quint8(bytes[i + 3]));
    }
    ADD_FAILURE() << "no marker " << int(marker);
    return -1;
}

QByteArray photo()
{
    return jpegOf(Kind::Colour, {800, 600});
}

QByteArray cutInHeader()
{
    const QByteArray bytes = photo();
    return bytes.left(offsetOfMarker(bytes, 0xDA) - 40);
}

QByteArray bogusHuffmanTable()
{
    QByteArray bytes = photo();
    const qsizetype table = offsetOfMarker(bytes, 0xC4);
    // Code counts whose sum overflows the table.
    for (int i = 0; i < 16; ++i)
        bytes[table + 5 + i] = char(0xFF);
    return bytes;
}

QByteArray unknownMarkerInScan()
{
    QByteArray bytes = photo();
    const qsizetype middle = offsetOfMarker(bytes, 0xDA) + (bytes.size() - offsetOfMarker(bytes, 0xDA)) / 2;
    bytes[middle] = char(0xFF);
    bytes[middle + 1] = char(0x4F);
    return bytes;
}

QByteArray startOfImageOnly()
{
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(200, '\0');
}

struct Broken {
    const char* name;
    QByteArray (*bytes)();
};

void PrintTo(const Broken& b, std::ostream* os)
{
    *os << b.name;
}

class BrokenJpegTest : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenJpegTest, FailsCleanly)
{
    const QByteArray bytes = GetParam().bytes();
    for (const int reduction : {1, 2, 4, 8})
        EXPECT_TRUE(DecodeJpegReduced(bytes, reduction).isNull()) << reduction;
    EXPECT_TRUE(DecodeJpegForDisplay(bytes, {100, 75}).isNull());
    EXPECT_TRUE(DecodeImage(bytes, nullptr, {100, 75}).isNull());
    EXPECT_TRUE(DecodeImage(bytes).isNull());
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenJpegTest,
                         ::testing::Values(Broken{"CutInHeader", cutInHeader},
                                           Broken{"BogusHuffmanTable", bogusHuffmanTable},
                                           Broken{"UnknownMarkerInScan", unknownMarkerInScan},
                                           Broken{"StartOfImageOnly", startOfImageOnly},
                                           Broken{"HeaderClaimsGigapixels", [] { return JpegClaiming(40000, 40000); }},
                                           Broken{"HeaderClaimsLongestSidePlusOne",
                                                  [] { return JpegClaiming(65501, 16); }}),
                         [](const auto& info) { return info.param.name; });

// A scan cut short is left to Qt's reader, which shows it as far as it goes,
// as it always did.
TEST(ScaledDecodeTruncationTest, ScanCutShortShowsTheTopAsQtsReaderDoes)
{
    const QByteArray whole = photo();
    const qsizetype scan = offsetOfMarker(whole, 0xDA);
    const QByteArray cut = whole.left(scan + (whole.size() - scan) * 3 / 4);
    const QSize wanted(200, 150);

    EXPECT_TRUE(DecodeJpegForDisplay(cut, wanted).isNull());
    const QImage decoded = DecodeImage(cut, nullptr, wanted);
    ASSERT_EQ(decoded.size(), wanted);
    EXPECT_EQ(decoded, readWithQt(cut, wanted));
    const QImage complete = DecodeImage(whole, nullptr, wanted);
    const QImage top = decoded.copy(0, 0, wanted.width(), wanted.height() / 3);
    EXPECT_LE(compare(top, complete.copy(top.rect())).mean, 1.5);
}

} // namespace
} // namespace vq::test
