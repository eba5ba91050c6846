#include "link/WindowRegistry.h"

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
    delete window;
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
        delete window.data();
    }
}
