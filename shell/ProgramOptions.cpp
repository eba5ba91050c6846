#include "shell/ProgramOptions.h"

ProgramOptions ParseProgramOptions(const QStringList &arguments)
{
    ProgramOptions options;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--service")) {
            options.service = true;
        } else if (argument == QLatin1String("--help")) {
            options.help = true;
        } else {
            options.error = QStringLiteral("unknown argument \"%1\"").arg(argument);
            break;
        }
    }
    return options;
}

QString ProgramUsage(const QString &programName)
{
    return QStringLiteral("Usage: %1 [--service] [--help]\n"
                          "\n"
                          "The 6400 Series Setup Utility.\n"
                          "\n"
                          "  --service  show the Service menu: setup tasks, the default specification and\n"
                          "             uncertainty files, the meter settings dialogs, single setup-mode\n"
                          "             commands, reboot, and Clear All Settings (erases the meter)\n"
                          "  --help     print this text and end\n"
                          "\n"
                          "Qt's own options (for example -platform offscreen) are accepted as well.\n")
        .arg(programName);
}

bool DisplayNamed(const QStringList &arguments)
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    // Qt reads its options with one dash or two, the platform's name in the next argument.
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-platform") || arguments[i] == QLatin1String("--platform"))
            return true;
    }
    return false;
}

QString NoDisplayMessage(const QString &programName)
{
    return QStringLiteral("%1: no display found: set DISPLAY to show the program, or run it without a "
                          "display with -platform offscreen (or QT_QPA_PLATFORM=offscreen)\n")
        .arg(programName);
}
