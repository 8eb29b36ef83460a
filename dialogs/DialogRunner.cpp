#include "dialogs/DialogRunner.h"

#include <QDialog>

namespace vq {

namespace {

DialogRunner* g_installed = nullptr;

} // namespace

int ModalDialogRunner::run(QDialog& dialog)
{
    return dialog.exec();
}

DialogRunner& dialogRunner()
{
    static ModalDialogRunner modal;
    return g_installed ? *g_installed : modal;
}

DialogRunner* installDialogRunner(DialogRunner* runner)
{
    DialogRunner* previous = g_installed;
    g_installed = runner;
    return previous;
}

} // namespace vq
