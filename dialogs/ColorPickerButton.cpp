#include "dialogs/ColorPickerButton.h"

#include "view/Prompts.h"
#include "render/Painters.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace vq {

namespace {

constexpr QSize kSwatchSize(18, 18);
constexpr QSize kButtonSwatch(36, 14);

QPixmap swatch(ColorRef colour, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect box(0, 0, size.width() - 1, size.height() - 1);
    if (colour == kNoColor) {
        // No colour: an empty box crossed out.
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::darkGray);
        painter.drawLine(box.bottomLeft(), box.topRight());
    } else {
        painter.fillRect(box, ColorFromRef(colour));
    }
    painter.setPen(Qt::darkGray);
    painter.drawRect(box);
    return pixmap;
}

QString colourName(ColorRef colour)
{
    const QColor c = ColorFromRef(colour);
    return QStringLiteral("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

ColorPickerButton::ColorPickerButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    setIconSize(kButtonSwatch);
    connect(this, &QPushButton::clicked, this, &ColorPickerButton::openPalette);
    showColor();
}

const QVector<ColorRef>& ColorPickerButton::paletteColors()
{
    // The twenty colours every display could show, four rows of five.
    static const QVector<ColorRef> colours = [] {
        const QRgb rgb[] = {
            0x000000, 0x800000, 0x008000, 0x808000, 0x000080, //
            0x800080, 0x008080, 0xC0C0C0, 0x808080, 0xA0A0A4, //
            0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, //
            0x00FFFF, 0xC0DCC0, 0xA6CAF0, 0xFFFBF0, 0xFFFFFF,
        };
        QVector<ColorRef> out;
        for (const QRgb c : rgb)
            out << RefFromColor(QColor::fromRgb(c));
        return out;
    }();
    return colours;
}

void ColorPickerButton::setColor(ColorRef colour)
{
    m_color = colour;
    showColor();
}

void ColorPickerButton::setAutomatic(const QString& label, ColorRef colour)
{
    m_hasAutomatic = true;
    m_automaticLabel = label;
    m_automaticColor = colour;
    showColor();
}

void ColorPickerButton::showColor()
{
    setIcon(swatch(m_color, kButtonSwatch));
    const bool automatic = m_hasAutomatic && m_color == m_automaticColor;
    QString label = automatic ? m_automaticLabel : QString();
    label.remove(QLatin1Char('&'));
    setText(label);
    setToolTip(automatic ? label : colourName(m_color));
}

QSize ColorPickerButton::sizeHint() const
{
    QSize hint = QPushButton::sizeHint();
    // Wide enough for the automatic entry's text, so choosing it does not
    // make the dialog's layout jump.
    if (m_hasAutomatic) {
        const int textWidth = fontMetrics().horizontalAdvance(m_automaticLabel);
        hint.setWidth(std::max(hint.width(), kButtonSwatch.width() + textWidth + 32));
    }
    return hint.expandedTo(QSize(kButtonSwatch.width() + 24, hint.height()));
}

void ColorPickerButton::openPalette()
{
    if (m_popup && m_popup->isVisible())
        return;
    // A palette closed a moment ago may still wait for its deletion.
    delete m_popup;
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setObjectName(QStringLiteral("palette"));
    popup->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    if (m_hasAutomatic) {
        auto* automatic = new QToolButton(popup);
        automatic->setObjectName(QStringLiteral("automatic"));
        automatic->setText(m_automaticLabel);
        automatic->setIcon(swatch(m_automaticColor, kSwatchSize));
        automatic->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        automatic->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        automatic->setCheckable(true);
        automatic->setChecked(m_color == m_automaticColor);
        connect(automatic, &QToolButton::clicked, this, [this] { choose(m_automaticColor); });
        layout->addWidget(automatic);
    }

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    const QVector<ColorRef>& colours = paletteColors();
    for (int i = 0; i < colours.size(); ++i) {
        const ColorRef c = colours[i];
        auto* button = new QToolButton(popup);
        button->setObjectName(QStringLiteral("color%1").arg(i));
        button->setIcon(swatch(c, kSwatchSize));
        button->setIconSize(kSwatchSize);
        button->setAutoRaise(true);
        button->setCheckable(true);
        button->setChecked(c == m_color);
        button->setToolTip(colourName(c));
        connect(button, &QToolButton::clicked, this, [this, c] { choose(c); });
        grid->addWidget(button, i / kColumns, i % kColumns);
    }
    layout->addLayout(grid);

    auto* other = new QToolButton(popup);
    other->setObjectName(QStringLiteral("otherColors"));
    other->setText(QStringLiteral("その他の色(&M)..."));
    other->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(other, &QToolButton::clicked, this, &ColorPickerButton::chooseOther);
    layout->addWidget(other);

    m_popup = popup;
    popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - popup->width())));
        if (at.y() + popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - popup->height());
    }
    popup->move(at);
    popup->show();
}

void ColorPickerButton::choose(ColorRef colour)
{
    if (m_popup)
        m_popup->close();
    setColor(colour);
    emit colorChosen(colour);
}

void ColorPickerButton::chooseOther()
{
    if (m_popup)
        m_popup->close();
    const QColor initial = m_color == kNoColor ? QColor(Qt::white) : ColorFromRef(m_color);
    const QColor chosen = prompter().chooseColor(initial, this);
    if (!chosen.isValid())
        return;
    const ColorRef colour = RefFromColor(chosen);
    setColor(colour);
    emit colorChosen(colour);
}

} // namespace vq
