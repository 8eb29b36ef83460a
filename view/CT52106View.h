#pragma once

#include <QAbstractScrollArea>

namespace vq {

class CT52106App;

// The canvas view: shows the document's canvas at its zoom in a scroll area.
class CT52106View : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CT52106View(CT52106App& app, QWidget* parent = nullptr);
    ~CT52106View() override;

    // After a new or opened document: scroll sizes, scroll position, transient state.
    void OnInitialUpdate(bool opened);
    // Repaints the whole view at once.
    void repaintNow();
    [[nodiscard]] QPoint scrollPosition() const;
    void setScrollPosition(QPoint p);
    void UpdateScrollSizes();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CT52106App& m_app;
};

} // namespace vq
