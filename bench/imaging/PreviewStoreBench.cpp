// Previews kept between runs: a document of 100 photographs of 4000 x 3000
// reopened shows each from its kept preview before any real decode is made.
//
// Measured: the key of one photograph (a hash of its 3 MB), making and storing
// its preview, and then loading all 100 previews as a reopened document does,
// on one thread and split over two; the loads read the entries from the
// system's file cache. Wall time shows what a busy machine leaves over, CPU
// time the work. Figures are medians of RUNS runs (default 9).
//
//   bench_preview_store [RUNS] [--cache DIR]
#include "bench/support/BenchPhotos.h"
#include "imaging/JpegScaledDecode.h"
#include "imaging/PreviewStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace vq;
using namespace vq::bench;

namespace {

constexpr int kPhotos = 100;
const QSize kPhotoSize(4000, 3000);

// Wall time of loading every preview with `threads` threads taking the next
// one in turn, as a pool of workers does.
double loadAll(PreviewStore& store, const std::vector<QByteArray>& keys, int threads, int* found)
{
    std::atomic<int> next{0}, hits{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (int i = next++; i < int(keys.size()); i = next++)
                if (!store.load(keys[std::size_t(i)], kPhotoSize).isNull())
                    ++hits;
        });
    for (std::thread& thread : pool)
        thread.join();
    *found = hits;
    return MsSince(timer);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 9;
    QString cache = DefaultPhotoCache();
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else if (args[i].toInt() > 0)
            runs = args[i].toInt();
    }

    const std::vector<QByteArray> photos = ReadFiles(LargePhotoFiles(cache, kPhotos, kPhotoSize));
    QTemporaryDir root;
    PreviewStore store(root.path() + QStringLiteral("/previews"));

    std::vector<QByteArray> keys;
    std::vector<double> keyMs, decodeMs, storeMs;
    for (const QByteArray& bytes : photos) {
        // Thread CPU time: these run on the calling thread alone.
        double before = ThreadCpuMs();
        keys.push_back(PreviewStore::keyFor(bytes));
        keyMs.push_back(ThreadCpuMs() - before);
        before = ThreadCpuMs();
        const QImage preview = DecodeJpegForDisplay(bytes, PreviewStore::previewSize(kPhotoSize));
        decodeMs.push_back(ThreadCpuMs() - before);
        before = ThreadCpuMs();
        store.store(keys.back(), kPhotoSize, preview);
        storeMs.push_back(ThreadCpuMs() - before);
    }
    std::printf("%d photographs of %dx%d, %.1f MB each; previews %dx%d\n", kPhotos, kPhotoSize.width(),
                kPhotoSize.height(), double(photos.front().size()) / 1e6, PreviewStore::previewSize(kPhotoSize).width(),
                PreviewStore::previewSize(kPhotoSize).height());
    std::printf("  key (hash of the bytes)   %6.2f ms CPU per photograph\n", Median(keyMs));
    std::printf("  preview decode            %6.2f ms CPU per photograph\n", Median(decodeMs));
    std::printf("  store                     %6.2f ms CPU per photograph\n", Median(storeMs));
    std::printf("  kept                      %6.1f KB per photograph, %.1f MB in all\n",
                double(store.usedBytes()) / kPhotos / 1e3, double(store.usedBytes()) / 1e6);

    for (const int threads : {1, 2}) {
        std::vector<double> wall, cpu;
        int found = 0;
        for (int r = 0; r < runs; ++r) {
            const double cpuBefore = ProcessCpuMs();
            wall.push_back(loadAll(store, keys, threads, &found));
            cpu.push_back(ProcessCpuMs() - cpuBefore);
        }
        if (found != kPhotos) {
            std::fprintf(stderr, "only %d of %d previews found\n", found, kPhotos);
            return 1;
        }
        std::printf("  load all %d, %d thread%s   %6.1f ms wall, %.1f ms CPU (%.2f ms each), median of %d\n", kPhotos,
                    threads, threads == 1 ? " " : "s", Median(wall), Median(cpu), Median(cpu) / kPhotos, runs);
    }
    return 0;
}
