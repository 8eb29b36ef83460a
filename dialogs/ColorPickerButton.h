#pragma once

#include "model/DocState.h"

#include <QPointer>
#include <QPushButton>
#include <QVector>

class QFrame;
class QToolButton;

namespace vq {

// A button showing a colour; pressing it opens a small palette of colours in
// five columns, with a button for any other colour (the colour chooser) and,
// when set up, an automatic entry that stands for a colour of its own such as
// "枠線なし" (no frame, kNoColor).
class ColorPickerButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kColumns = 5;

    explicit ColorPickerButton(QWidget* parent = nullptr);

    [[nodiscard]] ColorRef color() const { return m_color; }
    void setColor(ColorRef colour);
    // Offers `label` at the top of the palette, choosing `colour`.
    void setAutomatic(const QString& label, ColorRef colour);

    // The palette's colours, in the order they are laid out row by row.
    [[nodiscard]] static const QVector<ColorRef>& paletteColors();

    // The open palette, or nullptr.
    [[nodiscard]] QFrame* palette() const { return m_popup; }

    [[nodiscard]] QSize sizeHint() const override;

signals:
    // The user chose `colour` (perhaps the one already shown).
    void colorChosen(ColorRef colour);

private:
    void openPalette();
    void choose(ColorRef colour);
    void chooseOther();
    void showColor();

    ColorRef m_color = 0;
    bool m_hasAutomatic = false;
    QString m_automaticLabel;
    ColorRef m_automaticColor = kNoColor;
    QPointer<QFrame> m_popup;
};

} // namespace vq
