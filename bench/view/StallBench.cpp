// Whether the window keeps responding while many large photographs come in:
// 100 JPEG files of 4000 x 3000 at quality 90 in a canvas view whose client
// area is 1200 x 900, in three scenes, each started from the event loop as a
// command would be:
//   add   the files added through AddImageFiles to a new document at zoom 1,
//         read away from the window's thread as the add-image command does;
//   open  the saved document of those photographs opened as the open command
//         does (unpacking in the processing popup), with an empty picture
//         cache;
//   zoom  that document zoomed from 100 % to 25 % in steps of 15 %, one step
//         every 40 ms, as a turned wheel would;
//   reopen the document saved at 25 % opened again with an empty picture
//         cache in memory, the previews kept on disk by the scenes before
//         (in a cache folder of the benchmark's own).
// A 10 ms timer records how late it fires: the longest stall is the most any
// tick came late, which is how long the window could not answer input. Each
// scene also gives the time until the view had painted every picture it shows
// from its own decode (no placeholder, no stand-in), and for reopen also
// the time until every picture showed at least its kept preview.
//
//   bench_stall [--runs N] [--cache DIR] [--no-previews]
#include "app/Application.h"
#include "app/DocumentController.h"
#include "bench/support/BenchPhotos.h"
#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "model/DocumentFile.h"
#include "view/BackgroundWork.h"
#include "view/CanvasView.h"
#include "view/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace vq;
using namespace vq::bench;

namespace {

constexpr QSize kClient{1200, 900};
constexpr QSize kPhotoSize{4000, 3000};
constexpr int kPhotos = 100;
constexpr int kTickMs = 10;

// Records the lateness of a 10 ms timer.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_worst = std::max(m_worst, double(now - m_last) / 1e6 - kTickMs);
            m_last = now;
        });
    }
    void start()
    {
        m_worst = 0;
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return std::max(0.0, m_worst);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_worst = 0;
};

// Runs the event loop until `done` holds (checked every millisecond) or
// `limitMs` has passed; the time it took, or -1 on the limit.
double runUntil(const std::function<bool()>& done, int limitMs)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || t.elapsed() > limitMs)
            loop.quit();
    });
    check.start();
    loop.exec();
    return done() ? MsSince(t) : -1;
}

struct Scene {
    double stall = 0;
    double painted = 0;
    double action = 0;
};

// Starts `action` from the event loop and waits until the view shows every
// picture, with the probe running throughout.
Scene measure(CanvasView& view, const std::function<void()>& action, int settleMs = 0, double* firstShown = nullptr)
{
    StallProbe probe;
    probe.start();
    QElapsedTimer t;
    t.start();
    bool started = false;
    double actionMs = 0;
    QTimer::singleShot(0, [&] {
        QElapsedTimer a;
        a.start();
        action();
        actionMs = MsSince(a);
        started = true;
    });
    if (firstShown) {
        runUntil([&] { return started && view.showsNoPlaceholder(); }, 120000);
        *firstShown = MsSince(t);
    }
    runUntil([&] { return started && t.elapsed() >= settleMs && view.showsEveryPicture(); }, 120000);
    Scene scene;
    scene.painted = MsSince(t);
    scene.stall = probe.stop();
    scene.action = actionMs;
    return scene;
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
    const QStringList args = qapp.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else if (args[i] == QLatin1String("--no-previews"))
            PictureCache::instance().setPreviewStore(nullptr);
    }

    std::printf("bench_stall: %d photographs %dx%d, client %dx%d; a %d ms timer's lateness\n", kPhotos,
                kPhotoSize.width(), kPhotoSize.height(), kClient.width(), kClient.height(), kTickMs);
    const QStringList paths = LargePhotoFiles(cache, kPhotos, kPhotoSize);
    (void)ReadFiles(paths);

    Application app;
    DocumentController documents(app);
    CanvasView view(app.edits(), app.sys());
    view.show();
    view.resize(view.size() + kClient - view.viewport()->size());
    if (!QTest::qWaitForWindowExposed(&view))
        std::printf("  (window not exposed)\n");
    if (view.viewport()->size() != kClient)
        view.resize(view.size() + kClient - view.viewport()->size());

    QTemporaryDir work;
    const QString saved = work.filePath(QStringLiteral("photos.vqd"));
    const auto fresh = [&] {
        PictureCache::instance().waitForRequests();
        app.edits().editableDoc().ReleasePictures();
        app.edits().editableDoc().ResetDocument();
        app.edits().resetForNewDocument();
        view.OnInitialUpdate(false);
        view.SetZoom(1.0f);
        view.setScrollPosition({0, 0});
        view.repaintNow();
        PictureCache::instance().clear();
    };

    std::vector<double> addStall, addPainted, addCall, openStall, openPainted, openCall, zoomStall, zoomPainted;
    std::vector<double> reopenStall, reopenPainted, reopenShown;
    const QString saved25 = work.filePath(QStringLiteral("photos-25.vqd"));
    for (int run = 0; run < runs; ++run) {
        fresh();
        Placement placement;
        placement.client = view.viewport()->size();
        placement.scroll = view.scrollPosition();
        const Scene add = measure(view, [&] {
            (void)AddImageFiles(app.edits(), paths, placement, nullptr, nullptr, messageSink(), RunWhileWindowsPaint);
        });
        addStall.push_back(add.stall);
        addPainted.push_back(add.painted);
        addCall.push_back(add.action);
        if (run == 0 && !SaveDocumentFile(saved, app.doc(), SaveOptions{false, nullptr}, nullptr, directJobRunner(),
                                          messageSink())) {
            std::printf("  (the document could not be saved)\n");
            return 1;
        }

        fresh();
        const Scene open = measure(view, [&] {
            if (documents.OnOpenDocument(saved))
                view.OnInitialUpdate(true);
        });
        openStall.push_back(open.stall);
        openPainted.push_back(open.painted);
        openCall.push_back(open.action);

        view.SetZoom(1.0f);
        view.setScrollPosition({0, 0});
        (void)runUntil([&] { return view.showsEveryPicture(); }, 120000);
        const Scene zoom = measure(
            view,
            [&] {
                int step = 0;
                for (float z = 0.85f; z > 0.24f; z -= 0.15f)
                    QTimer::singleShot(40 * step++, [&view, z] { view.SetZoom(std::max(z, 0.25f)); });
            },
            40 * 4 + 1);
        zoomStall.push_back(zoom.stall);
        zoomPainted.push_back(zoom.painted);

        if (run == 0 && !SaveDocumentFile(saved25, app.doc(), SaveOptions{false, nullptr}, nullptr,
                                          directJobRunner(), messageSink())) {
            std::printf("  (the document could not be saved)\n");
            return 1;
        }
        fresh();
        double shown = 0;
        const Scene reopen = measure(
            view,
            [&] {
                if (documents.OnOpenDocument(saved25))
                    view.OnInitialUpdate(true);
            },
            0, &shown);
        reopenStall.push_back(reopen.stall);
        reopenPainted.push_back(reopen.painted);
        reopenShown.push_back(shown);
    }
    std::printf("  %-6s longest stall %7.1f ms   all painted after %7.1f ms   (the command %.1f ms; median of %d)\n",
                "add", Median(addStall), Median(addPainted), Median(addCall), runs);
    std::printf("  %-6s longest stall %7.1f ms   all painted after %7.1f ms   (the command %.1f ms)\n", "open",
                Median(openStall), Median(openPainted), Median(openCall));
    std::printf("  %-6s longest stall %7.1f ms   all painted after %7.1f ms (from the first step)\n", "zoom",
                Median(zoomStall), Median(zoomPainted));
    std::printf("  %-6s longest stall %7.1f ms   all painted after %7.1f ms   (every picture shown, at least its kept"
                " preview, after %.1f ms; zoom 25 %%)\n",
                "reopen", Median(reopenStall), Median(reopenPainted), Median(reopenShown));
    return 0;
}
