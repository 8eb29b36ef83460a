#include "app/CommandTable.h"

#include "resources/CommandIds.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vq {

namespace {

using E = EnableRule;
using C = CheckRule;

// The fixed part of the table; the sixteen recent-file entries are added below.
constexpr CommandInfo kCommands[] = {
    // File
    {cmd::FileNew, "新規作成(&N)", "Ctrl+N", "新規にファイルを作成", "【新規ファイル】"},
    {cmd::FileOpen, "開く(&O)...", "Ctrl+O", "既存のファイルを開く", "【開く】"},
    {cmd::FileSave, "上書き保存(&S)", "Ctrl+S", "作業中のファイルを上書きして保存", "【保存】"},
    {cmd::FileSaveAs, "名前を付けて保存(&A)...", "", "作業中のファイルを新しい名前で保存", "【名前をつけて保存】"},
    {cmd::SaveAsImage, "1枚のイメージとして保存(&I)", "",
     "ビューの表示内容を1枚のイメージとして名前を付けてファイルに保存します", "【1枚のイメージとして保存】"},
    {cmd::Print, "印刷(&P)", "", "ビューの表示内容を印刷します", "【印刷】"},
    {cmd::Preferences, "環境設定(&K)", "", "システム環境の設定をします", "環境設定"},
    {cmd::ManageRecent, "最近使ったファイルの管理(&R)", "", "最近使ったドキュメントの管理をします", "最近使ったファイルの管理"},
    {cmd::Exit, "終了(&X)", "", "アプリケーションを終了し、ファイルの保存を指示", "終了"},
    // Edit
    {cmd::Undo, "元に戻す(&U)", "Ctrl+Z", "１つ前の状態に戻します", "【元に戻す】", E::UndoAvailable},
    {cmd::Redo, "やり直し(&R)", "Ctrl+Y", "元に戻した状態をやり直します", "【やり直し】", E::RedoAvailable},
    {cmd::AddImage, "イメージ追加(&I)", "Drag&&Drop", "", ""},
    {cmd::Copy, "コピー(&C)", "Ctrl+C", "選択されたイメージをメモリにコピーします", "【コピー】"},
    {cmd::Paste, "貼り付け(&P)", "Ctrl+V", "メモリからビューに貼り付けます", "【貼り付け】", E::Always, C::None, 0,
     "貼り付け(&V)"},
    {cmd::Delete, "削除(&D)", "Delete", "選択されたイメージを削除します", "【削除】"},
    // View
    {cmd::Overlap, "重なり領域明示(&O)", "", "重なり領域の表示と非表示を切り替えます", "【重なり領域明示】", E::Always, C::Overlap},
    {cmd::GridNone, "なし", "", "", "", E::Always, C::GridOff},
    {cmd::GridCross, "中央十字線", "", "", "", E::Always, C::GridStyle, 5},
    {cmd::Grid10, "10ピクセル間隔", "", "", "", E::Always, C::GridStyle, 1},
    {cmd::Grid40, "40ピクセル間隔", "", "", "", E::Always, C::GridStyle, 2},
    {cmd::Grid70, "70ピクセル間隔", "", "", "", E::Always, C::GridStyle, 3},
    {cmd::Grid100, "100ピクセル間隔", "", "", "", E::Always, C::GridStyle, 4},
    {cmd::GridButton, "グリッドボタン", "", "グリッドの表示と非表示を切り替えます", "グリッド表示/非表示", E::Always, C::GridOn},
    {cmd::GridOnTop, "グリッド最前面(&M)", "", "グリッドをイメージの前面に表示します", "グリッド最前面", E::Always, C::GridOnTop,
     0, "グリッド最前面"},
    {cmd::Snap, "スナップ(&N)", "", "移動やサイズ変更のとき、イメージの端と中央をビューや他のイメージ、グリッドに合わせます",
     "【スナップ】", E::Always, C::Snap},
    {cmd::ToolbarToggle, "ツールバー(&T)", "", "", "", E::Always, C::ToolbarShown},
    {cmd::StatusBarToggle, "ステータスバー(&S)", "", "", "", E::Always, C::StatusBarShown},
    {cmd::StyleWin2000, "Windows 2000(&2)", "", "", "", E::Always, C::Style},
    {cmd::StyleOfficeXP, "Office XP(&X)", "", "", "", E::Always, C::Style},
    {cmd::StyleWinXP, "Windows XP(&W)", "", "", "", E::Always, C::Style},
    {cmd::StyleOffice2003, "Office 2003(&3)", "", "", "", E::Always, C::Style},
    {cmd::StyleVS2005, "Visual Studio 200&5", "", "", "", E::Always, C::Style},
    {cmd::StyleVS2008, "Visual Studio 200&8", "", "", "", E::Always, C::Style},
    {cmd::StyleOffice2007Blue, "ブルー スタイル(&B)", "", "", "", E::Always, C::Style},
    {cmd::StyleOffice2007Black, "ブラック スタイル(&L)", "", "", "", E::Always, C::Style},
    {cmd::StyleOffice2007Silver, "シルバー スタイル(&S)", "", "", "", E::Always, C::Style},
    {cmd::StyleOffice2007Aqua, "アクア スタイル(&A)", "", "", "", E::Always, C::Style},
    {cmd::StyleWin7, "Windows 7(&D)", "", "", "", E::Always, C::Style},
    {cmd::ViewProperties, "ビューのプロパティ(&P)", "WClick", "ビューのプロパティを表示します", "【ビューのプロパティ】",
     E::Always, C::None, 0, "プロパティ(&P)"},
    // Trimming
    {cmd::TrimStart, "トリミング処理(&H)", "Ctrl+T", "", "", E::MainSelection},
    {cmd::TrimCancel, "トリミング中止(&Q)", "Esc", "", "", E::TrimMode},
    {cmd::TrimExecute, "トリミング実行(&G)", "", "", "", E::TrimMode},
    {cmd::TrimLeft, "左辺を1ピクセル切り詰め(&L)", "", "左辺を1ピクセル切り詰めます", "【左辺切り詰め】", E::MainSelection},
    {cmd::TrimTop, "上辺を1ピクセル切り詰め(&T)", "", "上辺を1ピクセル切り詰めます", "【上辺切り詰め】", E::MainSelection},
    {cmd::TrimRight, "右辺を1ピクセル切り詰め(&R)", "", "右辺を1ピクセル切り詰めます", "【右辺切り詰め】", E::MainSelection},
    {cmd::TrimBottom, "下辺を1ピクセル切り詰め(&B)", "", "下辺を1ピクセル切り詰めます", "【下辺切り詰め】", E::MainSelection},
    {cmd::TrimBySize, "サイズを指定して切り詰め(&A)", "", "サイズを指定して切り詰めます", "【サイズ指定切り詰め】", E::MainSelection},
    // Blur
    {cmd::BlurStart, "ボカシ処理(&H)", "Ctrl+B", "", "", E::MainSelection},
    {cmd::BlurCancel, "ボカシ中止(&Q)", "Esc", "", "", E::BlurMode},
    {cmd::BlurExecute, "ボカシ実行(&G)", "", "", "", E::BlurMode},
    {cmd::BlurSettings, "ボカシ設定(&S)", "", "", ""},
    // Multi-cut
    {cmd::MultiStart, "マルチカット処理(&H)", "Ctrl+M", "", "", E::MainSelectionNoMode},
    {cmd::MultiCancel, "マルチカット中止(&Q)", "Esc", "", "", E::MultiMode},
    {cmd::MultiExecute, "マルチカット実行(&G)", "", "", "", E::MultiMode},
    {cmd::MultiSettings, "マルチカット設定(&S)", "", "", "", E::AnyMode},
    // Rotation
    {cmd::RotateRight, "右へ90度(&R)", "", "現在の角度から90度回転させます", "【右へ90度】", E::MainSelection},
    {cmd::Rotate180, "180度(&U)", "", "現在の角度から180度回転させます", "【180度回転】", E::MainSelection},
    {cmd::RotateLeft, "左へ90度(&L)", "", "現在の角度から左へ90度回転させます", "【左へ90度】", E::MainSelection},
    {cmd::RotateAny, "任意角度(&A)", "", "角度を指定して回転させます", "【任意角度の回転】", E::MainSelection},
    {cmd::FlipHorizontal, "左右逆転(&H)", "", "左右を逆転させます", "【左右逆転】", E::MainSelection},
    {cmd::FlipVertical, "上下逆転(&V)", "", "上下を逆転させます", "【上下逆転】", E::MainSelection},
    // Alignment
    {cmd::AlignLeft, "左揃え", "", "主選択の左端に揃えます", "【左揃え】", E::Selected2},
    {cmd::AlignRight, "右揃え", "", "主選択の右端に揃えます", "【右揃え】", E::Selected2},
    {cmd::AlignTop, "上揃え", "", "主選択の上端に揃えます", "【上揃え】", E::Selected2},
    {cmd::AlignBottom, "下揃え", "", "主選択の下端に揃えます", "【下揃え】", E::Selected2},
    {cmd::CentreVertical, "垂直中央揃え", "", "垂直位置を中央に揃えます", "【垂直中央揃え】", E::Selected1},
    {cmd::CentreHorizontal, "水平中央揃え", "", "水平位置を中央に揃えます", "【水平中央揃え】", E::Selected1},
    {cmd::SpaceVertical, "垂直均等揃え", "", "垂直位置を均等に揃えます", "【垂直均等揃え】", E::Selected3},
    {cmd::SpaceHorizontal, "水平均等揃え", "", "水平位置を均等に揃えます", "【水平均等揃え】", E::Selected3},
    {cmd::SameWidth, "幅揃え", "", "主選択の幅に揃えます", "【幅揃え】", E::Selected2},
    {cmd::SameHeight, "高さ揃え", "", "主選択の高さに揃えます", "【高さ揃え】", E::Selected2},
    {cmd::SameSize, "幅と高さ揃え", "", "主選択の幅と高さに揃えます", "【幅と高さ揃え】", E::Selected2},
    // Help
    {cmd::Manual, "取扱説明書表示(&H)", "F1", "取扱説明書を表示します", "【取扱説明書表示】"},
    {cmd::About, "バージョン情報(&A)...", "", "バージョン、著作権を表示します", "【バージョン情報】"},
    // Canvas context menus; app/CanvasContextMenu.cpp builds them and marks
    // the console and line-width items when it shows them.
    {cmd::ConsoleTopLeft, "ズームコンソールを左上に表示(&Z)", "", "", ""},
    {cmd::SelectAll, "すべて選択(&A)", "Ctrl+A", "", ""},
    {cmd::ToTopLeft, "左上角へ(&A)", "", "", ""},
    {cmd::BringToFront, "最前面に表示(&T)", "", "", ""},
    {cmd::SwapPositions, "位置交換(&C)", "", "", ""},
    {cmd::SendToBack, "最背面に表示(&B)", "", "", ""},
    {cmd::RandomPositions, "ランダムに位置変更(&R)", "F5", "", ""},
    {cmd::ChangeImage, "イメージを変更(&I)", "Drag&&Drop", "", ""},
    {cmd::SaveImageToFile, "イメージをファイルに保存(&F)", "", "", ""},
    {cmd::ImageProperties, "プロパティ(&P)", "", "", ""},
    {cmd::RangeWiden, "1ピクセル広げる(&I)", "Num +", "", ""},
    {cmd::RangeNarrow, "1ピクセル狭める(&D)", "Num -", "", ""},
    {cmd::RangeLargest, "範囲最大(&M)", "", "", ""},
    {cmd::RangeLineColor, "線の色(&C)", "", "", ""},
    {cmd::RangeLineWidth1, "&1ピクセル", "", "", ""},
    {cmd::RangeLineWidth2, "&2ピクセル", "", "", ""},
    {cmd::RangeLineWidth3, "&3ピクセル", "", "", ""},
    {cmd::RangeLineWidth4, "&4ピクセル", "", "", ""},
    {cmd::RangeLineWidth5, "&5ピクセル", "", "", ""},
    {cmd::ConsoleAlways, "ズームコンソールを常に表示(&Z)", "", "", ""},
    {cmd::Zoom10, "10%(&A)", "", "", ""},
    {cmd::Zoom25, "25%(&B)", "", "", ""},
    {cmd::Zoom50, "50%(&C)", "", "", ""},
    {cmd::Zoom100, "100%(&1)", "", "", ""},
    {cmd::Zoom200, "200%(&2)", "", "", ""},
    {cmd::Zoom300, "300%(&3)", "", "", ""},
    {cmd::Zoom400, "400%(&4)", "", "", ""},
    {cmd::ZoomFit, "画面に合せて表示(&F)", "", "", ""},
    // Keys only.
    {cmd::PasteKey, "", "Ctrl+V", "", ""},
    {cmd::CancelMode, "", "Esc", "", ""},
    {cmd::GuideToggle, "", "F2", "", ""},
    {cmd::AnimeToggle, "", "F10", "", "", E::Always, C::Anime},
};

const std::vector<CommandInfo>& table()
{
    static const std::vector<CommandInfo> all = [] {
        std::vector<CommandInfo> v(std::begin(kCommands), std::end(kCommands));
        for (int id = cmd::RecentFirst; id <= cmd::RecentLast; ++id)
            v.push_back({id, "最近使ったファイル", "", "指定のファイルを開く", ""});
        return v;
    }();
    return all;
}

using M = MenuItem;

constexpr MenuItem kMainMenu[] = {
    {M::Popup, 0, "ファイル(&F)"},
    {M::Command, cmd::FileNew}, {M::Command, cmd::FileOpen}, {M::Command, cmd::FileSave}, {M::Command, cmd::FileSaveAs},
    {M::Separator},
    {M::Command, cmd::SaveAsImage}, {M::Command, cmd::Print},
    {M::Separator},
    {M::Command, cmd::Preferences}, {M::Command, cmd::ManageRecent},
    {M::Separator},
    {M::RecentFiles},
    {M::Command, cmd::Exit},
    {M::End},

    {M::Popup, 0, "編集(&E)"},
    {M::Command, cmd::Undo}, {M::Command, cmd::Redo},
    {M::Separator},
    {M::Command, cmd::AddImage},
    {M::Separator},
    {M::Command, cmd::Copy}, {M::Command, cmd::Paste}, {M::Command, cmd::Delete},
    {M::End},

    {M::Popup, 0, "表示(&V)"},
    {M::Command, cmd::Overlap},
    {M::Popup, 0, "グリッド(&G)"},
    {M::Command, cmd::GridNone},
    {M::Separator},
    {M::Command, cmd::GridCross}, {M::Command, cmd::Grid10}, {M::Command, cmd::Grid40}, {M::Command, cmd::Grid70},
    {M::Command, cmd::Grid100},
    {M::End},
    {M::Command, cmd::GridOnTop},
    {M::Command, cmd::Snap},
    {M::Separator},
    {M::Command, cmd::ToolbarToggle}, {M::Command, cmd::StatusBarToggle},
    {M::Popup, 0, "スタイル(&A)"},
    {M::Command, cmd::StyleWin2000}, {M::Command, cmd::StyleOfficeXP}, {M::Command, cmd::StyleWinXP},
    {M::Command, cmd::StyleOffice2003}, {M::Command, cmd::StyleVS2005}, {M::Command, cmd::StyleVS2008},
    {M::Popup, 0, "Office 2007(&7)"},
    {M::Command, cmd::StyleOffice2007Blue}, {M::Command, cmd::StyleOffice2007Black},
    {M::Command, cmd::StyleOffice2007Silver}, {M::Command, cmd::StyleOffice2007Aqua},
    {M::End},
    {M::End},
    {M::Separator},
    {M::Command, cmd::ViewProperties},
    {M::End},

    {M::Popup, 0, "トリミング(&T)"},
    {M::Command, cmd::TrimStart}, {M::Command, cmd::TrimCancel}, {M::Command, cmd::TrimExecute},
    {M::Separator},
    {M::Command, cmd::TrimLeft}, {M::Command, cmd::TrimTop}, {M::Command, cmd::TrimRight}, {M::Command, cmd::TrimBottom},
    {M::Command, cmd::TrimBySize},
    {M::End},

    {M::Popup, 0, "ボカシ(&B)"},
    {M::Command, cmd::BlurStart}, {M::Command, cmd::BlurCancel}, {M::Command, cmd::BlurExecute},
    {M::Separator},
    {M::Command, cmd::BlurSettings},
    {M::End},

    {M::Popup, 0, "マルチカット(&M)"},
    {M::Command, cmd::MultiStart}, {M::Command, cmd::MultiCancel}, {M::Command, cmd::MultiExecute},
    {M::Separator},
    {M::Command, cmd::MultiSettings},
    {M::End},

    {M::Popup, 0, "回転(&R)"},
    {M::Command, cmd::RotateRight}, {M::Command, cmd::Rotate180}, {M::Command, cmd::RotateLeft},
    {M::Command, cmd::RotateAny},
    {M::Separator},
    {M::Command, cmd::FlipHorizontal}, {M::Command, cmd::FlipVertical},
    {M::End},

    {M::Popup, 0, "整列(&A)"},
    {M::Command, cmd::AlignLeft}, {M::Command, cmd::AlignRight}, {M::Command, cmd::AlignTop}, {M::Command, cmd::AlignBottom},
    {M::Separator},
    {M::Command, cmd::CentreVertical}, {M::Command, cmd::CentreHorizontal},
    {M::Separator},
    {M::Command, cmd::SpaceVertical}, {M::Command, cmd::SpaceHorizontal},
    {M::Separator},
    {M::Command, cmd::SameWidth}, {M::Command, cmd::SameHeight}, {M::Command, cmd::SameSize},
    {M::End},

    {M::Popup, 0, "ヘルプ(&H)"},
    {M::Command, cmd::Manual},
    {M::Separator},
    {M::Command, cmd::About},
    {M::End},
};

constexpr int kToolbar[] = {
    cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs, cmd::SaveAsImage, cmd::Print, 0,
    cmd::Copy, cmd::Paste, cmd::Delete, 0,
    cmd::Overlap, cmd::GridButton, cmd::GridOnTop, cmd::Snap, cmd::ViewProperties, 0,
    cmd::TrimLeft, cmd::TrimTop, cmd::TrimRight, cmd::TrimBottom, cmd::TrimBySize, 0,
    cmd::RotateRight, cmd::Rotate180, cmd::RotateLeft, cmd::RotateAny, cmd::FlipHorizontal, cmd::FlipVertical, 0,
    cmd::AlignLeft, cmd::AlignRight, cmd::AlignTop, cmd::AlignBottom, cmd::CentreVertical, cmd::CentreHorizontal,
    cmd::SpaceVertical, cmd::SpaceHorizontal, cmd::SameWidth, cmd::SameHeight, cmd::SameSize, 0,
    cmd::Undo, cmd::Redo, 0,
    cmd::Manual, cmd::About,
};

} // namespace

std::span<const CommandInfo> commandTable()
{
    return table();
}

const CommandInfo* findCommand(int id)
{
    const auto& all = table();
    const auto it = std::find_if(all.begin(), all.end(), [id](const CommandInfo& c) { return c.id == id; });
    return it == all.end() ? nullptr : &*it;
}

bool ruleAllows(EnableRule rule, const CommandContext& c)
{
    switch (rule) {
    case EnableRule::Always: return true;
    case EnableRule::UndoAvailable: return c.undoCount > 0;
    case EnableRule::RedoAvailable: return c.redoCount > 0;
    case EnableRule::MainSelection: return c.mainSelection;
    case EnableRule::Selected1: return c.selectedCount >= 1;
    case EnableRule::Selected2: return c.selectedCount >= 2;
    case EnableRule::Selected3: return c.selectedCount >= 3;
    case EnableRule::TrimMode: return c.modeKind == RangeKind::Trim && c.modeNode >= 0;
    case EnableRule::BlurMode: return c.modeKind == RangeKind::Blur && c.modeNode >= 0;
    case EnableRule::MultiMode: return c.modeKind == RangeKind::MultiCut && c.modeNode >= 0;
    case EnableRule::MainSelectionNoMode: return c.mainSelection && c.modeNode == -1;
    case EnableRule::AnyMode: return c.modeNode >= 0;
    }
    return false;
}

bool ruleMarks(const CommandInfo& info, const CommandContext& c)
{
    switch (info.check) {
    case CheckRule::None: return false;
    case CheckRule::GridOff: return c.gridMode < 0;
    case CheckRule::GridOn: return c.gridMode > 0;
    case CheckRule::GridStyle: return c.gridMode == info.checkArg;
    case CheckRule::GridOnTop: return c.gridOnTop != 0;
    case CheckRule::Overlap: return c.dspOverlap != 0;
    case CheckRule::Snap: return c.snap != 0;
    case CheckRule::Style: return c.appLook == info.id;
    case CheckRule::Anime: return c.playAnime > 0;
    case CheckRule::ToolbarShown: return c.toolbarShown;
    case CheckRule::StatusBarShown: return c.statusBarShown;
    }
    return false;
}

std::span<const MenuItem> mainMenuLayout()
{
    return kMainMenu;
}

std::span<const int> toolbarLayout()
{
    return kToolbar;
}

} // namespace vq
