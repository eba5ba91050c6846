#pragma once
#include "widgets/WindowRegistry.h"

// Loads the single window of a class when needed and shows it without waiting.
template <class Window>
Window &showModeless()
{
    Window &window = appWindows().form<Window>();
    window.show();
    window.raise();
    window.activateWindow();
    return window;
}
