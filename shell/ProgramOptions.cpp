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
