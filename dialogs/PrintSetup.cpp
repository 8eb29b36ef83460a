#include "dialogs/PrintSetup.h"

#include <QAbstractPrintDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace vq {

namespace {

bool askWithQtDialog(QPrinter& printer, QWidget* owner)
{
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    // Pages and copies are the print dialog's own business.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

PrintSetupAsker& installed()
{
    static PrintSetupAsker asker = askWithQtDialog;
    return asker;
}

} // namespace

PrintSetupAsker& printSetupAsker()
{
    return installed();
}

PrintSetupAsker installPrintSetupAsker(PrintSetupAsker asker)
{
    PrintSetupAsker previous = installed();
    installed() = asker ? std::move(asker) : PrintSetupAsker(askWithQtDialog);
    return previous;
}

} // namespace vq
