#pragma once
#include <QStringList>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// "Thermocouple Data" from text files: writes every "*Type*.txt" file of the folder
// "Thermocouple Tables" under the working folder into the meter, one EMF-temperature
// pair per line, with the same point command and limits as the formula writer.
class FormThermocouple_FromTable : public QWidget
{
    Q_OBJECT
public:
    explicit FormThermocouple_FromTable(QWidget *parent = nullptr);

    QPushButton *Command_SaveThermocoupleTableVT;
    QPushButton *Command_Stop;
    QPushButton *Command_Exit;
    QProgressBar *ProgressBar1;
    QLabel *Label_Thermostatus;

    // Set by Stop, cleared when a run starts.
    bool StopFlag = false;

    // Writes the files inside one setup-mode bracket; "*6", Abort and Stop end the run.
    void Command_SaveThermocoupleTableVT_Click();
    void Command_Stop_Click();
    // Unloads the window; a run under way is stopped first and the window unloads after it.
    void Command_Exit_Click();
    void Form_Load();

    bool isWriting() const { return m_writing; }

    // The table files of the folder, in name order (letter case ignored in the match).
    static QStringList tableFiles(const QString &folder);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Writes one file's points; false when the run is to end.
    bool writeFile(const QString &path);

    bool m_writing = false;
    bool m_unloadAfterRun = false;
};
