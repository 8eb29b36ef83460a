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
// photograph decoded in full and decoded reduced for a 250 x 187 node.
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
#include "app/CT52106App.h"
#include "imaging/ImageDecode.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "view/CT52106View.h"
#include "view/ViewGeometry.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace vq;

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

// A photograph-like picture: gradients, soft shapes and fine noise, so the
// JPEG stream is as costly to decode as a real one.
QByteArray makePhoto(QSize size, int seed)
{
    QRandomGenerator rng(static_cast<quint32>(seed) * 7919u + 17u);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(rng.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(rng.bounded(360), 160, 90));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int reach = size.width() * 3 / 20;
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(rng.bounded(360), 40 + rng.bounded(200), 40 + rng.bounded(215), 90 + rng.bounded(120)));
        const int r = 20 + rng.bounded(reach);
        p.drawEllipse(QPoint(rng.bounded(size.width()), rng.bounded(size.height())), r, r);
    }
    p.end();
    // Sensor-like grain from a cheap generator: a library generator per
    // pixel would make generating the large photographs take minutes.
    quint32 state = rng.generate() | 1u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int n = static_cast<int>(state % 17) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}

// The large photographs, read from `dir` or generated into it once.
std::vector<QByteArray> largePhotos(const QString& dir)
{
    QDir().mkpath(dir);
    std::vector<QByteArray> photos;
    for (int i = 0; i < kLargePhotos; ++i) {
        QFile file(QStringLiteral("%1/photo%2x%3_%4.jpg")
                       .arg(dir)
                       .arg(kLargePhotoSize.width())
                       .arg(kLargePhotoSize.height())
                       .arg(i, 3, 10, QLatin1Char('0')));
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        file.close();
        if (bytes.isEmpty() || !Picture::fromJpegBytes(bytes)) {
            bytes = makePhoto(kLargePhotoSize, 1000 + i);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        photos.push_back(bytes);
    }
    return photos;
}

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

double msSince(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// CPU time of every thread of the process, in milliseconds: on a busy machine
// it shows the work done where wall time mostly shows the wait for a core.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

// One photograph made ready for a 250 x 187 node: decoded at `decodeSize`
// (empty: in full), then scaled smoothly; best of three, on one thread.
double decodeForNodeMs(const QByteArray& photo, QSize decodeSize)
{
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const QImage decoded = DecodeImage(photo, nullptr, decodeSize);
        const QImage shown = decoded.scaled(QSize(250, 187), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (shown.isNull())
            std::printf("  (decode failed)\n");
        best = std::min(best, msSince(t));
    }
    return best;
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
        ms.push_back(msSince(t));
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
    QString cache = QDir::tempPath() + QStringLiteral("/velquin-bench-paint");
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
        photos.push_back(makePhoto(kPhotoSize, i));
        photoBytes += static_cast<std::size_t>(photos.back().size());
    }
    std::printf("  %d distinct %dx%d JPEG streams, %.1f MB in all, made in %.0f ms\n", kDistinctPhotos,
                kPhotoSize.width(), kPhotoSize.height(), double(photoBytes) / 1e6, msSince(prep));

    CT52106App app;
    app.sys().dspOverlap = 1;
    app.sys().multiCntX = 1;
    app.sys().multiCntY = 1;
    CT52106View view(app.edits(), app.sys());
    view.show();
    view.resize(view.size() + kClient - view.viewport()->size());
    if (!QTest::qWaitForWindowExposed(&view))
        std::printf("  (window not exposed)\n");
    if (view.viewport()->size() != kClient)
        view.resize(view.size() + kClient - view.viewport()->size());
    std::printf("  viewport %dx%d\n", view.viewport()->width(), view.viewport()->height());

    // First paint of 100 new 4000 x 3000 photographs.
    prep.restart();
    const std::vector<QByteArray> large = largePhotos(cache);
    std::printf("  %d %dx%d JPEG photographs (quality 90, %.1f MB the first) from %s in %.0f ms\n", kLargePhotos,
                kLargePhotoSize.width(), kLargePhotoSize.height(), double(large.front().size()) / 1e6,
                qPrintable(cache), msSince(prep));
    std::printf("  one photograph for a 250x187 node: decoded in full and scaled %.1f ms, decoded at 1/8 and scaled"
                " %.1f ms\n",
                decodeForNodeMs(large.front(), {}),
                decodeForNodeMs(large.front(), kLargePhotoSize / PictureCache::reductionFor(kLargePhotoSize, {250, 187})));
    for (const float zoom : {1.0f, 0.25f}) {
        std::vector<double> wall;
        std::vector<double> cpu;
        int visible = 0;
        QSize shownSize;
        for (int run = 0; run < coldRuns; ++run) {
            fillGrid(app.doc(), large);
            view.OnInitialUpdate(false);
            view.SetZoom(zoom);
            view.setScrollPosition({0, 0});
            PictureCache::instance().clear();
            QElapsedTimer t;
            const double cpuBefore = processCpuMs();
            t.start();
            view.repaintNow();
            wall.push_back(msSince(t));
            cpu.push_back(processCpuMs() - cpuBefore);
            const QRect shown(view.scrollPosition(), kClient);
            visible = 0;
            for (int i = 0; i < app.doc().state.nodeCount; ++i)
                visible += app.doc().NodeRect(i).scaled(zoom).toQRect().intersects(shown) ? 1 : 0;
            shownSize = app.doc().NodeRect(0).toQRect().size();
        }
        std::printf("  cold first paint, %d new photographs %dx%d as %dx%d nodes on %dx%d, zoom %.2f: %7.1f ms"
                    " (CPU %7.1f ms; %d nodes in view; median of %d)\n",
                    kLargePhotos, kLargePhotoSize.width(), kLargePhotoSize.height(), shownSize.width(),
                    shownSize.height(), kGridCanvas.width(), kGridCanvas.height(), double(zoom), median(wall),
                    median(cpu), visible, coldRuns);
    }

    // Cold: 100 photographs just added, every Picture new to the cache.
    const struct {
        Layout layout;
        float zoom;
        const char* name;
    } smallColdRuns[] = {{Layout::Stacked, 1.0f, "stacked"}, {Layout::Spread, 0.25f, "spread"}};
    for (const auto& run : smallColdRuns) {
        PictureCache::instance().clear();
        fillDocument(app.doc(), photos, 100, run.layout == Layout::Stacked ? 0 : 7, run.layout);
        view.OnInitialUpdate(false);
        view.SetZoom(run.zoom);
        PictureCache::instance().clear();
        QElapsedTimer t;
        t.start();
        view.repaintNow();
        const double cold = msSince(t);
        int visible = 0;
        const QRect shown(view.scrollPosition(), kClient);
        for (int i = 0; i < app.doc().state.nodeCount; ++i)
            visible += app.doc().NodeRect(i).scaled(run.zoom).toQRect().intersects(shown) ? 1 : 0;
        t.restart();
        view.repaintNow();
        std::printf("  cold first paint, 100 photographs %dx%d %s, zoom %.2f: %6.1f ms (%d nodes in view; next paint"
                    " %.2f ms)\n",
                    kPhotoSize.width(), kPhotoSize.height(), run.name, double(run.zoom), cold, visible, msSince(t));
    }

    // Warm: 1000 nodes.
    for (const Layout layout : {Layout::Stacked, Layout::Spread}) {
        PictureCache::instance().clear();
        fillDocument(app.doc(), photos, 1000, 0, layout);
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
