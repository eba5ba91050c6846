#pragma once
#include "link/MainWindowHost.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class SerialPortControl;
class UdpSocketControl;
struct SetupTaskInputs;

// The main window: the meter's information, the connection details, the buttons and menus
// that open the other windows, and the controls the transports use. Loaded through the
// window registry (appWindows().form<FormMain>()); while it lives it is the main-window
// host of the shared state (status panels, the hidden Text_Status) and publishes its
// serial-port control and UDP sockets there (state().DVM1Comm, UDPCommand, UDPData).
class FormMain : public QMainWindow, public MainWindowHost
{
    Q_OBJECT
public:
    explicit FormMain(QWidget *parent = nullptr);
    ~FormMain() override;

    // Replaces the serial-port control DVM1Comm (tests give a MemorySerialPort). Call it
    // before a driver is handed the old control.
    void setCommControl(std::unique_ptr<SerialPortControl> control);

    // --- handlers and public procedures ---
    // Asks the meter for "v" and shows its model, version, serial number and table versions.
    void Command_GetInfo_Click();
    // Shows the driver's description and the serial port's state; nothing without a driver.
    void UpdateStatusBar();
    // Runs the automatic search; the search window stays open with its result. A found
    // meter's information is shown. Does nothing without a driver.
    void Command_Autolocate_Click();
    // Opens the Ethernet-serial setup modally (its load searches), then refreshes the
    // connection details. The dialogs below that talk to the meter open only while no other
    // operation holds it (execWhenMeterFree, shell/ShowWindow.h).
    void Command_SetupEthernet_Click();
    // Open the port-setup dialog modally: the button refreshes the connection display
    // after it, the menu item before it.
    void Command_SetupSerial_Click();
    void MenuOptionsOptions_Click();
    // Shows the USB locator modally, then refreshes the connection display.
    void Command_SetupUSB_Click();
    void Command_Exit_Click();
    void MenuFileExit_Click();
    // Shows the About window modally.
    void AboutMenu_Click();
    // Open the table windows without waiting (an open one is brought up again).
    void Command_CalFactors_Click();
    void MenuSetupCal_Click();
    void MenuSetupThermocouple_Click();
    void MenuSetupPRT_Click();
    void MenuSetupUncertainties_Click();
    void MenuSetupSpecifications_Click();
    // Service procedures that open the meter settings dialogs without waiting (one instance
    // each, created on first use; an open one is brought up again). No control calls them.
    void Open_InstalledOptions_Form();
    void Open_Temperature_Compensation_Form();
    void Open_CalHistory_Form();
    void Open_Date_Form();
    void Open_DisplaySetup_Form();
    void Open_CorrectionFactors_Form();
    // The meter information dialog has no opening procedure of its own in the service set;
    // this one is there for whichever control offers it.
    void Open_MeterInformation_Form();
    // --- service procedures (the Service menu, shown when the program starts with --service) ---
    // Runs the setup tasks in their fixed order, logging each finished task in Text_Status
    // (shown while the run lasts) and ending with a summary box. The run has the meter to
    // itself: whatever else talks to the meter is unavailable until it ends, and a second
    // run meanwhile does nothing.
    void Run_Setup_Tasks(const SetupTaskInputs &inputs);
    // Erases everything in the meter after two confirmations.
    void Clear_All_Settings();
    // Choose the default files the setup tasks write.
    void Select_Default_Spec_File();
    void Select_Default_Uncert_File();
    // Single commands: "SYSTEM:REBOOT" unawaited; the setup-mode exit then "L" unawaited;
    // the calibration password; the setup-mode access command. Their results are not used.
    void Reboot_Meter();
    void Send_L_Command();
    void Send_Calibrate_Password();
    void Enter_Setup_Mode();
    // Closes DVM1Comm's port if it is open, ignoring any error, and shows the port state.
    void Close_DVM1Comm_Port();
    // Sets the shared AbortFlag (nothing reads it).
    void Set_Abort_Flag();
    // Open the thermocouple window and, through their menu handlers, the two table editors
    // (nothing calls them).
    void Open_Thermocouple_Form();
    void Open_Uncertainties_Menu();
    void Open_Specifications_Menu();
    // Opens the window that writes thermocouple tables from text files.
    void Open_Thermocouple_FromTable_Form();
    // The Service menu's Setup Tasks item: the "Setup Tasks" dialog, then the run it asks for.
    void MenuServiceSetupTasks_Click();
    // Shows the Service menu (hidden unless the program starts with --service).
    void ShowServiceMenu();

    // Before closing: releases a USB device that an interrupted exchange left open.
    void Form_QueryUnload();
    // Closing: unloads every other window, saves the position unless minimised, ends the program.
    void Form_Unload();
    // Shows a reading in engineering notation in status panel 3 (nothing calls it).
    void DisplayReading(const QString &Reading);
    // Open or close DVM1Comm's port; a failure is reported in a message box (nothing calls
    // them).
    void OpenCommPort();
    void CloseCommPort();
    // Start-up found no driver for the stored model: says so in a box and in the connection box.
    void ShowNoDriver(const QString &model);

    // --- MainWindowHost: status panels 1 to 5 and the hidden result text ---
    QString statusPanelText(int panel) const override;
    void setStatusPanelText(int panel, const QString &text) override;
    QString statusText() const override;
    void setStatusText(const QString &text) override;
    // Feeds the progress window when it is visible and grows the activity bar in panel 2.
    void replyActivity(const QString &replySoFar) override;

    // What ending the program means; by default the event loop is left. Tests replace it.
    std::function<void()> endProgram;

    // --- controls, in the order a user meets them ---
    QGroupBox *Frame_Info = nullptr;
    QPushButton *Command_GetInfo = nullptr;
    QPlainTextEdit *Text_Info = nullptr;
    QGroupBox *Frame2 = nullptr;
    QPushButton *Command_CalFactors = nullptr;
    QGroupBox *Frame_ConnectionStatus = nullptr;
    QPushButton *Command_SetupSerial = nullptr;
    QPushButton *Command_SetupEthernet = nullptr;
    QPushButton *Command_SetupUSB = nullptr;
    QPushButton *Command_Autolocate = nullptr;
    QPlainTextEdit *Text_ConnectionStatus = nullptr;
    QPushButton *Command_Exit = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    // StatusBar1's panels 1 to 5 (index 0 to 4): port state, activity bar, free text,
    // time of day, date.
    std::array<QLabel *, 5> StatusPanels{};
    QPlainTextEdit *Text_Status = nullptr; // hidden
    SerialPortControl *DVM1Comm = nullptr;
    UdpSocketControl *UDPCommand = nullptr;
    UdpSocketControl *UDPData = nullptr;

    // --- menus, in bar order ---
    QMenu *MenuFile = nullptr;
    QAction *MenuFileExit = nullptr;
    QMenu *MenuOptions = nullptr;
    QAction *MenuOptionsOptions = nullptr;
    QMenu *MenuSetup = nullptr;
    QAction *MenuSetupCal = nullptr;
    QAction *MenuSetupThermocouple = nullptr;
    QAction *MenuSetupPRT = nullptr;
    QAction *MenuSetupUncertainties = nullptr;
    QAction *MenuSetupSpecifications = nullptr;
    QMenu *HelpMenu = nullptr;
    QAction *AboutMenu = nullptr;
    // Service, hidden unless asked for: its items in menu order.
    QMenu *MenuService = nullptr;
    QAction *MenuServiceSetupTasks = nullptr;
    QAction *MenuServiceDefaultSpec = nullptr;
    QAction *MenuServiceDefaultUncert = nullptr;
    QAction *MenuServiceInstalledOptions = nullptr;
    QAction *MenuServiceTemperatureCompensation = nullptr;
    QAction *MenuServiceCalHistory = nullptr;
    QAction *MenuServiceMeterInformation = nullptr;
    QAction *MenuServiceDate = nullptr;
    QAction *MenuServiceDisplay = nullptr;
    QAction *MenuServiceACLinearity = nullptr;
    QAction *MenuServiceThermocoupleFromFiles = nullptr;
    QAction *MenuServiceEnterSetupMode = nullptr;
    QAction *MenuServiceCalibratePassword = nullptr;
    QAction *MenuServiceSendL = nullptr;
    QAction *MenuServiceReboot = nullptr;
    QAction *MenuServiceClosePort = nullptr;
    QAction *MenuServiceClearAll = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildStatusBar();
    void buildServiceMenu();
    void showClock();

    std::unique_ptr<SerialPortControl> m_comm;
    QString m_statusText; // Text_Status exactly as written (line ends kept)
    QTimer *m_clockTimer = nullptr;
    MainWindowHost *m_previousHost = nullptr;
    bool m_closing = false; // Form_Unload has begun: a setup-task run ends at its next step
};
