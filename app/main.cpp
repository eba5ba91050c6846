#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/Gpib.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "shell/Look.h"
#include "shell/Main.h"
#include "widgets/QtUserInteraction.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>

#include <cstdlib>

// The program takes no command-line arguments and reads no environment variables of its
// own; Qt's platform options still apply.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(Look::defaultFont());
    RealClock realClock;
    QtUserInteraction userInteraction;
    QtSettingsStore settingsStore;
    LibFtdiApi ftdiApi(realClock);
    LinuxGpibApi gpibApi;
    SharedState &s = state();
    s.clock = &realClock;
    s.ui = &userInteraction;
    s.settings = &settingsStore;
    s.ftdi = &ftdiApi;
    s.gpib = &gpibApi;
    s.EndProgramNow = [] { std::_Exit(EXIT_FAILURE); };

    Main();
    const int code = QApplication::exec();
    // Windows and the driver go before the application object and the services do.
    resetProgramState();
    return code;
}
