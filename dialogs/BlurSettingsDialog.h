#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vq {

class Settings;

// The blur settings (dialog 348, "ボカシ設定"): the block size (or random
// range) 2..100 and the method. It shows the stored "Bokashi" values when it
// opens; "保存(&S)" stores them, "中止(&C)" closes without storing.
class BlurSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit BlurSettingsDialog(Settings& settings, QWidget* parent = nullptr);

    [[nodiscard]] QSpinBox* blockBox() const { return m_block; }
    // The radio button of method 0 (simple), 1 (average) or 2 (random).
    [[nodiscard]] QRadioButton* methodButton(int type) const;
    [[nodiscard]] QPushButton* saveButton() const { return m_save; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }

    void accept() override;

private:
    Settings& m_settings;
    QSpinBox* m_block = nullptr;
    QRadioButton* m_methods[3] = {};
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vq
