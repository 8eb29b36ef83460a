#include "view/CanvasView.h"
#include "view/PictureArrivals.h"

#include "edit/EditSession.h"
#include "model/RangeModeState.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "resources/CommandIds.h"
#include "render/Painters.h"
#include "render/PictureSupply.h"
#include "imaging/PictureCache.h"
#include "render/ViewGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

namespace vq {

CanvasView::CanvasView(EditSession& session, const SysSettings& sys, QWidget* parent)
    : QAbstractScrollArea(parent), m_session(session), m_sys(sys), m_interaction(session, *this)
{
    // Every paint covers the whole client area, so erasing first would only flicker.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    // Drops go to the widget under the pointer that takes them: the viewport.
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    connectScrollBar(horizontalScrollBar());
    connectScrollBar(verticalScrollBar());
    RefreshConsoleImage();

    connect(&session, &EditSession::documentChanged, this, &CanvasView::repaintNow);
    connect(&session, &EditSession::selectionChanged, this, &CanvasView::repaintNow);
    connect(&session, &EditSession::documentRestored, this, [this](float previousZoom) {
        if (zoom() != previousZoom) {
            RefreshConsoleImage();
            ConsoleState& console = m_interaction.console();
            console.consoleVisible = console.consoleVisible || doc().state.consoleAlways != 0;
        }
        UpdateScrollSizes();
    });

    m_animTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_animTimer, &QTimer::timeout, this, &CanvasView::onAnimationTick);

    // A child: it goes with the view.
    new PictureArrivals(
        [this] {
            // Only a scene that had to make do without some picture can improve.
            if (!m_sceneMissedPictures)
                return ArrivalAnswer::Ignore;
            // Kept previews come in a quick burst before any decode: the last
            // of them replaces the placeholders at once.
            if (m_awaitingPreviews && !PictureCache::instance().previewsPending()) {
                m_awaitingPreviews = false;
                return ArrivalAnswer::DrawNow;
            }
            return ArrivalAnswer::Gather;
        },
        [this] {
            if (!m_sceneMissedPictures)
                return;
            m_sceneDirty = true;
            viewport()->update();
        },
        this);
}

CanvasView::~CanvasView()
{
    PictureCache::instance().cancelRequests(this);
}

const Document& CanvasView::doc() const
{
    return m_session.doc();
}

RangeMode& CanvasView::rangeMode()
{
    return m_session.mode();
}

const RangeMode& CanvasView::rangeMode() const
{
    return m_session.mode();
}

float CanvasView::zoom() const
{
    return doc().state.zoom;
}

QSize CanvasView::zoomedCanvas() const
{
    const DocState& s = doc().state;
    return ZoomedCanvasSize(s.canvasWidth, s.canvasHeight, s.zoom);
}

QPoint CanvasView::consoleCentre() const
{
    return {doc().state.consoleX, doc().state.consoleY};
}

void CanvasView::showGuide(const QString& text)
{
    // With the guide off the bar belongs to others, such as the message of
    // the guide key itself. The bar ignores a text it already shows, so
    // nothing is cached here that could go stale when others write to it.
    if (m_sys.dspGuide == 0)
        return;
    emit guideTextRequested(text);
}

void CanvasView::sceneChanged()
{
    m_sceneDirty = true;
    m_geometryDirty = true;
}

const ScreenGeometry& CanvasView::screenGeometry()
{
    if (m_geometryDirty || m_geometry.zoom != zoom() || m_geometry.count() != doc().state.nodeCount) {
        m_geometry = ComputeScreenGeometry(doc(), zoom());
        m_geometryDirty = false;
    }
    return m_geometry;
}

void CanvasView::connectScrollBar(QScrollBar* bar)
{
    connect(bar, &QScrollBar::sliderPressed, this, &CanvasView::hideConsoleForScroll);
    connect(bar, &QScrollBar::sliderReleased, this, &CanvasView::showConsoleAfterScroll);
    connect(bar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        hideConsoleForScroll();
        // Keyboard and wheel steps have no release to wait for: they end at once.
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            QTimer::singleShot(0, this, &CanvasView::showConsoleAfterScroll);
    });
    bar->installEventFilter(this);
}

bool CanvasView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && (watched == horizontalScrollBar() || watched == verticalScrollBar()))
        QTimer::singleShot(0, this, &CanvasView::showConsoleAfterScroll);
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CanvasView::hideConsoleForScroll()
{
    if (!m_interaction.console().consoleVisible)
        return;
    m_interaction.console().consoleVisible = false;
    m_interaction.console().consoleHiddenByScroll = true;
    viewport()->update();
}

void CanvasView::showConsoleAfterScroll()
{
    if (!m_interaction.console().consoleHiddenByScroll)
        return;
    m_interaction.console().consoleHiddenByScroll = false;
    m_interaction.console().consoleVisible = true;
    viewport()->update();
}

void CanvasView::OnInitialUpdate(bool opened)
{
    const Document& d = doc();
    StopHoverAnimation();
    RestoreFeedback();
    m_session.resetForNewDocument();
    UpdateScrollSizes();
    setScrollPosition({d.state.scrollX, d.state.scrollY});
    m_interaction.reset(opened ? d.state.consoleAlways != 0 : true);
    m_session.adjustViewState([opened](Document& document) {
        document.state.mainIndex = -1;
        if (opened)
            document.clearSelection();
    });
    pullConsoleInside();
    RefreshConsoleImage();
    sceneChanged();
    viewport()->update();
}

void CanvasView::SetZoom(float value)
{
    const DocState& s = doc().state;
    const float zoom = LimitZoom(value, s.canvasWidth, s.canvasHeight);
    // The zoom is part of the document: the session repaints, marks and
    // refreshes, after the scroll sizes and the console follow it.
    m_session.changeWithoutUndo([this, zoom](Document& document) {
        document.state.zoom = zoom;
        UpdateScrollSizes();
        RefreshConsoleImage();
    });
}

void CanvasView::StepZoom(int hundredths)
{
    SetZoom(zoom() + static_cast<float>(hundredths) / 100.0f);
}

bool CanvasView::OnZoomCommand(int commandId)
{
    constexpr struct {
        int id;
        float zoom;
    } kFixed[] = {{cmd::Zoom10, 0.1f}, {cmd::Zoom25, 0.25f}, {cmd::Zoom50, 0.5f}, {cmd::Zoom100, 1.0f},
                  {cmd::Zoom200, 2.0f}, {cmd::Zoom300, 3.0f}, {cmd::Zoom400, 4.0f}};
    for (const auto& z : kFixed) {
        if (z.id == commandId) {
            SetZoom(z.zoom);
            return true;
        }
    }
    switch (commandId) {
    case cmd::ZoomFit: {
        const DocState& s = doc().state;
        SetZoom(FitZoom(viewport()->size(), s.canvasWidth, s.canvasHeight));
        return true;
    }
    case cmd::ConsoleAlways: OnToggleConsoleAlways(); return true;
    case cmd::ConsoleTopLeft: OnConsoleTopLeft(); return true;
    default: return false;
    }
}

void CanvasView::OnToggleConsoleAlways()
{
    const bool always = doc().state.consoleAlways == 0;
    m_interaction.console().consoleVisible = always;
    m_interaction.console().consoleHiddenByScroll = false;
    m_session.changeWithoutUndo([always](Document& document) { document.state.consoleAlways = always ? 1 : 0; });
}

void CanvasView::OnConsoleTopLeft()
{
    const DocState& s = doc().state;
    const bool moved = s.consoleX != kConsoleHome.x() || s.consoleY != kConsoleHome.y();
    m_interaction.console().consoleVisible = true;
    m_interaction.console().consoleHiddenByScroll = false;
    // The console's place is saved with the document.
    if (moved)
        m_session.changeWithoutUndo([](Document& document) {
            document.state.consoleX = kConsoleHome.x();
            document.state.consoleY = kConsoleHome.y();
        });
    else
        repaintNow();
}

void CanvasView::setConsoleVisible(bool visible)
{
    if (m_interaction.console().consoleVisible == visible)
        return;
    m_interaction.console().consoleVisible = visible;
    viewport()->update();
}

void CanvasView::RefreshConsoleImage()
{
    m_art.RefreshConsoleImage(zoom());
}

int CanvasView::HitTestConsole(QPoint client)
{
    return m_interaction.hitTestConsole(client);
}

void CanvasView::repaintNow()
{
    sceneChanged();
    viewport()->repaint();
}

QPoint CanvasView::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CanvasView::setScrollPosition(QPoint p)
{
    horizontalScrollBar()->setValue(p.x());
    verticalScrollBar()->setValue(p.y());
}

QRect CanvasView::clientRect() const
{
    return QRect(QPoint(0, 0), viewport()->size());
}

void CanvasView::UpdateScrollSizes()
{
    const DocState& s = doc().state;
    const QSize total = ScrollTotalSize(s.canvasWidth, s.canvasHeight, s.zoom);
    const QSize client = viewport()->size();
    // A tenth of the scrollable extent per page and a hundredth per line, as
    // scrolling views have always stepped.
    const auto apply = [](QScrollBar* bar, int totalLength, int clientLength) {
        bar->setRange(0, std::max(0, totalLength - clientLength));
        bar->setPageStep(std::max(1, totalLength / 10));
        bar->setSingleStep(std::max(1, totalLength / 100));
    };
    apply(horizontalScrollBar(), total.width(), client.width());
    apply(verticalScrollBar(), total.height(), client.height());
    sceneChanged();
}

void CanvasView::pullConsoleInside()
{
    // A console left outside a smaller window comes back for good; this is a
    // change of the window, not of painting, which only reads.
    const DocState& s = doc().state;
    if (viewport()->size().isEmpty())
        return;
    const QPoint at = ClampConsolePosition(s.consoleX, s.consoleY, clientRect());
    if (at == QPoint(s.consoleX, s.consoleY))
        return;
    m_session.adjustViewState([at](Document& document) {
        document.state.consoleX = at.x();
        document.state.consoleY = at.y();
    });
}

void CanvasView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
    pullConsoleInside();
}

void CanvasView::scrollContentsBy(int, int)
{
    StopHoverAnimation();
    m_feedback = {};
    sceneChanged();
    viewport()->update();
}

bool CanvasView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave && m_interaction.drag() == DragKind::None) {
        StopHoverAnimation();
        emit cursorTextChanged({});
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CanvasView::PaintScene(QPainter& painter, QSize client)
{
    const Document& d = doc();
    const DocState& s = d.state;
    const float z = s.zoom;
    const QPoint scroll = scrollPosition();
    const QSize canvas = zoomedCanvas();

    painter.save();
    painter.translate(-scroll);
    if (!PaintCanvasBackground(painter, d, z))
        painter.fillRect(QRect(QPoint(0, 0), canvas), Qt::white);
    if (s.gridOnTop == 0 && s.gridMode > -1)
        PaintGrid(painter, d, z);
    if (s.nodeCount > 0)
        PaintNodes(painter, d, screenGeometry(), m_sys, rangeMode(), z, true);
    if (s.gridOnTop != 0 && s.gridMode > -1)
        PaintGrid(painter, d, z);
    painter.restore();

    // The scroll margin and anything beyond the canvas is plain white.
    const QPoint edge = ScreenToClient(QPoint(canvas.width(), canvas.height()), scroll);
    if (edge.x() < client.width())
        painter.fillRect(QRect(edge.x(), 0, client.width() - edge.x(), client.height()), Qt::white);
    if (edge.y() < client.height())
        painter.fillRect(QRect(0, edge.y(), client.width(), client.height() - edge.y()), Qt::white);
}

void CanvasView::DrawConsole(QPainter& painter, QSize client) const
{
    if (!m_interaction.console().consoleVisible)
        return;
    const DocState& s = doc().state;
    m_art.draw(painter, ClampConsolePosition(s.consoleX, s.consoleY, QRect(QPoint(0, 0), client)),
               m_interaction.console().dialActive);
}

void CanvasView::renderScene()
{
    const QSize client = viewport()->size();
    if (client.isEmpty())
        return;
    if (m_scene.size() != client) {
        m_scene = QImage(client, QImage::Format_RGB32);
        m_sceneDirty = true;
    }
    if (!m_sceneDirty)
        return;
    QPainter painter(&m_scene);
    // The window never waits for a decode: what is not at hand is drawn as a
    // stand-in or a placeholder, and asked of the picture cache's workers.
    CachedPictureSupply supply(this);
    {
        PictureSupplyScope scope(supply);
        PaintScene(painter, client);
    }
    m_sceneMissedPictures = supply.missedAny();
    m_scenePlaceholders = supply.placeheldAny();
    m_awaitingPreviews = supply.askForMissing() && m_scenePlaceholders;
    m_sceneDirty = false;
    ++m_sceneRenders;
}

QImage CanvasView::renderToImage()
{
    renderScene();
    if (m_sceneMissedPictures) {
        PictureCache::instance().waitForRequests();
        m_sceneDirty = true;
        renderScene();
    }
    QImage shot = m_scene.copy();
    if (shot.isNull())
        return shot;
    QPainter painter(&shot);
    DrawConsole(painter, shot.size());
    PaintFeedback(painter, m_feedback);
    return shot;
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    renderScene();
    if (m_scene.isNull())
        return;
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.drawImage(dirty.topLeft(), m_scene, dirty);
    painter.setClipRect(dirty);
    DrawConsole(painter, m_scene.size());
    PaintFeedback(painter, m_feedback);
}

} // namespace vq
