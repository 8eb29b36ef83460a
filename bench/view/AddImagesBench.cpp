// How soon newly added photographs are on screen: 100 JPEG files of
// 4000 x 3000 at quality 90 added through AddImageFiles, as the add-image
// command does, to a new document in a canvas view whose client area is
// 1200 x 900, at zoom 1 and scrolled to the top-left corner. Timed from the
// call until the view's repaint has returned with every picture that shows
// decoded; each run with new Pictures and an empty picture cache, the files
// read from the system's file cache (they were written or read just before).
// The photographs are the ones bench_paint uses, generated once and kept on
// disk (the temporary folder's velquin-bench-paint, or --cache DIR).
// Previews are kept in a cache folder of the benchmark's own, empty at start:
// the first run adds photographs the program has never seen, the later ones
// photographs it has kept previews of, which stand in at once while the
// decodes run; for those runs the time until every photograph showed at least
// its preview is given too. --no-previews keeps none.
// Figures: median wall and process CPU time of --runs runs (default 3), with
// the part spent in AddImageFiles itself (file reading, headers, the nodes
// and the repaint the editing session asks for) and the part in the repaint
// after it; the first run on its own, since it is the one a user who starts
// the program and adds photographs waits for (later runs find memory the
// allocator kept from the run before); and, for scale, the files loaded
// alone by LoadPicture.
//
//   bench_add_images [--runs N] [--cache DIR] [--drop X,Y] [--no-previews]
#include "app/Application.h"
#include "bench/support/BenchPhotos.h"
#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "imaging/Codec.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "view/CanvasView.h"
#include "view/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegion>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace vq;
using namespace vq::bench;

namespace {

constexpr QSize kClient{1200, 900};
constexpr QSize kPhotoSize{4000, 3000};
constexpr int kPhotos = 100;

// How the nodes of the document show in the view at `zoom`: in view, fully
// hidden under higher ones, and drawn from a scaled copy in the cache.
struct Shown {
    int inView = 0;
    int hidden = 0;
    int decoded = 0;
};

Shown shownNodes(const Document& doc, QRect view, float zoom)
{
    Shown s;
    QRegion covered;
    for (int i = doc.state.nodeCount - 1; i >= 0; --i) {
        const QRect target = doc.NodeRect(i).scaled(zoom).toQRect();
        const QRect visible = target.intersected(view);
        if (visible.isEmpty())
            continue;
        ++s.inView;
        if (QRegion(visible).subtracted(covered).isEmpty())
            ++s.hidden;
        else if (doc.nodes[i].picture && PictureCache::instance().hasScaled(*doc.nodes[i].picture, target.size()))
            ++s.decoded;
        covered += visible;
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    ::setenv("XDG_CACHE_HOME", QFile::encodeName(config.path() + QStringLiteral("/cache")).constData(), 1);
    QApplication qapp(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    int runs = 3;
    QString cache = DefaultPhotoCache();
    QPoint drop;
    bool keptPreviews = true;
    const QStringList args = qapp.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else if (args[i] == QLatin1String("--drop") && i + 1 < args.size()) {
            const QStringList xy = args[++i].split(QLatin1Char(','));
            drop = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
        } else if (args[i] == QLatin1String("--no-previews")) {
            keptPreviews = false;
            PictureCache::instance().setPreviewStore(nullptr);
        }
    }

    std::printf("bench_add_images: %d photographs %dx%d added through AddImageFiles, client %dx%d, zoom 1\n",
                kPhotos, kPhotoSize.width(), kPhotoSize.height(), kClient.width(), kClient.height());
    QElapsedTimer prep;
    prep.start();
    const QStringList paths = LargePhotoFiles(cache, kPhotos, kPhotoSize);
    // Read once so that every run finds them in the system's file cache.
    qint64 bytes = 0;
    for (const QByteArray& file : ReadFiles(paths))
        bytes += file.size();
    std::printf("  files in %s, %.1f MB in all, ready in %.0f ms\n", qPrintable(cache), double(bytes) / 1e6,
                MsSince(prep));
    {
        // The share of reading the files and their headers, with no view.
        std::vector<double> wall, cpu;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer t;
            const double cpuBefore = ProcessCpuMs();
            t.start();
            for (const QString& path : paths) {
                if (!LoadPicture(path, QStringLiteral("jpeg")))
                    std::printf("  (%s does not load)\n", qPrintable(path));
            }
            wall.push_back(MsSince(t));
            cpu.push_back(ProcessCpuMs() - cpuBefore);
        }
        std::printf("  the files loaded alone (LoadPicture, no view): %.1f ms (CPU %.1f ms)\n", Median(wall),
                    Median(cpu));
    }

    Application app;
    CanvasView view(app.edits(), app.sys());
    view.show();
    view.resize(view.size() + kClient - view.viewport()->size());
    if (!QTest::qWaitForWindowExposed(&view))
        std::printf("  (window not exposed)\n");
    if (view.viewport()->size() != kClient)
        view.resize(view.size() + kClient - view.viewport()->size());
    std::printf("  viewport %dx%d, placement %s\n", view.viewport()->width(), view.viewport()->height(),
                drop.isNull() ? "as the add-image command: the window's middle, then cascading"
                              : qPrintable(QStringLiteral("dropped at %1,%2").arg(drop.x()).arg(drop.y())));

    std::vector<double> wall, cpu, addWall, paintWall, shownWall;
    Shown shown;
    int added = 0;
    for (int run = 0; run < runs; ++run) {
        app.edits().editableDoc().ReleasePictures();
        app.edits().editableDoc().ResetDocument();
        app.edits().resetForNewDocument();
        view.OnInitialUpdate(false);
        view.SetZoom(1.0f);
        view.setScrollPosition({0, 0});
        view.repaintNow();
        PictureCache::instance().clear();

        Placement placement;
        placement.client = view.viewport()->size();
        placement.scroll = view.scrollPosition();
        placement.point = drop;

        QElapsedTimer t;
        const double cpuBefore = ProcessCpuMs();
        t.start();
        added = AddImageFiles(app.edits(), paths, placement, nullptr, nullptr, messageSink());
        const double afterAdd = MsSince(t);
        if (keptPreviews && run > 0) {
            // Previews are brought in ahead of every decode; once they are
            // all in, a paint shows every photograph, if only from its preview.
            while (PictureCache::instance().previewsPending())
                QThread::usleep(200);
            view.repaintNow();
            if (view.showsNoPlaceholder())
                shownWall.push_back(MsSince(t));
        }
        // The window paints at once with placeholders and asks the picture
        // cache's workers for the decodes; this waits for them and paints
        // again, as the window does when they arrive.
        (void)view.renderToImage();
        wall.push_back(MsSince(t));
        cpu.push_back(ProcessCpuMs() - cpuBefore);
        addWall.push_back(afterAdd);
        paintWall.push_back(wall.back() - afterAdd);
        shown = shownNodes(app.doc(), QRect(view.scrollPosition(), kClient), app.doc().state.zoom);
    }
    std::printf("  %d added; %d in view, %d of them hidden under others, %d decoded and drawn\n", added, shown.inView,
                shown.hidden, shown.decoded);
    std::printf("  from the call until painted: %.1f ms (CPU %.1f ms; AddImageFiles %.1f ms, repaint after it %.1f ms;"
                " median of %d)\n",
                Median(wall), Median(cpu), Median(addWall), Median(paintWall), runs);
    std::printf("  the first add in this process: %.1f ms (CPU %.1f ms; AddImageFiles %.1f ms, repaint after it %.1f ms)\n",
                wall.front(), cpu.front(), addWall.front(), paintWall.front());
    if (!shownWall.empty())
        std::printf("  photographs added before, every one shown, at least its kept preview: %.1f ms (median of %zu)\n",
                    Median(shownWall), shownWall.size());
    return 0;
}
