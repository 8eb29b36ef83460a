// Turning JPEG pictures: in the compressed domain where the size allows it,
// by decoding and encoding again where it does not, and pixel turns and
// rotations by any angle for everything else.
#include "imaging/ImageDecode.h"
#include "imaging/JpegTransform.h"
#include "imaging/Rotate.h"
#include "tests/support/Fixtures.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vq {
namespace {

// Detail in every direction, so that a turn the wrong way or a pixel out of
// place shows, and colour that chroma subsampling cannot hide.
QImage texture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 9 + y * 2) % 256, (x * x + 3 * y) % 256, ((x / 4) * (y / 3) * 37) % 256));
    return image;
}

// As cameras and Qt write them: 4:2:0, coded in 16 × 16 units.
QByteArray qtJpeg(const QImage& image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setText(QStringLiteral("Description"), QStringLiteral("taken on the pier"));
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QImage decode(const QByteArray& bytes)
{
    return DecodeImage(bytes).convertToFormat(QImage::Format_RGB32);
}

constexpr ExactTurn kAllTurns[] = {ExactTurn::Left90, ExactTurn::Half, ExactTurn::Right90, ExactTurn::MirrorLeftRight,
                                   ExactTurn::MirrorTopBottom};

TEST(JpegBlockLayout, QtWritesSubsampledUnitsAndFullChromaWritesEightPixelOnes)
{
    const auto subsampled = ReadJpegBlockLayout(qtJpeg(texture(70, 50)));
    ASSERT_TRUE(subsampled);
    EXPECT_EQ(subsampled->size, QSize(70, 50));
    EXPECT_EQ(subsampled->mcu, QSize(16, 16));

    const auto full = ReadJpegBlockLayout(EncodeJpegFullChroma(texture(70, 50), 100));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->mcu, QSize(8, 8));

    EXPECT_FALSE(ReadJpegBlockLayout(QByteArray("\xFF\xD8 not really a JPEG stream")));
}

struct PerfectCase {
    const char* name;
    QSize size;
    QSize mcu;
    bool left90, half, right90, mirrorLeftRight, mirrorTopBottom;
};

class PerfectTurnTest : public ::testing::TestWithParam<PerfectCase> {};

// Partial units may only stay at the right and bottom edges: a turn is
// perfect when no partial unit would land on the left or top.
TEST_P(PerfectTurnTest, PartialUnitsMayOnlyEndUpRightOrBelow)
{
    const PerfectCase& c = GetParam();
    const JpegBlockLayout layout{c.size, c.mcu};
    EXPECT_EQ(IsPerfectTurn(layout, ExactTurn::Left90), c.left90);
    EXPECT_EQ(IsPerfectTurn(layout, ExactTurn::Half), c.half);
    EXPECT_EQ(IsPerfectTurn(layout, ExactTurn::Right90), c.right90);
    EXPECT_EQ(IsPerfectTurn(layout, ExactTurn::MirrorLeftRight), c.mirrorLeftRight);
    EXPECT_EQ(IsPerfectTurn(layout, ExactTurn::MirrorTopBottom), c.mirrorTopBottom);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PerfectTurnTest,
    ::testing::Values(PerfectCase{"WholeUnits", {64, 48}, {16, 16}, true, true, true, true, true},
                      PerfectCase{"PartialBottomRow", {64, 50}, {16, 16}, true, false, false, true, false},
                      PerfectCase{"PartialRightColumn", {70, 48}, {16, 16}, false, false, true, false, true},
                      PerfectCase{"Camera4000x3000At420", {4000, 3000}, {16, 16}, true, false, false, true, false},
                      PerfectCase{"Camera4000x3000At422", {4000, 3000}, {16, 8}, true, true, true, true, true},
                      PerfectCase{"FullChroma", {72, 56}, {8, 8}, true, true, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegTransform, TurnsAreDoneOnlyWhenPerfectAndGiveTheTurnedSize)
{
    for (const QSize size : {QSize(64, 48), QSize(64, 50), QSize(70, 48), QSize(70, 50)}) {
        const QByteArray jpeg = qtJpeg(texture(size.width(), size.height()));
        const JpegBlockLayout layout = *ReadJpegBlockLayout(jpeg);
        for (const ExactTurn turn : kAllTurns) {
            const QByteArray turned = TransformJpegLossless(jpeg, turn);
            const int t = static_cast<int>(turn);
            ASSERT_EQ(!turned.isEmpty(), IsPerfectTurn(layout, turn)) << size.width() << "x" << size.height() << " " << t;
            if (!turned.isEmpty()) {
                EXPECT_EQ(decode(turned).size(), TurnedSize(size, turn)) << t;
            }
        }
    }
}

// The quantised coefficients move but are never requantised: four quarter
// turns or two mirrors give back exactly the pixels the picture had.
TEST(JpegTransform, FourQuarterTurnsAndTwoMirrorsGiveBackTheSamePixels)
{
    const QByteArray original = qtJpeg(texture(96, 64));
    const QImage pixels = decode(original);
    for (const ExactTurn turn : {ExactTurn::Left90, ExactTurn::Right90}) {
        QByteArray bytes = original;
        for (int k = 0; k < 4; ++k) {
            bytes = TransformJpegLossless(bytes, turn);
            ASSERT_FALSE(bytes.isEmpty()) << k;
        }
        EXPECT_EQ(decode(bytes), pixels) << static_cast<int>(turn);
    }
    for (const ExactTurn turn : {ExactTurn::Half, ExactTurn::MirrorLeftRight, ExactTurn::MirrorTopBottom}) {
        const QByteArray twice = TransformJpegLossless(TransformJpegLossless(original, turn), turn);
        EXPECT_EQ(decode(twice), pixels) << static_cast<int>(turn);
    }
}

TEST(JpegTransform, OneTurnShowsThePicturesPixelsTurned)
{
    const QByteArray original = qtJpeg(texture(96, 64));
    const QImage pixels = decode(original);
    for (const ExactTurn turn : kAllTurns) {
        const QImage turned = decode(TransformJpegLossless(original, turn));
        // Decoding rounds rows and columns, and smooths subsampled colour,
        // in its own order, so a turned block may differ from the turned
        // decode by a few steps of rounding.
        EXPECT_LE(test::largestChannelDifference(turned, TurnImage(pixels, turn)), 4) << static_cast<int>(turn);
    }
}

TEST(JpegTransform, TheMarkersOfThePhotographStay)
{
    const QByteArray turned = TransformJpegLossless(qtJpeg(texture(64, 48)), ExactTurn::Right90);
    ASSERT_FALSE(turned.isEmpty());
    EXPECT_TRUE(turned.contains("taken on the pier"));
}

TEST(JpegTransform, DamagedDataIsLeftToTheDecoder)
{
    QByteArray jpeg = qtJpeg(texture(64, 48));
    jpeg.truncate(jpeg.size() / 2);
    EXPECT_TRUE(TransformJpegLossless(jpeg, ExactTurn::Left90).isEmpty());
    EXPECT_TRUE(TransformJpegLossless(QByteArray(), ExactTurn::Left90).isEmpty());
}

// A size that allows no perfect turn is re-saved once at the picture's own
// settings: its sampling stays, it does not grow, and it looks like the exact
// turn. A turn the new size allows is then lossless again.
TEST(TurnPicture, AnImperfectSizeIsReSavedAtItsOwnSettings)
{
    const QByteArray original = qtJpeg(texture(64, 56), 95);
    ASSERT_TRUE(TransformJpegLossless(original, ExactTurn::Right90).isEmpty());
    const PicturePtr source = Picture::fromJpegBytes(original);

    const PicturePtr once = TurnPicture(source, ExactTurn::Right90);
    ASSERT_TRUE(once);
    EXPECT_EQ(once->pixelSize(), QSize(56, 64));
    EXPECT_EQ(ReadJpegBlockLayout(once->bytes())->mcu, QSize(16, 16)) << "4:2:0 stays 4:2:0";
    EXPECT_LE(once->bytes().size(), original.size() * 13 / 10);
    EXPECT_LE(test::largestChannelDifference(decode(once->bytes()), TurnImage(decode(original), ExactTurn::Right90)),
              40) << "one re-quantisation of a busy texture, nothing out of place";

    // 64 rows are whole units: the next right turn is exact.
    const QByteArray next = TransformJpegLossless(once->bytes(), ExactTurn::Right90);
    ASSERT_FALSE(next.isEmpty());
    EXPECT_EQ(TurnPicture(once, ExactTurn::Right90)->bytes(), next);
}

TEST(TurnPicture, PicturesThatAreNotJpegComeBackAsJpeg)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    texture(30, 20).save(&buffer, "PNG");
    const PicturePtr turned = TurnPicture(Picture::fromBytes(png), ExactTurn::Left90);
    ASSERT_TRUE(turned);
    EXPECT_TRUE(turned->bytes().startsWith("\xFF\xD8"));
    EXPECT_EQ(turned->pixelSize(), QSize(20, 30));
    EXPECT_LE(test::largestChannelDifference(decode(turned->bytes()), TurnImage(texture(30, 20), ExactTurn::Left90)), 3);

    EXPECT_FALSE(TurnPicture(Picture::fromBytes("no picture at all"), ExactTurn::Left90));
    EXPECT_FALSE(TurnPicture(nullptr, ExactTurn::Left90));
}

// Six distinct pixels, numbered 0..5 row by row in a 3 × 2 picture.
QImage numbered()
{
    QImage image(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, qRgb(i, 10 * i, 255 - i));
    return image;
}

struct TurnCase {
    const char* name;
    ExactTurn turn;
    QSize size;
    std::vector<int> pixels; // row by row
};

class TurnImageTest : public ::testing::TestWithParam<TurnCase> {};

TEST_P(TurnImageTest, EveryPixelLandsWhereTheTurnTakesIt)
{
    const TurnCase& c = GetParam();
    const QImage turned = TurnImage(numbered(), c.turn);
    ASSERT_EQ(turned.size(), c.size);
    std::vector<int> seen;
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x)
            seen.push_back(qRed(turned.pixel(x, y)));
    EXPECT_EQ(seen, c.pixels);
}

// 0 1 2
// 3 4 5
INSTANTIATE_TEST_SUITE_P(
    Turns, TurnImageTest,
    ::testing::Values(TurnCase{"LeftIsCounterClockwise", ExactTurn::Left90, {2, 3}, {2, 5, 1, 4, 0, 3}},
                      TurnCase{"RightIsClockwise", ExactTurn::Right90, {2, 3}, {3, 0, 4, 1, 5, 2}},
                      TurnCase{"Half", ExactTurn::Half, {3, 2}, {5, 4, 3, 2, 1, 0}},
                      TurnCase{"MirrorLeftRight", ExactTurn::MirrorLeftRight, {3, 2}, {2, 1, 0, 5, 4, 3}},
                      TurnCase{"MirrorTopBottom", ExactTurn::MirrorTopBottom, {3, 2}, {3, 4, 5, 0, 1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase {
    const char* name;
    QSize size;
    double degrees;
    QSize rotated;
};

class RotatedSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RotatedSizeTest, TheBoxOfTheRotatedPixelsKeepsTheLastRowAndColumn)
{
    const SizeCase& c = GetParam();
    EXPECT_EQ(RotatedSize(c.size, c.degrees), c.rotated);
}

INSTANTIATE_TEST_SUITE_P(
    Angles, RotatedSizeTest,
    ::testing::Values(SizeCase{"QuarterTurnSwapsTheSides", {100, 50}, 90, {50, 100}},
                      SizeCase{"RightQuarterTurn", {100, 50}, 270, {50, 100}},
                      SizeCase{"HalfTurnKeepsTheSize", {100, 50}, 180, {100, 50}},
                      SizeCase{"FortyFive", {100, 50}, 45, {106, 106}},
                      SizeCase{"ThirtyDegrees", {200, 100}, 30, {223, 186}},
                      SizeCase{"ATenthOfADegree", {400, 250}, 0.1, {400, 251}},
                      SizeCase{"OnePixel", {1, 1}, 33.3, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotateImage, QuarterTurnsAtAnyAngleAgreeWithThePixelTurns)
{
    const QImage image = texture(37, 23);
    EXPECT_EQ(RotateImage(image, 90), TurnImage(image, ExactTurn::Left90));
    EXPECT_EQ(RotateImage(image, 180), TurnImage(image, ExactTurn::Half));
    EXPECT_EQ(RotateImage(image, 270), TurnImage(image, ExactTurn::Right90));
}

TEST(RotateImage, AnyAngleUncoversCornersAndKeepsTheLastRowAndColumn)
{
    // White with a red last column and bottom row: 99 red pixels.
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 40; ++y)
        image.setPixel(59, y, qRgb(255, 0, 0));
    for (int x = 0; x < 60; ++x)
        image.setPixel(x, 39, qRgb(255, 0, 0));

    const QImage rotated = RotateImage(image, 30);
    ASSERT_EQ(rotated.size(), RotatedSize(image.size(), 30));
    for (const QPoint corner : {QPoint(0, 0), QPoint(rotated.width() - 1, 0), QPoint(0, rotated.height() - 1),
                                QPoint(rotated.width() - 1, rotated.height() - 1)})
        EXPECT_EQ(rotated.pixel(corner), kRotationBackground) << corner.x() << "," << corner.y();

    // White and the background both have full blue, so the missing blue
    // measures how much red there is; smooth sampling spreads it but keeps it.
    double red = 0;
    for (int y = 0; y < rotated.height(); ++y)
        for (int x = 0; x < rotated.width(); ++x)
            red += (255 - qBlue(rotated.pixel(x, y))) / 255.0;
    EXPECT_NEAR(red, 99, 10);
}

TEST(RotateImage, EdgesAreSampledSmoothly)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 40; ++y)
        for (int x = 30; x < 60; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    const QImage rotated = RotateImage(image, 30);
    int between = 0;
    for (int y = 0; y < rotated.height(); ++y)
        for (int x = 0; x < rotated.width(); ++x) {
            const QRgb p = rotated.pixel(x, y);
            if (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) > 40 && qRed(p) < 215)
                ++between;
        }
    // Nearest neighbour would give none along the 46-pixel edge.
    EXPECT_GT(between, 25);
}

} // namespace
} // namespace vq
