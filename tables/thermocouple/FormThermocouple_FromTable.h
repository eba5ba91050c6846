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

    // Writes the files inside one setup-mode bracket; "*6", Abort and Stop end the run.
    // Exit during the run ends it too (setup mode is still left), then the window unloads.
    void Command_SaveThermocoupleTableVT_Click();

    // The table files of the folder, in name order (letter case ignored in the match).
    static QStringList tableFiles(const QString &folder);

private:
    // Writes one file's points; false when the run is to end.
    bool writeFile(const QString &path);
};
