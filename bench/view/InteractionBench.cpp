// Cost of the canvas's feedback while the pointer moves, with many photographs.
//
// 1000 nodes, each an 800 x 600 JPEG shown at 250 x 187 (one of 40 distinct
// streams, every node its own Picture), scattered over the new-document
// canvas of 1000 x 1000 so that most of them overlap; the view's client area
// is 1200 x 900 at zoom 1. Figures, over a few hundred mouse moves each: the
// time from the move event to the end of the paint it causes, as median and
// 95th percentile, during a move drag (plain, then snapping to the canvas and
// every other node) and during a rubber-band drag, once with
// the window painting only what changed (the event loop's own paint) and once
// repainting the whole window after every move; hovering over the nodes
// without a button; and the hover animation's cost per timer step (the step
// and its paint). For scale: one full render of the scene. Last, the canvas
// interaction's own step without a window: a move drag's and a resize drag's
// pointer moves and hovering, each answered by a host that draws nothing, so
// that what a rule added to the step (such as snapping) costs shows apart
// from painting.
#include "app/Application.h"
#include "bench/support/BenchPhotos.h"
#include "edit/CanvasInteraction.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "render/ScreenGeometry.h"
#include "view/CanvasView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <vector>

using namespace vq;

namespace {

constexpr int kDistinctPhotos = 40;
constexpr QSize kPhotoSize{800, 600};
constexpr QSize kClient{1200, 900};
constexpr int kNodes = 1000;
constexpr int kMoves = 400;
constexpr int kWarmUp = 20;
constexpr double kGoalMs = 4.0;

void fillDocument(Document& doc, const std::vector<QByteArray>& photos)
{
    doc.ResetDocument();
    QRandomGenerator rng(4242);
    for (int i = 0; i < kNodes; ++i) {
        PicturePtr picture = Picture::fromJpegBytes(photos[static_cast<std::size_t>(i) % photos.size()]);
        AppendNode(doc, std::move(picture), kPhotoSize.width(), kPhotoSize.height(), 125 + rng.bounded(750),
                   94 + rng.bounded(812));
        NodeRecord& n = doc.nodes[i];
        n.frameColor = (i % 3 == 0) ? 0x7B5A48 : kNoColor;
        n.frameWidth = 2;
        n.frameStyle = i % 6;
    }
    doc.clearSelection();
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Figures {
    double median = 0;
    double p95 = 0;
    double worst = 0;
};

Figures summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

// The pointer's path: a circle round `centre`, back where it began.
QPoint onCircle(QPoint centre, int radius, int i, int count)
{
    const double a = 2.0 * std::numbers::pi * i / count;
    return centre + QPoint(static_cast<int>(radius * std::sin(a)), static_cast<int>(radius * (1.0 - std::cos(a))));
}

enum class PaintBy { EventLoop, FullRepaint };

// Times each move from the event to the end of its paint.
Figures timeMoves(CanvasView& view, QPoint centre, int radius, PaintBy paintBy, int* paintsPerMove, int* rendersDuring)
{
    QWidget* vp = view.viewport();
    PaintCounter counter;
    vp->installEventFilter(&counter);
    int delivered = 0;
    const QMetaObject::Connection seen
        = QObject::connect(&view, &CanvasView::cursorTextChanged, [&delivered] { ++delivered; });
    std::vector<double> ms;
    const int renders = view.sceneRenderCount();
    int counted = 0;
    for (int i = 1; i <= kWarmUp + kMoves; ++i) {
        const QPoint p = onCircle(centre, radius, i, kWarmUp + kMoves);
        const int paintsBefore = counter.paints;
        QElapsedTimer t;
        t.start();
        QTest::mouseMove(vp, p);
        if (paintBy == PaintBy::FullRepaint)
            vp->repaint();
        else
            QApplication::processEvents();
        const double elapsed = bench::MsSince(t);
        if (i > kWarmUp) {
            ms.push_back(elapsed);
            counted += counter.paints - paintsBefore;
        }
    }
    vp->removeEventFilter(&counter);
    QObject::disconnect(seen);
    if (delivered != kWarmUp + kMoves)
        std::printf("  (only %d of %d moves reached the view)\n", delivered, kWarmUp + kMoves);
    *paintsPerMove = counted / kMoves;
    *rendersDuring = view.sceneRenderCount() - renders;
    return summarise(ms);
}

void report(const char* what, const Figures& f, int paintsPerMove, int renders)
{
    std::printf("  %-52s %6.3f ms median, %6.3f ms p95, %6.3f ms worst (%d paint%s per move, %d scene renders)%s\n",
                what, f.median, f.p95, f.worst, paintsPerMove, paintsPerMove == 1 ? "" : "s", renders,
                f.median < kGoalMs ? "" : "  ** over the 4 ms goal **");
}

// A window that shows nothing: what the interaction's own step costs.
class SilentHost final : public CanvasHost {
public:
    explicit SilentHost(const Document& doc) : m_doc(doc) {}

    QPoint scrollPosition() const override { return {}; }
    void setScrollPosition(QPoint) override {}
    QSize clientSize() const override { return kClient; }
    const ScreenGeometry& screenGeometry() override
    {
        if (m_geometry.count() != m_doc.state.nodeCount || m_geometry.zoom != m_doc.state.zoom)
            m_geometry = ComputeScreenGeometry(m_doc, m_doc.state.zoom);
        return m_geometry;
    }
    bool hasKeyboardFocus() const override { return true; }
    void takeFocus() override {}
    void showFeedback(const Feedback& f) override
    {
        shown += static_cast<int>(f.kind);
        guided += f.guides.empty() ? 0 : 1;
    }
    void clearFeedback() override {}
    void showCursor(CursorShape) override {}
    void showGuide(const QString&) override {}
    void showTooltip(QPoint, const QString&) override {}
    void showCursorText(const QString&) override {}
    void showProposedPosition(const QString&) override {}
    bool snapEnabled() const override { return snap; }
    void consoleChanged() override {}
    void repaintScene() override {}
    void hoverNode(int, QPoint) override {}
    void stopHoverAnimation() override {}
    void requestPopup(CanvasPopup, QPoint) override {}
    void stepZoom(int) override {}
    void canvasSizeChanged() override {}
    CanvasScaleAnswer askScaleNodes() override { return CanvasScaleAnswer::Cancel; }

    int shown = 0;
    int guided = 0; // feedback that showed a snap guide
    bool snap = false;

private:
    const Document& m_doc;
    ScreenGeometry m_geometry;
};

// Times each pointer move the interaction takes, in microseconds.
Figures timeSteps(CanvasInteraction& interaction, QPoint centre, int radius)
{
    constexpr int kSteps = 20000;
    std::vector<double> us;
    us.reserve(kSteps);
    for (int i = 1; i <= kSteps; ++i) {
        const QPoint p = onCircle(centre, radius, i, kSteps);
        QElapsedTimer t;
        t.start();
        interaction.move(p, {});
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    return summarise(us);
}

void reportSteps(const char* what, const Figures& f)
{
    std::printf("  %-52s %6.2f us median, %6.2f us p95, %7.2f us worst\n", what, f.median, f.p95, f.worst);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    ::setenv("TMPDIR", QFile::encodeName(config.path()).constData(), 1);
    QApplication qapp(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    std::printf("bench_interaction: pointer feedback on the canvas view, %d photographs, client %dx%d\n", kNodes,
                kClient.width(), kClient.height());
    QElapsedTimer prep;
    prep.start();
    std::vector<QByteArray> photos;
    for (int i = 0; i < kDistinctPhotos; ++i)
        photos.push_back(bench::MakePhoto(kPhotoSize, i));
    std::printf("  %d distinct %dx%d JPEG streams made in %.0f ms\n", kDistinctPhotos, kPhotoSize.width(),
                kPhotoSize.height(), bench::MsSince(prep));

    Application app;
    app.sys().dspOverlap = 1;
    app.sys().multiCntX = 1;
    app.sys().multiCntY = 1;
    app.sys().dspGuide = 1;
    app.sys().playAnime = 0;
    CanvasView view(app.edits(), app.sys());
    fillDocument(app.edits().editableDoc(), photos);
    view.show();
    view.resize(view.size() + kClient - view.viewport()->size());
    if (!QTest::qWaitForWindowExposed(&view))
        std::printf("  (window not exposed)\n");
    view.OnInitialUpdate(false);
    QApplication::processEvents();
    if (view.viewport()->size() != kClient)
        view.resize(view.size() + kClient - view.viewport()->size());
    QApplication::processEvents();
    std::printf("  viewport %dx%d, zoom %.2f\n", view.viewport()->width(), view.viewport()->height(),
                double(app.doc().state.zoom));

    view.repaintNow(); // decodes and caches every picture
    std::vector<double> full;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        view.repaintNow();
        full.push_back(bench::MsSince(t));
    }
    const Figures render = summarise(full);
    std::printf("  for scale, one full render and paint of the scene: %.2f ms median\n", render.median);

    QWidget* vp = view.viewport();
    const QPoint middle(500, 450);
    int paints = 0;
    int renders = 0;

    // Move drag: press on the topmost node at the middle and circle round.
    for (const PaintBy paintBy : {PaintBy::EventLoop, PaintBy::FullRepaint}) {
        QTest::mousePress(vp, Qt::LeftButton, {}, middle);
        QApplication::processEvents();
        const Figures f = timeMoves(view, middle, 120, paintBy, &paints, &renders);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, middle); // back where it began: nothing moves
        QApplication::processEvents();
        report(paintBy == PaintBy::EventLoop ? "move drag, event loop paints what changed:"
                                             : "move drag, whole window repainted per move:",
               f, paints, renders);
    }

    // The same drag snapping to the canvas and the 999 other nodes: the
    // targets are gathered at the press, each move searches them.
    app.sys().snap = 1;
    for (const PaintBy paintBy : {PaintBy::EventLoop, PaintBy::FullRepaint}) {
        QTest::mousePress(vp, Qt::LeftButton, {}, middle);
        QApplication::processEvents();
        const Figures f = timeMoves(view, middle, 120, paintBy, &paints, &renders);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, middle);
        QApplication::processEvents();
        report(paintBy == PaintBy::EventLoop ? "snapping move drag, event loop paints what changed:"
                                             : "snapping move drag, whole window repainted per move:",
               f, paints, renders);
    }
    app.sys().snap = 0;

    // Rubber band from beside the canvas, its corner circling over the nodes.
    for (const PaintBy paintBy : {PaintBy::EventLoop, PaintBy::FullRepaint}) {
        const QPoint start(1150, 60);
        QTest::mousePress(vp, Qt::LeftButton, {}, start);
        QTest::mouseMove(vp, QPoint(600, 200));
        QApplication::processEvents();
        const Figures f = timeMoves(view, QPoint(600, 200), 250, paintBy, &paints, &renders);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(600, 200));
        QApplication::processEvents();
        report(paintBy == PaintBy::EventLoop ? "rubber band, event loop paints what changed:"
                                             : "rubber band, whole window repainted per move:",
               f, paints, renders);
    }

    // Hovering: hit-tests, cursor, guide and CURSOR text, no drag.
    app.edits().editableDoc().clearSelection();
    view.repaintNow();
    {
        const Figures f = timeMoves(view, middle, 200, PaintBy::EventLoop, &paints, &renders);
        report("hovering over the nodes, no button:", f, paints, renders);
    }

    // The hover animation: every step draws its comets and paints them.
    app.edits().editableDoc().clearSelection();
    view.repaintNow();
    for (const int orbits : {3, 10}) {
        app.sys().playAnime = orbits;
        app.sys().speedAnime = 0;
        QTest::mouseMove(vp, QPoint(1150, 60));
        QApplication::processEvents();
        QTest::mouseMove(vp, middle);
        QApplication::processEvents();
        if (!view.hoverTimerActive()) {
            std::printf("  hover animation did not start\n");
            continue;
        }
        PaintCounter counter;
        vp->installEventFilter(&counter);
        const int rendersBefore = view.sceneRenderCount();
        const double cpu0 = bench::ThreadCpuMs();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = bench::ThreadCpuMs() - cpu0;
        const double elapsed = bench::MsSince(wall);
        vp->removeEventFilter(&counter);
        const int steps = std::max(1, counter.paints);

        std::vector<double> ms;
        const QRect box = view.hoverAnimation().animBox();
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer t;
            t.start();
            vp->repaint(box);
            ms.push_back(bench::MsSince(t));
        }
        const Figures paint = summarise(ms);
        std::printf("  hover animation, %2d orbits, step every %d ms: %5.3f ms CPU per step and paint "
                    "(%d steps in %.0f ms, %d scene renders); painting its %dx%d box alone %.3f ms median\n",
                    orbits, view.hoverTimerInterval(), cpu / steps, steps, elapsed,
                    view.sceneRenderCount() - rendersBefore, box.width(), box.height(), paint.median);
        view.StopHoverAnimation();
    }

    // The interaction's step alone, on the same thousand nodes.
    {
        app.sys().playAnime = 0;
        SilentHost host(app.doc());
        CanvasInteraction interaction(app.edits(), host);
        interaction.press(middle, Qt::LeftButton, {});
        if (interaction.drag() == DragKind::Move) {
            reportSteps("interaction alone, move drag step:", timeSteps(interaction, middle, 120));
            interaction.release(middle, {}, Qt::LeftButton, {}); // back where it began: nothing moves
        } else {
            std::printf("  (the press at the middle started no move drag)\n");
        }
        host.snap = true;
        QElapsedTimer pressTime;
        pressTime.start();
        interaction.press(middle, Qt::LeftButton, {});
        const double pressMs = bench::MsSince(pressTime);
        if (interaction.drag() == DragKind::Move) {
            host.guided = 0;
            reportSteps("interaction alone, snapping move drag step:", timeSteps(interaction, middle, 120));
            std::printf("  %-52s %6.3f ms (%d of the moves snapped)\n", "snapping press, gathering the targets:",
                        pressMs, host.guided);
            interaction.release(middle, {}, Qt::LeftButton, {});
        }
        host.snap = false;
        const Document& d = app.doc();
        const int main = d.state.mainIndex;
        if (main >= 0) {
            const IntRect r = d.NodeRect(main).scaled(d.state.zoom);
            const QPoint corner(r.right, r.bottom);
            interaction.press(corner, Qt::LeftButton, {});
            if (interaction.drag() == DragKind::Resize) {
                reportSteps("interaction alone, resize drag step:", timeSteps(interaction, corner, 60));
                // Called off rather than released: the resize is not to be applied.
                interaction.reset(true);
            } else {
                std::printf("  (the press on the main node's corner started no resize)\n");
            }
        }
        app.edits().editableDoc().clearSelection();
        reportSteps("interaction alone, hovering over the nodes:", timeSteps(interaction, middle, 200));
        if (host.shown == 0)
            std::printf("  (no feedback was shown)\n");
    }
    return 0;
}
