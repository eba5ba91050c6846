#pragma once
#include "tables/thermocouple/ThermocoupleWindow.h"

// "Thermocouple Data": computes the eight standard thermocouple tables from the NIST
// inverse polynomials and writes them into the meter point by point, then stamps the
// table's information line (slot 06). The setup tasks call the write-all procedure on the
// window loaded but not shown.
class FormThermocouple : public ThermocoupleWindow
{
    Q_OBJECT
public:
    explicit FormThermocouple(QWidget *parent = nullptr);

    QPushButton *Command_SaveThermocoupleTableFromFormula;

    // The write-all procedure: every type B, E, J, K, N, R, S, T inside a setup-mode bracket,
    // then, when the meter took every point, the information line in a second bracket.
    // Abort, "*6" and a try the meter does not answer end the whole write.
    void Command_SaveThermocoupleTableFromFormula_Click();
    // The same run, reporting what the meter took: the points it accepted, those it did not
    // (refused, failed, or never sent), and whether it stored the information line. A run's
    // write asks nothing: a point refused twice ends it.
    MeterWriteResult writeAllTables(WriteFor writeFor);
    // Kept for the setup tasks' sake: it does nothing.
    void Command_SaveThermocoupleTableVT_Click() {}

    // Sends one point unless it is outside the limits (two tries, 4 s each, "######.##").
    void Write_Thermocouple_Point(qint32 E, double T, const QString &type);

private:
    void Save_TypeB_Table();
    void Save_TypeE_Table();
    void Save_TypeJ_Table();
    void Save_TypeK_Table();
    void Save_TypeN_Table();
    void Save_TypeR_Table();
    void Save_TypeS_Table();
    void Save_TypeT_Table();
    // Walks one type's EMF grid, returning after the first point that finds StopFlag set,
    // or that ends the whole write (m_writeEnded).
    void saveTypeTable(QChar letter);
    PointOutcome writeFormulaPoint(qint32 E, double T, const QString &type);
    // True when the meter stored the information line (nothing is sent once the window
    // has closed).
    bool writeInformationLine(const RunGuard::Run &run);

    // Set when a point ended the whole write under way: the later types are not written.
    bool m_writeEnded = false;
};
