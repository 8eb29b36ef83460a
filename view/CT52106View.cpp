#include "view/CT52106View.h"

#include "app/CT52106App.h"
#include "model/Geometry.h"

#include <QPainter>
#include <QScrollBar>

namespace vq {

CT52106View::CT52106View(CT52106App& app, QWidget* parent) : QAbstractScrollArea(parent), m_app(app)
{
    app.view = this;
}

CT52106View::~CT52106View()
{
    if (m_app.view == this)
        m_app.view = nullptr;
}

void CT52106View::OnInitialUpdate(bool)
{
    UpdateScrollSizes();
    const DocState& s = m_app.doc().state;
    setScrollPosition({s.scrollX, s.scrollY});
    viewport()->update();
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

void CT52106View::UpdateScrollSizes()
{
    const DocState& s = m_app.doc().state;
    const int totalW = scaleTrunc(s.canvasWidth + 50, s.zoom);
    const int totalH = scaleTrunc(s.canvasHeight + 50, s.zoom);
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, totalW - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, totalH - client.height()));
    horizontalScrollBar()->setPageStep(client.width());
    verticalScrollBar()->setPageStep(client.height());
}

void CT52106View::paintEvent(QPaintEvent*)
{
    const DocState& s = m_app.doc().state;
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    p.translate(-scrollPosition());
    const QRect canvas(0, 0, scaleTrunc(s.canvasWidth, s.zoom), scaleTrunc(s.canvasHeight, s.zoom));
    p.fillRect(canvas, Qt::white);
    p.setPen(QColor(0x48, 0x5A, 0x7B));
    p.drawRect(canvas.adjusted(0, 0, -1, -1));
}

} // namespace vq
