#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "shell/Main.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    RealClock realClock;
    QtUserInteraction userInteraction;
    QtSettingsStore settingsStore;
    SharedState &s = state();
    s.clock = &realClock;
    s.ui = &userInteraction;
    s.settings = &settingsStore;

    Main();
    // The program lives in the message loop while a window is open.
    const bool anyWindow = !QApplication::topLevelWidgets().isEmpty();
    const int result = anyWindow ? app.exec() : 0;
    resetSharedState(); // unloads the windows while the application still exists
    return result;
}
