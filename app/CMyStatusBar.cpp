#include "app/CMyStatusBar.h"

#include <QFontMetrics>
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

CMyStatusBar::CMyStatusBar(QWidget* parent) : QStatusBar(parent)
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
    connect(this, &QStatusBar::messageChanged, this, &CMyStatusBar::onMessageChanged);
}

QWidget* CMyStatusBar::pane(int paneId) const
{
    for (const Pane& p : m_panes)
        if (p.id == paneId)
            return p.widget;
    return nullptr;
}

void CMyStatusBar::setPaneText(int paneId, const QString& text)
{
    if (paneId == kPaneProgress)
        return;
    if (auto* label = qobject_cast<QLabel*>(pane(paneId))) {
        label->setText(text);
        label->repaint();
    }
}

QString CMyStatusBar::paneText(int paneId) const
{
    if (paneId == kPaneProgress)
        return {};
    const auto* label = qobject_cast<const QLabel*>(pane(paneId));
    return label ? label->text() : QString();
}

void CMyStatusBar::ShowGuideText(const QString& text)
{
    if (text == m_info)
        return;
    m_info = text;
    if (m_info.isEmpty())
        clearMessage();
    else
        showMessage(m_info);
    repaint();
}

void CMyStatusBar::onMessageChanged(const QString& message)
{
    // A menu prompt replaced the information text and has gone again.
    if (message.isEmpty() && !m_info.isEmpty())
        showMessage(m_info);
}

int CMyStatusBar::BeginProgress(int n)
{
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->repaint();
    return n >= 100 ? n / 100 : 1;
}

void CMyStatusBar::StepProgress()
{
    if (m_progress->value() < m_progress->maximum()) {
        m_progress->setValue(m_progress->value() + 1);
        // The caller's loop keeps the event loop waiting; draw the step now.
        m_progress->repaint();
    }
}

void CMyStatusBar::EndProgress()
{
    m_progress->setValue(0);
    m_progress->repaint();
}

int CMyStatusBar::progressPosition() const
{
    return m_progress->value();
}

} // namespace vq
