// Writing bitmaps in the eight BMP pixel formats, read back byte by byte, by
// Qt and by ImageMagick.
#include "imaging/BmpWriter.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vq::test {
namespace {

[[nodiscard]] std::uint32_t U16(const QByteArray& b, qsizetype at)
{
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8;
}

[[nodiscard]] std::uint32_t U32(const QByteArray& b, qsizetype at)
{
    return U16(b, at) | U16(b, at + 2) << 16;
}

// The fields of the file and info headers that the format fixes.
struct BmpFields {
    std::uint32_t fileSize, reserved, offset, infoSize, width, height, planes, bits, compression, imageSize;
};

[[nodiscard]] BmpFields Fields(const QByteArray& b)
{
    return {U32(b, 2), U32(b, 6), U32(b, 10), U32(b, 14), U32(b, 18), U32(b, 22),
            U16(b, 26), U16(b, 28), U32(b, 30), U32(b, 34)};
}

// Decodes an RLE8 or RLE4 stream strictly by the published format: every row
// but the last ends with end-of-line, the last with end-of-bitmap and nothing
// after it, no run crosses the row's end, absolute blocks hold three or more
// pixels and end on a 16-bit boundary with zero padding. Returns the indices
// top row first, or the reason the stream is refused.
struct RleResult {
    std::vector<std::uint8_t> indices;
    std::string error;
};

RleResult DecodeRle(const QByteArray& s, int bits, int width, int height)
{
    RleResult r;
    r.indices.assign(size_t(width) * size_t(height), 0);
    const auto at = [&](qsizetype i) { return int(std::uint8_t(s[i])); };
    qsizetype pos = 0;
    for (int y = height - 1; y >= 0; --y) {
        int x = 0;
        const auto put = [&](int index) {
            if (x >= width)
                return false;
            r.indices[size_t(y) * size_t(width) + size_t(x++)] = std::uint8_t(index);
            return true;
        };
        for (;;) {
            if (pos + 2 > s.size())
                return {{}, "stream ends inside row " + std::to_string(y)};
            const int a = at(pos);
            const int b = at(pos + 1);
            pos += 2;
            if (a > 0) {
                for (int i = 0; i < a; ++i)
                    if (!put(bits == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 15)))
                        return {{}, "run past the row end"};
                continue;
            }
            if (b == 0 || b == 1) {
                if (x != width)
                    return {{}, "row " + std::to_string(y) + " ends at " + std::to_string(x)};
                if ((b == 1) != (y == 0))
                    return {{}, "end code " + std::to_string(b) + " on row " + std::to_string(y)};
                break;
            }
            if (b == 2)
                return {{}, "delta code"};
            const qsizetype bytes = bits == 8 ? b : (b + 1) / 2;
            const qsizetype padded = bytes + bytes % 2;
            if (pos + padded > s.size())
                return {{}, "absolute block past the end"};
            for (int i = 0; i < b; ++i) {
                const int byte = at(pos + (bits == 8 ? i : i / 2));
                if (!put(bits == 8 ? byte : (i % 2 == 0 ? byte >> 4 : byte & 15)))
                    return {{}, "absolute block past the row end"};
            }
            if (bytes % 2 && at(pos + bytes) != 0)
                return {{}, "non-zero padding"};
            pos += padded;
        }
    }
    if (pos != s.size())
        return {{}, "bytes after end-of-bitmap"};
    return r;
}

// Colours every format but monochrome keeps exactly: eight, so they fit a
// 16-entry table, arranged so rows differ and runs of every length appear.
constexpr QRgb kColours[] = {0xFF000000, 0xFFFFFFFF, 0xFFD02020, 0xFF20C040,
                             0xFF2030D0, 0xFFF0F0F0, 0xFFFFFF00, 0xFF808080};

QImage KnownColours(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, kColours[(x / (y % 3 + 1) + y) % 8]);
    return image;
}

// Black and white only, which error diffusion leaves exactly as it is.
QImage KnownMonochrome(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x * (y + 1)) % 3 == 0 ? 0xFF000000 : 0xFFFFFFFF);
    return image;
}

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (width - 1), (x + 2 * y) * 255 / (width + 2 * height - 3),
                                      y * 255 / (height - 1)));
    return image;
}

bool HaveImageMagick()
{
    return !QStandardPaths::findExecutable(QStringLiteral("identify")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
}

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The picture as ImageMagick decodes it, through its text pixel listing.
QImage ReadByImageMagick(const QString& path, int width, int height)
{
    const QString text = RunTool(QStringLiteral("convert"), {path, QStringLiteral("-depth"), QStringLiteral("8"),
                                                        QStringLiteral("txt:-")});
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    static const QRegularExpression line(QStringLiteral("^(\\d+),(\\d+):.*#([0-9A-Fa-f]{6})"),
                                         QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = line.globalMatch(text); it.hasNext(); ++count) {
        const auto m = it.next();
        image.setPixel(m.captured(1).toInt(), m.captured(2).toInt(), 0xFF000000u | m.captured(3).toUInt(nullptr, 16));
    }
    EXPECT_EQ(count, width * height);
    return image;
}

class BmpWriterTest : public IsolatedTest {
protected:
    [[nodiscard]] QString file(const QString& name) const { return QDir(filesDir()).filePath(name); }

    // Writes as the export does, showing what the writer reported.
    bool writeBmp(const QString& path, int format, const QImage& image)
    {
        Report failure;
        const bool written = WriteBmpFile(path, format, image, &failure);
        prompter.show(failure);
        return written;
    }

    QByteArray writeAndRead(const QImage& image, int format, const QString& name)
    {
        const QString path = file(name);
        EXPECT_TRUE(writeBmp(path, format, image)) << "format " << format;
        EXPECT_TRUE(prompter.messageIds().isEmpty());
        return ReadBytes(path);
    }

    ScriptedPrompter prompter;
};

struct FormatCase {
    int format;
    int bits;
    std::uint32_t compression;
    std::uint32_t offset;
    int tolerance;           // colour error the format allows for our known colours
    const char* imCompression; // as ImageMagick names it; empty for bit fields
    int imDepth;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << "format " << c.format;
}

const FormatCase kFormats[] = {
    {kBmpMono, 1, 0, 62, 0, "None", 1},
    {kBmp16, 4, 0, 118, 0, "None", 4},
    {kBmp16Rle, 4, 2, 118, 0, "RLE", 4},
    {kBmp256, 8, 0, 1078, 0, "None", 8},
    {kBmp256Rle, 8, 1, 1078, 0, "RLE", 8},
    {kBmpHighColour, 16, 3, 66, 8, "", 8},
    {kBmpTrueColour, 24, 0, 54, 0, "None", 8},
    {kBmp32, 32, 3, 66, 0, "", 8},
};

class BmpFormatTest : public BmpWriterTest, public ::testing::WithParamInterface<FormatCase> {
protected:
    static constexpr int kWidth = 13; // odd, so every format pads its rows
    static constexpr int kHeight = 7;

    [[nodiscard]] QImage source() const
    {
        return GetParam().format == kBmpMono ? KnownMonochrome(kWidth, kHeight) : KnownColours(kWidth, kHeight);
    }
};

TEST_P(BmpFormatTest, HeadersDescribeWhatWasWritten)
{
    const FormatCase& c = GetParam();
    const QByteArray bytes = writeAndRead(source(), c.format, QStringLiteral("known.bmp"));
    ASSERT_GT(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    const BmpFields f = Fields(bytes);
    EXPECT_EQ(f.fileSize, std::uint32_t(bytes.size()));
    EXPECT_EQ(f.reserved, 0u);
    EXPECT_EQ(f.offset, c.offset);
    EXPECT_EQ(f.infoSize, 40u);
    EXPECT_EQ(f.width, std::uint32_t(kWidth));
    EXPECT_EQ(f.height, std::uint32_t(kHeight)); // positive: bottom-up
    EXPECT_EQ(f.planes, 1u);
    EXPECT_EQ(f.bits, std::uint32_t(c.bits));
    EXPECT_EQ(f.compression, c.compression);
    EXPECT_EQ(f.imageSize, std::uint32_t(bytes.size()) - c.offset);
    if (c.compression == 0 || c.compression == 3) {
        EXPECT_EQ(f.imageSize, std::uint32_t((c.bits * kWidth + 31) / 32 * 4 * kHeight));
    }
    if (c.bits <= 8) {
        // Colour table entries are blue, green, red and a zero byte.
        for (std::uint32_t at = 54; at < c.offset; at += 4)
            EXPECT_EQ(bytes[at + 3], '\0') << "entry at " << at;
    }
}

TEST_P(BmpFormatTest, QtReadsTheColoursBack)
{
    const FormatCase& c = GetParam();
    const QImage image = source();
    const QString path = file(QStringLiteral("known.bmp"));
    ASSERT_TRUE(writeBmp(path, c.format, image));
    const QImage back(path);
    ASSERT_EQ(back.size(), image.size());
    EXPECT_LE(test::largestChannelDifference(back, image), c.tolerance);
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

TEST_P(BmpFormatTest, ImageMagickReadsTheColoursBack)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    const FormatCase& c = GetParam();
    const QImage image = source();
    const QString path = file(QStringLiteral("known.bmp"));
    ASSERT_TRUE(writeBmp(path, c.format, image));

    const QStringList described =
        RunTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m %w %h %z %C"), path})
            .split(QLatin1Char(' '));
    ASSERT_EQ(described.size(), 5) << described.join(' ').toStdString();
    EXPECT_TRUE(described[0].startsWith(QLatin1String("BMP")));
    EXPECT_EQ(described[1].toInt(), kWidth);
    EXPECT_EQ(described[2].toInt(), kHeight);
    EXPECT_EQ(described[3].toInt(), c.imDepth);
    if (*c.imCompression) {
        EXPECT_EQ(described[4], QLatin1String(c.imCompression));
    } else {
        EXPECT_NE(described[4], QLatin1String("RLE"));
    }

    EXPECT_LE(test::largestChannelDifference(ReadByImageMagick(path, kWidth, kHeight), image), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpFormatTest, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             return "Format" + std::to_string(info.param.format);
                         });

// Sizes and offsets that follow from the layout alone.
struct SizeCase {
    int format;
    int width, height;
    std::uint32_t offset, imageSize, fileSize;
};

void PrintTo(const SizeCase& c, std::ostream* os)
{
    *os << "format " << c.format << " " << c.width << "x" << c.height;
}

class BmpSizeTest : public BmpWriterTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(BmpSizeTest, LayoutFollowsTheFormat)
{
    const SizeCase& c = GetParam();
    const QImage image = QuadrantImage(c.width, c.height);
    const QByteArray bytes = writeAndRead(image, c.format, QStringLiteral("size.bmp"));
    EXPECT_EQ(std::uint32_t(bytes.size()), c.fileSize);
    const BmpFields f = Fields(bytes);
    EXPECT_EQ(f.fileSize, c.fileSize);
    EXPECT_EQ(f.offset, c.offset);
    EXPECT_EQ(f.imageSize, c.imageSize);
    const QImage back(file(QStringLiteral("size.bmp")));
    EXPECT_EQ(back.size(), image.size());
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpSizeTest,
                         ::testing::Values(SizeCase{kBmpTrueColour, 1000, 1000, 54, 3000000, 3000054},
                                           // 1000 bits padded to 1024: rows of 128 bytes
                                           SizeCase{kBmpMono, 1000, 1000, 62, 128000, 128062},
                                           SizeCase{kBmpTrueColour, 1, 3, 54, 12, 66},
                                           SizeCase{kBmpMono, 33, 2, 62, 16, 78},
                                           SizeCase{kBmp16, 9, 2, 118, 16, 134},
                                           SizeCase{kBmp256, 5, 2, 1078, 16, 1094},
                                           SizeCase{kBmpHighColour, 3, 2, 66, 16, 82},
                                           SizeCase{kBmp32, 3, 2, 66, 24, 90}));

// Exact pixel bytes of tiny pictures: bottom row first, rows padded with zeros.
struct RawCase {
    int format;
    std::vector<std::vector<QRgb>> rows; // top row first
    QByteArray table;                    // bytes from offset 54 to the pixels
    QByteArray pixels;
};

void PrintTo(const RawCase& c, std::ostream* os)
{
    *os << "format " << c.format;
}

class BmpRawTest : public BmpWriterTest, public ::testing::WithParamInterface<RawCase> {};

TEST_P(BmpRawTest, PixelBytesAreExact)
{
    const RawCase& c = GetParam();
    QImage image(int(c.rows[0].size()), int(c.rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, c.rows[size_t(y)][size_t(x)]);
    const QByteArray bytes = writeAndRead(image, c.format, QStringLiteral("raw.bmp"));
    const std::uint32_t offset = Fields(bytes).offset;
    EXPECT_EQ(bytes.mid(54, offset - 54).toHex(' '), c.table.toHex(' '));
    EXPECT_EQ(bytes.mid(offset).toHex(' '), c.pixels.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, BmpRawTest,
    ::testing::Values(
        RawCase{kBmpTrueColour,
                {{0xFFFF0000}, {0xFF00FF00}, {0xFF0000FF}},
                {},
                QByteArray::fromHex("ff000000 00ff0000 0000ff00")},
        // Masks red, green, blue; the byte outside them is zero.
        RawCase{kBmp32,
                {{0xFF010203}, {0xFF040506}},
                QByteArray::fromHex("0000ff00 00ff0000 ff000000"),
                QByteArray::fromHex("06050400 03020100")},
        // 5-6-5, rounded to the nearest level.
        RawCase{kBmpHighColour,
                {{0xFFFF0000, 0xFF0000FF, 0xFF00FF00}, {0xFF080408, 0xFFFFFFFF, 0xFF000000}},
                QByteArray::fromHex("00f80000 e0070000 1f000000"),
                QByteArray::fromHex("2108ffff00000000 00f81f00e0070000")},
        // Index 0 black, 1 white; the first pixel is the high bit.
        RawCase{kBmpMono,
                {std::vector<QRgb>(9, 0xFFFFFFFF),
                 {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                  0xFFFFFFFF}},
                QByteArray::fromHex("00000000 ffffff00"),
                QByteArray::fromHex("80800000 ff800000")}));

// Pictures that exercise the run-length encoders: runs longer than a count
// byte holds, absolute blocks of odd and even lengths, alternating pairs,
// single pixels at the row ends and one-pixel-wide pictures.
struct RleCase {
    const char* name;
    int width, height;
    int pattern; // see RlePicture
};

void PrintTo(const RleCase& c, std::ostream* os)
{
    *os << c.name;
}

QImage RlePicture(const RleCase& c)
{
    QImage image(c.width, c.height, QImage::Format_RGB32);
    QRandomGenerator random(c.width * 31 + c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            int index = 0;
            switch (c.pattern) {
            case 0: index = 3; break;                                         // flat
            case 1: index = int(random.bounded(8)); break;                    // noise
            case 2: index = (x % 2) ? 2 : 5; break;                           // alternating pair
            case 3: index = (x / (y + 3)) % 8; break;                         // runs of growing length
            case 4: index = (x % 17 < 9) ? int(random.bounded(8)) : 6; break; // noise between runs
            default: index = (x * x + y) % 8; break;
            }
            image.setPixel(x, y, kColours[index]);
        }
    return image;
}

class BmpRleTest : public BmpWriterTest, public ::testing::WithParamInterface<std::tuple<int, RleCase>> {};

TEST_P(BmpRleTest, StreamIsValidAndDecodesToThePicture)
{
    const auto& [format, c] = GetParam();
    const int bits = format == kBmp16Rle ? 4 : 8;
    const QImage image = RlePicture(c);
    const QByteArray bytes = writeAndRead(image, format, QStringLiteral("rle.bmp"));
    const BmpFields f = Fields(bytes);
    ASSERT_EQ(f.fileSize, std::uint32_t(bytes.size()));
    ASSERT_EQ(f.offset + f.imageSize, f.fileSize);
    EXPECT_EQ(f.compression, bits == 4 ? 2u : 1u);

    const RleResult decoded = DecodeRle(bytes.mid(f.offset), bits, c.width, c.height);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    int wrong = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const qsizetype entry = 54 + 4 * qsizetype(decoded.indices[size_t(y) * size_t(c.width) + size_t(x)]);
            const QRgb colour = qRgb(std::uint8_t(bytes[entry + 2]), std::uint8_t(bytes[entry + 1]),
                                     std::uint8_t(bytes[entry]));
            wrong += colour != image.pixel(x, y);
        }
    EXPECT_EQ(wrong, 0);

    EXPECT_EQ(test::largestChannelDifference(QImage(file(QStringLiteral("rle.bmp"))), image), 0);
    if (HaveImageMagick()) {
        EXPECT_EQ(test::largestChannelDifference(ReadByImageMagick(file(QStringLiteral("rle.bmp")), c.width, c.height), image), 0);
    }
}

const RleCase kRleCases[] = {
    {"Flat", 600, 5, 0},       {"Noise", 517, 9, 1},        {"NoiseOneWide", 1, 6, 1},
    {"NoiseTwoWide", 2, 5, 1}, {"NoiseThreeWide", 3, 4, 1}, {"Alternating", 301, 4, 2},
    {"Runs", 256, 12, 3},      {"Mixed", 255, 7, 4},        {"Scatter", 70, 8, 5},
    {"OnePixel", 1, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Streams, BmpRleTest,
                         ::testing::Combine(::testing::Values(int(kBmp16Rle), int(kBmp256Rle)),
                                            ::testing::ValuesIn(kRleCases)),
                         [](const ::testing::TestParamInfo<std::tuple<int, RleCase>>& info) {
                             return std::string(std::get<0>(info.param) == kBmp16Rle ? "Rle4" : "Rle8")
                                 + std::get<1>(info.param).name;
                         });

TEST_F(BmpWriterTest, RunLengthFormatsCompressFlatAreas)
{
    const QImage flat = RlePicture({"Flat", 600, 50, 0});
    for (const int format : {int(kBmp16Rle), int(kBmp256Rle)}) {
        // Per row: runs of 255, 255 and 90 and an end code.
        const QByteArray bytes = writeAndRead(flat, format, QStringLiteral("flat.bmp"));
        EXPECT_EQ(Fields(bytes).imageSize, 8u * 50u) << "format " << format;
    }
}

// Mean channel difference of 8 × 8 block averages: what the eye sees of a
// dithered picture, where single pixels may stray far by design.
double BlockError(const QImage& a, const QImage& b)
{
    double error = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= a.height(); by += 8)
        for (int bx = 0; bx + 8 <= a.width(); bx += 8, ++blocks) {
            int sums[2][3] = {};
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x)
                    for (int i = 0; i < 2; ++i) {
                        const QRgb p = (i ? b : a).pixel(x, y);
                        sums[i][0] += qRed(p);
                        sums[i][1] += qGreen(p);
                        sums[i][2] += qBlue(p);
                    }
            for (int c = 0; c < 3; ++c)
                error += std::abs(sums[0][c] - sums[1][c]) / 64.0;
        }
    return error / (3.0 * blocks);
}

TEST_F(BmpWriterTest, PalettesFitThePicture)
{
    const QImage image = Gradient(256, 64);
    struct Expectation {
        int format;
        int maxColours, minColours;
        double maxBlockError;
    };
    for (const Expectation& e : {Expectation{kBmp256, 256, 100, 1.5}, Expectation{kBmp256Rle, 256, 100, 1.5},
                                 Expectation{kBmp16, 16, 12, 8.0}, Expectation{kBmp16Rle, 16, 12, 8.0}}) {
        const QString path = file(QStringLiteral("gradient%1.bmp").arg(e.format));
        ASSERT_TRUE(writeBmp(path, e.format, image));
        const QImage back(path);
        ASSERT_EQ(back.size(), image.size());
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(back.pixel(x, y));
        EXPECT_LE(colours.size(), e.maxColours) << "format " << e.format;
        EXPECT_GE(colours.size(), e.minColours) << "format " << e.format;
        EXPECT_LT(BlockError(back, image), e.maxBlockError) << "format " << e.format;
    }
}

TEST_F(BmpWriterTest, MonochromeDiffusesGreyIntoDotsOfTheSameBrightness)
{
    // A ramp from black to white: a threshold would give two flat halves,
    // diffusion gives every 16 × 16 block the brightness it had.
    QImage ramp(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            ramp.setPixel(x, y, qRgb(x, x, x));
    const QString path = file(QStringLiteral("ramp.bmp"));
    ASSERT_TRUE(writeBmp(path, kBmpMono, ramp));
    const QImage back(path);
    ASSERT_EQ(back.size(), ramp.size());
    for (int by = 0; by < 64; by += 16)
        for (int bx = 0; bx < 256; bx += 16) {
            int sum = 0;
            int expected = 0;
            for (int y = by; y < by + 16; ++y)
                for (int x = bx; x < bx + 16; ++x) {
                    const QRgb p = back.pixel(x, y);
                    EXPECT_TRUE(p == 0xFF000000 || p == 0xFFFFFFFF);
                    sum += qRed(p);
                    expected += x;
                }
            EXPECT_NEAR(sum / 256, expected / 256, 20) << "block at " << bx << "," << by;
        }
}

TEST_F(BmpWriterTest, TransparencyBecomesWhitePaper)
{
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(qRgba(200, 40, 40, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(0, 0, 255, 128));
    for (const int format : {int(kBmpTrueColour), int(kBmp32), int(kBmp256)}) {
        const QString path = file(QStringLiteral("alpha.bmp"));
        ASSERT_TRUE(writeBmp(path, format, image));
        const QImage back(path);
        ASSERT_EQ(back.size(), image.size());
        EXPECT_FALSE(back.hasAlphaChannel());
        EXPECT_EQ(back.pixel(0, 0), 0xFFFFFFFFu) << "format " << format;
        EXPECT_TRUE(Near(back.pixel(1, 0), qRgb(127, 127, 255), 2)) << "format " << format;
        EXPECT_EQ(back.pixel(2, 1), qRgb(200, 40, 40)) << "format " << format;
    }
}

TEST_F(BmpWriterTest, LargeCanvasKeepsItsCorners)
{
    const QImage image = QuadrantImage(2001, 1501);
    for (const int format : {int(kBmpTrueColour), int(kBmp32), int(kBmpHighColour)}) {
        const QString path = file(QStringLiteral("large.bmp"));
        ASSERT_TRUE(writeBmp(path, format, image));
        const QImage back(path);
        ASSERT_EQ(back.size(), image.size());
        const Quadrants q = SampleQuadrants(back);
        EXPECT_TRUE(Near(q.topLeft, kTopLeft, 8));
        EXPECT_TRUE(Near(q.topRight, kTopRight, 8));
        EXPECT_TRUE(Near(q.bottomLeft, kBottomLeft, 8));
        EXPECT_TRUE(Near(q.bottomRight, kBottomRight, 8));
    }
}

// Failures name the step before message 30025 and leave nothing behind.
TEST_F(BmpWriterTest, RefusedRequestsNameTheHeaderStep)
{
    const QString path = file(QStringLiteral("refused.bmp"));
    EXPECT_FALSE(writeBmp(path, kBmpTrueColour, QImage()));
    EXPECT_FALSE(writeBmp(path, 0, QuadrantImage(4, 4)));
    EXPECT_FALSE(writeBmp(path, 9, QuadrantImage(4, 4)));
    ASSERT_EQ(prompter.messageIds(), (QList<int>{30025, 30025, 30025}));
    for (const MessageRequest& m : prompter.messages) {
        EXPECT_EQ(m.prefix, QStringLiteral("BITMAPINFOHEADER取得エラー\n"));
        EXPECT_EQ(m.style, kStyleError);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(BmpWriterTest, UnopenableTargetsNameTheOpenStep)
{
    const QString folder = file(QStringLiteral("folder.bmp"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& path : {file(QStringLiteral("no/such.bmp")), folder}) {
        prompter.messages.clear();
        EXPECT_FALSE(writeBmp(path, kBmpTrueColour, QuadrantImage(4, 4)));
        ASSERT_EQ(prompter.messageIds(), QList<int>{30025}) << path.toStdString();
        EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("ファイルオープンエラー\n"));
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files), QStringList{});
}

TEST_F(BmpWriterTest, AFailedWriteLeavesTheEarlierFileWhole)
{
    const QString path = file(QStringLiteral("keep.bmp"));
    ASSERT_TRUE(WriteBytes(path, "earlier"));
    for (const int format : {int(kBmpTrueColour), int(kBmp256Rle)}) {
        prompter.messages.clear();
        // Writes past 4000 bytes fail, so no format of this picture can complete.
        struct rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QRandomGenerator random(7);
        QImage noise(200, 100, QImage::Format_RGB32);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                noise.setPixel(x, y, 0xFF000000u | random.bounded(0x1000000u));
        const bool written = writeBmp(path, format, noise);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_FALSE(written);
        ASSERT_EQ(prompter.messageIds(), QList<int>{30025});
        EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("ビット配列書き込みエラー\n"));
        EXPECT_EQ(ReadBytes(path), QByteArray("earlier"));
        EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.bmp")});
    }

    // A successful write replaces it whole.
    prompter.messages.clear();
    ASSERT_TRUE(writeBmp(path, kBmpTrueColour, QuadrantImage(8, 8)));
    EXPECT_EQ(QImage(path).size(), QSize(8, 8));
    EXPECT_EQ(ReadBytes(path).size(), 54 + 8 * 24);
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

} // namespace
} // namespace vq::test
