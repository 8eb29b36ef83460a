#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vq {

// The version history shown in the about box: the newest release first, each
// on a line of its own.
[[nodiscard]] QString VersionHistoryText();

// "バージョン情報": the program's icon, name and purpose, and its history.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    [[nodiscard]] QLabel* iconLabel() const { return m_icon; }
    [[nodiscard]] QPlainTextEdit* historyField() const { return m_history; }
    [[nodiscard]] QPushButton* confirmButton() const { return m_confirm; }

private:
    QLabel* m_icon = nullptr;
    QPlainTextEdit* m_history = nullptr;
    QPushButton* m_confirm = nullptr;
};

} // namespace vq
