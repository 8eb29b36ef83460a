#include "view/CT52106View.h"

#include "app/CT52106App.h"
#include "view/Painters.h"
#include "view/ViewGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

namespace vq {

CT52106View::CT52106View(CT52106App& app, QWidget* parent) : QAbstractScrollArea(parent), m_app(app)
{
    app.view = this;
    // Every paint covers the whole client area, so erasing first would only flicker.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setAutoFillBackground(false);
    setFrameShape(QFrame::NoFrame);
    connectScrollBar(horizontalScrollBar());
    connectScrollBar(verticalScrollBar());
    RefreshConsoleImage();
}

CT52106View::~CT52106View()
{
    if (m_app.view == this)
        m_app.view = nullptr;
}

void CT52106View::connectScrollBar(QScrollBar* bar)
{
    connect(bar, &QScrollBar::sliderPressed, this, &CT52106View::hideConsoleForScroll);
    connect(bar, &QScrollBar::sliderReleased, this, &CT52106View::showConsoleAfterScroll);
    connect(bar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        hideConsoleForScroll();
        // Keyboard and wheel steps have no release to wait for: they end at once.
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            QTimer::singleShot(0, this, &CT52106View::showConsoleAfterScroll);
    });
    bar->installEventFilter(this);
}

bool CT52106View::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && (watched == horizontalScrollBar() || watched == verticalScrollBar()))
        QTimer::singleShot(0, this, &CT52106View::showConsoleAfterScroll);
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CT52106View::hideConsoleForScroll()
{
    if (!m_console.consoleVisible)
        return;
    m_console.consoleVisible = false;
    m_console.consoleHiddenByScroll = true;
    viewport()->update();
}

void CT52106View::showConsoleAfterScroll()
{
    if (!m_console.consoleHiddenByScroll)
        return;
    m_console.consoleHiddenByScroll = false;
    m_console.consoleVisible = true;
    viewport()->update();
}

void CT52106View::OnInitialUpdate(bool opened)
{
    Document& doc = m_app.doc();
    UpdateScrollSizes();
    setScrollPosition({doc.state.scrollX, doc.state.scrollY});
    doc.state.mainIndex = -1;
    m_mode = RangeMode{};
    const bool visible = opened ? doc.state.consoleAlways != 0 : true;
    m_console = ConsoleState{};
    m_console.consoleVisible = visible;
    if (opened)
        doc.clearSelection();
    RefreshConsoleImage();
    viewport()->update();
    m_app.RefreshStatusCounts(false);
}

void CT52106View::SetZoom(float value)
{
    DocState& s = m_app.doc().state;
    s.zoom = LimitZoom(value, s.canvasWidth, s.canvasHeight);
    UpdateScrollSizes();
    RefreshConsoleImage();
    repaintNow();
    emit documentModified();
    m_app.RefreshStatusCounts(false);
}

void CT52106View::StepZoom(int hundredths)
{
    SetZoom(m_app.doc().state.zoom + static_cast<float>(hundredths) / 100.0f);
}

bool CT52106View::OnZoomCommand(int commandId)
{
    switch (commandId) {
    case kCmdZoom10: SetZoom(0.1f); return true;
    case kCmdZoom25: SetZoom(0.25f); return true;
    case kCmdZoom50: SetZoom(0.5f); return true;
    case kCmdZoom100: SetZoom(1.0f); return true;
    case kCmdZoom200: SetZoom(2.0f); return true;
    case kCmdZoom300: SetZoom(3.0f); return true;
    case kCmdZoom400: SetZoom(4.0f); return true;
    case kCmdZoomFit: {
        const DocState& s = m_app.doc().state;
        SetZoom(FitZoom(viewport()->size(), s.canvasWidth, s.canvasHeight));
        return true;
    }
    case kCmdConsoleAlways: OnToggleConsoleAlways(); return true;
    case kCmdConsoleTopLeft: OnConsoleTopLeft(); return true;
    default: return false;
    }
}

void CT52106View::OnToggleConsoleAlways()
{
    DocState& s = m_app.doc().state;
    s.consoleAlways = s.consoleAlways != 0 ? 0 : 1;
    m_console.consoleVisible = s.consoleAlways != 0;
    m_console.consoleHiddenByScroll = false;
    repaintNow();
    emit documentModified();
    m_app.RefreshStatusCounts(false);
}

void CT52106View::OnConsoleTopLeft()
{
    DocState& s = m_app.doc().state;
    if (m_console.consoleVisible) {
        m_console.consoleVisible = false;
        repaintNow();
    }
    const bool moved = s.consoleX != kConsoleHome.x() || s.consoleY != kConsoleHome.y();
    s.consoleX = kConsoleHome.x();
    s.consoleY = kConsoleHome.y();
    m_console.consoleVisible = true;
    m_console.consoleHiddenByScroll = false;
    repaintNow();
    // The console's place is saved with the document.
    if (moved)
        emit documentModified();
}

void CT52106View::setConsoleVisible(bool visible)
{
    if (m_console.consoleVisible == visible)
        return;
    m_console.consoleVisible = visible;
    viewport()->update();
}

void CT52106View::RefreshConsoleImage()
{
    m_art.RefreshConsoleImage(m_app.doc().state.zoom);
}

int CT52106View::HitTestConsole(QPoint client)
{
    const DocState& s = m_app.doc().state;
    const int hit = vq::HitTestConsole(client, {s.consoleX, s.consoleY});
    if (hit == kConsoleOutside)
        return hit;
    if (s.consoleAlways == 0 && !m_console.consoleVisible) {
        m_console.consoleVisible = true;
        repaintNow();
    }
    return hit;
}

void CT52106View::repaintNow()
{
    viewport()->repaint();
}

QPoint CT52106View::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CT52106View::setScrollPosition(QPoint p)
{
    horizontalScrollBar()->setValue(p.x());
    verticalScrollBar()->setValue(p.y());
}

QRect CT52106View::clientRect() const
{
    return QRect(QPoint(0, 0), viewport()->size());
}

void CT52106View::UpdateScrollSizes()
{
    const DocState& s = m_app.doc().state;
    const QSize total = ScrollTotalSize(s.canvasWidth, s.canvasHeight, s.zoom);
    const QSize client = viewport()->size();
    const auto apply = [](QScrollBar* bar, int totalLength, int clientLength) {
        bar->setRange(0, std::max(0, totalLength - clientLength));
        bar->setPageStep(std::max(1, clientLength));
        bar->setSingleStep(std::max(1, totalLength / 100));
    };
    apply(horizontalScrollBar(), total.width(), client.width());
    apply(verticalScrollBar(), total.height(), client.height());
}

void CT52106View::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
}

void CT52106View::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CT52106View::PaintView(QPainter& painter, QSize client)
{
    Document& doc = m_app.doc();
    const DocState& s = doc.state;
    const float zoom = s.zoom;
    const QPoint scroll = scrollPosition();
    const QSize canvas = ZoomedCanvasSize(s.canvasWidth, s.canvasHeight, zoom);

    painter.save();
    painter.translate(-scroll);
    if (!PaintCanvasBackground(painter, doc, zoom))
        painter.fillRect(QRect(QPoint(0, 0), canvas), Qt::white);
    if (s.gridOnTop == 0 && s.gridMode > -1)
        PaintGrid(painter, doc, zoom);
    if (s.nodeCount > 0)
        PaintNodes(painter, doc, m_app.sys(), m_mode, zoom, true);
    if (s.gridOnTop != 0 && s.gridMode > -1)
        PaintGrid(painter, doc, zoom);
    painter.restore();

    // The scroll margin and anything beyond the canvas is plain white.
    const QPoint edge = ScreenToClient(QPoint(canvas.width(), canvas.height()), scroll);
    if (edge.x() < client.width())
        painter.fillRect(QRect(edge.x(), 0, client.width() - edge.x(), client.height()), Qt::white);
    if (edge.y() < client.height())
        painter.fillRect(QRect(0, edge.y(), client.width(), client.height() - edge.y()), Qt::white);

    DrawConsole(painter, client);
}

void CT52106View::DrawConsole(QPainter& painter, QSize client)
{
    if (!m_console.consoleVisible)
        return;
    DocState& s = m_app.doc().state;
    const QPoint at = ClampConsolePosition(s.consoleX, s.consoleY, QRect(QPoint(0, 0), client));
    // A console left outside a smaller window is pulled back for good.
    s.consoleX = at.x();
    s.consoleY = at.y();
    m_art.draw(painter, at, m_console.dialActive);
}

void CT52106View::renderBuffer()
{
    const QSize client = viewport()->size();
    if (client.isEmpty())
        return;
    if (m_buffer.size() != client)
        m_buffer = QImage(client, QImage::Format_RGB32);
    QPainter painter(&m_buffer);
    PaintView(painter, client);
}

QImage CT52106View::renderToImage()
{
    renderBuffer();
    return m_buffer.copy();
}

void CT52106View::paintEvent(QPaintEvent*)
{
    renderBuffer();
    if (m_buffer.isNull())
        return;
    QPainter painter(viewport());
    painter.drawImage(0, 0, m_buffer);
}

} // namespace vq
