#pragma once

#include "view/RangeMode.h"
#include "view/ZoomConsole.h"

#include <QAbstractScrollArea>
#include <QImage>

class QPainter;
class QScrollBar;

namespace vq {

class CT52106App;

// Zoom command ids of the view.
enum ZoomCommand : int {
    kCmdZoom10 = 400,
    kCmdZoom25 = 399,
    kCmdZoom50 = 398,
    kCmdZoom100 = 32774,
    kCmdZoom200 = 32775,
    kCmdZoom300 = 32776,
    kCmdZoom400 = 32777,
    kCmdZoomFit = 32778,
    kCmdConsoleAlways = 32773,
    kCmdConsoleTopLeft = 32779,
};

// The canvas view: shows the document's canvas at its zoom in a scroll area,
// painted through one off-screen image, with the zoom console over it.
class CT52106View : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Sets app.view to this view for its lifetime.
    explicit CT52106View(CT52106App& app, QWidget* parent = nullptr);
    ~CT52106View() override;

    // After a new or opened document: scroll sizes, scroll position, transient
    // state; an opened document also shows the console as its consoleAlways
    // says and deselects every node.
    void OnInitialUpdate(bool opened);

    // Limits and applies a zoom, repaints, marks the document modified.
    void SetZoom(float value);
    // Changes the zoom by `hundredths` percentage points.
    void StepZoom(int hundredths);
    // The zoom and console commands (ZoomCommand); false for other ids.
    bool OnZoomCommand(int commandId);
    void OnToggleConsoleAlways();
    void OnConsoleTopLeft();

    // Repaints the whole view at once.
    void repaintNow();
    [[nodiscard]] QPoint scrollPosition() const;
    void setScrollPosition(QPoint p);
    // Scrollable extent: (canvas + 50) x zoom in both directions.
    void UpdateScrollSizes();
    // The client rectangle, (0, 0) at its top-left.
    [[nodiscard]] QRect clientRect() const;

    [[nodiscard]] RangeMode& rangeMode() { return m_mode; }
    [[nodiscard]] const RangeMode& rangeMode() const { return m_mode; }
    [[nodiscard]] ConsoleState& consoleState() { return m_console; }
    [[nodiscard]] bool consoleVisible() const { return m_console.consoleVisible; }
    void setConsoleVisible(bool visible);

    // Puts the current percentage on the console face.
    void RefreshConsoleImage();
    [[nodiscard]] const ZoomConsoleArt& consoleArt() const { return m_art; }
    // Which part of the console the client point is on (-1, 1, 2, 3); shows a
    // hidden console when the point is on it.
    int HitTestConsole(QPoint client);

    // The client area painted exactly as the screen shows it.
    [[nodiscard]] QImage renderToImage();

signals:
    // The document changed through the view (zoom, console settings).
    void documentModified();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PaintView(QPainter& painter, QSize client);
    void DrawConsole(QPainter& painter, QSize client);
    void renderBuffer();
    void hideConsoleForScroll();
    void showConsoleAfterScroll();
    void connectScrollBar(QScrollBar* bar);

    CT52106App& m_app;
    RangeMode m_mode;
    ConsoleState m_console;
    ZoomConsoleArt m_art;
    QImage m_buffer;
};

} // namespace vq
