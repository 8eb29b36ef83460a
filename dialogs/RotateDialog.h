#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vq {

class EditSession;

// Rotation by any angle (dialog 343, "任意角度の回転"). It remembers the node
// it was opened for; each press of Left or Right turns that node once more by
// the typed angle, as one undo step, and the dialog stays open until closed.
class RotateDialog : public QDialog {
    Q_OBJECT
public:
    RotateDialog(EditSession& session, int nodeIndex, QWidget* parent = nullptr);

    [[nodiscard]] int nodeIndex() const { return m_node; }
    [[nodiscard]] QLineEdit* angleEdit() const { return m_angle; }
    [[nodiscard]] QPushButton* leftButton() const { return m_left; }
    [[nodiscard]] QPushButton* rightButton() const { return m_right; }

private:
    // `towardsRight`: by 360 degrees less the typed angle.
    void rotate(bool towardsRight);

    EditSession& m_session;
    const int m_node;
    QLineEdit* m_angle = nullptr;
    QPushButton* m_left = nullptr;
    QPushButton* m_right = nullptr;
};

} // namespace vq
