// Photographs that come in stored sideways have their upright size and draw
// upright at once, while their upright bytes are made on a background thread:
// the bytes end up exactly those the turn would have made in line, and what
// is drawn before matches what they show.
#include "imaging/WorkerPool.h"
#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegTransform.h"
#include "imaging/Picture.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"

#include <QDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <tuple>
#include <optional>
#include <thread>
#include <vector>

namespace vq {
namespace {

// Smooth gradients over the four quadrants: any pixel out of place shows,
// and JPEG keeps it within a little noise.
QImage TexturedPhoto(int width, int height)
{
    QImage image = test::QuadrantImage(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb base = image.pixel(x, y);
            const int shade = int(40 * std::sin(x / 6.0) * std::cos(y / 9.0));
            image.setPixel(x, y, qRgb(std::clamp(qRed(base) + shade, 0, 255), std::clamp(qGreen(base) - shade, 0, 255),
                                      std::clamp(qBlue(base) + x * 40 / width, 0, 255)));
        }
    }
    return image;
}

struct Difference {
    int largest = 0;
    double mean = 0;
};

// Per channel; a size mismatch is as large as a difference gets.
Difference Compare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return {255, 255};
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            for (const int delta : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                d.largest = std::max(d.largest, std::abs(delta));
                sum += std::abs(delta);
            }
        }
    }
    d.mean = double(sum) / (3.0 * x.width() * x.height());
    return d;
}

struct Case {
    int orientation;
    QSize upright;
    // Sides in whole coded units: turned without loss; otherwise re-saved.
    bool lossless;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << "orientation " << c.orientation << ' ' << c.upright.width() << 'x' << c.upright.height();
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    for (int orientation = 2; orientation <= 8; ++orientation) {
        cases.push_back({orientation, QSize(64, 48), true});
        // 70 x 50 leaves partial units at the right and bottom, which only a
        // transposition keeps there: every other turn is re-saved.
        cases.push_back({orientation, QSize(70, 50), orientation == 5});
    }
    return cases;
}

class UprightInBackground : public ::testing::TestWithParam<Case> {};

TEST_P(UprightInBackground, ShowsUprightAtOnceAndEndsWithTheBytesOfTheTurnInLine)
{
    const Case& c = GetParam();
    const QByteArray file = test::TaggedPhoto(TexturedPhoto(c.upright.width(), c.upright.height()), c.orientation);
    const QByteArray inLine = UprightJpeg(file);
    ASSERT_FALSE(inLine.isEmpty());
    const QSize half = c.upright / 2;

    std::optional<BackgroundWorkPause> pause(std::in_place);
    const PicturePtr picture = Picture::fromJpegBytesUpright(file);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelSize(), c.upright);
    EXPECT_FALSE(picture->bytesReady());
    const QImage earlyFull = picture->decodeScaled();
    const QImage earlyHalf = picture->decodeScaled(half);
    EXPECT_FALSE(picture->bytesReady()) << "drawing does not wait for the turn";

    pause.reset();
    WaitForBackgroundWork();
    EXPECT_TRUE(picture->bytesReady());
    EXPECT_EQ(picture->bytes(), inLine);
    EXPECT_EQ(DecodeImage(inLine).size(), c.upright);
    EXPECT_FALSE(picture->undecodable());

    // Decoded from the stored bytes and turned, or decoded from the turned
    // coefficients: the inverse transforms and chroma filters round a little
    // differently. Re-saved bytes add the noise of one more JPEG generation.
    const int largest = c.lossless ? 4 : 16;
    const double mean = c.lossless ? 0.3 : 2.0;
    for (const auto& [early, final, what] :
         {std::tuple{earlyFull, DecodeImage(inLine), "full size"},
          std::tuple{earlyHalf, DecodeImage(inLine, nullptr, half), "reduced"}}) {
        const Difference d = Compare(early, final);
        EXPECT_LE(d.largest, largest) << what;
        EXPECT_LT(d.mean, mean) << what;
    }
    const Difference fromSource = Compare(earlyFull, TexturedPhoto(c.upright.width(), c.upright.height()));
    EXPECT_LT(fromSource.mean, 6.0) << "upright as the photograph was taken";
    // Once the bytes are made, they are what is decoded.
    EXPECT_EQ(Compare(picture->decodeScaled(half), DecodeImage(inLine, nullptr, half)).largest, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryTurn, UprightInBackground, ::testing::ValuesIn(Cases()));

// Needed before any worker has started on them (a save right after adding),
// the bytes are made by the threads asking, once, and every one gets them.
TEST(UprightBytes, AskedFromSeveralThreadsAtOnceAreMadeOnce)
{
    const QByteArray file = test::TaggedPhoto(TexturedPhoto(640, 482), 6);
    const QByteArray inLine = UprightJpeg(file);
    const BackgroundWorkPause pause;
    const PicturePtr picture = Picture::fromJpegBytesUpright(file);
    ASSERT_TRUE(picture);
    constexpr int kThreads = 6;
    std::vector<const QByteArray*> seen(kThreads, nullptr);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            seen[std::size_t(i)] = &picture->bytes();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(picture->bytesReady());
    for (const QByteArray* bytes : seen) {
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(bytes, seen.front()) << "one copy of the bytes, made once";
    }
    EXPECT_EQ(*seen.front(), inLine);
    EXPECT_EQ(picture->pixelSize(), QSize(640, 482));
}

// A photograph let go while its turn is queued or running (a document closed
// right after adding, the program ending) leaves the job nothing to touch.
TEST(UprightBytes, APictureLetGoWhileItsTurnWaitsOrRunsIsSafe)
{
    // Large enough, and with partial units, for the turn to take a while.
    const QByteArray file = test::TaggedPhoto(TexturedPhoto(1600, 1202), 6);
    {
        PicturePtr running = Picture::fromJpegBytesUpright(file);
        ASSERT_TRUE(running);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(running->bytesReady());
        running.reset();
    }
    {
        const BackgroundWorkPause pause;
        PicturePtr queued = Picture::fromJpegBytesUpright(file);
        ASSERT_TRUE(queued);
        queued.reset();
    }
    WaitForBackgroundWork();
    // The workers carry on with the next photograph.
    const PicturePtr next = Picture::fromJpegBytesUpright(test::TaggedPhoto(TexturedPhoto(64, 48), 8));
    ASSERT_TRUE(next);
    WaitForBackgroundWork();
    EXPECT_TRUE(next->bytesReady());
}

class UprightLoad : public test::IsolatedTest {
protected:
    QString put(const QByteArray& bytes)
    {
        const QString path = QDir(filesDir()).filePath(QStringLiteral("photo.jpg"));
        EXPECT_TRUE(QDir().mkpath(filesDir()));
        EXPECT_TRUE(test::WriteBytes(path, bytes));
        return path;
    }
};

TEST_F(UprightLoad, AddingDoesNotWaitForTheTurn)
{
    const QByteArray file = test::TaggedPhoto(TexturedPhoto(70, 50), 6);
    const BackgroundWorkPause pause;
    const std::optional<LoadedPicture> loaded = LoadPicture(put(file), QStringLiteral("jpeg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(QSize(loaded->width, loaded->height), QSize(70, 50));
    EXPECT_EQ(loaded->picture->pixelSize(), QSize(70, 50));
    EXPECT_EQ(loaded->dataSize, file.size());
    EXPECT_FALSE(loaded->picture->bytesReady());
    EXPECT_EQ(loaded->picture->bytes(), UprightJpeg(file));
}

// Scan data damaged after a sound header: the turn in the compressed domain
// refuses it and the fallback decodes what it can, on whichever thread.
TEST_F(UprightLoad, DamagedScanDataEndsAsTheTurnInLineLeftIt)
{
    QByteArray file = test::TaggedPhoto(TexturedPhoto(70, 50), 6);
    for (qsizetype i = file.size() * 2 / 3; i < file.size() * 2 / 3 + 24; ++i)
        file[i] = char(0xFF - quint8(file[i]) % 0x20);
    ASSERT_TRUE(TransformJpegToUpright(file, 6).isEmpty()) << "not damaged enough to refuse the turn";
    const QByteArray inLine = UprightJpeg(file);
    const std::optional<LoadedPicture> loaded = LoadPicture(put(file), QStringLiteral("jpeg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->picture->bytes(), inLine.isEmpty() ? file : inLine);
    EXPECT_EQ(loaded->picture->undecodable(), inLine.isEmpty());
}

} // namespace
} // namespace vq
