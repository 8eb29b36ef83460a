#pragma once

#include "edit/CanvasProperties.h"

#include <QDialog>

class QPushButton;

namespace vq {

class ColorPickerButton;
class FrameStyleCombo;
class NumberSpin;
class PicturePreview;

// The view properties dialog ("ビューのプロパティ"): the canvas's size,
// colours, frame and background picture, edited on a copy. "保存終了" (or
// Enter) accepts and properties() holds the result; "中止" (or Esc) leaves
// the document as it was.
class CanvasPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit CanvasPropertiesDialog(const CanvasProperties& initial, QWidget* parent = nullptr);

    // The edited settings; sizes and frame width held inside their limits
    // once accepted.
    [[nodiscard]] const CanvasProperties& properties() const { return m_props; }

    [[nodiscard]] NumberSpin* widthSpin() const { return m_width; }
    [[nodiscard]] NumberSpin* heightSpin() const { return m_height; }
    [[nodiscard]] NumberSpin* frameWidthSpin() const { return m_frameWidth; }
    [[nodiscard]] ColorPickerButton* backColor() const { return m_backColor; }
    [[nodiscard]] ColorPickerButton* frameColor() const { return m_frameColor; }
    [[nodiscard]] FrameStyleCombo* frameStyle() const { return m_frameStyle; }
    [[nodiscard]] QPushButton* setButton() const { return m_set; }
    [[nodiscard]] QPushButton* clearButton() const { return m_clear; }
    [[nodiscard]] QPushButton* fitWidthButton() const { return m_fitWidth; }
    [[nodiscard]] QPushButton* fitHeightButton() const { return m_fitHeight; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }
    [[nodiscard]] QPushButton* cancelButton() const { return m_cancel; }
    [[nodiscard]] PicturePreview* preview() const { return m_preview; }

    void accept() override;
    void reject() override;

private:
    void buildControls();
    void onSet();
    void onClear();
    void onFitWidth();
    void onFitHeight();
    void showBackground();

    CanvasProperties m_props;
    NumberSpin* m_width = nullptr;
    NumberSpin* m_height = nullptr;
    NumberSpin* m_frameWidth = nullptr;
    ColorPickerButton* m_backColor = nullptr;
    ColorPickerButton* m_frameColor = nullptr;
    FrameStyleCombo* m_frameStyle = nullptr;
    QPushButton* m_set = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_fitWidth = nullptr;
    QPushButton* m_fitHeight = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    PicturePreview* m_preview = nullptr;
};

} // namespace vq
