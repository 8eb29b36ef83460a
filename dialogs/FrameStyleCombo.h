#pragma once

#include <QComboBox>

namespace vq {

// The six frame line styles, each with a sample drawn by the canvas's own
// frame painter, so what the list shows is what the canvas draws. The
// samples take the list's text colour, so they show on dark looks too.
class FrameStyleCombo : public QComboBox {
    Q_OBJECT
public:
    explicit FrameStyleCombo(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintSamples();
};

} // namespace vq
