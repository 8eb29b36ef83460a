// The decode and scaled-copy pools that let the canvas repaint without decoding.
#include "imaging/PictureCache.h"

#include "tests/view/ViewTestSupport.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::makeJpegPicture;
using test::near;

struct ReductionCase {
    const char* name;
    QSize wanted;
    int reduction;
};

class ReductionTest : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(ReductionTest, SmallestDecodeThatStillCovers)
{
    EXPECT_EQ(PictureCache::reductionFor({2000, 1500}, GetParam().wanted), GetParam().reduction);
}

INSTANTIATE_TEST_SUITE_P(Table, ReductionTest,
                         ::testing::Values(ReductionCase{"ThumbnailEighth", {250, 187}, 8},
                                           ReductionCase{"OnePixelTallerQuarter", {250, 188}, 4},
                                           ReductionCase{"HalfExactly", {1000, 750}, 2},
                                           ReductionCase{"WiderThanHalfFull", {1001, 750}, 1},
                                           ReductionCase{"TinyStopsAtEighth", {10, 10}, 8},
                                           ReductionCase{"EmptyMeansFull", {}, 1},
                                           ReductionCase{"UpscaleFull", {4000, 3000}, 1}),
                         [](const auto& info) { return info.param.name; });

class PictureCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache.clear();
        decodeBudget = cache.budgetBytes();
        scaledBudget = cache.scaledBudgetBytes();
    }
    void TearDown() override
    {
        cache.setBudgetBytes(decodeBudget);
        cache.setScaledBudgetBytes(scaledBudget);
        cache.clear();
    }
    PictureCache& cache = PictureCache::instance();
    std::size_t decodeBudget = 0;
    std::size_t scaledBudget = 0;
};

TEST_F(PictureCacheTest, ScaledCopyHasTheExactSizeAndIsKept)
{
    const PicturePtr picture = makeJpegPicture({400, 300}, Qt::red, Qt::blue);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(cache.hasScaled(*picture, {123, 77}));
    const QImage scaled = cache.scaled(*picture, {123, 77});
    EXPECT_EQ(scaled.size(), QSize(123, 77));
    EXPECT_TRUE(near(scaled.pixel(2, 40), Qt::red));
    EXPECT_TRUE(near(scaled.pixel(120, 40), Qt::blue));
    EXPECT_TRUE(cache.hasScaled(*picture, {123, 77}));
    // The same pixels come back, not a second scaling.
    EXPECT_EQ(cache.scaled(*picture, {123, 77}).constBits(), scaled.constBits());
    // The decode behind it is at half size: the smallest that covers 123 x 77.
    EXPECT_EQ(cache.usedBytes(), std::size_t(200) * 150 * 4);
}

TEST_F(PictureCacheTest, OversizedAndEmptyRequestsAreNotKept)
{
    const PicturePtr picture = makeJpegPicture({64, 64}, Qt::green);
    EXPECT_TRUE(cache.scaled(*picture, {0, 10}).isNull());
    EXPECT_TRUE(cache.scaled(*picture, {5000, 4000}).isNull());
    EXPECT_EQ(cache.scaledUsedBytes(), 0u);
}

TEST_F(PictureCacheTest, LeastRecentlyUsedCopiesGoFirst)
{
    const std::size_t one = std::size_t(100) * 100 * 4;
    cache.setScaledBudgetBytes(2 * one);
    const PicturePtr a = makeJpegPicture({200, 200}, Qt::red);
    const PicturePtr b = makeJpegPicture({200, 200}, Qt::green);
    const PicturePtr c = makeJpegPicture({200, 200}, Qt::blue);
    (void)cache.scaled(*a, {100, 100});
    (void)cache.scaled(*b, {100, 100});
    (void)cache.scaled(*a, {100, 100}); // a is now the most recent
    (void)cache.scaled(*c, {100, 100});
    EXPECT_TRUE(cache.hasScaled(*a, {100, 100}));
    EXPECT_FALSE(cache.hasScaled(*b, {100, 100}));
    EXPECT_TRUE(cache.hasScaled(*c, {100, 100}));
    EXPECT_LE(cache.scaledUsedBytes(), 2 * one);
}

TEST_F(PictureCacheTest, DecodeBudgetEvicts)
{
    const std::size_t full = std::size_t(200) * 200 * 4;
    cache.setBudgetBytes(full + full / 2);
    const PicturePtr a = makeJpegPicture({200, 200}, Qt::red);
    const PicturePtr b = makeJpegPicture({200, 200}, Qt::green);
    (void)cache.image(*a, {});
    (void)cache.image(*b, {});
    EXPECT_EQ(cache.usedBytes(), full);
}

TEST_F(PictureCacheTest, PrefetchFillsEveryMissingCopy)
{
    std::vector<PicturePtr> pictures;
    std::vector<PictureCache::ScaledRequest> requests;
    for (int i = 0; i < 6; ++i) {
        pictures.push_back(makeJpegPicture({160, 120}, QColor::fromHsv(i * 60, 255, 255)));
        requests.push_back({pictures.back().get(), QSize(40 + i, 30)});
    }
    (void)cache.scaled(*pictures[0], {40, 30});
    cache.prefetchScaled(requests);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(cache.hasScaled(*pictures[static_cast<std::size_t>(i)], {40 + i, 30}));
        const QImage copy = cache.scaled(*pictures[static_cast<std::size_t>(i)], {40 + i, 30});
        EXPECT_TRUE(near(copy.pixel(20, 15), QColor::fromHsv(i * 60, 255, 255), 16));
    }
}

TEST_F(PictureCacheTest, APictureTakesItsImagesWithIt)
{
    PicturePtr picture = makeJpegPicture({300, 200}, Qt::red);
    (void)cache.scaled(*picture, {150, 100});
    (void)cache.scaled(*picture, {30, 20});
    (void)cache.image(*picture, {});
    EXPECT_GT(cache.scaledUsedBytes(), 0u);
    EXPECT_GT(cache.usedBytes(), 0u);
    picture.reset();
    EXPECT_EQ(cache.scaledUsedBytes(), 0u);
    EXPECT_EQ(cache.usedBytes(), 0u);
}

} // namespace
} // namespace vq
