// Repaint cost of the canvas view with many photographs.
//
// First paint of new photographs (cold cache): 100 JPEG photographs of
// 4000 x 3000 at quality 90, each its own Picture, sized by the 250-pixel rule
// (250 x 187, drawn 250 x 186 from the halved sizes) and laid out in a 10 x 10 grid over a 2600 x 1950 canvas, at
// zoom 1 (the nodes in the 1000 x 800 client area) and at zoom 0.25 (all of
// them). The photographs are generated once and kept on disk (the temporary
// folder's velquin-bench-paint, or --cache DIR). Figures: wall time and
// process CPU time of the first repaint, median of --cold-runs runs (default
// 3), each with new Pictures and an empty cache; and, for scale, one
// photograph made ready for a 250 x 187 node: decoded in full by Qt's reader,
// reduced by Qt's reader (how pictures were decoded before) and reduced for
// the screen by DecodeImage, each with wall and CPU time.
//
// Repaints (warm cache): 1000 nodes, each a 2000 x 1500 JPEG shown at about
// 250 x 188, every node its own Picture (made from one of a few dozen distinct
// JPEG streams), in two layouts: stacked, as added to the new-document canvas
// of 1000 x 1000 (the 250-pixel rule makes them 250 x 187) at scattered
// places, so that most of them overlap; and spread over the largest canvas
// (10000 x 7500) in a grid with a small overlap between neighbours. Figures:
// the median of many full repaints at zoom 1, 0.25 and 4; the first paint
// after adding 100 of them; peak resident memory of the 1000-node runs.
//
//   bench_paint [RUNS] [--cold-runs N] [--cache DIR]
#include "app/Application.h"
#include "bench/support/BenchPhotos.h"
#include "imaging/ImageDecode.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "view/CanvasView.h"
#include "render/ViewGeometry.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace vq;
using namespace vq::bench;

namespace {

constexpr int kDistinctPhotos = 36;
constexpr QSize kPhotoSize{2000, 1500};
constexpr QSize kClient{1000, 800};
constexpr int kShownW = 250;
constexpr int kShownH = 188;
constexpr int kStepX = 245; // 5 pixels of overlap with each neighbour
constexpr int kStepY = 183;
constexpr int kColumns = 40;

// The first-paint scene: a 10 x 10 grid of 250 x 187 nodes with small gaps.
constexpr QSize kLargePhotoSize{4000, 3000};
constexpr int kLargePhotos = 100;
constexpr int kGridColumns = 10;
constexpr int kGridStepX = 260;
constexpr int kGridStepY = 195;
constexpr QSize kGridCanvas{kGridColumns * kGridStepX, kLargePhotos / kGridColumns * kGridStepY};

long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

enum class Layout { Stacked, Spread };

// Fills the document with `count` nodes, each a new Picture.
void fillDocument(Document& doc, const std::vector<QByteArray>& photos, int count, int firstPhoto, Layout layout)
{
    doc.ResetDocument();
    if (layout == Layout::Spread) {
        doc.state.canvasWidth = 10000;
        doc.state.canvasHeight = 7500;
    }
    QRandomGenerator rng(4242);
    for (int i = 0; i < count; ++i) {
        PicturePtr picture = Picture::fromJpegBytes(photos[static_cast<std::size_t>((firstPhoto + i) % photos.size())]);
        int cx = 0;
        int cy = 0;
        if (layout == Layout::Spread) {
            cx = 10 + (i % kColumns) * kStepX + kShownW / 2;
            cy = 10 + (i / kColumns) * kStepY + kShownH / 2;
        } else {
            cx = 125 + rng.bounded(750);
            cy = 94 + rng.bounded(812);
        }
        AppendNode(doc, std::move(picture), kPhotoSize.width(), kPhotoSize.height(), cx, cy);
        NodeRecord& n = doc.nodes[i];
        if (layout == Layout::Spread) {
            n.halfWidth = kShownW / 2;
            n.halfHeight = kShownH / 2;
            n.centerX = cx;
            n.centerY = cy;
        }
        n.frameColor = (i % 3 == 0) ? 0x7B5A48 : kNoColor;
        n.frameWidth = 2;
        n.frameStyle = i % 6;
    }
    doc.clearSelection();
    doc.state.mainIndex = 0;
    doc.screen[0].selected = 1;
    doc.screen[1].selected = 1;
}

// Fills the document with the first-paint grid, each node a new Picture.
void fillGrid(Document& doc, const std::vector<QByteArray>& photos)
{
    doc.ResetDocument();
    doc.state.canvasWidth = kGridCanvas.width();
    doc.state.canvasHeight = kGridCanvas.height();
    for (int i = 0; i < kLargePhotos; ++i) {
        const int cx = (i % kGridColumns) * kGridStepX + kGridStepX / 2;
        const int cy = (i / kGridColumns) * kGridStepY + kGridStepY / 2;
        AppendNode(doc, Picture::fromJpegBytes(photos[static_cast<std::size_t>(i) % photos.size()]),
                   kLargePhotoSize.width(), kLargePhotoSize.height(), cx, cy);
    }
    doc.clearSelection();
}

// One photograph made ready for a 250 x 187 node by `decode`, then scaled
// smoothly; best of three wall and thread CPU times, on one thread.
struct DecodeFigures {
    double wall;
    double cpu;
};

template <class Decode>
DecodeFigures decodeForNode(Decode&& decode)
{
    DecodeFigures best{1e30, 1e30};
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        const double cpuBefore = ThreadCpuMs();
        t.start();
        const QImage decoded = decode();
        const QImage shown = decoded.scaled(QSize(250, 187), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double wall = MsSince(t);
        const double cpu = ThreadCpuMs() - cpuBefore;
        if (shown.isNull())
            std::printf("  (decode failed)\n");
        best = {std::min(best.wall, wall), std::min(best.cpu, cpu)};
    }
    return best;
}

// Qt's reader, as every picture was decoded before libjpeg-turbo took over
// reduced ones; an empty `size` decodes in full.
QImage readWithQt(const QByteArray& bytes, QSize size)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

struct Figures {
    double median;
    double worst;
};

template <class F>
Figures timeRepeated(int runs, F&& paint)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        paint();
        ms.push_back(MsSince(t));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    QApplication qapp(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    int runs = 60;
    int coldRuns = 3;
    QString cache = DefaultPhotoCache();
    const QStringList args = qapp.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cold-runs") && i + 1 < args.size())
            coldRuns = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else if (args[i].toInt() > 0)
            runs = std::max(3, args[i].toInt());
    }

    std::printf("bench_paint: canvas view repaint, client %dx%d\n", kClient.width(), kClient.height());
    QElapsedTimer prep;
    prep.start();
    std::vector<QByteArray> photos;
    std::size_t photoBytes = 0;
    for (int i = 0; i < kDistinctPhotos; ++i) {
        photos.push_back(MakePhoto(kPhotoSize, i));
        photoBytes += static_cast<std::size_t>(photos.back().size());
    }
    std::printf("  %d distinct %dx%d JPEG streams, %.1f MB in all, made in %.0f ms\n", kDistinctPhotos,
                kPhotoSize.width(), kPhotoSize.height(), double(photoBytes) / 1e6, MsSince(prep));

    Application app;
    app.sys().dspOverlap = 1;
    app.sys().multiCntX = 1;
    app.sys().multiCntY = 1;
    CanvasView view(app.edits(), app.sys());
    view.show();
    view.resize(view.size() + kClient - view.viewport()->size());
    if (!QTest::qWaitForWindowExposed(&view))
        std::printf("  (window not exposed)\n");
    if (view.viewport()->size() != kClient)
        view.resize(view.size() + kClient - view.viewport()->size());
    std::printf("  viewport %dx%d\n", view.viewport()->width(), view.viewport()->height());

    // First paint of 100 new 4000 x 3000 photographs.
    prep.restart();
    const std::vector<QByteArray> large = ReadFiles(LargePhotoFiles(cache, kLargePhotos, kLargePhotoSize));
    std::printf("  %d %dx%d JPEG photographs (quality 90, %.1f MB the first) from %s in %.0f ms\n", kLargePhotos,
                kLargePhotoSize.width(), kLargePhotoSize.height(), double(large.front().size()) / 1e6,
                qPrintable(cache), MsSince(prep));
    const QSize reduced = kLargePhotoSize / PictureCache::reductionFor(kLargePhotoSize, {250, 187});
    const struct {
        const char* how;
        std::function<QImage()> decode;
    } ways[] = {
        {"decoded in full by Qt's reader", [&] { return readWithQt(large.front(), {}); }},
        {"decoded at 1/8 by Qt's reader", [&] { return readWithQt(large.front(), reduced); }},
        {"decoded for the screen by DecodeImage", [&] { return DecodeImage(large.front(), nullptr, reduced); }},
    };
    for (const auto& way : ways) {
        const DecodeFigures f = decodeForNode(way.decode);
        std::printf("  one photograph for a 250x187 node, %s and scaled: %.1f ms (CPU %.1f ms)\n",
                    way.how, f.wall, f.cpu);
    }
    for (const float zoom : {1.0f, 0.25f}) {
        std::vector<double> wall;
        std::vector<double> cpu;
        int visible = 0;
        QSize shownSize;
        for (int run = 0; run < coldRuns; ++run) {
            fillGrid(app.edits().editableDoc(), large);
            view.OnInitialUpdate(false);
            view.SetZoom(zoom);
            view.setScrollPosition({0, 0});
            PictureCache::instance().clear();
            QElapsedTimer t;
            const double cpuBefore = ProcessCpuMs();
            t.start();
            view.repaintNow();
            wall.push_back(MsSince(t));
            cpu.push_back(ProcessCpuMs() - cpuBefore);
            const QRect shown(view.scrollPosition(), kClient);
            visible = 0;
            for (int i = 0; i < app.doc().state.nodeCount; ++i)
                visible += app.doc().NodeRect(i).scaled(zoom).toQRect().intersects(shown) ? 1 : 0;
            shownSize = app.doc().NodeRect(0).toQRect().size();
        }
        std::printf("  cold first paint, %d new photographs %dx%d as %dx%d nodes on %dx%d, zoom %.2f: %7.1f ms"
                    " (CPU %7.1f ms; %d nodes in view; median of %d)\n",
                    kLargePhotos, kLargePhotoSize.width(), kLargePhotoSize.height(), shownSize.width(),
                    shownSize.height(), kGridCanvas.width(), kGridCanvas.height(), double(zoom), Median(wall),
                    Median(cpu), visible, coldRuns);
    }

    // Cold: 100 photographs just added, every Picture new to the cache.
    const struct {
        Layout layout;
        float zoom;
        const char* name;
    } smallColdRuns[] = {{Layout::Stacked, 1.0f, "stacked"}, {Layout::Spread, 0.25f, "spread"}};
    for (const auto& run : smallColdRuns) {
        PictureCache::instance().clear();
        fillDocument(app.edits().editableDoc(), photos, 100, run.layout == Layout::Stacked ? 0 : 7, run.layout);
        view.OnInitialUpdate(false);
        view.SetZoom(run.zoom);
        PictureCache::instance().clear();
        QElapsedTimer t;
        t.start();
        view.repaintNow();
        const double cold = MsSince(t);
        int visible = 0;
        const QRect shown(view.scrollPosition(), kClient);
        for (int i = 0; i < app.doc().state.nodeCount; ++i)
            visible += app.doc().NodeRect(i).scaled(run.zoom).toQRect().intersects(shown) ? 1 : 0;
        t.restart();
        view.repaintNow();
        std::printf("  cold first paint, 100 photographs %dx%d %s, zoom %.2f: %6.1f ms (%d nodes in view; next paint"
                    " %.2f ms)\n",
                    kPhotoSize.width(), kPhotoSize.height(), run.name, double(run.zoom), cold, visible, MsSince(t));
    }

    // Warm: 1000 nodes.
    for (const Layout layout : {Layout::Stacked, Layout::Spread}) {
        PictureCache::instance().clear();
        fillDocument(app.edits().editableDoc(), photos, 1000, 0, layout);
        view.OnInitialUpdate(false);
        const char* name = layout == Layout::Stacked ? "stacked on 1000x1000" : "spread on 10000x7500";
        for (const float zoom : {1.0f, 0.25f, 4.0f}) {
            view.SetZoom(zoom);
            const float actual = app.doc().state.zoom;
            // Somewhere in the middle of the nodes.
            const QPoint middle = layout == Layout::Stacked ? QPoint(500, 500) : QPoint(4900, 2300);
            view.setScrollPosition(CanvasToScreen(middle, actual) - QPoint(kClient.width() / 2, kClient.height() / 2));
            view.repaintNow(); // fills the cache for this view
            const Figures window = timeRepeated(runs, [&] { view.repaintNow(); });
            const Figures buffer = timeRepeated(runs, [&] { (void)view.renderToImage(); });
            std::printf("  warm repaint, 1000 nodes %s, zoom %.2f%s: %6.2f ms median, %6.2f ms worst"
                        " (rendered image alone %.2f ms)\n",
                        name, double(actual), actual != zoom ? " (the largest this canvas allows)" : "",
                        window.median, window.worst, buffer.median);
        }
    }
    std::printf("  picture cache: decodes %.0f MB, scaled copies %.0f MB\n",
                double(PictureCache::instance().usedBytes()) / 1e6,
                double(PictureCache::instance().scaledUsedBytes()) / 1e6);
    std::printf("  peak resident memory (VmHWM): %.0f MB\n", double(peakResidentKb()) / 1024.0);
    return 0;
}
