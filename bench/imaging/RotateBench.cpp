// Rotating many photographs at once: 100 selected nodes, each its own
// Picture of a 4000 x 3000 JPEG at quality 90 with 4:2:0 chroma (as Qt and
// most cameras write them), turned by 90 degrees through the editing session
// as the menu command does, undo snapshot included.
//
// - left by 90: 4000 is a whole number of 16-pixel coded units, so every
//   picture is turned in the compressed domain (the lossless path);
// - right by 90: 3000 is not, so every picture is decoded, turned and encoded
//   at quality 100 (the fallback);
// - the undo snapshot of the 100 photographs alone, for scale.
//
// Figures: wall time and process CPU time, the median of RUNS runs for the
// lossless path (default 3) and one run of the fallback. The photographs are
// generated once and kept in the temporary folder's velquin-bench-rotate (or
// --cache DIR).
//
//   bench_rotate [RUNS] [--cache DIR]
#include "edit/EditSession.h"
#include "edit/Rotate.h"
#include "imaging/Picture.h"
#include "model/Document.h"
#include "model/UndoHistory.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

using namespace vq;

namespace {

constexpr QSize kPhotoSize{4000, 3000};
constexpr int kPhotos = 100;
constexpr int kDistinct = 8;

// Gradients, soft shapes and sensor-like grain: as costly to code as a real
// photograph.
QByteArray makePhoto(int seed)
{
    QRandomGenerator rng(static_cast<quint32>(seed) * 104729u + 7u);
    QImage image(kPhotoSize, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, kPhotoSize.height());
    sky.setColorAt(0, QColor::fromHsv(rng.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(rng.bounded(360), 160, 90));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(rng.bounded(360), 40 + rng.bounded(200), 40 + rng.bounded(215), 90 + rng.bounded(120)));
        const int r = 20 + rng.bounded(kPhotoSize.width() / 7);
        p.drawEllipse(QPoint(rng.bounded(kPhotoSize.width()), rng.bounded(kPhotoSize.height())), r, r);
    }
    p.end();
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

std::vector<QByteArray> photos(const QString& dir)
{
    QDir().mkpath(dir);
    std::vector<QByteArray> out;
    for (int i = 0; i < kDistinct; ++i) {
        const QString path = QStringLiteral("%1/photo%2.jpg").arg(dir).arg(i);
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            out.push_back(file.readAll());
            continue;
        }
        std::fprintf(stderr, "generating %s\n", qPrintable(path));
        out.push_back(makePhoto(i));
        QFile written(path);
        if (written.open(QIODevice::WriteOnly))
            written.write(out.back());
    }
    return out;
}

// 100 selected nodes on a canvas that holds them, each its own Picture.
void fill(Document& doc, const std::vector<QByteArray>& sources)
{
    doc.ResetDocument();
    doc.state.canvasWidth = 2600;
    doc.state.canvasHeight = 2600;
    for (int i = 0; i < kPhotos; ++i) {
        QByteArray bytes = sources[static_cast<std::size_t>(i % kDistinct)];
        bytes.detach();
        AppendNode(doc, Picture::fromJpegBytes(bytes), kPhotoSize.width(), kPhotoSize.height(), 130 + 260 * (i % 10),
                   130 + 260 * (i / 10));
    }
    for (int i = 0; i < doc.nodeCount(); ++i)
        doc.screen[i].selected = 1;
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing {
    double wallMs;
    double cpuMs;
};

template <typename Work>
Timing timed(Work&& work)
{
    QElapsedTimer wall;
    const double cpu0 = cpuMs();
    wall.start();
    work();
    return {static_cast<double>(wall.nsecsElapsed()) / 1e6, cpuMs() - cpu0};
}

Timing median(std::vector<Timing> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Timing& a, const Timing& b) { return a.wallMs < b.wallMs; });
    return runs[runs.size() / 2];
}

void report(const char* what, Timing t)
{
    std::printf("%-58s %8.0f ms wall %8.0f ms CPU\n", what, t.wallMs, t.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    QString cache = QDir::tempPath() + QStringLiteral("/velquin-bench-rotate");
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else
            runs = std::max(1, args[i].toInt());
    }
    const std::vector<QByteArray> sources = photos(cache);
    // The undo snapshots (300 MB each) go to a working folder of our own,
    // removed at the end.
    QTemporaryDir work;
    qputenv("TMPDIR", QFile::encodeName(work.path()));

    std::vector<Timing> lossless;
    for (int r = 0; r < runs; ++r) {
        Document doc;
        UndoHistory history;
        EditSession session(doc, history);
        fill(doc, sources);
        lossless.push_back(timed([&] { RotateSelected(session, 90); }));
        if (doc.nodes[0].picture->pixelSize() != kPhotoSize.transposed())
            std::fprintf(stderr, "the pictures did not turn\n");
        history.ResetHistory();
    }
    Timing snapshot{};
    {
        Document doc;
        UndoHistory history;
        EditSession session(doc, history);
        fill(doc, sources);
        snapshot = timed([&] { session.PushUndoSnapshot(); });
    }
    Timing fallback{};
    {
        Document doc;
        UndoHistory history;
        EditSession session(doc, history);
        fill(doc, sources);
        fallback = timed([&] { RotateSelected(session, 270); });
    }
    std::printf("100 selected photographs of 4000 x 3000 (JPEG quality 90, 4:2:0), %d cores\n",
                static_cast<int>(std::thread::hardware_concurrency()));
    report("left by 90, lossless (median)", median(lossless));
    report("right by 90, decode + turn + encode at quality 100", fallback);
    report("of which the undo snapshot of the document", snapshot);
    return 0;
}
