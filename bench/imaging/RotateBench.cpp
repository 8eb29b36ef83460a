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
// generated once and kept with the other benchmarks' photographs (or
// --cache DIR).
//
//   bench_rotate [RUNS] [--cache DIR]
#include "bench/support/BenchPhotos.h"
#include "edit/EditSession.h"
#include "edit/Rotate.h"
#include "imaging/Picture.h"
#include "model/Document.h"
#include "model/UndoHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace vq;

namespace {

constexpr QSize kPhotoSize{4000, 3000};
constexpr int kPhotos = 100;
constexpr int kDistinct = 8;

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

struct Timing {
    double wallMs;
    double cpuMs;
};

template <typename Work>
Timing timed(Work&& work)
{
    QElapsedTimer wall;
    const double cpu0 = bench::ProcessCpuMs();
    wall.start();
    work();
    return {bench::MsSince(wall), bench::ProcessCpuMs() - cpu0};
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
    QString cache = bench::DefaultPhotoCache();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else
            runs = std::max(1, args[i].toInt());
    }
    const std::vector<QByteArray> sources = bench::ReadFiles(bench::LargePhotoFiles(cache, kDistinct, kPhotoSize));
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
