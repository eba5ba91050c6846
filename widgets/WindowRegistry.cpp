#include "widgets/WindowRegistry.h"
#include "link/SharedState.h"

#include <QCoreApplication>

bool WindowRegistry::holds(const QWidget *window) const
{
    for (const Entry &entry : m_windows)
        if (entry.window && entry.window.data() == window)
            return true;
    return false;
}

void WindowRegistry::takeOut(QWidget *window)
{
    std::erase_if(m_windows, [window](const Entry &entry) { return entry.window == window; });
    window->hide();
}

void WindowRegistry::unloadWindow(QWidget *window)
{
    if (!window)
        return;
    takeOut(window);
    window->deleteLater();
}

void WindowRegistry::release(QWidget *window)
{
    if (!window)
        return;
    takeOut(window);
    std::erase_if(m_released, [](const QPointer<QWidget> &released) { return released.isNull(); });
    m_released.push_back(window);
}

void WindowRegistry::dropDestroyed()
{
    std::erase_if(m_windows, [](const Entry &entry) { return entry.window.isNull(); });
}

void WindowRegistry::unloadAll(QWidget *except)
{
    for (const QPointer<QWidget> &released : std::exchange(m_released, {}))
        if (released && released != except)
            released->deleteLater();
    const std::vector<Entry> windows = std::exchange(m_windows, {});
    for (auto entry = windows.rbegin(); entry != windows.rend(); ++entry) {
        QWidget *window = entry->window.data();
        if (!window)
            continue;
        if (window == except) {
            m_windows.push_back(*entry);
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

WindowRegistry &appWindows()
{
    static WindowRegistry windows;
    return windows;
}

void resetProgramState()
{
    appWindows().destroyAll();
    resetSharedState();
}
