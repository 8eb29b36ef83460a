// Adding portrait phone photographs that are stored sideways: 100 JPEG files
// of 4000 x 3000 at quality 90 with 4:2:0 chroma, carrying an Exif block with
// orientation 6 (turn right to show), added through AddImageFiles to a new
// document as the add-image command does, against the same files with
// orientation 1. Each set is timed twice: the add alone (reading, bringing
// upright, the nodes), and the add followed by the screen-sized decode the
// canvas makes of every new picture, which is when the photographs are seen.
//
// Orientation 6 turns a 4000 x 3000 picture by a quarter; 3000 is not a whole
// number of 16-pixel coded units, so it cannot be turned in the compressed
// domain and goes the fallback (re-saved at the photograph's own settings).
// Orientation 8 turns the other way, where 4000 is whole: the lossless path.
// Both are measured.
//
// Four distinct photographs are generated and written 25 times each, each
// copy its own file; the files are read from the system's file cache.
// Figures: median wall and process CPU time of RUNS runs (default 1).
//
//   bench_orientation [RUNS] [--size WxH]
#include "bench/support/BenchPhotos.h"
#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "imaging/Picture.h"
#include "model/Document.h"
#include "model/UndoHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace vq;
using namespace vq::bench;

namespace {

constexpr int kPhotos = 100;
constexpr int kDistinct = 4;

// An APP1 segment with a little-endian Exif block holding one orientation.
QByteArray exifSegment(int orientation)
{
    static const char kBlock[] = "Exif\0\0"
                                 "II\x2A\0\x08\0\0\0"          // TIFF header, directory at 8
                                 "\x01\0"                      // one entry
                                 "\x12\x01\x03\0\x01\0\0\0"    // orientation, SHORT, one value
                                 "\0\0\0\0"                    // value (patched below)
                                 "\0\0\0\0";                   // no next directory
    QByteArray payload(kBlock, sizeof kBlock - 1);
    payload[6 + 8 + 2 + 8] = char(orientation);
    QByteArray segment("\xFF\xE1", 2);
    const int length = 2 + int(payload.size());
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return segment;
}

QStringList writeSet(const QString& dir, const std::vector<QByteArray>& photos, int orientation)
{
    QDir().mkpath(dir);
    QStringList paths;
    for (int i = 0; i < kPhotos; ++i) {
        QByteArray bytes = photos[static_cast<std::size_t>(i % kDistinct)];
        bytes.insert(2, exifSegment(orientation));
        const QString path = QStringLiteral("%1/%2.jpg").arg(dir).arg(i, 3, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        paths << path;
    }
    return paths;
}

struct Figures {
    double wall = 0;
    double cpu = 0;
};

// Adds `paths` to a new document; with `decode`, then decodes every picture
// as the canvas would for a 1200 x 900 window (a reduced copy).
Figures addOnce(const QStringList& paths, bool decode)
{
    Document doc;
    doc.ResetDocument();
    doc.state.canvasWidth = 5000;
    doc.state.canvasHeight = 5000;
    UndoHistory history;
    EditSession session(doc, history);
    Placement placement;
    placement.client = QSize(1200, 900);
    const double cpu0 = ProcessCpuMs();
    QElapsedTimer timer;
    timer.start();
    const int added = AddImageFiles(session, paths, placement, nullptr, nullptr,
                                    [](const Report&, QObject*) { return 0; });
    if (decode) {
        for (int i = 0; i < doc.state.nodeCount; ++i) {
            if (doc.nodes[i].picture->image(QSize(300, 400)).isNull()) {
                std::fprintf(stderr, "a picture did not decode\n");
                std::exit(1);
            }
        }
    }
    const Figures f{MsSince(timer), ProcessCpuMs() - cpu0};
    if (added != paths.size()) {
        std::fprintf(stderr, "added %d of %lld\n", added, static_cast<long long>(paths.size()));
        std::exit(1);
    }
    return f;
}

Figures measure(const QStringList& paths, bool decode, int runs)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        const Figures f = addOnce(paths, decode);
        wall.push_back(f.wall);
        cpu.push_back(f.cpu);
    }
    return {Median(wall), Median(cpu)};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 1;
    QSize size(4000, 3000);
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--size") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() == 2)
                size = QSize(wh[0].toInt(), wh[1].toInt());
        } else {
            runs = std::max(1, args[i].toInt());
        }
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    std::vector<QByteArray> photos;
    for (int i = 0; i < kDistinct; ++i)
        photos.push_back(MakePhoto(size, 11 + i));
    const QStringList untagged = writeSet(dir.filePath(QStringLiteral("upright")), photos, 1);
    const QStringList right = writeSet(dir.filePath(QStringLiteral("tag6")), photos, 6);
    const QStringList left = writeSet(dir.filePath(QStringLiteral("tag8")), photos, 8);

    std::printf("%d photographs of %d x %d, stored sideways; median of %d runs\n", kPhotos, size.width(),
                size.height(), runs);
    std::printf("  %-34s %10s %10s %10s %10s\n", "", "add ms", "CPU ms", "+show ms", "CPU ms");
    Figures base{};
    Figures baseShown{};
    const struct {
        const char* name;
        const QStringList* paths;
    } sets[] = {{"orientation 1 (as stored)", &untagged},
                {"orientation 6 (turn right)", &right},
                {"orientation 8 (turn left)", &left}};
    for (const auto& set : sets) {
        const Figures added = measure(*set.paths, false, runs);
        const Figures shown = measure(*set.paths, true, runs);
        if (set.paths == &untagged) {
            base = added;
            baseShown = shown;
        }
        std::printf("  %-34s %10.1f %10.1f %10.1f %10.1f   (x%.2f add, x%.2f shown)\n", set.name, added.wall,
                    added.cpu, shown.wall, shown.cpu, added.wall / base.wall, shown.wall / baseShown.wall);
    }
    return 0;
}
