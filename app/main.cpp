#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"

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
    return 0;
}
