// Loading image files as pictures: JPEG kept as read, other formats re-encoded,
// and hostile or broken files refused without crashing or over-allocating.
#include "imaging/Codec.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/Picture.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QStringList>

#include <cstring>
#include <functional>

namespace vq::test {
namespace {

class LoadPictureTest : public IsolatedTest {
protected:
    [[nodiscard]] QString file(const QString& name) const { return QDir(filesDir()).filePath(name); }
    QString put(const QString& name, const QByteArray& bytes)
    {
        const QString path = file(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }

    ScriptedPrompter prompter;
};

// A BMP header's sides and depth are the file's word: absurd ones are refused
// as incomplete, whatever their product would come to.
TEST(BmpCompleteness, ForgedSidesAreRefusedAndARealFileIsWhole)
{
    QByteArray real;
    QBuffer buffer(&real);
    buffer.open(QIODevice::WriteOnly);
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    EXPECT_TRUE(IsCompleteBmp(real));

    QByteArray forged = real;
    const auto put32 = [&forged](int at, quint32 v) {
        for (int k = 0; k < 4; ++k)
            forged[at + k] = char((v >> (8 * k)) & 0xFF);
    };
    put32(18, 0x0A000800u);                  // width
    put32(22, 0x80000000u);                  // height: the most negative
    forged[28] = char(0xFF);                 // bits per pixel: 65535
    forged[29] = char(0xFF);
    EXPECT_FALSE(IsCompleteBmp(forged));
}

TEST_F(LoadPictureTest, JpegKeepsFileBytesAndTakesSizeFromHeader)
{
    const QByteArray jpeg = Encode(QuadrantImage(120, 80), "jpeg");
    const QString path = put(QStringLiteral("photo.jpg"), jpeg);

    for (const QString& type : {QStringLiteral("jpeg"), QStringLiteral("JPEG")}) {
        const auto loaded = LoadPicture(path, type);
        ASSERT_TRUE(loaded) << type.toStdString();
        EXPECT_EQ(loaded->picture->bytes(), jpeg);
        EXPECT_EQ(loaded->width, 120);
        EXPECT_EQ(loaded->height, 80);
        EXPECT_EQ(loaded->dataSize, jpeg.size());
    }
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

TEST_F(LoadPictureTest, JpegWithDataAfterEndMarkerIsKept)
{
    // Some cameras append their own data after the image.
    const QByteArray jpeg = Encode(QuadrantImage(40, 30), "jpeg") + QByteArray(300, 'x');
    const auto loaded = LoadPicture(put(QStringLiteral("tail.jpg"), jpeg), QStringLiteral("jpeg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->picture->bytes(), jpeg);
}

class LoadOtherTypeTest : public LoadPictureTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LoadOtherTypeTest, ReencodesAsJpegKeepingPixelsAndFileSize)
{
    const QString type = QString::fromLatin1(GetParam());
    const QByteArray original = Encode(QuadrantImage(90, 60), GetParam());
    ASSERT_FALSE(original.isEmpty());
    const QString path = put(QStringLiteral("image.") + type, original);

    const auto loaded = LoadPicture(path, type);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width, 90);
    EXPECT_EQ(loaded->height, 60);
    EXPECT_EQ(loaded->dataSize, QFileInfo(path).size());
    EXPECT_TRUE(IsCompleteJpeg(loaded->picture->bytes()));

    const QImage decoded = DecodeJpeg(loaded->picture->bytes());
    ASSERT_EQ(decoded.size(), QSize(90, 60));
    const Quadrants q = SampleQuadrants(decoded);
    EXPECT_TRUE(Near(q.topLeft, kTopLeft));
    EXPECT_TRUE(Near(q.topRight, kTopRight));
    EXPECT_TRUE(Near(q.bottomLeft, kBottomLeft));
    EXPECT_TRUE(Near(q.bottomRight, kBottomRight));
}

INSTANTIATE_TEST_SUITE_P(Types, LoadOtherTypeTest, ::testing::Values("gif", "bmp", "png", "tiff"));

TEST_F(LoadPictureTest, TransparentAreasTakeTheTopLeftColour)
{
    const QRgb corner = qRgba(30, 200, 90, 0); // transparent, but its colour is stored
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(qRgba(255, 0, 255, 0));         // transparent with a colour that must not show
    for (int y = 0; y < 30; ++y)
        for (int x = 20; x < 40; ++x)
            image.setPixel(x, y, y < 15 ? qRgba(0, 0, 255, 255) : qRgba(255, 255, 255, 128));
    image.setPixel(0, 0, corner);

    const auto loaded = LoadPicture(put(QStringLiteral("alpha.png"), Encode(image, "png")), QStringLiteral("png"));
    ASSERT_TRUE(loaded);
    const QImage decoded = DecodeJpeg(loaded->picture->bytes());
    ASSERT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_TRUE(Near(decoded.pixel(10, 20), qRgb(30, 200, 90), 4));          // fully transparent
    EXPECT_TRUE(Near(decoded.pixel(30, 5), qRgb(0, 0, 255), 4));            // opaque stays
    EXPECT_TRUE(Near(decoded.pixel(30, 25), qRgb(143, 228, 173), 4));       // half white over the corner
}

TEST_F(LoadPictureTest, ContentDecidesWhenTheNameLies)
{
    const QByteArray png = Encode(QuadrantImage(50, 40), "png");
    const QByteArray jpeg = Encode(QuadrantImage(50, 40), "jpeg");

    // PNG data under GIF and JPEG names is decoded and re-encoded.
    for (const auto& [name, type] : {std::pair{"png.gif", "gif"}, std::pair{"png.jpg", "jpeg"}}) {
        const auto loaded = LoadPicture(put(QString::fromLatin1(name), png), QString::fromLatin1(type));
        ASSERT_TRUE(loaded) << name;
        EXPECT_EQ(loaded->width, 50);
        EXPECT_EQ(loaded->dataSize, png.size());
        EXPECT_TRUE(IsCompleteJpeg(loaded->picture->bytes())) << name;
    }
    // JPEG data under a PNG name is still kept byte for byte.
    const auto kept = LoadPicture(put(QStringLiteral("jpeg.png"), jpeg), QStringLiteral("png"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->picture->bytes(), jpeg);
}

// --- Hostile and broken files ----------------------------------------------

QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QDataStream s(&out, QIODevice::Append); // big-endian by default
    auto chunk = [&](const char* type, const QByteArray& data) {
        const QByteArray typed = QByteArray(type) + data;
        s << quint32(data.size());
        s.writeRawData(typed.constData(), int(typed.size()));
        s << crc32Of(typed);
    };
    QByteArray ihdr;
    QDataStream h(&ihdr, QIODevice::WriteOnly);
    h << width << height << quint8(8) << quint8(2) << quint8(0) << quint8(0) << quint8(0);
    chunk("IHDR", ihdr);
    // One filtered row of one black pixel (enough for the small variant); qCompress
    // prefixes the zlib stream with its own 4-byte length.
    chunk("IDAT", qCompress(QByteArray(4, '\0')).mid(4));
    chunk("IEND", {});
    return out;
}

QByteArray littleEndian(std::initializer_list<std::pair<quint32, int>> fields)
{
    QByteArray out;
    for (const auto& [value, bytes] : fields)
        for (int i = 0; i < bytes; ++i)
            out.append(char(value >> (8 * i)));
    return out;
}

QByteArray bmpClaiming(qint32 width, qint32 height, quint32 compression)
{
    // File header, then a 40-byte info header; 8-bit RLE data is tiny but complete.
    const QByteArray rle("\x00\x01", 2); // end of bitmap
    return littleEndian({{'B' | 'M' << 8, 2}, {54 + 1024 + 2, 4}, {0, 4}, {54 + 1024, 4}, {40, 4},
                         {quint32(width), 4}, {quint32(height), 4}, {1, 2}, {8, 2}, {compression, 4},
                         {quint32(rle.size()), 4}, {2835, 4}, {2835, 4}, {256, 4}, {0, 4}})
        + QByteArray(1024, '\0') + rle;
}

QByteArray gifClaiming(quint16 width, quint16 height)
{
    // A two-colour global table, then one image whose data is the classic
    // single-pixel LZW stream (clear, 0, end).
    return QByteArray("GIF89a", 6)
        + littleEndian({{width, 2}, {height, 2}, {0x80, 1}, {0, 1}, {0, 1}, {0, 3}, {0xFFFFFF, 3}, {0x2C, 1},
                        {0, 2}, {0, 2}, {width, 2}, {height, 2}, {0, 1}, {2, 1}, {2, 1}, {0x44, 1}, {0x01, 1},
                        {0, 1}, {0x3B, 1}});
}

QByteArray tiffClaiming(quint32 width, quint32 height)
{
    // Little-endian TIFF, one IFD of nine entries right after the header.
    const quint32 dataOffset = 8 + 2 + 9 * 12 + 4;
    auto entry = [](quint32 tag, quint32 type, quint32 value) {
        return littleEndian({{tag, 2}, {type, 2}, {1, 4}, {value, 4}});
    };
    constexpr quint32 kShort = 3, kLong = 4;
    return QByteArray("II*\0", 4) + littleEndian({{8, 4}, {9, 2}}) + entry(256, kLong, width)
        + entry(257, kLong, height) + entry(258, kShort, 8) + entry(259, kShort, 1) + entry(262, kShort, 1)
        + entry(273, kLong, dataOffset) + entry(277, kShort, 1) + entry(278, kLong, height)
        + entry(279, kLong, 64) + littleEndian({{0, 4}}) + QByteArray(64, '\x7f');
}

QByteArray ppm()
{
    return QByteArray("P6\n4 4\n255\n") + QByteArray(48, '\x40');
}

struct BadFile {
    const char* name;
    const char* type;
    std::function<QByteArray()> bytes;
};

void PrintTo(const BadFile& bad, std::ostream* os)
{
    *os << bad.name;
}

QByteArray cut(const char* format, double fraction)
{
    const QByteArray whole = Encode(QuadrantImage(90, 60), format);
    return whole.left(qsizetype(whole.size() * fraction));
}

class BadFileTest : public LoadPictureTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFileTest, YieldsNoPicture)
{
    const BadFile& bad = GetParam();
    const QString path = put(QString::fromLatin1(bad.name), bad.bytes());
    EXPECT_FALSE(LoadPicture(path, QString::fromLatin1(bad.type)));
    EXPECT_TRUE(prompter.messageIds().isEmpty()); // callers report
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadFileTest,
    ::testing::Values(
        BadFile{"empty.png", "png", [] { return QByteArray(); }},
        BadFile{"empty.jpg", "jpeg", [] { return QByteArray(); }},
        BadFile{"jpeg_header_only.jpg", "jpeg", [] { return cut("jpeg", 0.1); }},
        BadFile{"jpeg_half.jpg", "jpeg", [] { return cut("jpeg", 0.5); }},
        BadFile{"jpeg_most.jpg", "jpeg", [] { return cut("jpeg", 0.98); }},
        BadFile{"png_half.png", "png", [] { return cut("png", 0.5); }},
        BadFile{"png_most.png", "png", [] { return cut("png", 0.9); }},
        BadFile{"bmp_header.bmp", "bmp", [] { return cut("bmp", 0.002); }},
        BadFile{"bmp_half.bmp", "bmp", [] { return cut("bmp", 0.5); }},
        BadFile{"bmp_most.bmp", "bmp", [] { return cut("bmp", 0.99); }},
        BadFile{"gif_half.gif", "gif", [] { return cut("gif", 0.5); }},
        BadFile{"gif_most.gif", "gif", [] { return cut("gif", 0.95); }},
        BadFile{"tiff_half.tif", "tiff", [] { return cut("tiff", 0.5); }},
        BadFile{"tiff_most.tif", "tiff", [] { return cut("tiff", 0.99); }},
        BadFile{"text.png", "png", [] { return QByteArray("this is not an image\n"); }},
        BadFile{"noise.tif", "tiff", [] { return QByteArray(4096, '\x5a'); }},
        BadFile{"ppm.bmp", "bmp", [] { return ppm(); }},
        BadFile{"png_unknown_type.webp", "webp", [] { return Encode(QuadrantImage(8, 8), "png"); }},
        BadFile{"png_huge.png", "png", [] { return pngClaiming(100000, 100000); }},
        BadFile{"png_too_wide.png", "png", [] { return pngClaiming(70000, 1); }},
        BadFile{"png_too_many_pixels.png", "png", [] { return pngClaiming(20000, 20000); }},
        BadFile{"bmp_huge.bmp", "bmp", [] { return bmpClaiming(100000, 100000, 0); }},
        BadFile{"bmp_rle_huge.bmp", "bmp", [] { return bmpClaiming(100000, 100000, 1); }},
        BadFile{"bmp_rle_top_down_huge.bmp", "bmp", [] { return bmpClaiming(100000, -100000, 1); }},
        BadFile{"gif_huge.gif", "gif", [] { return gifClaiming(65535, 65535); }},
        BadFile{"tiff_huge.tif", "tiff", [] { return tiffClaiming(100000, 100000); }}),
    [](const ::testing::TestParamInfo<BadFile>& info) {
        QString name = QString::fromLatin1(info.param.name);
        name.replace(QLatin1Char('.'), QLatin1Char('_'));
        return name.toStdString();
    });

TEST_F(LoadPictureTest, HandCraftedHeadersAreReadableWhenSmall)
{
    // The crafted headers above must be refused for their size, not for being
    // malformed: the same bytes with a small size load.
    for (const auto& [name, bytes] :
         {std::pair{"small.png", pngClaiming(1, 1)}, std::pair{"small.gif", gifClaiming(1, 1)},
          std::pair{"small.bmp", bmpClaiming(1, 1, 1)}, std::pair{"small.tif", tiffClaiming(8, 8)}}) {
        const QString type = QFileInfo(QString::fromLatin1(name)).suffix().replace(QLatin1String("tif"), QLatin1String("tiff"));
        EXPECT_TRUE(LoadPicture(put(QString::fromLatin1(name), bytes), type)) << name;
    }
}

// --- Large photographs -------------------------------------------------------

// A JPEG is kept without decoding, so its header alone decides: any size
// whose decode we are prepared to hold loads, one more row does not.
struct ClaimedSize {
    const char* name;
    int width;
    int height;
    bool loads;
};

void PrintTo(const ClaimedSize& c, std::ostream* os)
{
    *os << c.width << "x" << c.height;
}

class ClaimedJpegSizeTest : public LoadPictureTest, public ::testing::WithParamInterface<ClaimedSize> {};

TEST_P(ClaimedJpegSizeTest, HeaderArithmeticDecides)
{
    const ClaimedSize& c = GetParam();
    const auto loaded = LoadPicture(put(QString::fromLatin1(c.name) + QStringLiteral(".jpg"),
                                        JpegClaiming(c.width, c.height)),
                                    QStringLiteral("jpeg"));
    ASSERT_EQ(loaded.has_value(), c.loads);
    if (loaded) {
        EXPECT_EQ(loaded->width, c.width);
        EXPECT_EQ(loaded->height, c.height);
    }
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ClaimedJpegSizeTest,
                         ::testing::Values(ClaimedSize{"HundredMegapixels", 12000, 8400, true},
                                           ClaimedSize{"WholeBudget", 16384, 16384, true},
                                           ClaimedSize{"OneRowOverBudget", 16384, 16385, false},
                                           ClaimedSize{"LongestSideDecodersTake", 65500, 100, true},
                                           ClaimedSize{"SideDecodersRefuse", 65501, 100, false},
                                           ClaimedSize{"Gigapixel", 40000, 40000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadPictureTest, HundredMegapixelPhotographDecodesInFull)
{
    // Four bytes a pixel make 400 MB, beyond the 256 MB Qt's readers allow by
    // default. The source goes through a palette so that making it costs a
    // byte a pixel.
    constexpr int kWidth = 12000;
    constexpr int kHeight = 8400;
    QByteArray bytes;
    {
        QImage source(kWidth, kHeight, QImage::Format_Indexed8);
        source.setColorTable({kTopLeft, kTopRight, kBottomLeft, kBottomRight});
        for (int y = 0; y < kHeight; ++y) {
            uchar* line = source.scanLine(y);
            const uchar left = y < kHeight / 2 ? 0 : 2;
            std::memset(line, left, kWidth / 2);
            std::memset(line + kWidth / 2, left + 1, kWidth - kWidth / 2);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        ASSERT_TRUE(writer.write(source));
    }
    const auto loaded = LoadPicture(put(QStringLiteral("hundred.jpg"), bytes), QStringLiteral("jpeg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width, kWidth);
    EXPECT_EQ(loaded->height, kHeight);

    const QImage full = loaded->picture->image();
    ASSERT_EQ(full.size(), QSize(kWidth, kHeight));
    const Quadrants q = SampleQuadrants(full);
    EXPECT_TRUE(Near(q.topLeft, kTopLeft));
    EXPECT_TRUE(Near(q.topRight, kTopRight));
    EXPECT_TRUE(Near(q.bottomLeft, kBottomLeft));
    EXPECT_TRUE(Near(q.bottomRight, kBottomRight));
    EXPECT_FALSE(loaded->picture->undecodable());
}

// The warnings Qt's image readers print while a test runs.
class ReaderWarnings {
public:
    ReaderWarnings() { s_previous = qInstallMessageHandler(&ReaderWarnings::collect); }
    ~ReaderWarnings()
    {
        qInstallMessageHandler(s_previous);
        s_messages.clear();
    }
    ReaderWarnings(const ReaderWarnings&) = delete;
    ReaderWarnings& operator=(const ReaderWarnings&) = delete;

    // What a decoder prints when it gets as far as sizing its image and
    // finds it over the allocation limit.
    [[nodiscard]] QStringList allocationRefusals() const
    {
        return s_messages.filter(QStringLiteral("allocation limit"));
    }

private:
    static void collect(QtMsgType, const QMessageLogContext&, const QString& message) { s_messages << message; }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QStringList s_messages;
};

struct Oversized {
    const char* name;
    const char* type;
    std::function<QByteArray()> bytes;
};

void PrintTo(const Oversized& o, std::ostream* os)
{
    *os << o.name;
}

class OversizedHeaderTest : public LoadPictureTest, public ::testing::WithParamInterface<Oversized> {};

TEST_P(OversizedHeaderTest, RefusedBeforeAnyDecoderAllocates)
{
    const Oversized& o = GetParam();
    const QByteArray bytes = o.bytes();
    const ReaderWarnings warnings;

    EXPECT_FALSE(ProbeImage(bytes).size.isValid());
    EXPECT_TRUE(DecodeImage(bytes).isNull());
    // As a document's picture block: kept for saving, never drawn.
    const PicturePtr block = Picture::fromBytes(bytes);
    ASSERT_TRUE(block);
    EXPECT_TRUE(block->undecodable());
    EXPECT_TRUE(block->pixelSize().isEmpty());
    EXPECT_TRUE(block->image().isNull());
    EXPECT_FALSE(LoadPicture(put(QString::fromLatin1(o.name), bytes), QString::fromLatin1(o.type)));

    EXPECT_TRUE(warnings.allocationRefusals().isEmpty()) << warnings.allocationRefusals().join(u'\n').toStdString();
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Gigapixel, OversizedHeaderTest,
    ::testing::Values(Oversized{"giga.jpg", "jpeg", [] { return JpegClaiming(40000, 40000); }},
                      Oversized{"giga.png", "png", [] { return pngClaiming(40000, 40000); }},
                      Oversized{"giga.tif", "tiff", [] { return tiffClaiming(40000, 40000); }},
                      Oversized{"giga.bmp", "bmp", [] { return bmpClaiming(40000, 40000, 0); }},
                      Oversized{"giga.gif", "gif", [] { return gifClaiming(40000, 40000); }}),
    [](const ::testing::TestParamInfo<Oversized>& info) {
        return QString::fromLatin1(info.param.name).replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
    });

TEST_F(LoadPictureTest, MissingFileYieldsNoPicture)
{
    EXPECT_FALSE(LoadPicture(file(QStringLiteral("absent.png")), QStringLiteral("png")));
    EXPECT_FALSE(LoadPicture(filesDir(), QStringLiteral("png"))); // a folder
}

} // namespace
} // namespace vq::test
