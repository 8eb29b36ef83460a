#include "dialogs/PicturePreview.h"

#include "imaging/PictureCache.h"
#include "render/Painters.h"

#include <QPainter>

#include <algorithm>

namespace vq {

QRect PreviewRect(QSize picture, const QRect& area)
{
    const int w = picture.width();
    const int h = picture.height();
    if (w <= 0 || h <= 0 || area.isEmpty())
        return {};
    if (w < area.width() && h < area.height())
        return {area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h};
    const float s = std::min(static_cast<float>(area.width()) / static_cast<float>(w),
                             static_cast<float>(area.height()) / static_cast<float>(h));
    const int sw = std::max(1, std::min(area.width(), static_cast<int>(static_cast<float>(w) * s)));
    const int sh = std::max(1, std::min(area.height(), static_cast<int>(static_cast<float>(h) * s)));
    return {area.x() + (area.width() - sw) / 2, area.y() + (area.height() - sh) / 2, sw, sh};
}

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(120, 90);
}

void PicturePreview::setPicture(PicturePtr picture)
{
    m_picture = std::move(picture);
    update();
}

void PicturePreview::setFillColor(ColorRef colour)
{
    m_fill = colour;
    update();
}

void PicturePreview::setFrameColor(ColorRef colour)
{
    m_frame = colour;
    update();
}

void PicturePreview::setEmptyText(const QString& text)
{
    m_emptyText = text;
    update();
}

QRect PicturePreview::pictureRect() const
{
    // Room for the one-pixel frame around the picture.
    const QRect area = rect().adjusted(1, 1, -1, -1);
    return m_picture ? PreviewRect(m_picture->pixelSize(), area) : QRect();
}

void PicturePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect target = pictureRect();
    if (target.isEmpty()) {
        if (m_fill != kNoColor)
            painter.fillRect(rect(), ColorFromRef(m_fill));
        if (!m_emptyText.isEmpty()) {
            // Readable on the fill whatever the window's colour scheme is.
            const QColor fill = m_fill == kNoColor ? palette().color(QPalette::Window) : ColorFromRef(m_fill);
            painter.setPen(fill.lightness() >= 128 ? Qt::black : Qt::white);
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_emptyText);
        }
        return;
    }
    if (m_fill != kNoColor)
        painter.fillRect(target, ColorFromRef(m_fill));
    // The cache keeps the picture at exactly this size, so repaints copy pixels.
    const QImage shown = PictureCache::instance().scaled(*m_picture, target.size());
    if (!shown.isNull())
        painter.drawImage(target.topLeft(), shown);
    else
        DrawPicture(painter, *m_picture, target);
    if (m_frame != kNoColor) {
        painter.setPen(QPen(ColorFromRef(m_frame), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target.adjusted(-1, -1, 0, 0));
    }
}

} // namespace vq
