#include "dialogs/PrintPreview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace vq {

namespace {

const QColor kSurround(247, 247, 247);
const QColor kShadow(128, 128, 128);
const QColor kPaperEdge(192, 192, 192);
const QColor kMarginLine(247, 247, 247);
const QColor kDragLine(198, 198, 198);
const QColor kOverlapBand(255, 160, 0, 90);
const QColor kMarkColour(0, 0, 0);
const QColor kLabelColour(64, 64, 64);

void drawDotted(QPainter& painter, const QColor& colour, QPoint from, QPoint to)
{
    QPen pen(colour, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawLine(from, to);
}

} // namespace

PrintPreview::PrintPreview(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PrintPreview::setScene(Scene scene)
{
    m_scene = std::move(scene);
    update();
}

void PrintPreview::setShowMargins(bool show)
{
    m_scene.showMargins = show;
    update();
}

int PrintPreview::screenDpiFor(int edge) const
{
    return edge == 0 || edge == 2 ? logicalDpiX() : logicalDpiY();
}

int PrintPreview::minMmFor(int edge) const
{
    return edge == 0 || edge == 2 ? m_scene.minOffsetXmm : m_scene.minOffsetYmm;
}

void PrintPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kSurround);
    const PreviewLayout& layout = m_scene.layout;
    const QRect paper = layout.paperRect;
    if (paper.isEmpty())
        return;
    painter.fillRect(paper.translated(5, 5), kShadow);
    painter.fillRect(paper, Qt::white);
    painter.setPen(kPaperEdge);
    painter.drawRect(paper.adjusted(0, 0, -1, -1));

    const PreviewPlacement place =
        PlacePreviewPage(layout, m_scene.canvasSize, m_scene.currentPage, m_scene.fitOnePage);
    const QRect held = QRect(m_scene.canvasOrigin, m_scene.canvas.size()).intersected(place.source);
    if (!m_scene.canvas.isNull() && !held.isEmpty())
        painter.drawImage(place.dest + (held.topLeft() - place.source.topLeft()), m_scene.canvas,
                          held.translated(-m_scene.canvasOrigin));
    m_printable = place.printable;
    if (!m_scene.fitOnePage && !place.source.isEmpty())
        paintPosterExtras(painter, QRect(place.dest, place.source.size()));

    const QRect& p = m_printable;
    const int right = p.left() + p.width();
    const int bottom = p.top() + p.height();
    const int paperRight = paper.left() + paper.width() - 1;
    const int paperBottom = paper.top() + paper.height() - 1;
    if (m_scene.showMargins) {
        drawDotted(painter, kMarginLine, QPoint(paper.left(), p.top()), QPoint(paperRight, p.top()));
        drawDotted(painter, kMarginLine, QPoint(paper.left(), bottom), QPoint(paperRight, bottom));
        drawDotted(painter, kMarginLine, QPoint(p.left(), paper.top()), QPoint(p.left(), paperBottom));
        drawDotted(painter, kMarginLine, QPoint(right, paper.top()), QPoint(right, paperBottom));
    }
    if (m_dragEdge >= 0) {
        switch (m_dragEdge) {
        case 0: {
            const int x = paper.left() + m_dragDistance;
            drawDotted(painter, kDragLine, QPoint(x, paper.top()), QPoint(x, paperBottom));
            break;
        }
        case 2: {
            const int x = paper.left() + paper.width() - m_dragDistance;
            drawDotted(painter, kDragLine, QPoint(x, paper.top()), QPoint(x, paperBottom));
            break;
        }
        case 1: {
            const int y = paper.top() + m_dragDistance;
            drawDotted(painter, kDragLine, QPoint(paper.left(), y), QPoint(paperRight, y));
            break;
        }
        default: {
            const int y = paper.top() + paper.height() - m_dragDistance;
            drawDotted(painter, kDragLine, QPoint(paper.left(), y), QPoint(paperRight, y));
            break;
        }
        }
    }
}

void PrintPreview::paintPosterExtras(QPainter& painter, const QRect& printed) const
{
    const PreviewLayout& layout = m_scene.layout;
    const PosterOptions& poster = layout.poster;
    const int across = std::max(1, layout.grid.across);
    const int k = std::max(0, m_scene.currentPage - 1);
    const int col = k % across;
    const int row = k / across;
    painter.save();
    // The overlap bands: what this sheet repeats of its left and upper
    // neighbour, and what its right and lower neighbours repeat of it.
    QRegion bands;
    const int ox = layout.overlapXPx;
    const int oy = layout.overlapYPx;
    const int printableRight = m_printable.left() + m_printable.width();
    const int printableBottom = m_printable.top() + m_printable.height();
    if (ox > 0) {
        if (col > 0)
            bands += QRect(printed.left(), printed.top(), ox, printed.height());
        if (col + 1 < layout.grid.across)
            bands += QRect(printableRight - ox, printed.top(), ox, printed.height());
    }
    if (oy > 0) {
        if (row > 0)
            bands += QRect(printed.left(), printed.top(), printed.width(), oy);
        if (row + 1 < layout.grid.down)
            bands += QRect(printed.left(), printableBottom - oy, printed.width(), oy);
    }
    bands &= QRegion(printed);
    for (const QRect& band : bands)
        painter.fillRect(band, kOverlapBand);
    if (poster.marks) {
        const QRect paper = layout.paperRect;
        const int length = std::max(3, int(layout.previewScale * float(logicalDpiX()) * 6.0f / kMmPerInch));
        const int gap = std::max(2, int(layout.previewScale * float(logicalDpiX()) * 2.0f / kMmPerInch));
        for (const CutMark& mark : CutMarks(printed, paper, QPoint(1, 1), length, gap, 1, ox > 0 && col > 0,
                                            oy > 0 && row > 0)) {
            painter.setPen(QPen(kMarkColour, 1, mark.dashed ? Qt::DashLine : Qt::SolidLine));
            painter.drawLine(mark.from, mark.to);
        }
    }
    if (m_scene.labels) {
        const QRect paper = layout.paperRect;
        const QRect band(m_printable.left(), printableBottom + 1, m_printable.width(),
                         paper.top() + paper.height() - printableBottom - 2);
        if (band.height() > 4) {
            QFont font = painter.font();
            font.setPixelSize(std::clamp(band.height() / 2, 6, 12));
            painter.setFont(font);
            painter.setPen(kLabelColour);
            painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop, SheetLabel(m_scene.currentPage, layout.grid));
        }
    }
    painter.restore();
}

void PrintPreview::mousePressEvent(QMouseEvent* event)
{
    if (!m_scene.showMargins || event->button() != Qt::LeftButton)
        return;
    m_dragEdge = MarginHitTest(m_printable, event->position().toPoint());
    if (m_dragEdge >= 0) {
        m_dragDistance = ClampDragDistance(m_scene.layout.paperRect, m_dragEdge, event->position().toPoint(),
                                           minMmFor(m_dragEdge), screenDpiFor(m_dragEdge),
                                           m_scene.layout.previewScale);
        update();
    }
}

void PrintPreview::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_dragEdge >= 0) {
        m_dragDistance = ClampDragDistance(m_scene.layout.paperRect, m_dragEdge, pos, minMmFor(m_dragEdge),
                                           screenDpiFor(m_dragEdge), m_scene.layout.previewScale);
        update();
        return;
    }
    const int edge = m_scene.showMargins && rect().contains(pos) ? MarginHitTest(m_printable, pos) : -1;
    if (edge == 0 || edge == 2)
        setCursor(Qt::SizeHorCursor);
    else if (edge == 1 || edge == 3)
        setCursor(Qt::SizeVerCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void PrintPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragEdge < 0 || event->button() != Qt::LeftButton)
        return;
    const int edge = m_dragEdge;
    m_dragEdge = -1;
    update();
    emit marginDragged(edge, MarginFromDrag(m_dragDistance, m_scene.layout.previewScale, screenDpiFor(edge)));
}

void PrintPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

} // namespace vq
