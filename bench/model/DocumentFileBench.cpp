// Saving, opening and undo snapshots of a document of 100 photographs of about
// 1 MB each, measured beside gcab and cabextract on the same data.
#include "model/DataFile.h"
#include "model/DocumentFile.h"
#include "base/Settings.h"
#include "model/UndoHistory.h"
#include "model/WorkFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using namespace vq;

constexpr int kNodes = 100;
constexpr int kDistinct = 10;

double medianMs(int runs, const std::function<void()>& before, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
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

bool runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray photo(const QString& cache, int i)
{
    const QString path = QStringLiteral("%1/plasma%2.jpg").arg(cache).arg(i);
    if (!QFileInfo::exists(path)) {
        std::printf("making %s\n", qPrintable(path));
        std::fflush(stdout);
        if (!runTool(QStringLiteral("convert"), {QStringLiteral("-seed"), QString::number(1000 + i),
                                                 QStringLiteral("-size"), QStringLiteral("2000x1500"),
                                                 QStringLiteral("plasma:"), QStringLiteral("-quality"),
                                                 QStringLiteral("92"), path}))
            std::exit(1);
    }
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = QDir::tempPath() + QStringLiteral("/velquin-bench-document");
    const QString cache = root + QStringLiteral("/photos");
    const QString files = root + QStringLiteral("/files");
    QDir().mkpath(cache);
    QDir(files).removeRecursively();
    QDir().mkpath(files);
    // Our working folder and settings live beside the benchmark's files.
    qputenv("TMPDIR", QFile::encodeName(root));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + QStringLiteral("/config"));

    Document doc;
    doc.ResetDocument();
    std::vector<QByteArray> photos;
    for (int i = 0; i < kDistinct; ++i)
        photos.push_back(photo(cache, i));
    qint64 total = 0;
    for (int i = 0; i < kNodes; ++i) {
        const QByteArray& bytes = photos[size_t(i % kDistinct)];
        AppendNode(doc, Picture::fromJpegBytes(bytes), 2000, 1500, 100 + i, 100 + i);
        total += bytes.size();
    }
    std::printf("document: %d nodes, %.1f MB of pictures\n", kNodes, double(total) / 1e6);

    Settings settings;
    settings.setValue(keys::MakeBackup, 0);
    const QString doc1 = files + QStringLiteral("/bench.vqd");
    const double save = medianMs(5, [&] { QFile::remove(doc1); }, [&] {
        return SaveDocumentFile(doc1, doc, settings, nullptr, directJobRunner(), {});
    });

    const QString dataPath = files + QStringLiteral("/bench-data.vqd");
    {
        QFile data(dataPath);
        data.open(QIODevice::WriteOnly | QIODevice::Truncate);
        WriteDataFile(data, doc);
    }
    const QString gcabOut = files + QStringLiteral("/gcab.cab");
    QDir::setCurrent(files);
    const double gcab = medianMs(3, [&] { QFile::remove(gcabOut); }, [&] {
        return runTool(QStringLiteral("gcab"), {QStringLiteral("-c"), QStringLiteral("-z"), gcabOut,
                                                QFileInfo(dataPath).fileName()});
    });

    const double open = medianMs(5, {}, [&] {
        Document opened;
        return OpenDocumentFile(doc1, opened, nullptr, directJobRunner(), {}) && opened.state.nodeCount == kNodes;
    });
    const QString extractDir = files + QStringLiteral("/extract");
    const double cabextract = medianMs(5, [&] { QDir(extractDir).removeRecursively(); }, [&] {
        return runTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), extractDir, doc1});
    });

    UndoHistory history;
    const double push = medianMs(9, {}, [&] {
        history.PushUndoSnapshot(doc);
        return history.undoCount() > 0;
    });

    std::printf("save                 %8.1f ms   gcab -c -z %8.1f ms   ratio %.3f (goal <= 0.1)\n", save, gcab, save / gcab);
    std::printf("open                 %8.1f ms   cabextract %8.1f ms   ratio %.3f (goal <= 1.5)\n", open, cabextract,
                open / cabextract);
    std::printf("PushUndoSnapshot     %8.1f ms                                 (goal < 100 ms)\n", push);
    CleanWorkFolder(GetWorkFolder());
    QDir(files).removeRecursively();
    return 0;
}
