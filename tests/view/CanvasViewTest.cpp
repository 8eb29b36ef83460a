// The real canvas view in a window: zoom commands, scroll ranges, the console
// and the painted client area.
#include "view/CanvasView.h"
#include "edit/EditSession.h"
#include "resources/CommandIds.h"

#include "app/Application.h"
#include "imaging/PictureCache.h"
#include "imaging/PreviewStore.h"
#include "tests/support/Isolation.h"
#include "tests/view/ViewTestSupport.h"
#include "render/ViewGeometry.h"

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::exactly;
using test::near;

class CanvasViewTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        PictureCache::instance().clear();
        app = std::make_unique<Application>();
        app->edits().editableDoc().ResetDocument();
        app->sys().dspOverlap = 1;
        app->sys().multiCntX = 1;
        app->sys().multiCntY = 1;
        view = std::make_unique<CanvasView>(app->edits(), app->sys());
        view->resize(800, 600);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->OnInitialUpdate(false);
    }
    void TearDown() override
    {
        view.reset();
        app.reset();
        IsolatedTest::TearDown();
    }

    [[nodiscard]] DocState& state() { return app->edits().editableDoc().state; }
    [[nodiscard]] QSize client() const { return view->viewport()->size(); }

    std::unique_ptr<Application> app;
    std::unique_ptr<CanvasView> view;
};

TEST_F(CanvasViewTest, ZoomCommandsSetTheZoomAndScrollRanges)
{
    QSignalSpy modified(&app->edits(), &EditSession::documentChanged);
    const struct {
        int id;
        float zoom;
    } commands[] = {{cmd::Zoom10, 0.1f},   {cmd::Zoom25, 0.25f},  {cmd::Zoom50, 0.5f}, {cmd::Zoom100, 1.0f},
                    {cmd::Zoom200, 2.0f},  {cmd::Zoom300, 3.0f},  {cmd::Zoom400, 4.0f}};
    for (const auto& c : commands) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(view->OnZoomCommand(c.id));
        EXPECT_FLOAT_EQ(state().zoom, c.zoom);
        const QSize total = ScrollTotalSize(1000, 1000, c.zoom);
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), std::max(0, total.width() - client().width()));
        EXPECT_EQ(view->verticalScrollBar()->maximum(), std::max(0, total.height() - client().height()));
    }
    EXPECT_EQ(modified.count(), 7);
    EXPECT_FALSE(view->OnZoomCommand(12345));
    EXPECT_EQ(modified.count(), 7);
}

TEST_F(CanvasViewTest, ZoomIsLimitedByTheZoomedCanvasSize)
{
    state().canvasWidth = 10000;
    state().canvasHeight = 2000;
    view->OnZoomCommand(cmd::Zoom400);
    EXPECT_FLOAT_EQ(state().zoom, 1.0f);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 10050 - client().width());
}

TEST_F(CanvasViewTest, FitShowsTheWholeCanvas)
{
    view->OnZoomCommand(cmd::Zoom400);
    view->OnZoomCommand(cmd::ZoomFit);
    const QSize c = client();
    EXPECT_FLOAT_EQ(state().zoom, LimitZoom(FitZoom(c, 1000, 1000), 1000, 1000));
    EXPECT_LE(scaleTrunc(1000, state().zoom), c.width());
    EXPECT_LE(scaleTrunc(1000, state().zoom), c.height());
    EXPECT_GE(scaleTrunc(1000, state().zoom), std::min(c.width(), c.height()) - 1);
}

TEST_F(CanvasViewTest, StepZoomInHundredthsAndTheConsoleShowsIt)
{
    const QImage at100 = view->consoleArt().consoleImage();
    view->StepZoom(1);
    EXPECT_FLOAT_EQ(state().zoom, 1.01f);
    view->StepZoom(-2);
    EXPECT_FLOAT_EQ(state().zoom, 0.99f);
    EXPECT_NE(view->consoleArt().consoleImage(), at100);
    view->SetZoom(1.0f);
    EXPECT_EQ(view->consoleArt().consoleImage(), at100);
    view->StepZoom(-1000);
    EXPECT_FLOAT_EQ(state().zoom, kMinZoom);
}

TEST_F(CanvasViewTest, ConsoleIsDrawnClampedAndPulledBackWhenTheWindowChanges)
{
    state().consoleX = 5000;
    state().consoleY = -20;
    const QImage shot = view->renderToImage();
    const QPoint expected = ClampConsolePosition(5000, -20, QRect(QPoint(0, 0), client()));
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), QPoint(5000, -20)) << "painting only reads";
    view->resize(view->size() + QSize(1, 1));
    QApplication::processEvents();
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), ClampConsolePosition(5000, -20, QRect(QPoint(0, 0), client())));
    view->resize(view->size() - QSize(1, 1));
    QApplication::processEvents();
    EXPECT_EQ(expected, QPoint(client().width() - 70, 70));
    // The face below the read-out window is dark blue; the canvas there is white.
    const QRgb face = shot.pixel(expected + QPoint(0, 35));
    EXPECT_GT(qBlue(face), qRed(face));
    EXPECT_LT(qGray(face), 150);
    // The plus key sits over its hit zone.
    EXPECT_EQ(HitTestConsole(expected + QPoint(0, -45), expected), kConsolePlus);
    EXPECT_GT(qGray(shot.pixel(expected + QPoint(0, -45))), 180);

    view->OnToggleConsoleAlways();
    EXPECT_FALSE(view->consoleVisible());
    EXPECT_EQ(state().consoleAlways, 0);
    const QImage hidden = view->renderToImage();
    EXPECT_TRUE(exactly(hidden.pixel(expected + QPoint(0, 35)), Qt::white));
}

TEST_F(CanvasViewTest, DialRingDrawnOnlyWhileActive)
{
    const QPoint centre(state().consoleX, state().consoleY);
    const QPoint dot = DialDotPosition(centre, 34);
    EXPECT_FALSE(near(view->renderToImage().pixel(dot), QColor(166, 166, 0), 30));
    view->consoleState().dialActive = true;
    EXPECT_TRUE(near(view->renderToImage().pixel(dot), QColor(166, 166, 0), 30));
}

TEST_F(CanvasViewTest, ConsoleTopLeftCommand)
{
    QSignalSpy modified(&app->edits(), &EditSession::documentChanged);
    state().consoleX = 300;
    state().consoleY = 200;
    view->setConsoleVisible(false);
    view->OnZoomCommand(cmd::ConsoleTopLeft);
    EXPECT_EQ(QPoint(state().consoleX, state().consoleY), QPoint(79, 79));
    EXPECT_TRUE(view->consoleVisible());
    EXPECT_EQ(modified.count(), 1);
}

TEST_F(CanvasViewTest, HitTestShowsAHiddenConsole)
{
    state().consoleAlways = 0;
    view->setConsoleVisible(false);
    EXPECT_EQ(view->HitTestConsole({500, 500}), kConsoleOutside);
    EXPECT_FALSE(view->consoleVisible());
    EXPECT_EQ(view->HitTestConsole({79, 79}), kConsoleBody);
    EXPECT_TRUE(view->consoleVisible());
}

TEST_F(CanvasViewTest, ConsoleHidesWhileTheScrollBarIsPressed)
{
    view->OnZoomCommand(cmd::Zoom200);
    QScrollBar* bar = view->horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_TRUE(view->consoleVisible());
    const QPoint pageArea(bar->width() - 40, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, pageArea);
    EXPECT_FALSE(view->consoleVisible());
    EXPECT_GT(bar->value(), 0);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, pageArea);
    QCoreApplication::processEvents();
    EXPECT_TRUE(view->consoleVisible());
    EXPECT_FALSE(view->consoleState().consoleHiddenByScroll);
}

TEST_F(CanvasViewTest, ConsoleHidesWhileTheSliderIsDragged)
{
    view->OnZoomCommand(cmd::Zoom300);
    QScrollBar* bar = view->verticalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    const QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    ASSERT_FALSE(handle.isEmpty());

    QTest::mousePress(bar, Qt::LeftButton, {}, handle.center());
    EXPECT_FALSE(view->consoleVisible());
    QTest::mouseMove(bar, handle.center() + QPoint(0, 40));
    EXPECT_FALSE(view->consoleVisible());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, handle.center() + QPoint(0, 40));
    QCoreApplication::processEvents();
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(view->consoleVisible());
}

TEST_F(CanvasViewTest, AHiddenConsoleStaysHiddenAfterScrolling)
{
    view->OnZoomCommand(cmd::Zoom200);
    view->OnToggleConsoleAlways();
    ASSERT_FALSE(view->consoleVisible());
    QScrollBar* bar = view->horizontalScrollBar();
    const QPoint pageArea(bar->width() - 40, bar->height() / 2);
    QTest::mouseClick(bar, Qt::LeftButton, {}, pageArea);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->consoleVisible());
}

TEST_F(CanvasViewTest, InitialUpdateResetsTransientStateAndSelection)
{
    Document& doc = app->edits().editableDoc();
    doc.state.nodeCount = 1;
    doc.nodes[0].centerX = 100;
    doc.nodes[0].centerY = 100;
    doc.nodes[0].halfWidth = 20;
    doc.nodes[0].halfHeight = 20;
    doc.state.mainIndex = 0;
    doc.screen[0].selected = 1;
    doc.state.consoleAlways = 0;
    doc.state.zoom = 2.0f;
    doc.state.scrollX = 300;
    doc.state.scrollY = 150;
    view->rangeMode().modeNode = 0;
    view->consoleState().dialActive = true;

    view->OnInitialUpdate(true);
    EXPECT_EQ(view->scrollPosition(), QPoint(300, 150));
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_EQ(doc.screen[0].selected, 0);
    EXPECT_FALSE(view->rangeMode().active());
    EXPECT_FALSE(view->consoleState().dialActive);
    EXPECT_FALSE(view->consoleVisible()) << "an opened document shows the console as it was saved";

    view->OnInitialUpdate(false);
    EXPECT_TRUE(view->consoleVisible());
}

TEST_F(CanvasViewTest, PaintsTheScrolledCanvasAndWhiteBeyondIt)
{
    Document& doc = app->edits().editableDoc();
    doc.state.backColor = 0x808080;
    AppendNode(doc, test::makeJpegPicture({200, 100}, Qt::red), 200, 100, 200, 150);
    doc.clearSelection();
    view->setConsoleVisible(false);

    view->OnZoomCommand(cmd::Zoom50);
    QImage shot = view->renderToImage();
    EXPECT_TRUE(near(shot.pixel(75, 75), Qt::red)) << "canvas (150, 150) at zoom 0.5";
    EXPECT_TRUE(exactly(shot.pixel(499, 300), QColor(0x48, 0x5A, 0x7B))) << "canvas frame";
    EXPECT_TRUE(exactly(shot.pixel(520, 300), Qt::white)) << "scroll margin";
    EXPECT_TRUE(exactly(shot.pixel(300, 520), Qt::white));

    view->OnZoomCommand(cmd::Zoom200);
    view->setScrollPosition({200, 100});
    shot = view->renderToImage();
    // Canvas (150, 150) is screen (300, 300), client (100, 200).
    EXPECT_TRUE(near(shot.pixel(100, 200), Qt::red));
    EXPECT_TRUE(exactly(shot.pixel(5, 5), QColor(0x80, 0x80, 0x80)));
    EXPECT_EQ(view->screenGeometry().nodes[0].corners[0], QPoint(200, 200)) << "corners are scroll-independent";

    // The window shows exactly the rendered image.
    const QImage onScreen = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(onScreen, shot.convertToFormat(QImage::Format_RGB32));
}

TEST_F(CanvasViewTest, PicturesNotDecodedYetArePlaceholdersThatFillInAsTheyArrive)
{
    Document& doc = app->edits().editableDoc();
    doc.state.backColor = 0x808080;
    AppendNode(doc, test::makeJpegPicture({1600, 800}, Qt::red), 200, 100, 150, 100);
    AppendNode(doc, test::makeJpegPicture({1600, 800}, Qt::blue), 200, 100, 450, 100);
    doc.clearSelection();
    view->setConsoleVisible(false);
    view->repaintNow();

    // The paint did not wait: both nodes are quiet placeholders.
    const QColor placeholder(0xE6, 0xE6, 0xE6);
    QImage onScreen = view->viewport()->grab().toImage();
    EXPECT_TRUE(exactly(onScreen.pixel(150, 100), placeholder));
    EXPECT_TRUE(exactly(onScreen.pixel(450, 100), placeholder));
    EXPECT_TRUE(exactly(onScreen.pixel(300, 100), QColor(0x80, 0x80, 0x80)));
    EXPECT_FALSE(view->showsEveryPicture());

    // A placeholder is a node like any other to the mouse.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(450, 100));
    EXPECT_EQ(app->doc().state.mainIndex, 1);
    EXPECT_TRUE(app->doc().screen[1].selected);

    // The decodes arrive and the window repaints on its own.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->showsEveryPicture(); }, 10000));
    onScreen = view->viewport()->grab().toImage();
    EXPECT_TRUE(near(onScreen.pixel(150, 100), Qt::red));
    EXPECT_TRUE(near(onScreen.pixel(450, 100), Qt::blue));
}

TEST_F(CanvasViewTest, KeptPreviewsReplaceThePlaceholdersAsSoonAsTheLastOfThemIsIn)
{
    QTemporaryDir folder;
    PreviewStore previews(folder.path());
    PictureCache& cache = PictureCache::instance();
    cache.setPreviewStore(&previews);
    const PicturePtr picture = test::makeJpegPicture({2400, 1600}, Qt::red);
    // An earlier run decoded it and kept its preview.
    cache.request(this, {{picture, {600, 400}, true}});
    cache.waitForRequests();
    ASSERT_GT(previews.usedBytes(), 0);
    cache.clear();

    Document& doc = app->edits().editableDoc();
    AppendNode(doc, picture, 300, 200, 200, 150);
    doc.clearSelection();
    view->setConsoleVisible(false);
    view->repaintNow();
    EXPECT_FALSE(view->showsNoPlaceholder());

    // Only posted events are let through, no timer: the repaint that follows
    // the last preview must not wait for the pause that gathers decodes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cache.previewsPending(); }, 10000));
    for (int i = 0; i < 3 && !view->showsNoPlaceholder(); ++i) {
        QCoreApplication::sendPostedEvents();
        view->viewport()->repaint();
    }
    EXPECT_TRUE(view->showsNoPlaceholder());
    EXPECT_TRUE(near(view->viewport()->grab().toImage().pixel(200, 150), Qt::red));
    cache.waitForRequests();
    cache.setPreviewStore(nullptr);
}

} // namespace
} // namespace vq
