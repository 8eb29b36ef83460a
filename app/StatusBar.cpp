#include "app/StatusBar.h"

#include <algorithm>

#include <QFontMetrics>
#include <QResizeEvent>
#include <QShowEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>

namespace vq {

namespace {

struct PaneSpec {
    int id;
    const char* label;
    Qt::Alignment alignment;
    const char* widthText;
    const char* tooltip;
};

constexpr PaneSpec kPaneSpecs[] = {
    {kPaneProgress, "プログレス", Qt::AlignLeft | Qt::AlignVCenter, "999999999999999999999999999999", ""},
    {kPaneObject, "OBJECT", Qt::AlignCenter, "9999", "オブジェクト数"},
    {kPanePos, "POS", Qt::AlignCenter, "9999, 9999", "主選択位置(単位:Pixel)"},
    {kPaneSize, "SIZE", Qt::AlignCenter, "999×999", "主選択サイズ(単位:Pixel)"},
    {kPaneCursor, "CURSOR", Qt::AlignCenter, "9999, 9999", "カーソル位置(単位:Pixel)"},
};

} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    const QFontMetrics fm(font());
    for (std::size_t i = 0; i < std::size(kPaneSpecs); ++i) {
        const PaneSpec& spec = kPaneSpecs[i];
        QWidget* widget = nullptr;
        if (spec.id == kPaneProgress) {
            m_progress = new QProgressBar(this);
            m_progress->setRange(0, 100);
            m_progress->setValue(0);
            m_progress->setTextVisible(false);
            widget = m_progress;
        } else {
            auto* label = new QLabel(this);
            label->setAlignment(spec.alignment);
            label->setFrameShape(QFrame::Panel);
            label->setFrameShadow(QFrame::Sunken);
            label->setToolTip(QString::fromUtf8(spec.tooltip));
            widget = label;
        }
        // The name the bar's customisation menu listed the pane by.
        widget->setAccessibleName(QString::fromUtf8(spec.label));
        // The reference text plus the frame and margins a label draws around its text.
        const int extra = spec.id == kPaneProgress ? 0 : 2 * (style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4);
        widget->setFixedWidth(fm.horizontalAdvance(QString::fromUtf8(spec.widthText)) + extra);
        // Normal (not permanent) widgets, so that an information text covers them.
        addWidget(widget);
        m_panes[i] = {spec.id, widget};
    }
    // The information text lies over the count panes but leaves the progress
    // pane free, so the name of each file being added and the progress of the
    // whole run show together.
    m_infoArea = new QLabel(this);
    m_infoArea->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_infoArea->setAutoFillBackground(true);
    m_infoArea->setTextFormat(Qt::PlainText);
    m_infoArea->hide();
    connect(this, &QStatusBar::messageChanged, this, &StatusBar::onMessageChanged);
}

void StatusBar::placeInfoArea()
{
    const QRect progress = m_progress->geometry();
    const int left = progress.right() + 1 + 4;
    m_infoArea->setGeometry(left, progress.top(), std::max(0, width() - left - 16), progress.height());
    m_infoArea->raise();
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    placeInfoArea();
}

void StatusBar::showEvent(QShowEvent* event)
{
    QStatusBar::showEvent(event);
    placeInfoArea();
}

QString StatusBar::visibleInfoText() const
{
    return m_infoArea->isVisible() ? m_infoArea->text() : QString();
}

QWidget* StatusBar::infoArea() const
{
    return m_infoArea;
}

QWidget* StatusBar::pane(int paneId) const
{
    for (const Pane& p : m_panes)
        if (p.id == paneId)
            return p.widget;
    return nullptr;
}

void StatusBar::setPaneText(int paneId, const QString& text)
{
    if (paneId == kPaneProgress)
        return;
    if (auto* label = qobject_cast<QLabel*>(pane(paneId))) {
        label->setText(text);
        label->repaint();
    }
}

QString StatusBar::paneText(int paneId) const
{
    if (paneId == kPaneProgress)
        return {};
    const auto* label = qobject_cast<const QLabel*>(pane(paneId));
    return label ? label->text() : QString();
}

void StatusBar::ShowGuideText(const QString& text)
{
    if (text == m_info)
        return;
    m_info = text;
    m_infoArea->setText(m_info);
    placeInfoArea();
    // A menu prompt showing now keeps the place until it goes.
    m_infoArea->setVisible(!m_info.isEmpty() && currentMessage().isEmpty());
    m_infoArea->repaint();
}

void StatusBar::onMessageChanged(const QString& message)
{
    // A menu prompt covers the whole bar while it shows; the information text
    // comes back when it goes.
    if (message.isEmpty()) {
        placeInfoArea();
        m_infoArea->setVisible(!m_info.isEmpty());
    } else {
        m_infoArea->hide();
    }
}

int StatusBar::BeginProgress(int n)
{
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->repaint();
    return n >= 100 ? n / 100 : 1;
}

void StatusBar::StepProgress()
{
    if (m_progress->value() < m_progress->maximum()) {
        m_progress->setValue(m_progress->value() + 1);
        // The caller's loop keeps the event loop waiting; draw the step now.
        m_progress->repaint();
    }
}

void StatusBar::EndProgress()
{
    m_progress->setValue(0);
    m_progress->repaint();
}

int StatusBar::progressPosition() const
{
    return m_progress->value();
}

} // namespace vq
