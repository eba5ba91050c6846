// The main window's service procedures: the meter settings dialogs, the setup tasks and
// the single commands of the Service menu.
#include "shell/FormMain.h"
#include "link/Communication.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/SerialPortControl.h"
#include "settings/FormDate.h"
#include "settings/FormDisplaySetup.h"
#include "settings/FormMeterInformation.h"
#include "settings/FormSetupTasks.h"
#include "settings/Form_CalHistory.h"
#include "settings/Form_CorrectionFactors.h"
#include "settings/Form_InstalledOptions.h"
#include "settings/Form_Temperature_Compensation.h"
#include "settings/SetupTasks.h"
#include "shell/ShowWindow.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "widgets/WindowRegistry.h"

#include <QPlainTextEdit>

void FormMain::Open_InstalledOptions_Form() { showModeless<Form_InstalledOptions>(); }

void FormMain::Open_Temperature_Compensation_Form() { showModeless<Form_Temperature_Compensation>(); }

void FormMain::Open_CalHistory_Form() { showModeless<Form_CalHistory>(); }

void FormMain::Open_Date_Form() { showModeless<FormDate>(); }

void FormMain::Open_DisplaySetup_Form() { showModeless<FormDisplaySetup>(); }

void FormMain::Open_CorrectionFactors_Form() { showModeless<Form_CorrectionFactors>(); }

void FormMain::Open_MeterInformation_Form() { showModeless<FormMeterInformation>(); }

void FormMain::Open_Thermocouple_Form() { showModeless<FormThermocouple>(); }

void FormMain::Open_Uncertainties_Menu() { MenuSetupUncertainties_Click(); }

void FormMain::Open_Specifications_Menu() { MenuSetupSpecifications_Click(); }

void FormMain::Open_Thermocouple_FromTable_Form() { showModeless<FormThermocouple_FromTable>(); }

// --- service procedures ---

void FormMain::MenuServiceSetupTasks_Click()
{
    WindowRegistry &windows = appWindows();
    const bool run = execWhenMeterFree<FormSetupTasks>() == QDialog::Accepted;
    FormSetupTasks *dialog = windows.find<FormSetupTasks>();
    const SetupTaskInputs inputs = dialog ? dialog->inputs() : SetupTaskInputs{};
    windows.unload<FormSetupTasks>();
    if (run)
        Run_Setup_Tasks(inputs);
}

void FormMain::Run_Setup_Tasks(const SetupTaskInputs &inputs)
{
    // The run's log is the hidden Text_Status, shown while the run lasts.
    class StatusLog : public SetupTasks::Log
    {
    public:
        explicit StatusLog(FormMain &main) : m_main(main) {}
        void setShown(bool shown) override { m_main.Text_Status->setVisible(shown); }
        QString text() const override { return m_main.statusText(); }
        void setText(const QString &text) override { m_main.setStatusText(text); }
        bool carryOn() const override { return !m_main.m_closing; }

    private:
        FormMain &m_main;
    } log(*this);
    SetupTasks::Run(inputs, log);
}

namespace {

// A single service command is an operation on the meter of its own.
template <class Command>
void asMeterOperation(Command command)
{
    if (const MeterGate::Operation meter = meterGate().beginUserAction())
        command();
}

} // namespace

void FormMain::Clear_All_Settings() { asMeterOperation(&SetupTasks::ClearAllSettings); }

void FormMain::Select_Default_Spec_File() { SetupTasks::SelectDefaultFile(SetupTasks::DefaultFile::Specifications); }

void FormMain::Select_Default_Uncert_File() { SetupTasks::SelectDefaultFile(SetupTasks::DefaultFile::Uncertainties); }

void FormMain::Reboot_Meter()
{
    asMeterOperation([] { SendWithoutReply(QStringLiteral("SYSTEM:REBOOT")); });
}

void FormMain::Send_L_Command()
{
    asMeterOperation([] {
        ExitSetupMode();
        SendWithoutReply(QStringLiteral("L"));
    });
}

void FormMain::Send_Calibrate_Password() { asMeterOperation(&SendCalibratePassword); }

void FormMain::Enter_Setup_Mode() { asMeterOperation(&EnterSetupMode); }

void FormMain::Close_DVM1Comm_Port()
{
    // Closing the port under another operation would cut its link.
    asMeterOperation([this] {
        if (DVM1Comm->PortOpen())
            DVM1Comm->setPortOpen(false); // a failure to close is of no consequence here
        // Panel 1 would otherwise still read "Com1 Open".
        UpdateStatusBar();
    });
}

void FormMain::Set_Abort_Flag() { state().AbortFlag = true; }
