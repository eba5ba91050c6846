#include "shell/FormMain.h"
#include "link/AppTitle.h"
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/USB.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UdpSocketControl.h"
#include "link/platform/UserInteraction.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormOptions.h"
#include "shell/Form_EthernetLocator.h"
#include "shell/Form_USBLocator.h"
#include "shell/Look.h"
#include "shell/MainWindowText.h"
#include "shell/ShowWindow.h"
#include "shell/StartForm.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "widgets/FormProgress.h"
#include "widgets/MeterControls.h"
#include "widgets/Twips.h"
#include "widgets/WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <cmath>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int PictureWidth = 640;
constexpr int PictureHeight = 480;

// Text boxes hold CR LF line ends in the program's texts; the widget shows plain lines.
void setBoxText(QPlainTextEdit *box, QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setPlainText(text);
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent, const QRect &place)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    return b;
}

QGroupBox *frame(const QString &name, const QString &caption, QWidget *parent, const QRect &place)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    f->setGeometry(place);
    // A light, slightly translucent panel, so the frames read clearly over the picture.
    QPalette palette = f->palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240, 232));
    f->setPalette(palette);
    f->setAutoFillBackground(true);
    return f;
}

QPlainTextEdit *textBox(const QString &name, QWidget *parent, const QRect &place)
{
    auto *t = new QPlainTextEdit(parent);
    t->setObjectName(name);
    t->setGeometry(place);
    t->setReadOnly(true);
    t->setLineWrapMode(QPlainTextEdit::NoWrap);
    return t;
}

QAction *menuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

FormMain::FormMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Velkorande 6400 Series Multimeter Setup"));

    m_comm = std::make_unique<QtSerialPortControl>(appSettings());
    DVM1Comm = m_comm.get();
    UDPCommand = new QtUdpSocketControl(this);
    UDPCommand->setObjectName(QStringLiteral("UDPCommand"));
    UDPData = new QtUdpSocketControl(this);
    UDPData->setObjectName(QStringLiteral("UDPData"));
    ConnectEthernetReceive(*UDPData); // the Ethernet transport takes what arrives on it

    buildMenus();
    buildControls();
    buildStatusBar();
    // What talks to the meter, or opens a window whose opening does (the port setup and
    // the locators search the links; Date and Time, Calibration History and Temperature
    // Compensation read as they are shown). The connection dialogs are modal: with their
    // openers unavailable none of them is open during a run.
    new MeterControls(this,
                      {Command_GetInfo, Command_CalFactors, Command_SetupSerial, Command_SetupEthernet, Command_SetupUSB,
                       Command_Autolocate},
                      {MenuOptionsOptions, MenuSetupCal, MenuSetupUncertainties, MenuSetupSpecifications,
                       MenuServiceSetupTasks, MenuServiceInstalledOptions, MenuServiceTemperatureCompensation,
                       MenuServiceCalHistory, MenuServiceMeterInformation, MenuServiceDate, MenuServiceEnterSetupMode,
                       MenuServiceCalibratePassword, MenuServiceSendL, MenuServiceReboot, MenuServiceClosePort,
                       MenuServiceClearAll});
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    endProgram = [] { QCoreApplication::quit(); };

    SharedState &s = state();
    m_previousHost = s.host;
    s.host = this;
    s.DVM1Comm = DVM1Comm;
    s.UDPCommand = UDPCommand;
    s.UDPData = UDPData;
}

FormMain::~FormMain()
{
    SharedState &s = state();
    if (s.host == this)
        s.host = m_previousHost;
    if (s.DVM1Comm == DVM1Comm)
        s.DVM1Comm = nullptr;
    if (s.UDPCommand == UDPCommand)
        s.UDPCommand = nullptr;
    if (s.UDPData == UDPData)
        s.UDPData = nullptr;
}

void FormMain::setCommControl(std::unique_ptr<SerialPortControl> control)
{
    SharedState &s = state();
    const bool published = s.DVM1Comm == DVM1Comm;
    m_comm = std::move(control);
    DVM1Comm = m_comm.get();
    if (published)
        s.DVM1Comm = DVM1Comm;
}

void FormMain::Command_CalFactors_Click() { showModeless<FormCalFactors>(); }

void FormMain::MenuSetupCal_Click() { showModeless<FormCalFactors>(); }

void FormMain::MenuSetupThermocouple_Click() { showModeless<FormThermocouple>(); }

void FormMain::MenuSetupPRT_Click() { showModeless<FormPRTTable>(); }

void FormMain::MenuSetupUncertainties_Click() { showModeless<FormImportedUncerts>(); }

void FormMain::MenuSetupSpecifications_Click() { showModeless<FormSpecifications>(); }

void FormMain::buildMenus()
{
    MenuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuFileExit = menuItem(MenuFile, QStringLiteral("MenuFileExit"), QStringLiteral("E&xit"));
    connect(MenuFileExit, &QAction::triggered, this, &FormMain::MenuFileExit_Click);

    MenuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    MenuOptions->setObjectName(QStringLiteral("MenuOptions"));
    MenuOptionsOptions = menuItem(MenuOptions, QStringLiteral("MenuOptionsOptions"), QStringLiteral("&Options"));
    connect(MenuOptionsOptions, &QAction::triggered, this, &FormMain::MenuOptionsOptions_Click);

    MenuSetup = menuBar()->addMenu(QStringLiteral("6450 Setup"));
    MenuSetup->setObjectName(QStringLiteral("MenuSetup"));
    MenuSetupCal = menuItem(MenuSetup, QStringLiteral("MenuSetupCal"), QStringLiteral("Calibration Factors"));
    MenuSetupThermocouple = menuItem(MenuSetup, QStringLiteral("MenuSetupThermocouple"), QStringLiteral("Thermocouple"));
    MenuSetupPRT = menuItem(MenuSetup, QStringLiteral("MenuSetupPRT"), QStringLiteral("PRT"));
    connect(MenuSetupCal, &QAction::triggered, this, &FormMain::MenuSetupCal_Click);
    connect(MenuSetupThermocouple, &QAction::triggered, this, &FormMain::MenuSetupThermocouple_Click);
    connect(MenuSetupPRT, &QAction::triggered, this, &FormMain::MenuSetupPRT_Click);
    MenuSetupUncertainties =
        menuItem(MenuSetup, QStringLiteral("MenuSetupUncertainties"), QStringLiteral("Imported Uncertainties"));
    MenuSetupSpecifications =
        menuItem(MenuSetup, QStringLiteral("MenuSetupSpecifications"), QStringLiteral("Specifications"));
    connect(MenuSetupUncertainties, &QAction::triggered, this, &FormMain::MenuSetupUncertainties_Click);
    connect(MenuSetupSpecifications, &QAction::triggered, this, &FormMain::MenuSetupSpecifications_Click);

    HelpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    AboutMenu = menuItem(HelpMenu, QStringLiteral("AboutMenu"), QStringLiteral("About"));
    connect(AboutMenu, &QAction::triggered, this, &FormMain::AboutMenu_Click);

    buildServiceMenu();
}

void FormMain::buildServiceMenu()
{
    // Before Help, hidden: without --service the menu bar is as it always was.
    MenuService = new QMenu(QStringLiteral("Service"), this);
    MenuService->setObjectName(QStringLiteral("MenuService"));
    menuBar()->insertMenu(HelpMenu->menuAction(), MenuService);
    MenuService->menuAction()->setVisible(false);

    const auto item = [this](QAction *&action, const char *name, const QString &caption, void (FormMain::*handler)()) {
        action = menuItem(MenuService, QString::fromLatin1(name), caption);
        connect(action, &QAction::triggered, this, handler);
    };
    const QString dots = QStringLiteral("\u2026");
    item(MenuServiceSetupTasks, "MenuServiceSetupTasks", QStringLiteral("Setup Tasks") + dots,
         &FormMain::MenuServiceSetupTasks_Click);
    item(MenuServiceDefaultSpec, "MenuServiceDefaultSpec", QStringLiteral("Select Default Specifications File") + dots,
         &FormMain::Select_Default_Spec_File);
    item(MenuServiceDefaultUncert, "MenuServiceDefaultUncert", QStringLiteral("Select Default Uncertainties File") + dots,
         &FormMain::Select_Default_Uncert_File);
    MenuService->addSeparator();
    item(MenuServiceInstalledOptions, "MenuServiceInstalledOptions", QStringLiteral("Installed Options"),
         &FormMain::Open_InstalledOptions_Form);
    item(MenuServiceTemperatureCompensation, "MenuServiceTemperatureCompensation",
         QStringLiteral("Temperature Compensation"), &FormMain::Open_Temperature_Compensation_Form);
    item(MenuServiceCalHistory, "MenuServiceCalHistory", QStringLiteral("Calibration History"),
         &FormMain::Open_CalHistory_Form);
    item(MenuServiceMeterInformation, "MenuServiceMeterInformation", QStringLiteral("Meter Information"),
         &FormMain::Open_MeterInformation_Form);
    item(MenuServiceDate, "MenuServiceDate", QStringLiteral("Date and Time"), &FormMain::Open_Date_Form);
    item(MenuServiceDisplay, "MenuServiceDisplay", QStringLiteral("Display"), &FormMain::Open_DisplaySetup_Form);
    item(MenuServiceACLinearity, "MenuServiceACLinearity", QStringLiteral("AC Linearity Correction"),
         &FormMain::Open_CorrectionFactors_Form);
    item(MenuServiceThermocoupleFromFiles, "MenuServiceThermocoupleFromFiles",
         QStringLiteral("Thermocouple Tables from Files"), &FormMain::Open_Thermocouple_FromTable_Form);
    MenuService->addSeparator();
    item(MenuServiceEnterSetupMode, "MenuServiceEnterSetupMode", QStringLiteral("Enter Setup Mode"),
         &FormMain::Enter_Setup_Mode);
    item(MenuServiceCalibratePassword, "MenuServiceCalibratePassword", QStringLiteral("Send Calibration Password"),
         &FormMain::Send_Calibrate_Password);
    item(MenuServiceSendL, "MenuServiceSendL", QStringLiteral("Send L"), &FormMain::Send_L_Command);
    item(MenuServiceReboot, "MenuServiceReboot", QStringLiteral("Reboot Meter"), &FormMain::Reboot_Meter);
    item(MenuServiceClosePort, "MenuServiceClosePort", QStringLiteral("Close Serial Port"),
         &FormMain::Close_DVM1Comm_Port);
    // Apart, last: it erases the meter.
    MenuService->addSeparator();
    item(MenuServiceClearAll, "MenuServiceClearAll", QStringLiteral("Clear All Settings") + dots,
         &FormMain::Clear_All_Settings);
}

void FormMain::ShowServiceMenu() { MenuService->menuAction()->setVisible(true); }

void FormMain::buildControls()
{
    // The picture of the meter fills the client area; the frames sit on the bench below it.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Picture"));
    client->setFixedSize(PictureWidth, PictureHeight);
    QPalette palette = client->palette();
    palette.setBrush(QPalette::Window, QPixmap(Look::meterPicture()));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    Frame_Info = frame(QStringLiteral("Frame_Info"), QStringLiteral("Information"), client, {8, 240, 300, 232});
    Command_GetInfo = button(QStringLiteral("Command_GetInfo"), QStringLiteral("Update"), Frame_Info, {200, 196, 90, 26});
    Text_Info = textBox(QStringLiteral("Text_Info"), Frame_Info, {10, 22, 280, 166});
    connect(Command_GetInfo, &QPushButton::clicked, this, &FormMain::Command_GetInfo_Click);

    Frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("Setup"), client, {316, 240, 316, 60});
    Command_CalFactors = button(QStringLiteral("Command_CalFactors"), QStringLiteral("Calibration Factors"), Frame2,
                                {10, 22, 296, 28});
    connect(Command_CalFactors, &QPushButton::clicked, this, &FormMain::Command_CalFactors_Click);

    Frame_ConnectionStatus = frame(QStringLiteral("Frame_ConnectionStatus"), QStringLiteral("Connection Details"),
                                   client, {316, 306, 316, 128});
    Command_SetupSerial = button(QStringLiteral("Command_SetupSerial"), QStringLiteral("Configure Serial / GPIB"),
                                 Frame_ConnectionStatus, {10, 18, 146, 24});
    Command_SetupEthernet = button(QStringLiteral("Command_SetupEthernet"), QStringLiteral("Configure Ethernet"),
                                   Frame_ConnectionStatus, {160, 18, 146, 24});
    Command_SetupUSB = button(QStringLiteral("Command_SetupUSB"), QStringLiteral("Configure USB"),
                              Frame_ConnectionStatus, {10, 44, 146, 24});
    Command_Autolocate = button(QStringLiteral("Command_Autolocate"), QStringLiteral("Autolocate Meter"),
                                Frame_ConnectionStatus, {160, 44, 146, 24});
    // Three lines: an Ethernet link's description has three (the third its address); a
    // USB link's ends in an empty third line, which must not bring a scroll bar.
    Text_ConnectionStatus = textBox(QStringLiteral("Text_ConnectionStatus"), Frame_ConnectionStatus, {10, 70, 296, 52});
    // A line longer than the box (the no-driver message) wraps at word boundaries instead
    // of running past its edge.
    Text_ConnectionStatus->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    {
        // The height of three lines of its font (laid out lines run a little over the font's
        // line spacing), with the frame growing to hold it.
        QPlainTextEdit *box = Text_ConnectionStatus;
        const int margins = 2 * (box->frameWidth() + int(std::ceil(box->document()->documentMargin())));
        box->resize(box->width(), 3 * box->fontMetrics().lineSpacing() + margins + 4);
        Frame_ConnectionStatus->resize(Frame_ConnectionStatus->width(),
                                       std::max(Frame_ConnectionStatus->height(), box->y() + box->height() + 6));
    }

    connect(Command_SetupSerial, &QPushButton::clicked, this, &FormMain::Command_SetupSerial_Click);
    connect(Command_SetupUSB, &QPushButton::clicked, this, &FormMain::Command_SetupUSB_Click);
    connect(Command_Autolocate, &QPushButton::clicked, this, &FormMain::Command_Autolocate_Click);
    connect(Command_SetupEthernet, &QPushButton::clicked, this, &FormMain::Command_SetupEthernet_Click);

    Command_Exit = button(QStringLiteral("Command_Exit"), QStringLiteral("Exit"), client, {552, 442, 80, 28});
    connect(Command_Exit, &QPushButton::clicked, this, &FormMain::Command_Exit_Click);

    Text_Status = new QPlainTextEdit(client);
    Text_Status->setObjectName(QStringLiteral("Text_Status"));
    // Shown only while the setup tasks run, as their log.
    Text_Status->setGeometry(8, 8, 300, 150);
    Text_Status->setReadOnly(true);
    Text_Status->setVisible(false);
}

void FormMain::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    const int widths[5] = {90, 170, 0, 60, 80}; // 0: takes what is left
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0)
            panel->setFixedWidth(widths[i]);
        if (i >= 3)
            panel->setAlignment(Qt::AlignCenter);
        StatusBar1->addPermanentWidget(panel, widths[i] > 0 ? 0 : 1);
        StatusPanels[i] = panel;
    }
    // Panels 4 and 5 keep the time of day and the date current by themselves.
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &FormMain::showClock);
    m_clockTimer->start();
    showClock();
}

void FormMain::showClock()
{
    const QDateTime now = appClock().now();
    StatusPanels[3]->setText(TextConv::FormatDate(now, QStringLiteral("Short Time")));
    StatusPanels[4]->setText(TextConv::FormatDate(now, QStringLiteral("Short Date")));
}

void FormMain::replyActivity(const QString &replySoFar)
{
    FeedProgressWindow(replySoFar);
    setStatusPanelText(2, GrowActivityBar(statusPanelText(2)));
}

QString FormMain::statusPanelText(int panel) const
{
    return panel >= 1 && panel <= 5 ? StatusPanels[panel - 1]->text() : QString();
}

void FormMain::setStatusPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 5)
        StatusPanels[panel - 1]->setText(text);
}

QString FormMain::statusText() const { return m_statusText; }

void FormMain::setStatusText(const QString &text)
{
    m_statusText = text;
    setBoxText(Text_Status, text);
}

void FormMain::Command_GetInfo_Click()
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Hourglass busy(appUi());
    Text_Info->clear();
    IDVM *dvm = state().DVM1.get();
    if (!dvm)
        return;
    const QString reply = dvm->SendString(QStringLiteral("v"), true, 5, 1);
    setBoxText(Text_Info, InfoTextFromReply(reply));
    appClock().sleepMs(50);
}

void FormMain::UpdateStatusBar()
{
    IDVM *dvm = state().DVM1.get();
    if (!dvm)
        return;
    setBoxText(Text_ConnectionStatus, dvm->GetDescription());
    setStatusPanelText(1, PortPanelText(DVM1Comm->CommPort(), DVM1Comm->PortOpen()));
}

void FormMain::Command_Autolocate_Click()
{
    SharedState &s = state();
    if (!s.DVM1)
        return;
    // A search already under way (this handler runs while it yields) is left to finish.
    if (const FormAutoLocate *open = appWindows().find<FormAutoLocate>(); open && open->isSearching()) {
        showModeless<FormAutoLocate>();
        return;
    }
    // Opening the window (its load lists the serial ports), the search and the Update after
    // it are one operation on the meter: while another holds it, no window opens.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    FormAutoLocate &search = showModeless<FormAutoLocate>();
    search.SetShowDetails(false);
    if (search.Locate_All())
        Command_GetInfo_Click();
    UpdateStatusBar();
}

void FormMain::Command_SetupEthernet_Click()
{
    WindowRegistry &windows = appWindows();
    // Its load searches and yields meanwhile: a second click then finds it loaded.
    if (Form_EthernetLocator *open = windows.find<Form_EthernetLocator>()) {
        open->raise();
        open->activateWindow();
        return;
    }
    execWhenMeterFree<Form_EthernetLocator>();
    UpdateStatusBar();
}

namespace {

// Shows a dialog that talks to the meter modally (execWhenMeterFree); it is unloaded when
// it closes, however it closes.
template <class Dialog>
void showModal()
{
    execWhenMeterFree<Dialog>();
    appWindows().unload<Dialog>();
}

} // namespace

void FormMain::Command_SetupSerial_Click()
{
    showModal<FormOptions>();
    UpdateStatusBar();
}

void FormMain::MenuOptionsOptions_Click()
{
    // Refreshed before the dialog, not after: the menu leaves the display as it was.
    UpdateStatusBar();
    showModal<FormOptions>();
}

void FormMain::Command_SetupUSB_Click()
{
    showModal<Form_USBLocator>();
    UpdateStatusBar();
}

void FormMain::Command_Exit_Click() { close(); }

void FormMain::MenuFileExit_Click() { close(); }

void FormMain::AboutMenu_Click()
{
    WindowRegistry &windows = appWindows();
    StartForm &about = windows.form<StartForm>();
    about.OKBut->setVisible(true);
    about.exec();
    windows.unload<StartForm>();
}

void FormMain::Form_QueryUnload()
{
    // An exchange was under way on the USB device: release its handle. Closing goes on.
    CloseUSBDeviceIfOpen();
}

void FormMain::Form_Unload()
{
    m_closing = true;
    appWindows().unloadAll(this);
    if (!isMinimized()) {
        SettingsStore &settings = appSettings();
        const QPoint place = pos();
        settings.SaveSetting(SettingsStore::Section, QStringLiteral("MainLeft"),
                             SignedNumberText(Twips::fromPixels(place.x())));
        settings.SaveSetting(SettingsStore::Section, QStringLiteral("MainTop"),
                             SignedNumberText(Twips::fromPixels(place.y())));
        settings.SaveSetting(SettingsStore::Section, QStringLiteral("GraphDirectory"), QString());
    }
    if (endProgram)
        endProgram();
}

void FormMain::closeEvent(QCloseEvent *event)
{
    // The search runs inside the search window, which closing would unload under it: the
    // window closes as soon as the search ends.
    if (FormAutoLocate *search = appWindows().find<FormAutoLocate>(); search && search->isSearching()) {
        search->closeMainWindowWhenDone();
        event->ignore();
        return;
    }
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void FormMain::DisplayReading(const QString &Reading)
{
    const QString text = DisplayReadingText(Reading);
    if (!text.isEmpty())
        setStatusPanelText(3, text);
}

void FormMain::OpenCommPort()
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    if (DVM1Comm->PortOpen() || !DVM1Comm->setPortOpen(true))
        appUi().MsgBox(QStringLiteral("Cannot open port"), Msg::Critical);
    UpdateStatusBar();
}

void FormMain::CloseCommPort()
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    if (!DVM1Comm->setPortOpen(false))
        appUi().MsgBox(QStringLiteral("Cannot Close Port"), Msg::OKOnly);
    UpdateStatusBar();
}

void FormMain::ShowNoDriver(const QString &model)
{
    setBoxText(Text_ConnectionStatus,
               QStringLiteral("No driver for the meter model \"") + model + QStringLiteral("\": no meter can be reached."));
    appUi().MsgBox(QStringLiteral("The stored meter model \"") + model
                       + QStringLiteral("\" has no driver, so no meter can be reached.\r\n"
                                        "Set the model to 6450 (setting DVM1) and start the program again."),
                   Msg::Exclamation);
}
