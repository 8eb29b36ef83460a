#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vq {

class ColorPickerButton;
class EditSession;
class FrameStyleCombo;
class NumberSpin;
class PicturePreview;

// The image properties dialog ("イメージのプロパティ") for one node. Every
// change reaches the document at once and the canvas follows; the opener takes
// one undo snapshot before the dialog runs, so one undo takes back everything
// done in it. There is no OK or cancel: only "戻る" (or Esc) closes it, and
// Enter does nothing.
class ImagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    ImagePropertiesDialog(EditSession& session, int nodeIndex, QWidget* parent = nullptr);

    [[nodiscard]] int nodeIndex() const { return m_node; }
    [[nodiscard]] NumberSpin* widthSpin() const { return m_width; }
    [[nodiscard]] NumberSpin* heightSpin() const { return m_height; }
    [[nodiscard]] QLabel* widthRange() const { return m_widthRange; }
    [[nodiscard]] QLabel* heightRange() const { return m_heightRange; }
    [[nodiscard]] QPushButton* actualSizeButton() const { return m_actual; }
    [[nodiscard]] QPushButton* sameAspectButton() const { return m_aspect; }
    [[nodiscard]] QRadioButton* widthBasis() const { return m_widthBasis; }
    [[nodiscard]] QRadioButton* heightBasis() const { return m_heightBasis; }
    [[nodiscard]] QPushButton* resampleButton() const { return m_resample; }
    [[nodiscard]] QPushButton* undoResampleButton() const { return m_undoResample; }
    [[nodiscard]] QLabel* memorySize() const { return m_memorySize; }
    [[nodiscard]] QLabel* memoryData() const { return m_memoryData; }
    [[nodiscard]] QLabel* ratioX() const { return m_ratioX; }
    [[nodiscard]] QLabel* ratioY() const { return m_ratioY; }
    // 0 left, 1 up, 2 down, 3 right.
    [[nodiscard]] QToolButton* moveButton(int i) const { return m_move[i]; }
    [[nodiscard]] NumberSpin* frameWidthSpin() const { return m_frameWidth; }
    [[nodiscard]] FrameStyleCombo* frameStyle() const { return m_frameStyle; }
    [[nodiscard]] ColorPickerButton* frameColor() const { return m_frameColor; }
    [[nodiscard]] QLineEdit* sourceField() const { return m_source; }
    [[nodiscard]] QPushButton* showButton() const { return m_show; }
    [[nodiscard]] QPushButton* reloadButton() const { return m_reload; }
    [[nodiscard]] QLabel* sourceSize() const { return m_sourceSize; }
    [[nodiscard]] QLabel* sourceData() const { return m_sourceData; }
    [[nodiscard]] PicturePreview* preview() const { return m_preview; }
    [[nodiscard]] QPushButton* backButton() const { return m_back; }

    // Where the picture kept for "元に戻す" lies; empty when there is none.
    [[nodiscard]] const QString& resampleBackupPath() const { return m_backupPath; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void RefreshMemoryInfo();
    // The document changed: the canvas and the preview follow.
    void apply();
    void onWidthStep(int value);
    void onHeightStep(int value);
    void onActualSize();
    void onSameAspect();
    void onResample();
    void onUndoResample();
    void onMove(int dx, int dy);
    void onShowOrigin();
    void onReload();
    void showSizes(QSize size);

    EditSession& m_session;
    const int m_node;
    QString m_backupPath;

    NumberSpin* m_width = nullptr;
    NumberSpin* m_height = nullptr;
    QLabel* m_widthRange = nullptr;
    QLabel* m_heightRange = nullptr;
    QPushButton* m_actual = nullptr;
    QPushButton* m_aspect = nullptr;
    QRadioButton* m_widthBasis = nullptr;
    QRadioButton* m_heightBasis = nullptr;
    QPushButton* m_resample = nullptr;
    QPushButton* m_undoResample = nullptr;
    QLabel* m_memorySize = nullptr;
    QLabel* m_memoryData = nullptr;
    QLabel* m_ratioX = nullptr;
    QLabel* m_ratioY = nullptr;
    QToolButton* m_move[4] = {};
    NumberSpin* m_frameWidth = nullptr;
    FrameStyleCombo* m_frameStyle = nullptr;
    ColorPickerButton* m_frameColor = nullptr;
    QLineEdit* m_source = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_reload = nullptr;
    QLabel* m_sourceSize = nullptr;
    QLabel* m_sourceData = nullptr;
    PicturePreview* m_preview = nullptr;
    QPushButton* m_back = nullptr;
};

} // namespace vq
