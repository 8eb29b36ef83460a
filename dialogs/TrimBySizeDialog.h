#pragma once

#include <QDialog>

class QPushButton;
class QSpinBox;

namespace vq {

// Picture pixels to cut from each edge of a node.
struct CutSizes {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] bool any() const { return left != 0 || top != 0 || right != 0 || bottom != 0; }
};

// Trimming by size (dialog 345, "切り詰め処理"): four boxes of 0..10 pixels,
// each placed at its edge with an arrow pointing inwards, and "実行(&G)".
class TrimBySizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit TrimBySizeDialog(QWidget* parent = nullptr);

    // The sizes typed in; meaningful after exec() returned Accepted.
    [[nodiscard]] CutSizes sizes() const { return m_sizes; }

    [[nodiscard]] QSpinBox* leftBox() const { return m_left; }
    [[nodiscard]] QSpinBox* topBox() const { return m_top; }
    [[nodiscard]] QSpinBox* rightBox() const { return m_right; }
    [[nodiscard]] QSpinBox* bottomBox() const { return m_bottom; }
    [[nodiscard]] QPushButton* executeButton() const { return m_execute; }

    void accept() override;

private:
    CutSizes m_sizes;
    QSpinBox* m_left = nullptr;
    QSpinBox* m_top = nullptr;
    QSpinBox* m_right = nullptr;
    QSpinBox* m_bottom = nullptr;
    QPushButton* m_execute = nullptr;
};

} // namespace vq
