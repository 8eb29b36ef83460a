#pragma once

#include <QComboBox>

namespace vq {

// The six frame line styles, each with a sample drawn by the canvas's own
// frame painter, so what the list shows is what the canvas draws.
class FrameStyleCombo : public QComboBox {
    Q_OBJECT
public:
    explicit FrameStyleCombo(QWidget* parent = nullptr);
};

} // namespace vq
