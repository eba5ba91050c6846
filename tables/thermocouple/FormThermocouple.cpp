#include "tables/thermocouple/FormThermocouple.h"
#include "link/Communication.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocoupleTables.h"

#include <QPushButton>

namespace {

// Seconds a point write waits for the meter's status token.
constexpr int PointTimeoutSeconds = 4;

// The points a run sends: every grid point of every type within the limits.
int pointsOfARun()
{
    int points = 0;
    for (const Thermocouple::TypeTable &table : Thermocouple::tables())
        for (qint32 E = table.firstEmf(); E <= table.lastEmf; E += table.step)
            if (Thermocouple::withinLimits(E, QString(table.letter), Thermocouple::temperatureAt(table, E)))
                ++points;
    return points;
}

} // namespace

FormThermocouple::FormThermocouple(QWidget *parent)
    : ThermocoupleWindow(QStringLiteral("FormThermocouple"), QStringLiteral("Command_SaveThermocoupleTableFromFormula"),
                         QStringLiteral("Write Thermocouple Data"), 420, parent)
    , Command_SaveThermocoupleTableFromFormula(writeButton())
{
    connect(Command_SaveThermocoupleTableFromFormula, &QPushButton::clicked, this,
            &FormThermocouple::Command_SaveThermocoupleTableFromFormula_Click);
}

void FormThermocouple::Command_SaveThermocoupleTableFromFormula_Click() { writeAllTables(WriteFor::User); }

MeterWriteResult FormThermocouple::writeAllTables(WriteFor writeFor)
{
    const int points = pointsOfARun();
    return runInSetupMode(writeFor, points, [this, points](const RunGuard::Run &run) {
        m_writeEnded = false;
        // StopFlag is not consulted between the types: after a Stop each later type
        // still writes its first point.
        for (void (FormThermocouple::*saveType)() :
             {&FormThermocouple::Save_TypeB_Table, &FormThermocouple::Save_TypeE_Table, &FormThermocouple::Save_TypeJ_Table,
              &FormThermocouple::Save_TypeK_Table, &FormThermocouple::Save_TypeN_Table, &FormThermocouple::Save_TypeR_Table,
              &FormThermocouple::Save_TypeS_Table, &FormThermocouple::Save_TypeT_Table}) {
            (this->*saveType)();
            if (!run.windowOpen())
                return; // unloaded or closed under the run: the table is incomplete, so no information line
            if (m_writeEnded)
                return; // Abort, "*6" or a meter that stopped answering ended the whole write
        }
        MeterWriteResult &written = tally();
        written.endedEarly = written.endedEarly || run.stopRequested();
        written.countNotWritten(points);
        // The line claims a complete table, and the table has no form without its version:
        // only when the meter took every point, and nothing otherwise.
        if (written.informationClaim() == InformationClaim::Whole)
            written.informationAccepted = writeInformationLine(run);
    });
}
bool FormThermocouple::writeInformationLine(const RunGuard::Run &run)
{
    bool stored = false;
    run.inSetupMode(SetupModeBracket{}, [&stored] {
        stored = SendInformationLine(Thermocouple::informationLine(appClock().now().date()));
        if (!stored)
            appUi().MsgBox(QStringLiteral("Set Information Failed "));
    });
    return stored;
}

void FormThermocouple::Save_TypeB_Table() { saveTypeTable(QLatin1Char('B')); }
void FormThermocouple::Save_TypeE_Table() { saveTypeTable(QLatin1Char('E')); }
void FormThermocouple::Save_TypeJ_Table() { saveTypeTable(QLatin1Char('J')); }
void FormThermocouple::Save_TypeK_Table() { saveTypeTable(QLatin1Char('K')); }
void FormThermocouple::Save_TypeN_Table() { saveTypeTable(QLatin1Char('N')); }
void FormThermocouple::Save_TypeR_Table() { saveTypeTable(QLatin1Char('R')); }
void FormThermocouple::Save_TypeS_Table() { saveTypeTable(QLatin1Char('S')); }
void FormThermocouple::Save_TypeT_Table() { saveTypeTable(QLatin1Char('T')); }

void FormThermocouple::saveTypeTable(QChar letter)
{
    const Thermocouple::TypeTable *table = Thermocouple::tableFor(letter);
    if (!table)
        return;
    const RunGuard::Run run = m_guard.begin();
    for (qint32 E = table->firstEmf(); E <= table->lastEmf; E += table->step) {
        const PointOutcome outcome = writeFormulaPoint(E, Thermocouple::temperatureAt(*table, E), QString(letter));
        if (!run.windowOpen())
            return; // the window may be gone: touch nothing of it
        if (endsWrite(outcome)) {
            m_writeEnded = true;
            return;
        }
        // Whatever else the outcome, the table goes on with its next point unless StopFlag
        // is set.
        if (run.stopRequested())
            return;
    }
}

void FormThermocouple::Write_Thermocouple_Point(qint32 E, double T, const QString &type) { writeFormulaPoint(E, T, type); }

ThermocoupleWindow::PointOutcome FormThermocouple::writeFormulaPoint(qint32 E, double T, const QString &type)
{
    return writePoint(E, T, type, Thermocouple::formulaTemperatureText(T), PointTimeoutSeconds);
}
