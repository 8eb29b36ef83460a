// The recovery copy of a document of about 100 MB: what the user-interface
// thread pays (the snapshot handed to the worker) and what the worker pays
// (writing the copy and renaming it into place), beside an undo snapshot.
#include "model/Document.h"
#include "model/Recovery.h"
#include "model/UndoHistory.h"
#include "model/WorkFolder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace vq;

constexpr int kNodes = 100;
constexpr int kDistinct = 10;

double medianMs(int runs, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!work()) {
            std::fprintf(stderr, "benchmark step failed\n");
            std::exit(1);
        }
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Noise compresses badly: a 1000 x 1000 picture makes about a megabyte of JPEG.
QByteArray noisyJpeg(quint32 seed)
{
    QImage image(1000, 1000, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xff000000U;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = QDir::tempPath() + QStringLiteral("/velquin-bench-recovery");
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    // Our working folder lives beside the benchmark's files.
    qputenv("TMPDIR", QFile::encodeName(root));
    const QString folder = GetWorkFolder();

    Document doc;
    doc.ResetDocument();
    std::vector<QByteArray> photos;
    for (int i = 0; i < kDistinct; ++i)
        photos.push_back(noisyJpeg(quint32(i + 1)));
    qint64 total = 0;
    for (int i = 0; i < kNodes; ++i) {
        const QByteArray& bytes = photos[size_t(i % kDistinct)];
        AppendNode(doc, Picture::fromJpegBytes(bytes), 1000, 1000, 100 + i, 100 + i);
        total += bytes.size();
    }
    std::printf("document: %d nodes, %.1f MB of pictures\n", kNodes, double(total) / 1e6);

    const double snapshot = medianMs(21, [&] {
        const auto copy = std::make_shared<const Document>(doc);
        return copy->state.nodeCount == kNodes;
    });
    double write = 0;
    {
        RecoveryStore store(folder, QCoreApplication::applicationPid());
        write = medianMs(9, [&] {
            return WriteRecoveryFile(store.partPath(), QStringLiteral("/home/user/bench.vqd"), doc)
                   && CommitRecoveryFile(store.partPath(), store.copyPath());
        });
        QFile::remove(store.copyPath());
    }
    UndoHistory history;
    const double push = medianMs(9, [&] {
        history.PushUndoSnapshot(doc);
        return history.undoCount() > 0;
    });

    std::printf("snapshot (user-interface thread) %8.3f ms\n", snapshot);
    std::printf("recovery copy (worker thread)    %8.1f ms\n", write);
    std::printf("PushUndoSnapshot                 %8.1f ms\n", push);
    CleanWorkFolder(folder);
    QDir(root).removeRecursively();
    return 0;
}
