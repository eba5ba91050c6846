#include "link/WindowRegistry.h"

#include <QCoreApplication>

bool WindowRegistry::holds(const QWidget *window) const
{
    for (const auto &[type, loaded] : m_windows)
        if (loaded && loaded.data() == window)
            return true;
    return false;
}

void WindowRegistry::unloadWindow(QWidget *window)
{
    if (!window)
        return;
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
        if (it->second == window) {
            m_windows.erase(it);
            break;
        }
    }
    window->hide();
    window->deleteLater();
}

void WindowRegistry::unloadAll(QWidget *except)
{
    auto windows = std::exchange(m_windows, {});
    for (auto &[type, window] : windows) {
        if (!window)
            continue;
        if (window == except) {
            m_windows[type] = window;
            continue;
        }
        window->hide();
        window->deleteLater();
    }
}

void WindowRegistry::destroyAll()
{
    unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
