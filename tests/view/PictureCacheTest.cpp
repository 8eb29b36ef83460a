// The decode and scaled-copy pools that let the canvas repaint without decoding.
#include "imaging/PictureCache.h"
#include "tests/support/Fixtures.h"
#include "imaging/PreviewStore.h"

#include "tests/view/ViewTestSupport.h"
#include "render/Painters.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace vq {
namespace {

using test::makeJpegPicture;
using test::near;

// Vertical stripes, dark and light, each `width` pixels wide.
PicturePtr makeStripedPicture(QSize size, int width)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = (x / width) % 2 == 0 ? qRgb(20, 20, 20) : qRgb(235, 235, 235);
    }
    return Picture::fromJpegBytes(test::jpegBytes(image, 100));
}

// How far the green channel swings along the middle row of `rect`.
int contrast(const QImage& image, QRect rect)
{
    int low = 255;
    int high = 0;
    const int y = rect.center().y();
    for (int x = rect.left(); x <= rect.right(); ++x) {
        low = std::min(low, qGreen(image.pixel(x, y)));
        high = std::max(high, qGreen(image.pixel(x, y)));
    }
    return high - low;
}

int contrast(const QImage& image)
{
    return contrast(image, image.rect());
}

struct ReductionCase {
    const char* name;
    QSize full;
    QSize wanted;
    int reduction;
};

class ReductionTest : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(ReductionTest, SmallestDecodeThatStillCovers)
{
    EXPECT_EQ(PictureCache::reductionFor(GetParam().full, GetParam().wanted), GetParam().reduction);
}

INSTANTIATE_TEST_SUITE_P(Table, ReductionTest,
                         ::testing::Values(ReductionCase{"ThumbnailEighth", {2000, 1500}, {250, 187}, 8},
                                           ReductionCase{"OnePixelTallerQuarter", {2000, 1500}, {250, 188}, 4},
                                           ReductionCase{"HalfExactly", {2000, 1500}, {1000, 750}, 2},
                                           ReductionCase{"WiderThanHalfFull", {2000, 1500}, {1001, 750}, 1},
                                           ReductionCase{"TinyStopsAtEighth", {2000, 1500}, {10, 10}, 8},
                                           ReductionCase{"EmptyMeansFull", {2000, 1500}, {}, 1},
                                           ReductionCase{"UpscaleFull", {2000, 1500}, {4000, 3000}, 1},
                                           // A 4000 x 3000 photograph as the 250-pixel rule shows it,
                                           // at zoom 1, 0.25, 2, 4 and 8, and printed large.
                                           ReductionCase{"PhotoNodeEighth", {4000, 3000}, {250, 186}, 8},
                                           ReductionCase{"PhotoQuarterZoomEighth", {4000, 3000}, {62, 46}, 8},
                                           ReductionCase{"PhotoZoomTwoEighth", {4000, 3000}, {500, 372}, 8},
                                           ReductionCase{"PhotoZoomFourQuarter", {4000, 3000}, {1000, 744}, 4},
                                           ReductionCase{"PhotoZoomEightHalf", {4000, 3000}, {2000, 1488}, 2},
                                           ReductionCase{"PhotoPrintedLargeFull", {4000, 3000}, {2001, 1488}, 1},
                                           ReductionCase{"OddSizeRoundsDown", {4001, 3001}, {500, 375}, 8},
                                           ReductionCase{"OddSizeTooSmallForEighth", {3999, 3000}, {500, 375}, 4},
                                           ReductionCase{"HundredMegapixelNodeEighth", {12000, 8400}, {250, 175}, 8}),
                         [](const auto& info) { return info.param.name; });

// The decode kept for a request is the smallest that covers it, with the
// picture's content in place; never a coarser one scaled up.
struct DecodeSizeCase {
    const char* name;
    QSize wanted;
    QSize decoded;
};

class DecodeSizeTest : public ::testing::TestWithParam<DecodeSizeCase> {
protected:
    void SetUp() override { PictureCache::instance().clear(); }
    void TearDown() override { PictureCache::instance().clear(); }
};

TEST_P(DecodeSizeTest, DecodesAtTheReductionThatCovers)
{
    PictureCache& cache = PictureCache::instance();
    const PicturePtr picture = makeJpegPicture({800, 600}, Qt::red, Qt::blue);
    ASSERT_TRUE(picture);
    const QImage decoded = cache.image(*picture, GetParam().wanted);
    ASSERT_EQ(decoded.size(), GetParam().decoded);
    EXPECT_EQ(cache.usedBytes(), std::size_t(decoded.width()) * decoded.height() * 4);
    EXPECT_TRUE(near(decoded.pixel(decoded.width() / 4, decoded.height() / 2), Qt::red));
    EXPECT_TRUE(near(decoded.pixel(decoded.width() * 3 / 4, decoded.height() / 2), Qt::blue));
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeSizeTest,
                         ::testing::Values(DecodeSizeCase{"Eighth", {100, 75}, {100, 75}},
                                           DecodeSizeCase{"EighthForTiny", {3, 2}, {100, 75}},
                                           DecodeSizeCase{"QuarterOnePixelWider", {101, 75}, {200, 150}},
                                           DecodeSizeCase{"Quarter", {200, 150}, {200, 150}},
                                           DecodeSizeCase{"HalfOnePixelTaller", {200, 151}, {400, 300}},
                                           DecodeSizeCase{"Half", {400, 300}, {400, 300}},
                                           DecodeSizeCase{"FullOnePixelWider", {401, 300}, {800, 600}},
                                           DecodeSizeCase{"FullWhenAsked", {}, {800, 600}},
                                           DecodeSizeCase{"FullForLarger", {1600, 1200}, {800, 600}}),
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

TEST_F(PictureCacheTest, ReducedDecodeNeverHoldsTheFullImage)
{
    // With the readers allowed 4 MB, a 2000 x 1500 picture (12 MB in full)
    // can only be decoded by a decoder that reduces while it decodes.
    const PicturePtr warmUp = makeJpegPicture({8, 8}, Qt::gray);
    (void)cache.image(*warmUp, {}); // the program's own limit is set by now
    const PicturePtr picture = makeJpegPicture({2000, 1500}, Qt::red, Qt::blue);
    ASSERT_TRUE(picture);
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(4);
    const QImage shown = cache.scaled(*picture, {250, 187});
    QImageReader::setAllocationLimit(limit);
    ASSERT_EQ(shown.size(), QSize(250, 187));
    EXPECT_TRUE(near(shown.pixel(60, 90), Qt::red));
    EXPECT_TRUE(near(shown.pixel(190, 90), Qt::blue));
    EXPECT_FALSE(picture->undecodable());
}

TEST_F(PictureCacheTest, LargerShowingAfterASmallOneDecodesAgainSharper)
{
    // 4-pixel stripes: a decode at 1/8 averages every period to grey, one at
    // 1/2 keeps them as 2-pixel stripes.
    const PicturePtr picture = makeStripedPicture({1600, 1200}, 4);
    ASSERT_TRUE(picture);
    const QImage small = cache.scaled(*picture, {200, 150});
    ASSERT_EQ(small.size(), QSize(200, 150));
    EXPECT_LT(contrast(small), 40);
    const std::size_t smallDecode = std::size_t(200) * 150 * 4;
    EXPECT_EQ(cache.usedBytes(), smallDecode);

    const QImage large = cache.scaled(*picture, {800, 600});
    ASSERT_EQ(large.size(), QSize(800, 600));
    EXPECT_GT(contrast(large), 150);
    EXPECT_EQ(cache.usedBytes(), smallDecode + std::size_t(800) * 600 * 4);

    // Painted again at either size: nothing is decoded or scaled again.
    EXPECT_EQ(cache.scaled(*picture, {800, 600}).constBits(), large.constBits());
    EXPECT_EQ(cache.scaled(*picture, {200, 150}).constBits(), small.constBits());
    EXPECT_EQ(cache.usedBytes(), smallDecode + std::size_t(800) * 600 * 4);
}

TEST_F(PictureCacheTest, FullSizeRequestAfterAScreenOneIsFullSize)
{
    const PicturePtr picture = makeStripedPicture({1600, 1200}, 4);
    ASSERT_TRUE(picture);
    (void)cache.scaled(*picture, {200, 150});
    const QImage full = cache.image(*picture, {});
    ASSERT_EQ(full.size(), QSize(1600, 1200));
    EXPECT_GT(contrast(full), 180);
}

TEST_F(PictureCacheTest, PrintingDrawsFromTheResolutionTheDeviceTakes)
{
    // A printer maps a canvas pixel to several device pixels: the painter's
    // transform scales, and the node shown 200 x 150 on screen needs the
    // whole picture on paper.
    const PicturePtr picture = makeStripedPicture({1600, 1200}, 4);
    ASSERT_TRUE(picture);
    (void)cache.scaled(*picture, {200, 150}); // what the screen showed
    QImage page(1600, 1200, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.scale(8, 8);
        ASSERT_TRUE(DrawPicture(painter, *picture, QRect(0, 0, 200, 150)));
    }
    EXPECT_GE(cache.usedBytes(), std::size_t(1600) * 1200 * 4);
    EXPECT_GT(contrast(page, QRect(400, 500, 800, 200)), 150);
}

TEST_F(PictureCacheTest, PrefetchDecodesAPictureShownAtSeveralSizesOnce)
{
    // One picture in four nodes, two of them the same size: the decode for
    // the largest serves them all.
    const PicturePtr picture = makeJpegPicture({1600, 1200}, Qt::red);
    ASSERT_TRUE(picture);
    cache.prefetchScaled({{picture.get(), {40, 30}}, {picture.get(), {400, 300}}, {picture.get(), {40, 30}},
                          {picture.get(), {90, 70}}});
    for (const QSize size : {QSize(40, 30), QSize(400, 300), QSize(90, 70)}) {
        SCOPED_TRACE(size.width());
        EXPECT_TRUE(cache.hasScaled(*picture, size));
    }
    EXPECT_EQ(cache.usedBytes(), std::size_t(400) * 300 * 4);
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

// Collects the pictures the workers announce, from whichever thread.
class Arrivals {
public:
    explicit Arrivals(PictureCache& cache)
        : m_cache(cache), m_id(cache.addArrivalListener([this](quint64 key) {
              std::lock_guard lock(m_mutex);
              m_keys.push_back(key);
          }))
    {
    }
    ~Arrivals() { m_cache.removeArrivalListener(m_id); }
    [[nodiscard]] std::vector<quint64> keys() const
    {
        std::lock_guard lock(m_mutex);
        return m_keys;
    }

private:
    PictureCache& m_cache;
    int m_id;
    mutable std::mutex m_mutex;
    std::vector<quint64> m_keys;
};

TEST_F(PictureCacheTest, RequestsAreMadeByTheWorkersAndAnnounced)
{
    const PicturePtr red = makeJpegPicture({400, 300}, Qt::red);
    const PicturePtr blue = makeJpegPicture({300, 400}, Qt::blue);
    Arrivals arrivals(cache);
    // Asking never decodes on the asking thread.
    EXPECT_TRUE(cache.scaledIfReady(*red, {100, 75}).isNull());
    EXPECT_TRUE(cache.imageIfReady(*blue, {150, 200}).isNull());
    cache.request(this, {{red, {100, 75}, true}, {blue, {150, 200}, false}});
    cache.waitForRequests();

    const QImage scaled = cache.scaledIfReady(*red, {100, 75});
    EXPECT_EQ(scaled.size(), QSize(100, 75));
    EXPECT_TRUE(near(scaled.pixel(50, 37), Qt::red));
    // A decode request leaves the decode that covers the size, no scaled copy.
    EXPECT_EQ(cache.imageIfReady(*blue, {150, 200}).size(), QSize(150, 200));
    EXPECT_FALSE(cache.hasScaled(*blue, {150, 200}));
    std::vector<quint64> announced = arrivals.keys();
    std::sort(announced.begin(), announced.end());
    std::vector<quint64> expected{red->cacheKey(), blue->cacheKey()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(announced, expected);

    // What is at hand is not made again, nor announced again.
    cache.request(this, {{red, {100, 75}, true}});
    cache.waitForRequests();
    EXPECT_EQ(arrivals.keys().size(), 2u);
}

TEST_F(PictureCacheTest, ANewRequestReplacesWhatTheSameOwnerAskedBefore)
{
    std::vector<PicturePtr> pictures;
    for (int i = 0; i < 40; ++i)
        pictures.push_back(makeJpegPicture({640, 480}, QColor(i * 6, 0, 0)));
    const PicturePtr wanted = makeJpegPicture({200, 100}, Qt::green);
    int other = 0;
    std::vector<PictureCache::Request> stale;
    for (const PicturePtr& p : pictures)
        stale.push_back({p, {320, 240}, true});
    // Another owner's requests are left alone by the replacement.
    cache.request(&other, {{wanted, {20, 10}, true}});
    cache.request(this, stale);
    cache.request(this, {{wanted, {100, 50}, true}});
    cache.waitForRequests();
    EXPECT_TRUE(cache.hasScaled(*wanted, {100, 50}));
    EXPECT_TRUE(cache.hasScaled(*wanted, {20, 10}));
    // At most the jobs already running when the second request came were done.
    const auto made = std::count_if(pictures.begin(), pictures.end(),
                                    [&](const PicturePtr& p) { return cache.hasScaled(*p, {320, 240}); });
    EXPECT_LT(made, 10);
}

TEST_F(PictureCacheTest, AnUndecodablePictureIsMarkedAndAnnounced)
{
    // A header that gives a size, and no scan to decode.
    QByteArray bytes = makeJpegPicture({64, 48}, Qt::red)->bytes();
    bytes.truncate(bytes.indexOf("\xFF\xDA"));
    bytes += "\xFF\xD9";
    const PicturePtr broken = Picture::fromJpegBytes(bytes);
    ASSERT_TRUE(broken);
    ASSERT_FALSE(broken->undecodable());
    Arrivals arrivals(cache);
    cache.request(this, {{broken, {32, 24}, true}});
    cache.waitForRequests();
    EXPECT_TRUE(broken->undecodable());
    EXPECT_EQ(arrivals.keys(), std::vector<quint64>{broken->cacheKey()});
}

TEST_F(PictureCacheTest, AStandInIsTheSmallestImageThatCoversElseTheLargest)
{
    const PicturePtr picture = makeJpegPicture({800, 600}, Qt::red);
    EXPECT_TRUE(cache.standIn(*picture, {100, 75}).isNull());
    (void)cache.scaled(*picture, {40, 30}); // from a decode at 100 x 75
    EXPECT_EQ(cache.standIn(*picture, {120, 90}).size(), QSize(100, 75)) << "nothing covers: the largest";
    (void)cache.scaled(*picture, {300, 225}); // from a decode at 400 x 300
    EXPECT_EQ(cache.standIn(*picture, {120, 90}).size(), QSize(300, 225));
    EXPECT_EQ(cache.standIn(*picture, {350, 260}).size(), QSize(400, 300));
    EXPECT_EQ(cache.standIn(*picture, {60, 45}).size(), QSize(100, 75));
    EXPECT_EQ(cache.standIn(*picture, {30, 20}).size(), QSize(40, 30));
}

TEST_F(PictureCacheTest, APictureDroppedWhileItsRequestWaitsIsNoHarm)
{
    int owner = 0;
    {
        std::vector<PictureCache::Request> requests;
        for (int i = 0; i < 20; ++i)
            requests.push_back({makeJpegPicture({640, 480}, Qt::blue), {64, 48}, true});
        cache.request(&owner, std::move(requests));
    }
    // The workers hold the pictures they were asked for; once done, nothing
    // of them stays in the cache.
    cache.waitForRequests();
    EXPECT_EQ(cache.scaledUsedBytes(), 0u);
    EXPECT_EQ(cache.usedBytes(), 0u);
}

TEST_F(PictureCacheTest, AKeptPreviewStandsInForAPictureTheCacheHasForgotten)
{
    QTemporaryDir folder;
    PreviewStore previews(folder.path());
    cache.setPreviewStore(&previews);
    const PicturePtr picture = makeJpegPicture({1600, 1200}, Qt::red, Qt::blue);

    // The first decode leaves a preview on disk.
    cache.request(this, {{picture, {400, 300}, true}});
    cache.waitForRequests();
    EXPECT_GT(previews.usedBytes(), 0);

    // Next time round (a new run, as far as the cache knows) the preview is
    // brought in beside a small decode, and stands in where that falls short.
    cache.clear();
    cache.request(this, {{picture, {64, 48}, true}});
    cache.waitForRequests();
    const QImage standIn = cache.standIn(*picture, {300, 225});
    EXPECT_EQ(standIn.size(), QSize(400, 300));
    EXPECT_TRUE(near(standIn.pixel(20, 150), Qt::red));
    EXPECT_TRUE(near(standIn.pixel(380, 150), Qt::blue));

    // Small pictures decode faster than a preview loads: none is kept.
    previews.clear();
    cache.request(this, {{makeJpegPicture({800, 600}, Qt::green), {400, 300}, true}});
    cache.waitForRequests();
    EXPECT_EQ(previews.usedBytes(), 0);
    cache.setPreviewStore(nullptr);
}

} // namespace
} // namespace vq
