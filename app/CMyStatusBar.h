#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace vq {

// Pane ids of the status bar, in display order.
enum StatusPane : int {
    kPaneProgress = 416,
    kPaneObject = 121,
    kPanePos = 417,
    kPaneSize = 418,
    kPaneCursor = 419,
};

// The status bar: a progress control and four text panes, and an
// information area that covers the panes while a text is set.
class CMyStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMyStatusBar(QWidget* parent = nullptr);

    void setPaneText(int paneId, const QString& text);
    [[nodiscard]] QString paneText(int paneId) const;

private:
    QProgressBar* m_progress = nullptr;
    QLabel* m_object = nullptr;
    QLabel* m_pos = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_cursor = nullptr;
};

} // namespace vq
