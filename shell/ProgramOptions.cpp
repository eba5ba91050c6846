#include "shell/ProgramOptions.h"

namespace {

// Qt's own options, as the application object and Qt's X11 platform read them. Those with a
// value take the next argument, whatever it is; a few also take it after "=" ("-style=fusion").
// Qt ends the program when such a value names no platform or display (an option taken for a
// value, "-platform --help"), so a value that is missing or begins with "-" is refused first.
struct QtOption
{
    const char *name;
    bool value;
};
constexpr QtOption QtOptions[] = {
    // the application object's
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true}, {"qwindowtitle", true}, {"session", true},
    {"style", true}, {"stylesheet", true}, {"qmljsdebugger", true}, {"reverse", false},
    {"widgetcount", false}, {"testability", false}, {"qdevel", false}, {"qdebug", false},
    // the X11 platform's
    {"display", true}, {"geometry", true}, {"title", true}, {"icon", true}, {"name", true},
    {"visual", true}, {"nograb", false}, {"dograb", false},
};
constexpr const char *QtOptionsWithJoinedValue[] = {"style=", "stylesheet=", "qmljsdebugger="};

// An argument's name without its one or two dashes; empty when it is no option.
QString OptionName(const QString &argument)
{
    if (argument.startsWith(QLatin1String("--")))
        return argument.mid(2);
    if (argument.startsWith(QLatin1Char('-')))
        return argument.mid(1);
    return {};
}

const QtOption *FindQtOption(const QString &name)
{
    for (const QtOption &option : QtOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

bool IsQtOptionWithJoinedValue(const QString &name)
{
    for (const char *prefix : QtOptionsWithJoinedValue) {
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

} // namespace

ProgramOptions ParseProgramOptions(const QStringList &arguments)
{
    ProgramOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const QString name = OptionName(argument);
        if (argument == QLatin1String("--service")) {
            options.service = true;
        } else if (argument == QLatin1String("--help")) {
            options.help = true;
        } else if (const QtOption *option = FindQtOption(name)) {
            if (!option->value)
                continue;
            if (i + 1 == arguments.size() || arguments[i + 1].startsWith(QLatin1Char('-'))) {
                options.error = QStringLiteral("the option \"%1\" needs a value").arg(argument);
                break;
            }
            const QString &value = arguments[++i];
            if ((name == QLatin1String("platform") || name == QLatin1String("display")) && !value.isEmpty())
                options.windowSystemChosen = true;
        } else if (!IsQtOptionWithJoinedValue(name)) {
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

bool DisplayNamed(const ProgramOptions &options)
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return options.windowSystemChosen;
}

QString NoDisplayMessage(const QString &programName)
{
    return QStringLiteral("%1: no display found: set DISPLAY to show the program, or run it without a "
                          "display with -platform offscreen (or QT_QPA_PLATFORM=offscreen)\n")
        .arg(programName);
}
