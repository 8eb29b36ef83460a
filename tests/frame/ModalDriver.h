#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vq::test {

// The modal dialog of type Dialog once it is also the active window. A dialog
// is modal as soon as it is shown but becomes active a little later; a key
// sent in between reaches the main window's shortcuts (Escape among them)
// instead of the dialog.
template <typename Dialog>
Dialog* activeModalDialog()
{
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog)
        return nullptr;
    if (QApplication::activeWindow() != dialog) {
        dialog->activateWindow();
        return nullptr;
    }
    return dialog;
}

// Runs `work` on the first modal dialog of type Dialog that comes up while
// the driver lives: a command opens its dialog with exec() and does not
// return until it is closed, so the test acts from inside the dialog's loop.
template <typename Dialog>
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(Dialog*)> work)
        : m_work(std::move(work))
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* dialog = activeModalDialog<Dialog>();
            if (!dialog || m_ran)
                return;
            m_ran = true;
            m_poll.stop();
            m_work(dialog);
        });
        m_poll.start();
    }

    [[nodiscard]] bool ran() const { return m_ran; }

private:
    std::function<void(Dialog*)> m_work;
    QTimer m_poll;
    bool m_ran = false;
};

} // namespace vq::test
