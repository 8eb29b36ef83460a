// Rotating many photographs at once: 100 selected nodes, each its own
// Picture of a 4000 x 3000 JPEG at quality 90 with 4:2:0 chroma (as Qt and
// most cameras write them), turned by 90 degrees through the editing session
// as the menu command does, undo snapshot included.
//
// - left by 90: 4000 is a whole number of 16-pixel coded units, so every
//   picture is turned in the compressed domain (the lossless path);
// - right by 90: 3000 is not, so every picture's planes are read, turned and
//   encoded again at its own quantisation and sampling (the fallback);
// - the undo snapshot of the 100 photographs alone, for scale;
// - one photograph turned right on one core, against what decoding it and
//   encoding it again at quality 100 without subsampling costs (what
//   `djpeg | cjpeg -quality 100 -sample 1x1` does), with the size of the new
//   bytes against the photographer's and their PSNR against the exact turn.
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
#include "imaging/ImageDecode.h"
#include "imaging/JpegTransform.h"
#include "imaging/Picture.h"
#include "imaging/Rotate.h"
#include "model/Document.h"
#include "model/UndoHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
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

// Decoded and encoded again at quality 100, 4:4:4, as djpeg and cjpeg would.
QByteArray decodeAndEncode(const QByteArray& jpeg)
{
    tjhandle decoder = tjInitDecompress();
    tjhandle encoder = tjInitCompress();
    int w = 0, h = 0, sampling = 0, colourspace = 0;
    tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &w, &h, &sampling, &colourspace);
    std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
    tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()),
                  rgb.data(), w, 0, h, TJPF_RGB, TJFLAG_ACCURATEDCT);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(encoder, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_444, 100, TJFLAG_ACCURATEDCT);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(decoder);
    tjDestroy(encoder);
    return bytes;
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0.0;
    double sum = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(pa[x]) - qRed(pb[x]);
            const int dg = qGreen(pa[x]) - qGreen(pb[x]);
            const int db = qBlue(pa[x]) - qBlue(pb[x]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
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
    report("right by 90, re-saved at each picture's own settings", fallback);
    report("of which the undo snapshot of the document", snapshot);

    // One photograph, one core.
    const QByteArray& photo = sources.front();
    std::vector<Timing> reference, resave;
    QByteArray turned;
    for (int r = 0; r < 5; ++r) {
        reference.push_back(timed([&] { (void)decodeAndEncode(photo); }));
        resave.push_back(timed([&] { turned = TurnJpeg(photo, ExactTurn::Right90); }));
    }
    const Timing ref = median(reference);
    const Timing own = median(resave);
    const QImage exact = TurnImage(DecodeImage(photo), ExactTurn::Right90);
    std::printf("one photograph turned right, one core (median of 5)\n");
    report("decode + encode at quality 100, 4:4:4 (djpeg | cjpeg)", ref);
    report("turn right, re-saved at its own settings", own);
    std::printf("%-58s %8.2f x\n", "time against decode + encode", own.cpuMs / ref.cpuMs);
    std::printf("%-58s %8.2f x (%lld -> %lld bytes)\n", "new bytes against the photographer's",
                double(turned.size()) / double(photo.size()), static_cast<long long>(photo.size()),
                static_cast<long long>(turned.size()));
    std::printf("%-58s %8.2f dB\n", "PSNR against the exact turn", psnr(DecodeImage(turned), exact));
    std::printf("%-58s %8.2f dB\n", "PSNR of a plain re-save at quality 100, 4:4:4, for scale",
                psnr(DecodeImage(decodeAndEncode(photo)), DecodeImage(photo)));
    return 0;
}
