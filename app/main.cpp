#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/Gpib.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "shell/Look.h"
#include "shell/Main.h"
#include "shell/ProgramOptions.h"
#include "widgets/QtUserInteraction.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

// The program's own options are --service and --help (ProgramOptions); it reads no
// environment variables of its own, and looks at Qt's display ones only to tell a missing
// display. Qt's options (-platform and the like) still apply: the application object takes
// them out as it is made.
int main(int argc, char *argv[])
{
    // Qt opens the display as the application object is made, and ends the program there when
    // a display is named but cannot be reached: so the arguments are answered first.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const QString programName = argc > 0 ? QString::fromLocal8Bit(argv[0]) : QStringLiteral("setup6400");
    const ProgramOptions options = ParseProgramOptions(given);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", qPrintable(programName),
                     qPrintable(options.error), qPrintable(programName));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(ProgramUsage(programName)), stdout);
        return 0;
    }
    if (!DisplayNamed(options)) {
        std::fputs(qPrintable(NoDisplayMessage(programName)), stderr);
        return 1;
    }
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

    Main(options.service);
    const int code = QApplication::exec();
    // Windows and the driver go before the application object and the services do.
    resetProgramState();
    return code;
}
