#include "tables/thermocouple/FormThermocouple.h"
#include "link/LoadedWindow.h"
#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocouplePointWriter.h"
#include "tables/thermocouple/ThermocoupleTables.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <class T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Seconds a point write waits for the meter's status token.
constexpr int PointTimeoutSeconds = 4;

} // namespace

FormThermocouple::FormThermocouple(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Command_SaveThermocoupleTableFromFormula(
          named(new QPushButton(QStringLiteral("Write Thermocouple Data"), this), "Command_SaveThermocoupleTableFromFormula"))
    , Command_Stop(named(new QPushButton(QStringLiteral("Stop"), this), "Command_Stop"))
    , Command_Exit(named(new QPushButton(QStringLiteral("Exit"), this), "Command_Exit"))
    , ProgressBar1(named(new QProgressBar(this), "ProgressBar1"))
    , Label_Thermostatus(named(new QLabel(this), "Label_Thermostatus"))
{
    setObjectName(QStringLiteral("FormThermocouple"));
    setWindowTitle(QStringLiteral("Thermocouple Data"));
    ProgressBar1->setValue(0);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command_SaveThermocoupleTableFromFormula);
    buttons->addWidget(Command_Stop);
    buttons->addWidget(Command_Exit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label_Thermostatus);
    resize(420, 130);

    connect(Command_SaveThermocoupleTableFromFormula, &QPushButton::clicked, this,
            &FormThermocouple::Command_SaveThermocoupleTableFromFormula_Click);
    connect(Command_Stop, &QPushButton::clicked, this, &FormThermocouple::Command_Stop_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &FormThermocouple::Command_Exit_Click);
}

void FormThermocouple::Form_Load() { CentreForm(*this); }

void FormThermocouple::Command_Stop_Click() { StopFlag = true; }

void FormThermocouple::Command_Exit_Click()
{
    StopFlag = true;
    if (m_writing) {
        // The run still has its own code on the stack: let it wind up, then unload.
        m_unloadAfterRun = true;
        hide();
        return;
    }
    state().windows.unloadWindow(this);
}

void FormThermocouple::closeEvent(QCloseEvent *event)
{
    // Closing the window during a run stops it; the run winds up hidden.
    if (m_writing)
        StopFlag = true;
    QWidget::closeEvent(event);
}

void FormThermocouple::Command_SaveThermocoupleTableFromFormula_Click()
{
    if (m_writing)
        return;
    if (!EnterSetupMode()) {
        appUi().MsgBox(QStringLiteral("Error entering setup mode"));
        return;
    }
    {
        const Hourglass hourglass(appUi());
        m_writing = true;
        Command_SaveThermocoupleTableFromFormula->setEnabled(false);
        StopFlag = false;

        // StopFlag is not consulted between the types: after a Stop each later type
        // still writes its first point.
        Save_TypeB_Table();
        Save_TypeE_Table();
        Save_TypeJ_Table();
        Save_TypeK_Table();
        Save_TypeN_Table();
        Save_TypeR_Table();
        Save_TypeS_Table();
        Save_TypeT_Table();

        writeInformationLine();
    }
    ProgressBar1->setValue(0);
    Label_Thermostatus->clear();
    Command_SaveThermocoupleTableFromFormula->setEnabled(true);
    ExitSetupMode();
    m_writing = false;

    if (m_unloadAfterRun) {
        // Unload once this handler (and whatever called it) has returned.
        LoadedWindow<FormThermocouple> self(this);
        QMetaObject::invokeMethod(
            this, [self] { if (self) state().windows.unloadWindow(self.data()); }, Qt::QueuedConnection);
    }
}

void FormThermocouple::writeInformationLine()
{
    if (!EnterSetupMode()) {
        appUi().MsgBox(QStringLiteral("Error entering setup mode"));
        return;
    }
    const QString line = Thermocouple::informationLine(appClock().now().date());
    IDVM *dvm = state().DVM1.get();
    const QString reply = dvm ? dvm->SendString(line, true, 5, 1) : QString();
    if (!reply.startsWith(QLatin1String("*0")))
        appUi().MsgBox(QStringLiteral("Set Information Failed "));
    ExitSetupMode();
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
    for (qint32 E = table->firstEmf(); E <= table->lastEmf; E += table->step) {
        Write_Thermocouple_Point(E, Thermocouple::temperatureAt(*table, E), QString(letter));
        if (StopFlag)
            return;
    }
}

void FormThermocouple::Write_Thermocouple_Point(qint32 E, double T, const QString &type)
{
    // Whatever the outcome, the table goes on with its next point unless StopFlag is set.
    Thermocouple::writeThermocouplePoint(E, T, type, Thermocouple::formulaTemperatureText(T), PointTimeoutSeconds,
                                         StopFlag, *Label_Thermostatus);
}
