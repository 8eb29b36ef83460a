// The three pixel methods of the blur on small regions whose every pixel is
// known, with the random method fed a fixed sequence.
#include "edit/Blur.h"

#include "edit/AddImages.h"
#include "base/Settings.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace vq {
namespace {

// Every pixel a colour of its own, so a pixel copied from the wrong place shows.
QImage distinctPixels(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 9 % 256, y * 9 % 256, (x + y * w) % 256));
    return image;
}

// A region from rows of colours.
QImage fromRows(const std::vector<std::vector<QRgb>>& rows)
{
    QImage image(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[y][x]);
    return image;
}

RandomSource sequence(std::vector<int> values)
{
    auto queue = std::make_shared<std::deque<int>>(values.begin(), values.end());
    return [queue] {
        const int r = queue->empty() ? 0 : queue->front();
        if (!queue->empty())
            queue->pop_front();
        return r;
    };
}

QImage blurred(QImage image, int block, int type, const RandomSource& random = {})
{
    EXPECT_TRUE(BlurBitmap(image, BlurSettings{block, type}, random, nullptr));
    return image;
}

// ---- simple: every pixel takes its block's top-left colour ----

struct SimpleCase {
    int x, y;       // a pixel of the 25 x 25 region blurred with B = 10
    int fromX, fromY; // the pixel whose colour it takes
};

class SimpleBlurTest : public ::testing::TestWithParam<SimpleCase> {};

TEST_P(SimpleBlurTest, TakesTheTopLeftColourOfItsBlock)
{
    const QImage original = distinctPixels(25, 25);
    const QImage result = blurred(original, 10, 0);
    const SimpleCase c = GetParam();
    EXPECT_EQ(result.pixel(c.x, c.y), original.pixel(c.fromX, c.fromY)) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(Blocks, SimpleBlurTest,
                         ::testing::Values(SimpleCase{0, 0, 0, 0}, SimpleCase{9, 9, 0, 0},
                                           SimpleCase{10, 0, 10, 0}, SimpleCase{19, 9, 10, 0},
                                           SimpleCase{0, 10, 0, 10}, SimpleCase{15, 15, 10, 10},
                                           // the 5-pixel blocks at the right and bottom edges
                                           SimpleCase{20, 0, 20, 0}, SimpleCase{24, 9, 20, 0},
                                           SimpleCase{0, 24, 0, 20}, SimpleCase{12, 22, 10, 20},
                                           SimpleCase{24, 24, 20, 20}, SimpleCase{20, 20, 20, 20}));

TEST(SimpleBlur, TheTwentyFiveSquareRegionHasNineBlocksOfOneColourEach)
{
    const QImage original = distinctPixels(25, 25);
    const QImage result = blurred(original, 10, 0);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(result.pixel(x, y), original.pixel(x / 10 * 10, y / 10 * 10)) << x << "," << y;
}

// ---- average: rows then columns, each truncated, short runs left alone ----

struct AverageCase {
    const char* name;
    int block;
    std::vector<std::vector<QRgb>> before;
    std::vector<std::vector<QRgb>> after;
};

class AverageBlurTest : public ::testing::TestWithParam<AverageCase> {};

TEST_P(AverageBlurTest, AveragesFullRunsOnly)
{
    const AverageCase& c = GetParam();
    const QImage result = blurred(fromRows(c.before), c.block, 1);
    const QImage expected = fromRows(c.after);
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            EXPECT_EQ(qRgb(qRed(result.pixel(x, y)), qGreen(result.pixel(x, y)), qBlue(result.pixel(x, y))),
                      expected.pixel(x, y) | 0xff000000u)
                << c.name << " at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, AverageBlurTest,
    ::testing::Values(
        // Rows: (1+4)/2 = 2 and (2+8)/2 = 5, then the column (2+5)/2 = 3 -
        // twice truncated; the third column only down: (7+10)/2 = 8.
        AverageCase{"three by two",
                    2,
                    {{qRgb(1, 100, 0), qRgb(4, 50, 0), qRgb(7, 9, 1)},
                     {qRgb(2, 0, 255), qRgb(8, 11, 255), qRgb(10, 200, 2)}},
                    {{qRgb(3, 40, 127), qRgb(3, 40, 127), qRgb(8, 104, 1)},
                     {qRgb(3, 40, 127), qRgb(3, 40, 127), qRgb(8, 104, 1)}}},
        AverageCase{"black and white",
                    2,
                    {{qRgb(0, 0, 0), qRgb(255, 255, 255)}, {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
                    {{qRgb(127, 127, 127), qRgb(127, 127, 127)}, {qRgb(127, 127, 127), qRgb(127, 127, 127)}}},
        AverageCase{"one row: across only", 2, {{qRgb(0, 10, 20), qRgb(255, 11, 23)}},
                    {{qRgb(127, 10, 21), qRgb(127, 10, 21)}}},
        AverageCase{"one column: down only", 2, {{qRgb(0, 0, 0)}, {qRgb(255, 9, 3)}},
                    {{qRgb(127, 4, 1)}, {qRgb(127, 4, 1)}}},
        // The bottom-right corner of a 3 x 3 region with B = 2 is in no full run.
        AverageCase{"corner left alone",
                    2,
                    {{qRgb(0, 0, 0), qRgb(2, 2, 2), qRgb(40, 0, 0)},
                     {qRgb(4, 4, 4), qRgb(6, 6, 6), qRgb(60, 0, 0)},
                     {qRgb(0, 80, 0), qRgb(0, 90, 0), qRgb(1, 2, 3)}},
                    {{qRgb(3, 3, 3), qRgb(3, 3, 3), qRgb(50, 0, 0)},
                     {qRgb(3, 3, 3), qRgb(3, 3, 3), qRgb(50, 0, 0)},
                     {qRgb(0, 85, 0), qRgb(0, 85, 0), qRgb(1, 2, 3)}}},
        AverageCase{"region smaller than a block", 3, {{qRgb(9, 9, 9), qRgb(200, 1, 0)}},
                    {{qRgb(9, 9, 9), qRgb(200, 1, 0)}}}));

// ---- random: d = B - (r mod 2B), mid grey where black would darken or white lighten ----

struct RandomCase {
    const char* name;
    int block;
    QRgb pixel;
    int r;
    QRgb expected;
};

class RandomBlurTest : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomBlurTest, ShiftsByTheDrawnAmount)
{
    const RandomCase& c = GetParam();
    const QImage result = blurred(fromRows({{c.pixel}}), c.block, 2, sequence({c.r}));
    EXPECT_EQ(result.pixel(0, 0), c.expected | 0xff000000u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RandomBlurTest,
    ::testing::Values(RandomCase{"black, d = 2", 2, qRgb(0, 0, 0), 0, qRgb(128, 128, 128)},
                      RandomCase{"black, d = 1", 2, qRgb(0, 0, 0), 5, qRgb(128, 128, 128)},
                      RandomCase{"black, d = 0", 2, qRgb(0, 0, 0), 2, qRgb(0, 0, 0)},
                      RandomCase{"black, d = -1", 2, qRgb(0, 0, 0), 3, qRgb(1, 1, 1)},
                      RandomCase{"white, d = -1", 2, qRgb(255, 255, 255), 7, qRgb(128, 128, 128)},
                      RandomCase{"white, d = 2", 2, qRgb(255, 255, 255), 32764, qRgb(253, 253, 253)},
                      RandomCase{"white, d = 0", 2, qRgb(255, 255, 255), 2, qRgb(255, 255, 255)},
                      RandomCase{"colour darkened, clamped", 2, qRgb(100, 1, 255), 0, qRgb(98, 0, 253)},
                      RandomCase{"colour lightened, clamped", 2, qRgb(100, 0, 255), 3, qRgb(101, 1, 255)},
                      RandomCase{"widest lightening", 100, qRgb(50, 50, 50), 199, qRgb(149, 149, 149)},
                      RandomCase{"widest darkening", 100, qRgb(150, 150, 150), 200, qRgb(50, 50, 50)},
                      RandomCase{"near white lightened", 100, qRgb(254, 254, 254), 199, qRgb(255, 255, 255)}));

TEST(RandomBlur, DrawsOneNumberPerPixelRowByRow)
{
    // B = 2: r = 0, 1, 2, 3 give d = 2, 1, 0, -1.
    const QImage region = fromRows({{qRgb(10, 10, 10), qRgb(10, 10, 10)}, {qRgb(10, 10, 10), qRgb(10, 10, 10)}});
    const QImage result = blurred(region, 2, 2, sequence({0, 1, 2, 3}));
    EXPECT_EQ(result.pixel(0, 0), qRgb(8, 8, 8));
    EXPECT_EQ(result.pixel(1, 0), qRgb(9, 9, 9));
    EXPECT_EQ(result.pixel(0, 1), qRgb(10, 10, 10));
    EXPECT_EQ(result.pixel(1, 1), qRgb(11, 11, 11));
}

TEST(RandomBlur, TheProgramsGeneratorStaysInTheRangeOfRand)
{
    const RandomSource random = TimeSeededRandom();
    int lowest = 32767;
    int highest = 0;
    for (int i = 0; i < 20000; ++i) {
        const int r = random();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_GE(lowest, 0);
    EXPECT_LE(highest, 32767);
    EXPECT_GT(highest - lowest, 30000) << "the generator should spread over its range";
}

// ---- the region itself ----

TEST(BlurRegion, OtherPixelFormatsAreBlurredAsRgb)
{
    QImage region = distinctPixels(4, 4).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_TRUE(BlurBitmap(region, BlurSettings{2, 0}, {}, nullptr));
    EXPECT_EQ(region.format(), QImage::Format_RGB32);
    EXPECT_EQ(region.pixel(3, 3), distinctPixels(4, 4).pixel(2, 2));
}

TEST(BlurRegion, ANullRegionFails)
{
    QImage region;
    EXPECT_FALSE(BlurBitmap(region, BlurSettings{}, {}, nullptr));
}

TEST(BlurRegion, AnOutOfRangeBlockSizeIsBroughtIntoRange)
{
    // Block 1 would leave the picture unchanged; it works as 2.
    const QImage original = distinctPixels(4, 2);
    const QImage result = blurred(original, 1, 0);
    EXPECT_EQ(result.pixel(1, 1), original.pixel(0, 0));
}

// ---- progress: the status bar's protocol, at most 100 steps per pass ----

class RecordingProgress : public ProgressSink {
public:
    int BeginProgress(int items) override
    {
        passes.push_back({items, 0});
        return items >= 100 ? items / 100 : 1;
    }
    void StepProgress() override { ++passes.back().steps; }
    void EndProgress() override { ended = true; }
    void ShowGuideText(const QString&) override {}

    struct Pass {
        int items;
        int steps;
    };
    std::vector<Pass> passes;
    bool ended = false;
};

struct ProgressCase {
    const char* name;
    int w, h, type;
    std::vector<RecordingProgress::Pass> passes;
};

class BlurProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(BlurProgressTest, ReportsEachPassAndEndsAtZero)
{
    const ProgressCase& c = GetParam();
    QImage region = distinctPixels(c.w, c.h);
    RecordingProgress progress;
    ASSERT_TRUE(BlurBitmap(region, BlurSettings{3, c.type}, sequence({}), &progress));
    ASSERT_EQ(progress.passes.size(), c.passes.size()) << c.name;
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
        EXPECT_EQ(progress.passes[i].items, c.passes[i].items) << c.name << " pass " << i;
        EXPECT_EQ(progress.passes[i].steps, c.passes[i].steps) << c.name << " pass " << i;
    }
    EXPECT_TRUE(progress.ended) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Passes, BlurProgressTest,
    ::testing::Values(ProgressCase{"simple, small: stops at 25 %", 5, 5, 0, {{25, 25}}},
                      ProgressCase{"simple, large", 301, 299, 0, {{301 * 299, 100}}},
                      ProgressCase{"one step a pixel, but never past the end", 15, 10, 0, {{150, 100}}},
                      ProgressCase{"average: two passes", 301, 299, 1, {{301 * 299, 100}, {301 * 299, 100}}},
                      ProgressCase{"random", 250, 4, 2, {{1000, 100}}}));

// ---- the stored settings, read afresh ----

struct StoredCase {
    int blockW;
    int type;
    BlurSettings expected;
};

class BlurSettingsTest : public test::IsolatedTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(BlurSettingsTest, ReadsTheStoredValuesIntoRange)
{
    const StoredCase& c = GetParam();
    {
        Settings settings;
        settings.setValue(keys::BlockW, c.blockW);
        settings.setValue(keys::BokashiType, c.type);
        settings.sync();
    }
    const BlurSettings read = ReadBlurSettings();
    EXPECT_EQ(read.blockSize, c.expected.blockSize);
    EXPECT_EQ(read.type, c.expected.type);
}

INSTANTIATE_TEST_SUITE_P(Values, BlurSettingsTest,
                         ::testing::Values(StoredCase{10, 0, {10, 0}}, StoredCase{2, 1, {2, 1}},
                                           StoredCase{100, 2, {100, 2}}, StoredCase{1, 3, {2, 0}},
                                           StoredCase{500, -1, {100, 0}}));

class BlurDefaultsTest : public test::IsolatedTest {};

TEST_F(BlurDefaultsTest, NothingStoredMeansBlocksOfTenSimple)
{
    const BlurSettings read = ReadBlurSettings();
    EXPECT_EQ(read.blockSize, 10);
    EXPECT_EQ(read.type, 0);
}

} // namespace
} // namespace vq
