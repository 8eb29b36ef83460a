#pragma once

#include "dialogs/DialogRunner.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTest>

#include <deque>
#include <functional>

namespace vq::test {

// Answers the program's dialogs in the test's own call stack: while it lives,
// every dialog a command runs goes to the next answer, which acts on it the
// way a user would (typing, keys, clicks) and closes it; the command then
// goes on with the dialog's result. Nothing waits for a modal loop to come up.
// A dialog with no answer of its type, or left open by its answer, is
// rejected and named in unanswered(), so a failing test does not hang.
class DialogAnswers : public DialogRunner {
public:
    DialogAnswers() : m_previous(installDialogRunner(this)) {}
    ~DialogAnswers() override { installDialogRunner(m_previous); }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // The next dialog must be a `Dialog`; `act` answers it.
    template <typename Dialog>
    void answer(std::function<void(Dialog&)> act)
    {
        m_answers.push_back([act = std::move(act)](QDialog& dialog) {
            auto* typed = qobject_cast<Dialog*>(&dialog);
            if (typed)
                act(*typed);
            return typed != nullptr;
        });
    }

    int run(QDialog& dialog) override
    {
        ++m_runs;
        // Modal, shown and active as exec() leaves it, so keys reach the
        // dialog and not the main window's shortcuts.
        const Qt::WindowModality modality = dialog.windowModality();
        if (modality == Qt::NonModal)
            dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        dialog.activateWindow();
        // The window system's activation comes as events; the widgets
        // learn of it when those are processed.
        if (!QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; }))
            m_unanswered << QStringLiteral("%1 (not active)").arg(QLatin1String(dialog.metaObject()->className()));
        const bool answered = !m_answers.empty() && m_answers.front()(dialog);
        if (answered)
            m_answers.pop_front();
        if (!answered || dialog.isVisible()) {
            m_unanswered << QLatin1String(dialog.metaObject()->className());
            dialog.reject();
        }
        dialog.setWindowModality(modality);
        return dialog.result();
    }

    // How many dialogs the commands ran.
    [[nodiscard]] int runs() const { return m_runs; }
    // Answers no dialog came for.
    [[nodiscard]] int pending() const { return static_cast<int>(m_answers.size()); }
    // Dialogs that came without an answer or that their answer left open.
    [[nodiscard]] const QStringList& unanswered() const { return m_unanswered; }

private:
    DialogRunner* m_previous = nullptr;
    std::deque<std::function<bool(QDialog&)>> m_answers;
    QStringList m_unanswered;
    int m_runs = 0;
};

} // namespace vq::test
