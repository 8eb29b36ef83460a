#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;

namespace vq {

class Settings;

// The JPEG quality dialog (画質設定): a slider from 10 to 100 with ten quick
// choices. Accepting stores the slider's position as "Last"/"Quality";
// cancelling stores nothing.
class JpegQualityDialog : public QDialog {
    Q_OBJECT
public:
    explicit JpegQualityDialog(Settings& settings, QWidget* parent = nullptr);

    // The accepted quality, 10..100; meaningful after accept.
    [[nodiscard]] int quality() const { return m_quality; }

    // The slider, the value label and the value buttons (10, 20, ..., 100).
    [[nodiscard]] QSlider* slider() const { return m_slider; }
    [[nodiscard]] QLabel* valueLabel() const { return m_value; }
    [[nodiscard]] QPushButton* valueButton(int value) const;
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }

    void accept() override;

private:
    void showValue(int value);

    Settings& m_settings;
    int m_quality = 100;
    QSlider* m_slider = nullptr;
    QLabel* m_value = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QList<QPushButton*> m_valueButtons;
};

} // namespace vq
