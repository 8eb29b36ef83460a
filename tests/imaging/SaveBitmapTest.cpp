// Saving bitmaps in every format, turning bitmaps into pictures, resizing.
#include "imaging/Codec.h"
#include "imaging/JpegEncode.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq::test {
namespace {

class SaveBitmapTest : public IsolatedTest {
protected:
    [[nodiscard]] QString file(const QString& name) const { return QDir(filesDir()).filePath(name); }

    // Saves as the program does, showing what the encoder reported.
    bool save(const QImage& bitmap, int width, int height, const QString& path, const QString& type, int quality,
              bool flip)
    {
        Report failure;
        const bool saved = SaveBitmapAsImageFile(bitmap, width, height, path, type, quality, flip, &failure);
        prompter.show(failure);
        return saved;
    }

    ScriptedPrompter prompter;
};

struct SaveCase {
    const char* type;        // as the caller passes it
    const char* readFormat;  // what a reader must detect in the file
};

void PrintTo(const SaveCase& c, std::ostream* os)
{
    *os << c.type;
}

class SaveTypeTest : public SaveBitmapTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveTypeTest, WritesScaledFileOfTheTypeUprightOrFlipped)
{
    const SaveCase& c = GetParam();
    const QImage bitmap = QuadrantImage(160, 120);
    for (const bool flip : {false, true}) {
        const QString path = file(QStringLiteral("out_%1.%2").arg(flip).arg(QString::fromLatin1(c.type)));
        ASSERT_TRUE(save(bitmap, 80, 50, path, QString::fromLatin1(c.type), 95, flip));

        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray(c.readFormat));
        const QImage saved = reader.read();
        ASSERT_EQ(saved.size(), QSize(80, 50)) << c.type;
        const Quadrants q = SampleQuadrants(saved);
        EXPECT_TRUE(Near(q.topLeft, flip ? kBottomLeft : kTopLeft)) << c.type << " flip " << flip;
        EXPECT_TRUE(Near(q.topRight, flip ? kBottomRight : kTopRight)) << c.type << " flip " << flip;
        EXPECT_TRUE(Near(q.bottomLeft, flip ? kTopLeft : kBottomLeft)) << c.type << " flip " << flip;
    }
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Types, SaveTypeTest,
                         ::testing::Values(SaveCase{"jpeg", "jpeg"}, SaveCase{"JPEG", "jpeg"}, SaveCase{"png", "png"},
                                           SaveCase{"Png", "png"}, SaveCase{"tiff", "tiff"}, SaveCase{"bmp", "bmp"},
                                           SaveCase{"gif", "gif"}, SaveCase{"GIF", "gif"}),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                             return std::string(info.param.type) + "_" + std::to_string(info.index);
                         });

// A canvas is mostly flat colour: its PNG must be compressed, a small part
// of its raw size, not the pixels stored as they are.
TEST_F(SaveBitmapTest, PngIsCompressed)
{
    QImage bitmap(1000, 800, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QImage quadrants = QuadrantImage(400, 300);
    for (int y = 0; y < quadrants.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(quadrants.constScanLine(y)), quadrants.width(),
                    reinterpret_cast<QRgb*>(bitmap.scanLine(y + 100)) + 100);
    const QString path = file(QStringLiteral("canvas.png"));
    ASSERT_TRUE(save(bitmap, bitmap.width(), bitmap.height(), path, QStringLiteral("png"), 95, false));
    const qint64 raw = qint64(bitmap.width()) * bitmap.height() * 3;
    EXPECT_LT(QFileInfo(path).size(), raw / 50) << "raw " << raw;
    const QImage back(path);
    ASSERT_EQ(back.size(), bitmap.size());
    EXPECT_EQ(back.pixel(150, 150), bitmap.pixel(150, 150));
    EXPECT_EQ(back.pixel(900, 700), qRgb(255, 255, 255));
}

TEST_F(SaveBitmapTest, GifHasAtMost256ColoursAndKeepsGradientsClose)
{
    QImage bitmap(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            bitmap.setPixel(x, y, qRgb(x, (x * 7 + y * 3) & 255, y * 4));
    const QString path = file(QStringLiteral("many.gif"));
    ASSERT_TRUE(save(bitmap, 256, 64, path, QStringLiteral("gif"), 100, false));

    const QImage saved(path);
    ASSERT_EQ(saved.size(), QSize(256, 64));
    QSet<QRgb> colours;
    long long error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) {
            colours.insert(saved.pixel(x, y));
            error += std::abs(qRed(saved.pixel(x, y)) - x);
        }
    EXPECT_LE(colours.size(), 256);
    EXPECT_GT(colours.size(), 64); // the palette is really used
    EXPECT_LT(error / (256 * 64), 12);
}

TEST_F(SaveBitmapTest, GifKeepsFullTransparencyOnly)
{
    QImage bitmap(20, 10, QImage::Format_ARGB32);
    bitmap.fill(qRgba(200, 40, 40, 255));
    for (int y = 0; y < 10; ++y) {
        bitmap.setPixel(0, y, qRgba(0, 0, 0, 0));       // clear
        bitmap.setPixel(1, y, qRgba(0, 200, 0, 100));   // mostly clear: becomes clear
        bitmap.setPixel(2, y, qRgba(0, 0, 200, 200));   // mostly opaque: becomes opaque
    }
    const QString path = file(QStringLiteral("alpha.gif"));
    ASSERT_TRUE(save(bitmap, 20, 10, path, QStringLiteral("gif"), 100, false));
    const QImage saved = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(saved.size(), QSize(20, 10));
    EXPECT_EQ(qAlpha(saved.pixel(0, 5)), 0);
    EXPECT_EQ(qAlpha(saved.pixel(1, 5)), 0);
    EXPECT_EQ(qAlpha(saved.pixel(2, 5)), 255);
    EXPECT_TRUE(Near(saved.pixel(2, 5), qRgb(0, 0, 200)));
    EXPECT_TRUE(Near(saved.pixel(10, 5), qRgb(200, 40, 40)));
}

TEST_F(SaveBitmapTest, JpegQualityIsApplied)
{
    QImage bitmap(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            bitmap.setPixel(x, y, qRgb((x * 37) & 255, (y * 53) & 255, (x * y) & 255));
    const QString low = file(QStringLiteral("low.jpg"));
    const QString high = file(QStringLiteral("high.jpg"));
    ASSERT_TRUE(save(bitmap, 64, 64, low, QStringLiteral("jpeg"), 10, false));
    ASSERT_TRUE(save(bitmap, 64, 64, high, QStringLiteral("jpeg"), 100, false));
    EXPECT_LT(QFileInfo(low).size() * 2, QFileInfo(high).size());
}

TEST_F(SaveBitmapTest, UnknownTypeFailsSilentlyAndWritesNothing)
{
    for (const char* type : {"jpg", "tif", "webp", ""}) {
        const QString path = file(QStringLiteral("x_") + QString::fromLatin1(type));
        EXPECT_FALSE(save(QuadrantImage(8, 8), 8, 8, path, QString::fromLatin1(type), 100, false))
            << type;
        EXPECT_FALSE(QFile::exists(path)) << type;
    }
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

TEST_F(SaveBitmapTest, ImpossibleBitmapsReportOutOfMemory)
{
    const QString path = file(QStringLiteral("none.png"));
    EXPECT_FALSE(save(QImage(), 8, 8, path, QStringLiteral("png"), 100, false));
    EXPECT_FALSE(save(QuadrantImage(8, 8), 100000, 100000, path, QStringLiteral("png"), 100, false));
    EXPECT_FALSE(save(QuadrantImage(8, 8), 0, 8, path, QStringLiteral("png"), 100, false));
    EXPECT_EQ(prompter.messageIds(), (QList<int>{30001, 30001, 30001}));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SaveBitmapTest, FailedSaveLeavesNoFileAndSuccessReplacesWhole)
{
    const QString path = file(QStringLiteral("keep.png"));
    ASSERT_TRUE(WriteBytes(path, "earlier"));
    EXPECT_FALSE(save(QuadrantImage(8, 8), 8, 8, file(QStringLiteral("no/such.png")),
                                       QStringLiteral("png"), 100, false));
    // Something other than a file is never replaced by one.
    const QString folder = file(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(save(QuadrantImage(8, 8), 8, 8, folder, QStringLiteral("png"), 100, false));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    EXPECT_EQ(ReadBytes(path), QByteArray("earlier"));
    EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files), QStringList{QStringLiteral("keep.png")});

    // A successful save replaces the earlier file whole.
    ASSERT_TRUE(save(QuadrantImage(8, 8), 8, 8, path, QStringLiteral("png"), 100, false));
    EXPECT_EQ(QImage(path).size(), QSize(8, 8));
}

TEST_F(SaveBitmapTest, SpecialFilesAreWrittenInPlaceNotReplaced)
{
    const QString pipe = file(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // A non-blocking reader lets the save open the pipe; a small PNG fits in its buffer.
    const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(save(QuadrantImage(8, 8), 8, 8, pipe, QStringLiteral("png"), 100, false));
    QByteArray received;
    char chunk[4096];
    for (ssize_t n; (n = ::read(reader, chunk, sizeof chunk)) > 0;)
        received.append(chunk, n);
    ::close(reader);
    EXPECT_FALSE(QFileInfo(pipe).isFile()); // still the pipe
    EXPECT_EQ(QImage::fromData(received, "PNG").size(), QSize(8, 8));
}

TEST_F(SaveBitmapTest, BitmapToPictureEncodesJpegOfTheSameSize)
{
    const PicturePtr picture = BitmapToPicture(QuadrantImage(70, 30));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelSize(), QSize(70, 30));
    EXPECT_TRUE(IsCompleteJpeg(picture->bytes()));
    const Quadrants q = SampleQuadrants(DecodeJpeg(picture->bytes()));
    EXPECT_TRUE(Near(q.topLeft, kTopLeft));
    EXPECT_TRUE(Near(q.bottomRight, kBottomRight));

    EXPECT_FALSE(BitmapToPicture(QImage()));
}

TEST_F(SaveBitmapTest, BitmapToPictureTakesEveryPixelFormat)
{
    const QImage source = QuadrantImage(32, 16);
    for (const QImage::Format format :
         {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888, QImage::Format_Indexed8,
          QImage::Format_Grayscale8, QImage::Format_Mono, QImage::Format_RGBA64, QImage::Format_RGB16}) {
        const PicturePtr picture = BitmapToPicture(source.convertToFormat(format));
        ASSERT_TRUE(picture) << format;
        EXPECT_EQ(picture->pixelSize(), QSize(32, 16)) << format;
    }
}

TEST_F(SaveBitmapTest, ResizePictureRedrawsAtTheAskedSize)
{
    const PicturePtr original = BitmapToPicture(QuadrantImage(120, 80));
    ASSERT_TRUE(original);

    const PicturePtr resized = ResizePicture(original, 300, 200);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->pixelSize(), QSize(300, 200));
    const QImage decoded = DecodeJpeg(resized->bytes());
    ASSERT_EQ(decoded.size(), QSize(300, 200));
    const Quadrants q = SampleQuadrants(decoded);
    EXPECT_TRUE(Near(q.topRight, kTopRight));
    EXPECT_TRUE(Near(q.bottomLeft, kBottomLeft));

    EXPECT_EQ(ResizePicture(original, 120, 80), original); // nothing to redraw
    EXPECT_FALSE(ResizePicture(nullptr, 300, 200));
    EXPECT_FALSE(ResizePicture(original, 0, 200));
    EXPECT_FALSE(ResizePicture(original, 100000, 100000));
}

} // namespace
} // namespace vq::test
