#include "dialogs/FrameStyleCombo.h"

#include "render/FrameSamples.h"
#include "render/Painters.h"

#include <QEvent>
#include <QIcon>
#include <QPixmap>

namespace vq {

namespace {

// The sample's shape in `colour`; its transparent parts stay transparent.
QImage tinted(const QImage& sample, const QColor& colour)
{
    QImage out = sample.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < out.height(); ++row) {
        auto* pixel = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int x = 0; x < out.width(); ++x)
            if (qAlpha(pixel[x]) != 0)
                pixel[x] = qRgba(colour.red(), colour.green(), colour.blue(), qAlpha(pixel[x]));
    }
    return out;
}

} // namespace

FrameStyleCombo::FrameStyleCombo(QWidget* parent) : QComboBox(parent)
{
    setIconSize(kFrameSampleSize);
    const QStringList names = FrameStyleNames();
    for (const QString& name : names)
        addItem(name);
    paintSamples();
}

void FrameStyleCombo::paintSamples()
{
    const QColor ink = palette().color(QPalette::Text);
    for (int style = 0; style < count(); ++style)
        setItemIcon(style, QIcon(QPixmap::fromImage(tinted(FrameStyleSample(style), ink))));
}

void FrameStyleCombo::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        paintSamples();
}

} // namespace vq
