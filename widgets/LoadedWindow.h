#pragma once
#include "widgets/WindowRegistry.h"

#include <QPointer>

// Watches a window while one of its handlers lets events run (an Ethernet wait, a yield
// between cells): once the window has been unloaded - by its own Exit button, by closing
// the main window, or destroyed - it reads as null, so the handler stops touching it.
// Used like a QPointer.
template <class Window>
class LoadedWindow
{
public:
    explicit LoadedWindow(Window *window) : m_window(window) {}
    Window *data() const { return m_window && appWindows().holds(m_window.data()) ? m_window.data() : nullptr; }
    bool isNull() const { return data() == nullptr; }
    operator Window *() const { return data(); }
    Window *operator->() const { return data(); }

private:
    QPointer<Window> m_window;
};
