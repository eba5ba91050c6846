// Renders every window of the program into PNG files, offscreen, so the look can be
// reviewed without a display. Run through scripts/screens.
// Usage: screens <folder>
//
// A new window gets one entry in `shots` below: a file name and a function that loads the
// window through the registry, fills it as a user would see it and returns it. Windows that
// read the meter get a simulated 6450 (`meter` set in their entry), so they show real
// tables.
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/Utility.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "shell/FormOptions.h"
#include "shell/Form_EthernetLocator.h"
#include "shell/Form_USBLocator.h"
#include "shell/Look.h"
#include "shell/StartForm.h"
#include "settings/FormDate.h"
#include "settings/FormDisplaySetup.h"
#include "settings/FormMeterInformation.h"
#include "settings/FormSetupTasks.h"
#include "settings/Form_CalHistory.h"
#include "settings/Form_CorrectionFactors.h"
#include "settings/Form_InstalledOptions.h"
#include "settings/Form_Temperature_Compensation.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "tables/thermocouple/ThermocoupleTables.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "widgets/FormProgress.h"
#include "widgets/Form_List_Dialogue.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>

namespace {

// A meter on COM1 answering "v" as a 6450 does.
void installSampleMeter()
{
    auto dvm = std::make_unique<ScriptedDVM>();
    dvm->description = QStringLiteral("Velkorande 6450\r\nRS232 COM1");
    dvm->reply = [](const QString &command) {
        if (command == QLatin1String("v"))
            return QStringLiteral("Model 6450\rVersion 2.07\rSerial 6450-00123\rUnc 1.0 01/02/26\r"
                                  "Lab 3 bench 2\r\r\rSpec 3.1 14/03/26\rTab 2.2 05/05/25\r*0\r");
        return QStringLiteral("*0\r");
    };
    state().DVM1 = std::move(dvm);
}

QWidget *mainWindow(TestEnv &env)
{
    installSampleMeter();
    FormMain &main = appWindows().form<FormMain>();
    auto port = std::make_unique<MemorySerialPort>(env.clock);
    port->setPortOpen(true);
    main.setCommControl(std::move(port));
    main.Command_GetInfo_Click();
    main.UpdateStatusBar();
    main.setStatusPanelText(2, QStringLiteral("||||||||"));
    return &main;
}

// The main window when the stored meter model has no driver: the connection box says so.
QWidget *noDriverWindow(TestEnv &env)
{
    FormMain &main = appWindows().form<FormMain>();
    main.setCommControl(std::make_unique<MemorySerialPort>(env.clock));
    main.ShowNoDriver(QStringLiteral("3458"));
    return &main;
}

// The Setup Tasks dialog with a typical choice ticked.
QWidget *setupTasksWindow(TestEnv &)
{
    FormSetupTasks &dialog = appWindows().form<FormSetupTasks>();
    dialog.Check_SetDate->setChecked(true);
    dialog.Check_SetCalPassword->setChecked(true);
    dialog.Text_CalPassword->setText(QStringLiteral("6182"));
    dialog.Check_LoadDefaultSpecs->setChecked(true);
    return &dialog;
}

// The main window started with --service, its Service menu open.
QWidget *serviceMenuWindow(TestEnv &env)
{
    auto *main = static_cast<FormMain *>(mainWindow(env));
    main->ShowServiceMenu();
    return main->MenuService;
}

// The main window while the setup tasks run: their log shows over the picture.
QWidget *setupTasksLogWindow(TestEnv &env)
{
    auto *main = static_cast<FormMain *>(mainWindow(env));
    main->ShowServiceMenu();
    main->setStatusText(QStringLiteral("Date Set\r\nCalibration Password Set\r\nCalibration Factors Cleared\r\n"));
    main->Text_Status->setVisible(true);
    return main;
}

QWidget *splashWindow(TestEnv &) { return &appWindows().form<StartForm>(); }

QWidget *aboutWindow(TestEnv &)
{
    StartForm &about = appWindows().form<StartForm>();
    about.OKBut->setVisible(true);
    return &about;
}

// The editors read their table from the meter when they load.
template <class Form>
QWidget *loadedWindow(TestEnv &)
{
    return &appWindows().form<Form>();
}

QWidget *prtGeneratedWindow(TestEnv &)
{
    FormPRTTable &form = appWindows().form<FormPRTTable>();
    form.Command_GenerateITS90_Click();
    return &form;
}

QWidget *prtLoadedWindow(TestEnv &)
{
    FormPRTTable &form = appWindows().form<FormPRTTable>();
    form.Command_LoadAllCalFactors_Click();
    return &form;
}

QWidget *thermocoupleWindow(TestEnv &)
{
    auto &form = appWindows().form<FormThermocouple>();
    form.Label_Thermostatus->setText(Thermocouple::writingStatus(QStringLiteral("K"), 20750));
    return &form;
}

QWidget *thermocoupleFilesWindow(TestEnv &)
{
    auto &form = appWindows().form<FormThermocouple_FromTable>();
    form.Label_Thermostatus->setText(Thermocouple::writingStatus(QStringLiteral("J"), -8000));
    return &form;
}

// The settings dialogs that read the meter when they become active, as they show then.
template <class Form>
QWidget *activatedWindow(TestEnv &)
{
    Form &form = appWindows().form<Form>();
    form.Form_Activate();
    return &form;
}

QWidget *temperatureWindow(TestEnv &env)
{
    auto &form = *static_cast<Form_Temperature_Compensation *>(activatedWindow<Form_Temperature_Compensation>(env));
    form.Combo_Ranges->setCurrentIndex(5);
    form.Combo_Ranges_Click();
    return &form;
}

QWidget *correctionWindow(TestEnv &)
{
    auto &form = appWindows().form<Form_CorrectionFactors>();
    form.Command_ACLIN_Click(0);
    return &form;
}

QWidget *progressWindow(TestEnv &)
{
    auto &form = appWindows().form<FormProgress>();
    form.SetMaxLines(350);
    QString reply;
    for (int line = 0; line < 140; ++line)
        reply += QStringLiteral("%1R,0,0,0,0,0,0,0,0,0,0\r").arg(line);
    form.ProgressText(reply);
    return &form;
}

QWidget *listWindow(TestEnv &)
{
    auto &form = appWindows().form<Form_List_Dialogue>();
    form.List1->addItems({QStringLiteral("Velkorande 6450  RS232 COM1"), QStringLiteral("Velkorande 6450  USB FT6450A1"),
                          QStringLiteral("Velkorande 6420  Ethernet 127.0.0.1"), QStringLiteral("Velkorande 6410  GPIB 15")});
    form.List1->setCurrentRow(1);
    return &form;
}

// The search as it ends when it finds a 6450 on USB (a simulated meter on the in-memory FTDI
// backend). No serial ports and no Ethernet sockets are set, so nothing leaves the machine;
// the meter goes again once the window shows the result.
FormAutoLocate &searchThatFindsUsbMeter(TestEnv &env, bool details)
{
    state().DVM1 = CreateDVM(QStringLiteral("6450"));
    metersim::SimMeter meter;
    metersim::MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &peer);

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    search.show();
    search.SetShowDetails(details);
    search.Locate_All();
    state().DVM1.reset();
    state().ftdi = nullptr;
    return search;
}

// The port setup as it opens with COM1 and COM3 able to open (COM3 saved), on RS232 or on
// GPIB (address 12 saved).
FormOptions &portSetup(TestEnv &env, bool gpib)
{
    static SerialPortBank bank;
    static std::deque<MemorySerialPort> ports;
    ports.clear();
    for (int number : {1, 3})
        bank.add(number, ports.emplace_back(env.clock));
    env.settings.SaveSetting(QStringLiteral("Settings"), QStringLiteral("DVM1_CommPort"), QStringLiteral("3"));
    env.settings.SaveSetting(QStringLiteral("Settings"), QStringLiteral("DVM1_GPIBPort"), QStringLiteral("12"));
    if (gpib)
        env.settings.SaveSetting(QStringLiteral("Settings"), QStringLiteral("DVM1_Interface"), QStringLiteral("GPIB"));
    state().DVM1Comm = &bank;
    FormOptions &options = appWindows().form<FormOptions>();
    state().DVM1Comm = nullptr;
    return options;
}

QWidget *portSetupWindow(TestEnv &env) { return &portSetup(env, false); }
QWidget *portSetupGpibWindow(TestEnv &env) { return &portSetup(env, true); }

QWidget *autoLocateWindow(TestEnv &env) { return &searchThatFindsUsbMeter(env, false); }
QWidget *autoLocateDetailsWindow(TestEnv &env) { return &searchThatFindsUsbMeter(env, true); }

// The Ethernet-serial setup as a search on a network with two meter modules leaves it,
// the first one selected and asked "*IDN?" in the terminal. Nothing is sent: without the
// main window's sockets the window's own search finds nothing, so the rows are filled
// from two module records as the search fills them.
QWidget *ethernetLocatorWindow(bool advanced)
{
    Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
    const QString identity = QStringLiteral("Velkorande,Model 6450,6450012%1,2.31");
    state().EthernetDevices = QList<EthernetDevice>(1);
    for (int i = 1; i <= 2; ++i) {
        EthernetDevice module;
        module.IPAddress = QStringLiteral("192.168.1.%1").arg(40 + i);
        module.MACAddress = QStringLiteral("00-50-C2-64-50-0%1").arg(i);
        module.Port = 10001;
        module.Flag2 = i == 1 ? QStringLiteral("M") : QStringLiteral("I");
        module.Owner = QStringLiteral("Velkoran");
        module.DeviceName = QStringLiteral("6450 DMM");
        module.Identity = identity.arg(i + 2);
        state().EthernetDevices.append(module);
        new QTreeWidgetItem(form.ListView_Modules,
                            EthernetLocator::ModuleRow(module) << TrimBlanks(module.Identity.text()));
    }
    form.ListView_Modules->setCurrentItem(form.ListView_Modules->topLevelItem(0));
    form.SelectEthernetModule(1);
    if (advanced) {
        form.Command_Advanced_Click();
        form.Text2->setText(QStringLiteral("*IDN?"));
        form.Text1->setPlainText(identity.arg(3));
    }
    return &form;
}

QWidget *ethernetLocatorCollapsed(TestEnv &) { return ethernetLocatorWindow(false); }
QWidget *ethernetLocatorAdvanced(TestEnv &) { return ethernetLocatorWindow(true); }

// The USB locator as it opens with a simulated 6450, a silent device and one that cannot
// be opened on the in-memory FTDI backend; advanced, after "ID?", "Date?" and a typed "v".
Form_USBLocator &usbLocator(TestEnv &env, bool advanced)
{
    state().DVM1 = CreateDVM(QStringLiteral("6450"));
    metersim::SimMeter meter;
    metersim::MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("USB <-> Serial Cable"), QStringLiteral("FT6450A1"), &peer);
    ftdi.attach(QStringLiteral("UART 230 Bridge"), QStringLiteral("UB230007"));
    ftdi.attach(QStringLiteral("USB-RS232 Cable"), QStringLiteral("FTR232B2")).openFails = true;
    env.settings.SaveSetting(SettingsStore::Section, QStringLiteral("USB_Name"), QStringLiteral("USB <-> Serial Cable"));
    env.settings.SaveSetting(SettingsStore::Section, QStringLiteral("USB_SerialNumber"), QStringLiteral("FT6450A1"));

    Form_USBLocator &form = appWindows().form<Form_USBLocator>();
    form.ListView_USBDevices->topLevelItem(0)->setSelected(true);
    if (advanced) {
        form.Command_Advanced_Click();
        form.Command_testID_Click();
        form.Command1_Click();
        form.Text1->setText(QStringLiteral("v"));
        form.Text1_KeyPress(13);
    }
    state().DVM1.reset();
    state().ftdi = nullptr;
    return form;
}

QWidget *usbLocatorWindow(TestEnv &env) { return &usbLocator(env, false); }
QWidget *usbLocatorAdvancedWindow(TestEnv &env) { return &usbLocator(env, true); }

struct Shot
{
    const char *file;
    std::function<QWidget *(TestEnv &)> load;
    // The window reads the meter: it gets a simulated 6450 on RS232 behind the real driver.
    bool meter = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(Look::defaultFont());
    if (argc != 2) {
        std::fprintf(stderr, "usage: screens <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

    const Shot shots[] = {
        {"FormMain.png", mainWindow},
        {"FormMain-no-driver.png", noDriverWindow},
        {"FormMain-service-menu.png", serviceMenuWindow},
        {"FormMain-setup-tasks-log.png", setupTasksLogWindow},
        {"FormSetupTasks.png", setupTasksWindow},
        {"StartForm-splash.png", splashWindow},
        {"StartForm-about.png", aboutWindow},
        {"FormCalFactors.png", loadedWindow<FormCalFactors>, true},
        {"FormSpecifications.png", loadedWindow<FormSpecifications>, true},
        {"FormImportedUncerts.png", loadedWindow<FormImportedUncerts>, true},
        {"FormPRTTable.png", loadedWindow<FormPRTTable>},
        {"FormPRTTable-generated.png", prtGeneratedWindow},
        {"FormPRTTable-loaded.png", prtLoadedWindow, true},
        {"FormThermocouple.png", thermocoupleWindow},
        {"FormThermocouple_FromTable.png", thermocoupleFilesWindow},
        {"Form_InstalledOptions.png", loadedWindow<Form_InstalledOptions>, true},
        {"Form_Temperature_Compensation.png", temperatureWindow, true},
        {"Form_CalHistory.png", activatedWindow<Form_CalHistory>, true},
        {"FormMeterInformation.png", loadedWindow<FormMeterInformation>, true},
        {"FormDate.png", activatedWindow<FormDate>, true},
        {"FormDisplaySetup.png", loadedWindow<FormDisplaySetup>},
        {"Form_CorrectionFactors.png", correctionWindow, true},
        {"FormProgress.png", progressWindow},
        {"Form_List_Dialogue.png", listWindow},
        {"FormOptions.png", portSetupWindow},
        {"FormOptions-gpib.png", portSetupGpibWindow},
        {"FormAutoLocate.png", autoLocateWindow},
        {"FormAutoLocate-details.png", autoLocateDetailsWindow},
        {"Form_EthernetLocator.png", ethernetLocatorCollapsed},
        {"Form_EthernetLocator-advanced.png", ethernetLocatorAdvanced},
        {"Form_USBLocator.png", usbLocatorWindow},
        {"Form_USBLocator-advanced.png", usbLocatorAdvancedWindow},
    };
    int failures = 0;
    for (const Shot &shot : shots) {
        // A fresh shared state per window.
        std::optional<SimulatedMeterEnv> withMeter;
        std::optional<TestEnv> plain;
        if (shot.meter)
            withMeter.emplace();
        else
            plain.emplace();
        QWidget *window = shot.load(shot.meter ? withMeter->env : *plain);
        window->show();
        QApplication::processEvents();
        const QString path = folder.filePath(QString::fromLatin1(shot.file));
        if (window->grab().save(path, "PNG")) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
