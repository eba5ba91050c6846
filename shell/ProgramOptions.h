#pragma once
#include <QString>
#include <QStringList>

// The program's own command-line options (Qt's, such as -platform, are taken out by the
// application object before these are read).
struct ProgramOptions
{
    bool service = false; // --service: show the main window's Service menu
    bool help = false;    // --help: print the options and end
    QString error;        // not empty: an argument the program does not take
};

// Reads the arguments that follow the program's name.
ProgramOptions ParseProgramOptions(const QStringList &arguments);

// What --help prints.
QString ProgramUsage(const QString &programName);

// Whether a window system can be looked for: a display is named (DISPLAY, WAYLAND_DISPLAY)
// or a Qt platform is chosen (-platform NAME among the arguments, QT_QPA_PLATFORM). Without
// any of them Qt's default platform finds no display and aborts the program.
bool DisplayNamed(const QStringList &arguments);

// The one line the program ends with when DisplayNamed is false.
QString NoDisplayMessage(const QString &programName);
