#include "app/KeyTables.h"

#include "resources/CommandIds.h"

#include <QShortcut>
#include <QWidget>

namespace vq {

namespace {

constexpr KeyBinding kKeys[] = {
    {Qt::CTRL | Qt::Key_A, cmd::SelectAll, KeyTable::View},
    {Qt::CTRL | Qt::Key_B, cmd::BlurStart, KeyTable::View},
    {Qt::CTRL | Qt::Key_M, cmd::MultiStart, KeyTable::View},
    {Qt::CTRL | Qt::Key_C, cmd::Copy, KeyTable::View},
    {QKeyCombination(Qt::Key_Delete), cmd::Delete, KeyTable::View},
    {Qt::CTRL | Qt::Key_V, cmd::PasteKey, KeyTable::View},
    {QKeyCombination(Qt::Key_F5), cmd::RandomPositions, KeyTable::View},
    {Qt::KeypadModifier | Qt::Key_Minus, cmd::RangeNarrow, KeyTable::View},
    {Qt::KeypadModifier | Qt::Key_Plus, cmd::RangeWiden, KeyTable::View},
    {Qt::CTRL | Qt::Key_T, cmd::TrimStart, KeyTable::View},
    {QKeyCombination(Qt::Key_Escape), cmd::CancelMode, KeyTable::View},

    {Qt::CTRL | Qt::Key_Y, cmd::Redo, KeyTable::Frame},
    {Qt::CTRL | Qt::Key_Z, cmd::Undo, KeyTable::Frame},
    {QKeyCombination(Qt::Key_F10), cmd::AnimeToggle, KeyTable::Frame},
    {QKeyCombination(Qt::Key_F2), cmd::GuideToggle, KeyTable::Frame},

    {Qt::CTRL | Qt::Key_N, cmd::FileNew, KeyTable::Standard},
    {Qt::CTRL | Qt::Key_O, cmd::FileOpen, KeyTable::Standard},
    {Qt::CTRL | Qt::Key_S, cmd::FileSave, KeyTable::Standard},

    {QKeyCombination(Qt::Key_F1), cmd::Manual, KeyTable::Framework},

    // Generic edit and pane keys: bound so that no widget's built-in
    // cut, copy, paste or delete handling can act on them.
    {Qt::CTRL | Qt::Key_Insert, 0, KeyTable::Swallowed},
    {Qt::SHIFT | Qt::Key_Delete, 0, KeyTable::Swallowed},
    {Qt::CTRL | Qt::Key_X, 0, KeyTable::Swallowed},
    {Qt::SHIFT | Qt::Key_Insert, 0, KeyTable::Swallowed},
    {Qt::ALT | Qt::Key_Backspace, 0, KeyTable::Swallowed},
    {QKeyCombination(Qt::Key_F6), 0, KeyTable::Swallowed},
    {Qt::SHIFT | Qt::Key_F6, 0, KeyTable::Swallowed},
};

} // namespace

std::span<const KeyBinding> keyBindings()
{
    return kKeys;
}

void installKeyTables(QWidget* frame, QWidget* canvas, const std::function<void(int)>& run)
{
    for (const KeyBinding& k : kKeys) {
        const bool onCanvas = k.table == KeyTable::View;
        auto* shortcut = new QShortcut(QKeySequence(k.key), onCanvas ? canvas : frame);
        shortcut->setContext(onCanvas ? Qt::WidgetWithChildrenShortcut : Qt::WindowShortcut);
        shortcut->setAutoRepeat(true);
        if (k.id != 0)
            QObject::connect(shortcut, &QShortcut::activated, frame, [run, id = k.id] { run(id); });
    }
}

} // namespace vq
