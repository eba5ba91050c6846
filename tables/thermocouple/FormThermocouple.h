#pragma once
#include <QWidget>
#include <QtGlobal>

class QLabel;
class QProgressBar;
class QPushButton;

// "Thermocouple Data": computes the eight standard thermocouple tables from the NIST
// inverse polynomials and writes them into the meter point by point, then stamps the
// table's information line (slot 06). The setup tasks call the write-all procedure on the
// window loaded but not shown.
class FormThermocouple : public QWidget
{
    Q_OBJECT
public:
    explicit FormThermocouple(QWidget *parent = nullptr);

    QPushButton *Command_SaveThermocoupleTableFromFormula;
    QPushButton *Command_Stop;
    QPushButton *Command_Exit;
    QProgressBar *ProgressBar1;
    QLabel *Label_Thermostatus;

    // Set by Stop and Exit, cleared when a write-all run starts.
    bool StopFlag = false;

    // The write-all procedure: every type B, E, J, K, N, R, S, T inside a setup-mode bracket,
    // then the information line in a second bracket.
    void Command_SaveThermocoupleTableFromFormula_Click();
    void Command_Stop_Click();
    // Stops a run; the window unloads at once, or when a run under way has wound up.
    void Command_Exit_Click();
    void Form_Load();
    // Kept for the setup tasks' sake: it does nothing.
    void Command_SaveThermocoupleTableVT_Click() {}

    // Sends one point unless it is outside the limits (two tries, 4 s each, "######.##").
    void Write_Thermocouple_Point(qint32 E, double T, const QString &type);

    bool isWriting() const { return m_writing; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Save_TypeB_Table();
    void Save_TypeE_Table();
    void Save_TypeJ_Table();
    void Save_TypeK_Table();
    void Save_TypeN_Table();
    void Save_TypeR_Table();
    void Save_TypeS_Table();
    void Save_TypeT_Table();
    // Walks one type's EMF grid, returning after the first point that finds StopFlag set.
    void saveTypeTable(QChar letter);
    void writeInformationLine();

    bool m_writing = false;
    bool m_unloadAfterRun = false;
};
