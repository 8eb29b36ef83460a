#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace vq {

// The wait cursor for as long as it lives, when there is a screen to show it
// on (the command-line tool and core tests have none).
class WaitCursor {
public:
    WaitCursor() : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

} // namespace vq
