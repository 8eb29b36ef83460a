// Trimming and blurring one 4000 x 3000 photograph (JPEG quality 90, 4:2:0,
// as cameras write them) shown at a quarter of its size, as the commands do
// it: decode, cut or blur, encode at quality 100 and swap the picture in.
//
// - trim to the middle half (the range a mode starts with), the picture
//   alone and the whole command with its undo snapshot;
// - cut one pixel from the left edge: nearly the whole picture is encoded
//   again, the costliest trim;
// - execute the blur over the whole picture with each method, undo snapshot
//   included.
//
// Figures: the median wall time and thread CPU time of RUNS runs (default 5).
//
//   bench_range [RUNS]
#include "bench/support/BenchPhotos.h"
#include "edit/BlurExecute.h"
#include "edit/EditSession.h"
#include "edit/Trim.h"
#include "imaging/Picture.h"
#include "model/Document.h"
#include "model/UndoHistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

using namespace vq;

namespace {

constexpr QSize kPhotoSize{4000, 3000};

struct Figures {
    double wallMs;
    double cpuMs;
};

// `setUp` runs untimed before each timed `work`.
Figures measure(int runs, const std::function<void()>& setUp, const std::function<void()>& work)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        setUp();
        const double cpuStart = bench::ThreadCpuMs();
        QElapsedTimer timer;
        timer.start();
        work();
        wall.push_back(bench::MsSince(timer));
        cpu.push_back(bench::ThreadCpuMs() - cpuStart);
    }
    return {bench::Median(wall), bench::Median(cpu)};
}

void report(const char* what, const Figures& f)
{
    std::printf("%-52s %8.1f ms wall %8.1f ms cpu\n", what, f.wallMs, f.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // Undo snapshots go to the working folder; keep them out of the user's.
    QTemporaryDir tmp;
    qputenv("TMPDIR", tmp.path().toLocal8Bit());

    const QByteArray photo = bench::MakePhoto(kPhotoSize, 7, 90);
    Document doc;
    UndoHistory history;
    EditSession session(doc, history);
    int index = -1;
    const auto freshNode = [&] {
        doc.ResetDocument();
        AppendNode(doc, Picture::fromJpegBytes(photo), kPhotoSize.width(), kPhotoSize.height(), 500, 375);
        index = doc.nodeCount() - 1;
        doc.nodes[index].centerX = 500;
        doc.nodes[index].centerY = 375;
        doc.nodes[index].halfWidth = 500;
        doc.nodes[index].halfHeight = 375;
        doc.clearSelection();
        doc.screen[index].selected = 1;
        doc.state.mainIndex = index;
        history.ResetHistory();
    };
    const auto startMode = [&](RangeKind kind, bool whole) {
        freshNode();
        const IntRect node = doc.NodeRect(index);
        RangeMode& mode = session.mode();
        mode.modeNode = index;
        mode.modeKind = kind;
        mode.modeRect = whole ? node
                              : IntRect{node.left + node.width() / 4, node.top + node.height() / 4,
                                        node.left + node.width() * 3 / 4, node.top + node.height() * 3 / 4};
    };

    std::printf("one %dx%d photograph, %d runs, median\n", kPhotoSize.width(), kPhotoSize.height(), runs);
    report("trim to the middle half: picture only", measure(runs, [&] { startMode(RangeKind::Trim, false); }, [&] {
               if (!PrepareRangeTrim(doc, index, session.mode().modeRect))
                   std::fprintf(stderr, "trim failed\n");
           }));
    report("trim to the middle half: command with undo step", measure(runs, [&] { startMode(RangeKind::Trim, false); }, [&] {
               if (!ExecuteModeTrim(session))
                   std::fprintf(stderr, "trim failed\n");
           }));
    report("cut one left column: command with undo step", measure(runs, freshNode, [&] {
               if (TrimSelected(session, {1, 0, 0, 0}) != 1)
                   std::fprintf(stderr, "cut failed\n");
           }));
    static const char* const kMethods[] = {"simple", "average", "random"};
    for (int type = 0; type < 3; ++type) {
        const std::string what = std::string("blur of the whole picture, ") + kMethods[type] + ", with undo step";
        report(what.c_str(), measure(runs, [&] { startMode(RangeKind::Blur, true); }, [&] {
                   if (!ExecuteBlur(session, BlurSettings{10, type}, TimeSeededRandom(), nullptr))
                       std::fprintf(stderr, "blur failed\n");
               }));
    }
    return 0;
}
