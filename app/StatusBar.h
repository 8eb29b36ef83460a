#pragma once

#include <QStatusBar>

#include <array>

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

// The status bar: a progress control and four text panes, and an information
// area that covers the panes while a text is set. Menu prompts show in the
// same place while an item is highlighted; the information text returns after.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void setPaneText(int paneId, const QString& text);
    [[nodiscard]] QString paneText(int paneId) const;
    // The pane's widget (the progress control for kPaneProgress); null for an unknown id.
    [[nodiscard]] QWidget* pane(int paneId) const;

    // Sets the information text; an empty text shows the panes again.
    void ShowGuideText(const QString& text);
    [[nodiscard]] QString guideText() const { return m_info; }

    // Progress for n items: returns how many items make one step of the bar.
    int BeginProgress(int n);
    void StepProgress();
    void EndProgress();
    [[nodiscard]] int progressPosition() const;
    // The information area as the user sees it: the text it shows, empty
    // while it is hidden (no text, or a menu prompt over it).
    [[nodiscard]] QString visibleInfoText() const;
    [[nodiscard]] QWidget* infoArea() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Pane {
        int id;
        QWidget* widget;
    };

    void onMessageChanged(const QString& message);
    void placeInfoArea();

    QProgressBar* m_progress = nullptr;
    QLabel* m_infoArea = nullptr;
    std::array<Pane, 5> m_panes{};
    QString m_info;
};

} // namespace vq
