// Output drawn from pictures decoded one by one at their drawn size: the
// pixels of the picture cache's drawing, identical bytes decoded once, a
// bounded number of decodes held, and no worker left behind.
#include "render/StreamingPictureSupply.h"

#include "base/Settings.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "model/RangeModeState.h"
#include "render/CanvasRender.h"
#include "tests/support/Fixtures.h"
#include "tests/view/ViewTestSupport.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace vq {
namespace {

// Ramps and a hard edge: a misplaced row, a wrong scale or a swapped channel
// shows, while what different decoders round differently stays small.
QByteArray rampJpeg(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((255 * x / size.width() + seed * 40) % 256, 255 * y / size.height(),
                           (200 - 150 * x / size.width() + seed * 25) % 256);
    }
    {
        QPainter p(&image);
        p.fillRect(QRect(size.width() / 3, size.height() / 3, size.width() / 4, size.height() / 4),
                   QColor::fromHsv((seed * 70) % 360, 200, 200));
    }
    return test::jpegBytes(image, 95);
}

// JPEG bytes whose header gives a size but which hold no scan to decode.
PicturePtr brokenPicture()
{
    QByteArray bytes = test::makeJpeg(100, 100, Qt::blue);
    bytes.truncate(bytes.indexOf("\xFF\xDA"));
    bytes += "\xFF\xD9";
    return Picture::fromJpegBytes(bytes);
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

struct Difference {
    double mean = 0;
    int worst = 0;
    double over12 = 0; // the share of samples off by more than 12
};

Difference compare(const QImage& a, const QImage& b)
{
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < a.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(row));
        for (int col = 0; col < a.width(); ++col) {
            for (const int shift : {0, 8, 16}) {
                const int e = std::abs(int((p[col] >> shift) & 0xFF) - int((q[col] >> shift) & 0xFF));
                sum += e;
                d.worst = std::max(d.worst, e);
                d.over12 += e > 12 ? 1 : 0;
            }
        }
    }
    d.mean = double(sum) / (3.0 * a.width() * a.height());
    d.over12 /= 3.0 * a.width() * a.height();
    return d;
}

// Several overlapping nodes, one picture in two of them, a copy of its bytes
// in a third, and an undecodable picture over part of a red one. Pictures
// come fresh each time, so that nothing is known undecodable beforehand.
void buildScene(Document& doc)
{
    doc.ResetDocument();
    doc.state.canvasWidth = 600;
    doc.state.canvasHeight = 400;
    doc.state.backColor = 0xFFFFFF;
    const PicturePtr shared = Picture::fromJpegBytes(rampJpeg({800, 600}, 1));
    const PicturePtr copy = Picture::fromJpegBytes(rampJpeg({800, 600}, 1));
    const PicturePtr large = Picture::fromJpegBytes(rampJpeg({1600, 1200}, 2));
    const PicturePtr red = Picture::fromJpegBytes(test::makeJpeg(100, 100, Qt::red));
    ASSERT_TRUE(AppendNode(doc, shared, 230, 170, 130, 100));
    ASSERT_TRUE(AppendNode(doc, large, 300, 225, 300, 200));
    ASSERT_TRUE(AppendNode(doc, shared, 230, 170, 420, 280));
    ASSERT_TRUE(AppendNode(doc, copy, 230, 170, 470, 120));
    ASSERT_TRUE(AppendNode(doc, red, 120, 120, 100, 320));
    ASSERT_TRUE(AppendNode(doc, brokenPicture(), 80, 80, 120, 340));
    ASSERT_TRUE(AppendNode(doc, shared, 90, 60, 560, 370));
}

TEST(StreamingPictureSupply, DrawsTheCanvasAsThePictureCacheDoes)
{
    SysSettings sys;
    Document cached;
    buildScene(cached);
    PictureCache::instance().clear();
    const QImage expected = RenderCanvas(cached, sys, RangeMode{}, 1.0f);
    Document streamed;
    buildScene(streamed);
    const int threadsBefore = threadCount();
    const QImage actual = RenderCanvasStreamed(streamed, sys, RangeMode{}, 1.0f);
    EXPECT_EQ(threadCount(), threadsBefore);
    ASSERT_EQ(actual.size(), expected.size());
    const Difference d = compare(actual, expected);
    // One smooth reduction from the nearest eighth instead of two from the
    // nearest halving: only sharp edges differ by more than rounding.
    EXPECT_LE(d.mean, 0.5) << "worst " << d.worst;
    EXPECT_LE(d.over12, 0.002) << "worst " << d.worst;
    EXPECT_LE(d.worst, 48) << "mean " << d.mean;
    // The undecodable picture, found only while drawing, hides nothing: the
    // red node shows beneath it.
    EXPECT_TRUE(test::near(actual.pixel(140, 310), Qt::red, 24));
    EXPECT_TRUE(streamed.nodes[5].picture->undecodable());
}

TEST(StreamingPictureSupply, IdenticalBytesAtOneSizeDecodeOnce)
{
    const QByteArray bytes = rampJpeg({800, 600}, 3);
    const PicturePtr a = Picture::fromJpegBytes(bytes);
    const PicturePtr sameBytes = Picture::fromJpegBytes(QByteArray(bytes.constData(), bytes.size()));
    const PicturePtr other = Picture::fromJpegBytes(rampJpeg({800, 600}, 4));
    const QSize small(230, 172);
    const QSize big(460, 345);
    const std::vector<PictureCache::ScaledRequest> plan{
        {a.get(), small}, {sameBytes.get(), small}, {other.get(), small}, {a.get(), big}, {a.get(), small}};

    StreamingPictureSupply supply;
    supply.expect(plan);
    std::vector<QImage> drawn;
    for (const auto& request : plan) {
        drawn.push_back(supply.scaled(*request.picture, request.size).image);
        ASSERT_EQ(drawn.back().size(), request.size);
    }
    EXPECT_EQ(supply.counters().decodes, 3);
    EXPECT_EQ(drawn[1], drawn[0]);
    EXPECT_EQ(drawn[4], drawn[0]);
    EXPECT_NE(drawn[2], drawn[0]);
    EXPECT_EQ(drawn[0], StreamingPictureSupply::decodeAt(*a, small));
    EXPECT_FALSE(supply.foundUndecodable());
}

TEST(StreamingPictureSupply, HoldsABoundedWorkingSetAndLeavesNoWorkerBehind)
{
    std::vector<PicturePtr> pictures;
    std::vector<PictureCache::ScaledRequest> plan;
    for (int i = 0; i < 24; ++i) {
        pictures.push_back(Picture::fromJpegBytes(rampJpeg({320, 240}, i)));
        plan.push_back({pictures.back().get(), {100, 75}});
    }
    const int threadsBefore = threadCount();
    {
        StreamingPictureSupply supply({2, 3});
        PictureSupplyScope scope(supply);
        CurrentPictureSupply().expect(plan);
        for (int i = 0; i < int(plan.size()); ++i) {
            // A slow painter: the workers have every chance to run ahead.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const QImage image = CurrentPictureSupply().scaled(*plan[std::size_t(i)].picture, {100, 75}).image;
            ASSERT_EQ(image, StreamingPictureSupply::decodeAt(*pictures[std::size_t(i)], {100, 75})) << i;
        }
        const StreamingPictureSupply::Counters counters = supply.counters();
        EXPECT_EQ(counters.decodes, 24);
        EXPECT_EQ(counters.peakHeld, supply.aheadLimit());
    }
    EXPECT_EQ(threadCount(), threadsBefore);
}

TEST(StreamingPictureSupply, NodesPassedOverAndUnplannedPicturesStillDraw)
{
    const PicturePtr first = Picture::fromJpegBytes(rampJpeg({400, 300}, 5));
    const PicturePtr second = Picture::fromJpegBytes(rampJpeg({400, 300}, 6));
    const PicturePtr unplanned = Picture::fromJpegBytes(rampJpeg({400, 300}, 7));
    const PicturePtr broken = brokenPicture();
    StreamingPictureSupply supply({1, 1});
    supply.expect(std::vector<PictureCache::ScaledRequest>{{first.get(), {200, 150}}, {broken.get(), {50, 50}},
                                                           {second.get(), {200, 150}}});
    // The first node is passed over; the undecodable one comes out null.
    EXPECT_TRUE(supply.scaled(*broken, {50, 50}).image.isNull());
    EXPECT_TRUE(supply.foundUndecodable());
    EXPECT_EQ(supply.scaled(*second, {200, 150}).image.size(), QSize(200, 150));
    EXPECT_EQ(supply.scaled(*unplanned, {120, 90}).image.size(), QSize(120, 90));
    EXPECT_LE(supply.counters().peakHeld, 2);
}

} // namespace
} // namespace vq
