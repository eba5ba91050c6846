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
#include <cstring>

// The program's own options are --service and --help (ProgramOptions); it reads no
// environment variables of its own. Qt's options (-platform and the like) still apply:
// the application object takes them out first.
int main(int argc, char *argv[])
{
    // "--help" alone is answered before the application object looks for a display, so it
    // works in a plain terminal too.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(qPrintable(ProgramUsage(QString::fromLocal8Bit(argv[0]))), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    const QString programName = arguments.isEmpty() ? QStringLiteral("setup6400") : arguments.takeFirst();
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", qPrintable(programName),
                     qPrintable(options.error), qPrintable(programName));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(ProgramUsage(programName)), stdout);
        return 0;
    }
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
