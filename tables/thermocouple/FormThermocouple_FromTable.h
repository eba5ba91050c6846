#pragma once
#include "tables/thermocouple/ThermocoupleWindow.h"
#include <QStringList>

// "Thermocouple Data" from text files: writes every "*Type*.txt" file of the folder
// "Thermocouple Tables" under the working folder into the meter, one EMF-temperature
// pair per line, with the same point command and limits as the formula writer.
class FormThermocouple_FromTable : public ThermocoupleWindow
{
    Q_OBJECT
public:
    explicit FormThermocouple_FromTable(QWidget *parent = nullptr);

    QPushButton *Command_SaveThermocoupleTableVT;

    // Writes the files inside one setup-mode bracket; "*6", Abort, Stop and a point the meter
    // does not answer end the run (then a message says how many points were not written).
    // Exit during the run ends it too (setup mode is still left), then the window unloads.
    void Command_SaveThermocoupleTableVT_Click();

    // The table files of the folder, in name order (letter case ignored in the match).
    static QStringList tableFiles(const QString &folder);

private:
    // The points of the files a run would send: their pairs within the limits.
    static int pointsToWrite(const QStringList &files);
    // Writes one file's points; false when the run is to end.
    bool writeFile(const QString &path);
};
