#pragma once

#include "print/PrintLayout.h"

#include <QImage>
#include <QWidget>

namespace vq {

// The preview area of the print dialog: grey surround, the sheet with its
// shadow, the current page's part of the canvas and, when shown, the margin
// lines, which can be dragged. A poster's sheet also shows the overlap it
// shares with its neighbours, its cut marks and its label. The dialog owns the numbers; this draws them
// and reports a finished drag.
class PrintPreview : public QWidget {
    Q_OBJECT
public:
    explicit PrintPreview(QWidget* parent = nullptr);

    struct Scene {
        PreviewLayout layout;
        QImage canvas;          // the canvas, or the part of it shown, drawn at the preview's scale
        QSize canvasSize;       // the whole canvas at that scale
        QPoint canvasOrigin;    // where `canvas` lies in the whole
        int currentPage = 1;
        bool fitOnePage = false;
        bool showMargins = false;
        bool labels = false;    // the sheet's label fits and is asked for
        int minOffsetXmm = 0;
        int minOffsetYmm = 0;
    };
    void setScene(Scene scene);
    void setShowMargins(bool show);
    [[nodiscard]] const Scene& scene() const { return m_scene; }
    // The printable rectangle as last painted.
    [[nodiscard]] QRect printableRect() const { return m_printable; }
    [[nodiscard]] int dragEdge() const { return m_dragEdge; }

    QSize sizeHint() const override { return {320, 360}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

signals:
    // A margin line was dropped: edge 0 left, 1 top, 2 right, 3 bottom.
    void marginDragged(int edge, int millimetres);
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int screenDpiFor(int edge) const;
    [[nodiscard]] int minMmFor(int edge) const;
    void paintPosterExtras(QPainter& painter, const QRect& printed) const;

    Scene m_scene;
    QRect m_printable;
    int m_dragEdge = -1;
    int m_dragDistance = 0;
};

} // namespace vq
