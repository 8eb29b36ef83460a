#pragma once

#include "base/Settings.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vq {

class PreviewStore;

// "システムの環境設定": opening the last document at start-up, the hover
// animation with its count and speed, the backup on overwrite and the
// operation guide. The dialog only edits a copy; the caller stores it.
//
// Given the store of kept previews, it also shows what that takes on disk
// with a button that empties it at once, whichever way the dialog is left:
// the previews are no setting, only time saved.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSpeedCount = 5;

    explicit PreferencesDialog(const SystemPreferences& initial, PreviewStore* previews = nullptr,
                               QWidget* parent = nullptr);

    // What "保存して終了" accepted; the initial values until then.
    [[nodiscard]] const SystemPreferences& values() const { return m_values; }

    [[nodiscard]] QCheckBox* firstOpenCheck() const { return m_firstOpen; }
    [[nodiscard]] QCheckBox* animeCheck() const { return m_anime; }
    [[nodiscard]] QSpinBox* countSpin() const { return m_count; }
    [[nodiscard]] QRadioButton* speedRadio(int index) const { return m_speed.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] QCheckBox* backupCheck() const { return m_backup; }
    [[nodiscard]] QCheckBox* guideCheck() const { return m_guide; }
    [[nodiscard]] QPushButton* saveButton() const { return m_save; }
    [[nodiscard]] QPushButton* closeButton() const { return m_close; }
    // Null without a preview store.
    [[nodiscard]] QPushButton* clearPreviewsButton() const { return m_clearPreviews; }
    [[nodiscard]] QLabel* previewUseLabel() const { return m_previewUse; }

private:
    void collectAndAccept();
    void showPreviewUse();

    SystemPreferences m_values;
    QCheckBox* m_firstOpen = nullptr;
    QCheckBox* m_anime = nullptr;
    QSpinBox* m_count = nullptr;
    std::array<QRadioButton*, kSpeedCount> m_speed{};
    QCheckBox* m_backup = nullptr;
    QCheckBox* m_guide = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    PreviewStore* m_previews = nullptr;
    QPushButton* m_clearPreviews = nullptr;
    QLabel* m_previewUse = nullptr;
};

// The number of marks the dialog shows: the stored count, or 3 when the
// animation is off, kept within 1 to 10.
[[nodiscard]] int AnimeCountShown(int playAnime);
// A typed count within 1 to 10.
[[nodiscard]] int ClampAnimeCount(int typed);
// "使用中: 2.6 MB": what the kept previews take, in binary megabytes, with
// one decimal below ten and never less than 0.1 when there are any.
[[nodiscard]] QString PreviewUseText(std::int64_t bytes);

} // namespace vq
