#pragma once

class QDialog;

namespace vq {

// The seam through which the commands run the program's own dialogs, as the
// prompter is for message boxes and file choosers. The program runs each
// dialog modally; tests install a runner that acts on the dialog and closes
// it before returning, with no event loop to wait in.
class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // Runs `dialog` until it is closed; its result (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int run(QDialog& dialog) = 0;
};

// Runs the dialog with exec().
class ModalDialogRunner : public DialogRunner {
public:
    int run(QDialog& dialog) override;
};

// The installed runner; a ModalDialogRunner until something else is installed.
DialogRunner& dialogRunner();
// Installs `runner` (not owned) and returns the previous one; nullptr restores the default.
DialogRunner* installDialogRunner(DialogRunner* runner);

// Runs `dialog` through the installed runner.
inline int RunDialog(QDialog& dialog)
{
    return dialogRunner().run(dialog);
}

} // namespace vq
