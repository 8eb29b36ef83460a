#pragma once

#include <QKeyCombination>

#include <cstdint>
#include <functional>
#include <span>

class QWidget;

namespace vq {

// Which accelerator table a key belongs to. The view's keys work only while
// the canvas has the focus; the others anywhere in the main window.
// Swallowed keys are bound to commands nothing handles and therefore do nothing.
enum class KeyTable : std::uint8_t { View, Frame, Standard, Framework, Swallowed };

struct KeyBinding {
    QKeyCombination key;
    int id; // 0 for swallowed keys
    KeyTable table;
};

[[nodiscard]] std::span<const KeyBinding> keyBindings();

// Creates the shortcuts of every table: view keys on `canvas`, the rest on
// `frame`. `run(id)` receives the command of each key that is pressed.
void installKeyTables(QWidget* frame, QWidget* canvas, const std::function<void(int)>& run);

} // namespace vq
