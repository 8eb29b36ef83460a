#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace vq {

// The system's print-setup question on the application's print record: true
// when the user accepted it (the printer then holds the choice). Tests install
// their own answer; the program's asks with Qt's print dialog.
using PrintSetupAsker = std::function<bool(QPrinter& printer, QWidget* owner)>;

// The installed asker.
PrintSetupAsker& printSetupAsker();
// Installs `asker` and returns the previous one; an empty one restores Qt's dialog.
PrintSetupAsker installPrintSetupAsker(PrintSetupAsker asker);

} // namespace vq
