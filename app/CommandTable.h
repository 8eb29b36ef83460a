#pragma once

#include "model/RangeModeState.h"

#include <cstdint>
#include <span>

namespace vq {

// When a command may run. A command with no registered handler never may.
enum class EnableRule : std::uint8_t {
    Always,
    UndoAvailable,
    RedoAvailable,
    MainSelection,
    Selected1,       // at least one node selected
    Selected2,
    Selected3,
    TrimMode,        // trimming mode active
    BlurMode,
    MultiMode,
    MainSelectionNoMode, // main selection and no mode active
    AnyMode,
};

// When a command's menu item carries its mark.
enum class CheckRule : std::uint8_t {
    None,
    GridOff,
    GridOn,
    GridStyle,       // grid mode equals the command's argument
    GridOnTop,
    Overlap,
    Snap,
    Style,           // the current visual style is the command's id
    Anime,
    ToolbarShown,
    StatusBarShown,
};

// One command: the texts of its menu item and toolbar button and its rules.
// Texts are UTF-8; empty texts mean none.
struct CommandInfo {
    int id;
    const char* label;       // menu text with "&" mnemonics
    const char* keyText;     // shown after the tab in the menu
    const char* prompt;      // status-bar text while highlighted
    const char* tooltip;     // toolbar button tooltip
    EnableRule enable = EnableRule::Always;
    CheckRule check = CheckRule::None;
    int checkArg = 0;
    const char* contextLabel = ""; // the canvas context menu's text where it differs
};

// Every command of the main menu, the toolbar, the context menus and the keys.
[[nodiscard]] std::span<const CommandInfo> commandTable();
// Nullptr for an id the table does not hold.
[[nodiscard]] const CommandInfo* findCommand(int id);

// What the rules read, gathered once per refresh.
struct CommandContext {
    int undoCount = 0;
    int redoCount = 0;
    int selectedCount = 0;
    bool mainSelection = false;
    RangeKind modeKind = RangeKind::Trim;
    int modeNode = -1;
    int gridMode = -1;
    int gridOnTop = 0;
    int dspOverlap = 0;
    int snap = 0;
    int appLook = 0;
    int playAnime = 0;
    bool toolbarShown = true;
    bool statusBarShown = true;
};

[[nodiscard]] bool ruleAllows(EnableRule rule, const CommandContext& c);
[[nodiscard]] bool ruleMarks(const CommandInfo& info, const CommandContext& c);

// The main menu as a flat list: a popup opens with its label and closes at
// its End; RecentFiles stands for the list of recently used documents.
struct MenuItem {
    enum Kind : std::uint8_t { Command, Separator, Popup, End, RecentFiles };
    Kind kind;
    int id = 0;              // Command
    const char* label = "";  // Popup
};
[[nodiscard]] std::span<const MenuItem> mainMenuLayout();

// The "基本" toolbar left to right; 0 stands for a separator.
[[nodiscard]] std::span<const int> toolbarLayout();

} // namespace vq
