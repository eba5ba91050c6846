#pragma once
#include "link/MeterGate.h"
#include "widgets/WindowRegistry.h"

#include <optional>

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

// Loads the single dialog of a class whose actions talk to the meter (the port setup, the
// locators, the setup tasks) and shows it modally. Such a dialog opens only while no other
// operation holds the meter: opened inside that operation's wait (an Ethernet write's, say),
// it would hold the operation, perhaps with the meter in setup mode, until it closed.
// Refused, it tells the user in one message and nothing is loaded. The dialog's result, or
// nothing when it did not open (refused, or it unloaded itself as it loaded); a dialog that
// opened stays loaded.
template <class Dialog>
std::optional<int> execWhenMeterFree()
{
    if (!meterGate().beginUserAction())
        return std::nullopt;
    WindowRegistry &windows = appWindows();
    Dialog &dialog = windows.form<Dialog>();
    if (!windows.holds(&dialog))
        return std::nullopt;
    return dialog.exec();
}
