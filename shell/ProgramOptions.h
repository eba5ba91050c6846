#pragma once
#include <QString>
#include <QStringList>

// The program's command line, read before the application object is made: the program's own
// options, and Qt's, which the application object takes out again as it is made.
struct ProgramOptions
{
    bool service = false;        // --service: show the main window's Service menu
    bool help = false;           // --help: print the options and end
    bool windowSystemChosen = false; // Qt's -platform NAME or -display NAME is among the arguments
    QString error;               // not empty: an argument the program does not take
};

// Reads the arguments that follow the program's name. Qt's options are known by name (with
// one dash or two, as Qt reads them); one that takes a value takes the next argument, and is
// a wrong argument when nothing follows it or what follows begins with "-".
ProgramOptions ParseProgramOptions(const QStringList &arguments);

// What --help prints.
QString ProgramUsage(const QString &programName);

// Whether a window system can be looked for: a display is named (DISPLAY, WAYLAND_DISPLAY,
// -display NAME) or a Qt platform is chosen (-platform NAME, QT_QPA_PLATFORM). Without any
// of them Qt's default platform finds no display and aborts the program.
bool DisplayNamed(const ProgramOptions &options);

// The one line the program ends with when DisplayNamed is false.
QString NoDisplayMessage(const QString &programName);
