#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace vq {

// One entry of the settings master table.
struct SettingKey {
    const char* section;
    const char* name;
    int defaultValue; // integer values only; text values default to empty
};

// Every stored setting, by section and value name, with its default.
namespace keys {
inline constexpr SettingKey PlayAnime{"SYS", "PlayAnime", 3};
inline constexpr SettingKey SpeedAnime{"SYS", "SpeedAnime", 0};
inline constexpr SettingKey DspGuide{"SYS", "DspGuide", 1};
inline constexpr SettingKey DspOverlap{"SYS", "DspOverlap", 1};
inline constexpr SettingKey MultiCntX{"SYS", "MultiCntX", 1};
inline constexpr SettingKey MultiCntY{"SYS", "MultiCntY", 1};
inline constexpr SettingKey MultiMaX{"SYS", "MultiMaX", 10};
inline constexpr SettingKey MultiMaY{"SYS", "MultiMaY", 10};
inline constexpr SettingKey MultiExt{"SYS", "MultiExt", 0};
inline constexpr SettingKey FirstOpen{"SYS", "FirstOpen", 0};
inline constexpr SettingKey MakeBackup{"SYS", "MakeBackup", 1};
// 1 = dragged nodes snap to the canvas, the other nodes and the grid.
inline constexpr SettingKey Snap{"SYS", "Snap", 1};
// The frame's own workspace: its look, size, position and bar layout.
inline constexpr SettingKey ApplicationLook{"Workspace", "ApplicationLook", 216};
inline constexpr SettingKey WorkspaceGeometry{"Workspace", "Geometry", 0}; // text
inline constexpr SettingKey WorkspaceState{"Workspace", "State", 0};       // text
inline constexpr SettingKey Quality{"Last", "Quality", 100};
inline constexpr SettingKey FilePath{"Last", "FilePath", 0};   // text
inline constexpr SettingKey SaveFolder{"Last", "SaveFolder", 0}; // text
inline constexpr SettingKey InsatuPX{"Insatu", "PX", 0};
inline constexpr SettingKey InsatuPY{"Insatu", "PY", 0};
inline constexpr SettingKey InsatuSX{"Insatu", "SX", 640};
inline constexpr SettingKey InsatuSY{"Insatu", "SY", 480};
inline constexpr SettingKey InsatuZoomed{"Insatu", "Zoomed", 0};
inline constexpr SettingKey MarginLmm{"Insatu", "MarginLmm", 25};
inline constexpr SettingKey MarginRmm{"Insatu", "MarginRmm", 10};
inline constexpr SettingKey MarginTmm{"Insatu", "MarginTmm", 25};
inline constexpr SettingKey MarginBmm{"Insatu", "MarginBmm", 10};
inline constexpr SettingKey AllOne{"Insatu", "AllOne", 0};
inline constexpr SettingKey Hani{"Insatu", "Hani", 1};
inline constexpr SettingKey DspYohaku{"Insatu", "DspYohaku", 0};
inline constexpr SettingKey PaperSize{"Insatu", "PaperSize", 9};
inline constexpr SettingKey Orientation{"Insatu", "Orientation", 1};
// The poster: its size (0 as on screen, 1 sheets across, 2 finished width),
// the sheets across, the width in mm, the overlap in mm, and 0/1 for cut
// marks, sheet labels and the assembly map.
inline constexpr SettingKey PosterSize{"Insatu", "PosterSize", 0};
inline constexpr SettingKey PosterAcross{"Insatu", "PosterAcross", 2};
inline constexpr SettingKey PosterWidthMm{"Insatu", "PosterWidthMm", 1000};
inline constexpr SettingKey Norishiro{"Insatu", "Norishiro", 0};
inline constexpr SettingKey Tonbo{"Insatu", "Tonbo", 0};
inline constexpr SettingKey SheetLabel{"Insatu", "SheetLabel", 0};
inline constexpr SettingKey AssemblyMap{"Insatu", "AssemblyMap", 0};
inline constexpr SettingKey BlockW{"Bokashi", "BlockW", 10};
inline constexpr SettingKey BokashiType{"Bokashi", "Type", 0};
inline constexpr SettingKey MultuCutLastPX{"MultuCut", "LastPX", 0};
inline constexpr SettingKey MultuCutLastPY{"MultuCut", "LastPY", 0};
} // namespace keys

inline constexpr int kRecentFileCount = 16;

// The program's settings: QSettings("morvex", "Velquin") in INI format in the
// user's configuration folder, read and written through the master table.
class Settings {
public:
    Settings();
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    [[nodiscard]] int value(const SettingKey& key) const;
    void setValue(const SettingKey& key, int value);
    [[nodiscard]] QString text(const SettingKey& key) const;
    void setText(const SettingKey& key, const QString& value);

    // "Last" "Rect%d" + "PX"/"PY"/"SX"/"SY"; `fallback` when not stored.
    [[nodiscard]] int lastRect(int mode, const char* part, int fallback) const;
    void setLastRect(int mode, const char* part, int value);

    // "Recent File List" "File1".."File16", newest first, empty entries skipped.
    [[nodiscard]] QStringList recentFiles() const;
    void setRecentFiles(const QStringList& files);
    // Moves `path` to the top of the list, keeping at most 16 entries.
    void addRecentFile(const QString& path);

    void sync();
    [[nodiscard]] QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

// The "SYS" values the program keeps in memory while it runs.
struct SysSettings {
    int playAnime = 0;
    int speedAnime = 0;
    int dspGuide = 0;
    int dspOverlap = 0;
    int multiCntX = 0;
    int multiCntY = 0;
    float multiMarginX = 0.0f;
    float multiMarginY = 0.0f;
    int multiExt = 0;
    int snap = 0;

    void read(const Settings& settings);
    // Written in the order the program has always used, margins in thousandths.
    void write(Settings& settings) const;
};

// What the preferences dialog shows and changes: two values kept only in the
// settings and three the program also holds in memory.
struct SystemPreferences {
    bool firstOpen = false;
    int playAnime = 0;  // orbiting marks, 0 = animation off
    int speedAnime = 0; // 0 fastest .. 4 slowest
    bool makeBackup = true;
    bool dspGuide = true;
};

// "FirstOpen" and "MakeBackup" from the settings, the rest from memory.
[[nodiscard]] SystemPreferences ReadSystemPreferences(const Settings& settings, const SysSettings& sys);

// Stores accepted preferences: the two settings-only values always, the three
// held in memory only when they changed, so a value the program never touched
// keeps whatever the settings had.
void ApplySystemPreferences(const SystemPreferences& prefs, Settings& settings, SysSettings& sys);

// Takes `paths` out of the recent-file list, keeping the order of the rest.
void RemoveRecentFiles(Settings& settings, const QStringList& paths);

// Multi-cut spacings are stored as whole thousandths. Writing rounds to the
// nearest one: 0.010f times 1000 is 9.9999998, and truncating it would lose a
// thousandth at every exit.
[[nodiscard]] float MarginFromThousandths(int thousandths);
[[nodiscard]] int MarginToThousandths(float margin);

} // namespace vq
