#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vq {

class EditSession;
class Settings;
class TileCountSpin;
struct SysSettings;

// The multi-cut settings (dialog 349, "マルチカット設定"), modeless: the tile
// counts across and down, the two spacings with their apply buttons, and the
// file type for tiles saved as files. Every change is stored at once and the
// grid kept on the node; the window is made once and then shown and hidden.
// Its place on the screen is remembered when it goes.
class MultiCutWindow : public QDialog {
    Q_OBJECT
public:
    MultiCutWindow(EditSession& session, SysSettings& sys, Settings& settings, QWidget* parent = nullptr);
    ~MultiCutWindow() override;

    // Shows the stored settings; places the window the first time.
    void refresh();
    // Refreshes and shows the window if hidden.
    void showSettings();

    [[nodiscard]] TileCountSpin* countAcross() const { return m_countX; }
    [[nodiscard]] TileCountSpin* countDown() const { return m_countY; }
    [[nodiscard]] QLineEdit* spacingAcross() const { return m_spacingX; }
    [[nodiscard]] QLineEdit* spacingDown() const { return m_spacingY; }
    [[nodiscard]] QToolButton* applyAcross() const { return m_applyX; }
    [[nodiscard]] QToolButton* applyDown() const { return m_applyY; }
    [[nodiscard]] QRadioButton* fileTypeButton(int type) const;
    [[nodiscard]] QPushButton* closeButton() const { return m_close; }

    // Where the window goes on `desktop` for a remembered place: centred on
    // `parent` when none was remembered (both 0), otherwise the remembered
    // place pulled back so that the whole window stays on the desktop.
    [[nodiscard]] static QPoint PlaceOnDesktop(QPoint remembered, QSize window, const QRect& desktop,
                                               const QRect& parent);

protected:
    void reject() override;

private:
    void applySpacing(bool across);
    void place();

    EditSession& m_session;
    SysSettings& m_sys;
    Settings& m_settings;
    bool m_placed = false;
    TileCountSpin* m_countX = nullptr;
    TileCountSpin* m_countY = nullptr;
    QLineEdit* m_spacingX = nullptr;
    QLineEdit* m_spacingY = nullptr;
    QToolButton* m_applyX = nullptr;
    QToolButton* m_applyY = nullptr;
    QRadioButton* m_types[5] = {};
    QPushButton* m_close = nullptr;
};

} // namespace vq
