#include "app/CMyStatusBar.h"

#include <QLabel>
#include <QProgressBar>

namespace vq {

CMyStatusBar::CMyStatusBar(QWidget* parent) : QStatusBar(parent)
{
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_object = new QLabel(this);
    m_pos = new QLabel(this);
    m_size = new QLabel(this);
    m_cursor = new QLabel(this);
    addWidget(m_progress);
    for (QLabel* l : {m_object, m_pos, m_size, m_cursor}) {
        l->setAlignment(Qt::AlignCenter);
        addPermanentWidget(l);
    }
}

void CMyStatusBar::setPaneText(int paneId, const QString& text)
{
    QLabel* label = paneId == kPaneObject ? m_object
                  : paneId == kPanePos    ? m_pos
                  : paneId == kPaneSize   ? m_size
                  : paneId == kPaneCursor ? m_cursor
                                          : nullptr;
    if (label)
        label->setText(text);
}

QString CMyStatusBar::paneText(int paneId) const
{
    const QLabel* label = paneId == kPaneObject ? m_object
                        : paneId == kPanePos    ? m_pos
                        : paneId == kPaneSize   ? m_size
                        : paneId == kPaneCursor ? m_cursor
                                                : nullptr;
    return label ? label->text() : QString();
}

} // namespace vq
