// One holder of the meter at a time: every path that talks to the meter, once holding it
// while another action is pressed inside one of its waits, and once pressed inside the wait
// of another holder. The meter answers slowly over Ethernet, so the waits let the window
// system run; the meter's own transcript shows whose commands reached it.
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "settings/FormDate.h"
#include "settings/FormDisplaySetup.h"
#include "settings/FormMeterInformation.h"
#include "settings/Form_CalHistory.h"
#include "settings/Form_CorrectionFactors.h"
#include "settings/Form_InstalledOptions.h"
#include "settings/Form_Temperature_Compensation.h"
#include "settings/SetupTasks.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "shell/FormOptions.h"
#include "shell/Form_EthernetLocator.h"
#include "shell/Form_USBLocator.h"
#include "shell/Main.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/specs/SpecTable.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/GpibMeter.h"
#include "tests/support/ProgramSockets.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/TestEnv.h"
#include "tests/support/ThermocoupleTableFolder.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemoryGpib.h"
#include "tests/support/doubles/MemoryUdp.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>

using metersim::MeterPeer;

namespace {

// The main window and a simulated meter behind an Ethernet module on the in-memory network,
// the active link; the same meter can be put on USB, GPIB and COM1 for the locators.
struct Bench
{
    Bench()
    {
        main.endProgram = [] {};
        meter.setReplyDelayMs(300);
        state().ftdi = &ftdi;
        state().gpib = &gpib;
        auto ports = std::make_unique<SerialPortBank>();
        bank = ports.get();
        main.setCommControl(std::move(ports));
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
        state().SelectedMAC = module.config().mac;
        useEthernet();
    }
    ~Bench()
    {
        appWindows().destroyAll();
        state().DVM1.reset();
    }

    // The meter's module becomes the driver's link.
    void useEthernet()
    {
        EthernetDevice device;
        device.IPAddress = module.config().address.toString();
        device.Port = module.config().dataPort;
        device.MACAddress = module.config().mac;
        UseEthernetModule(device);
    }
    void onUsb() { ftdi.attach(QStringLiteral("6450 DMM"), QStringLiteral("FT6450A1"), &usb); }
    void onGpib() { attachMeter(gpib, gpibPeer); }
    void onSerial() { bank->add(1, serialPort); }

    // What the meter received, then what the module received ("module:" before each).
    QStringList received()
    {
        env.clock.advance(1000); // what was sent without a wait arrives
        QStringList out = condensed(meter.commands());
        for (const QString &c : module.commands())
            out << QStringLiteral("module:") + c;
        return out;
    }
    // The prompts of the boxes that only tell (OK alone), leaving out the questions.
    QStringList messages() const
    {
        constexpr int ButtonBits = 0x7;
        QStringList out;
        for (const auto &box : env.ui.boxes)
            if ((box.style & ButtonBits) == Msg::OKOnly)
                out << box.prompt;
        return out;
    }
    // What a refused path must leave as it was: the driver, the settings, the meter's serial
    // port, the windows that close or try the ports as they open, and the modal windows shown.
    QStringList link() const
    {
        QStringList out{state().DVM1 ? state().DVM1->GetDescription() : QStringLiteral("no driver")};
        for (auto it = env.settings.values().cbegin(); it != env.settings.values().cend(); ++it)
            out << it.key() + QLatin1Char('=') + it.value();
        out << QStringLiteral("COM%1 %2, opened %3 times")
                   .arg(bank->CommPort())
                   .arg(bank->PortOpen() ? QStringLiteral("open") : QStringLiteral("closed"))
                   .arg(serialPort.openCount);
        out << QStringLiteral("Options loaded: %1, search loaded: %2")
                   .arg(appWindows().isLoaded<FormOptions>())
                   .arg(appWindows().isLoaded<FormAutoLocate>());
        out << QStringLiteral("modal windows shown: %1").arg(modalWindowsShown);
        return out;
    }
    void forget()
    {
        meter.clearTranscript();
        module.clearTranscript();
        env.ui.boxes.clear();
    }

    TestEnv env;
    ThermocoupleTableFolder folder; // the working folder
    FormMain &main = appWindows().form<FormMain>();
    metersim::SimMeter meter;
    metersim::SimModule module;
    MemoryUdpNetwork net{env.clock};
    ProgramSockets sockets{net};
    metersim::ModuleOnNetwork served{module, meter, net};
    MeterPeer usb{meter, env.clock};
    MemoryFtdiApi ftdi{env.clock};
    MeterPeer gpibPeer{meter, env.clock, MeterPeer::Framing::Message};
    MemoryGpibBus gpib{env.clock};
    MemorySerialPort serialPort{env.clock};
    std::unique_ptr<MeterPeer> serialLink = metersim::attachToSerialPort(meter, serialPort, env.clock);
    SerialPortBank *bank = nullptr;
    int modalWindowsShown = 0; // by the main window's openers (openFromMain)
};

// How a refused path tells the user: a box (a user action) or nothing (an activation read).
// How a refused path tells the user: the busy box, the setup tasks' own box, or not at all.
enum class Told { Box, RunBox, Nothing };
// Whether a path lets the window system run while it holds the meter. The USB, GPIB and
// serial exchanges, the module's own commands and what is sent without awaiting a reply
// never do: no other handler can run while such a path holds the meter (the holder test
// checks that none ran), and as intruders they are refused like the rest.
enum class Yields { Yes, No };
// Whether the path is also tried as the holder. The main window's openers of the windows
// that talk to the meter hold it only in the opened window's own actions (rows above): they
// are tried only as intruders.
enum class Role { HolderAndIntruder, IntruderOnly };

struct Path
{
    QString name;
    std::function<void(Bench &)> prepare; // opens its window, loads what it writes
    std::function<void(Bench &)> start;   // the click
    QStringList commands;                 // what reaches the meter from it alone
    Told told = Told::Box;
    Yields yields = Yields::Yes;
    Role role = Role::HolderAndIntruder;
};

template <class Window>
Window &window()
{
    return appWindows().form<Window>();
}

// Opens the window (its opening read, if any, is over before the test begins), then does
// `then` to it.
template <class Window>
std::function<void(Bench &)> opened(std::function<void(Window &, Bench &)> then = {})
{
    return [then](Bench &b) {
        Window &w = window<Window>();
        if (then)
            then(w, b);
    };
}

// Presses one of the window's buttons (a button of a base class names the window first).
template <class Window = void, class Base>
std::function<void(Bench &)> click(void (Base::*handler)())
{
    using Shown = std::conditional_t<std::is_void_v<Window>, Base, Window>;
    return [handler](Bench &) { (window<Shown>().*handler)(); };
}

// Shows and activates a window as the user's click on it does; its activation handler runs
// from the event loop.
template <class Window>
void activate(Bench &)
{
    Window &w = window<Window>();
    w.show();
    w.activateWindow();
    QCoreApplication::processEvents(); // the window system reports the activation
    QCoreApplication::processEvents(); // the activation handler, queued by the report
}

// Opens a window from the main window as its button or menu item does. A modal window that
// shows is counted and closed at once, so that the test goes on.
std::function<void(Bench &)> openFromMain(void (FormMain::*opener)())
{
    return [opener](Bench &b) {
        QTimer::singleShot(0, &b.main, [&b] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                ++b.modalWindowsShown;
                dialog->reject();
            }
        });
        (b.main.*opener)();
    };
}

const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");

std::vector<Path> paths()
{
    const auto nothing = [](Bench &) {};
    const auto confirmed = [](auto &, Bench &b) { b.env.ui.answerBoxes({Msg::Yes}); };
    const auto loaded = [](auto &w, Bench &) { w.Command_LoadAllCalFactors_Click(); };
    // One range from a file: its two cells wait to be written.
    const auto fromFile = [](SpecTableEditor &w, Bench &b) {
        const QString path = b.folder.dir.filePath(QStringLiteral("one.table"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(SpecTable::tableFileBytes(QStringLiteral("2.5"), {{"R01 200mV", "7.5", "1.25"}}));
        file.close();
        w.FileLoad(path);
    };
    const auto onGpib = [](FormOptions &w, Bench &b) {
        b.onGpib();
        w.Option_DVM1_Interface[1]->setChecked(true);
        w.Combo_GPIB1->setCurrentText(QStringLiteral("15"));
        w.Combo_GPIB_NewAddress->setCurrentText(QStringLiteral("16"));
    };
    const auto onSerial = [](Bench &b) {
        b.onSerial(); // before the dialog lists the ports as it opens
        window<FormOptions>();
    };
    const auto portListed = [](Bench &b) { b.onSerial(); };
    const auto portOpen = [](Bench &b) {
        b.onSerial();
        b.bank->setPortOpen(true);
    };
    // The locator lists and asks as it opens; Autodetect selects the meter for the terminal,
    // and the driver goes back to Ethernet.
    const auto onUsb = [](Bench &b) {
        b.onUsb();
        window<Form_USBLocator>().Command_Autodetect_Click();
        b.useEthernet();
    };
    SetupTaskInputs setClock;
    setClock.SetDate = true;
    using Cal = FormCalFactors;
    using Specs = FormSpecifications;
    using Uncerts = FormImportedUncerts;
    using Tc = FormThermocouple;
    using TcFiles = FormThermocouple_FromTable;
    using Display = FormDisplaySetup;
    using TempComp = Form_Temperature_Compensation;
    using Installed = Form_InstalledOptions;
    using Info = FormMeterInformation;
    using UsbLocator = Form_USBLocator;
    using EthLocator = Form_EthernetLocator;
    // Commands to the module, each after the datagram that selects it.
    const auto toModule = [](const QStringList &commands) {
        QStringList out;
        for (const QString &command : commands)
            out << QStringLiteral("module:W") + metersim::ModuleConfig{}.mac << QStringLiteral("module:") + command;
        return out;
    };

    return {
        {"calibration factors Load", opened<Cal>(), click(&Cal::Command_LoadAllCalFactors_Click), {"pa"}},
        {"calibration factors Save", opened<Cal>(loaded), click(&Cal::Command_SaveAll_Click), {Access, Leave}},
        {"calibration factors Backup", opened<Cal>(confirmed), click(&Cal::Command_Backup_Click),
         {Password, "CB", Leave, "pa"}},
        {"calibration factors Restore", opened<Cal>(confirmed), click(&Cal::Command_Restore_Click),
         {Password, "CR", Leave, "pa"}},
        {"calibration factors Clear", opened<Cal>(confirmed), click(&Cal::Command_ClearAll_Click),
         {Password, "CC", Leave, "pa"}},
        {"specifications Load", opened<Specs>(), click<Specs>(&Specs::Command_LoadAllCalFactors_Click), {"ps"}},
        {"specifications Save", opened<Specs>(fromFile), click<Specs>(&Specs::Command_SaveAll_Click),
         {Password, "Ws×2", "&05Spec ___ 14/03/26", Leave}},
        {"specifications Clear", opened<Specs>(confirmed), click<Specs>(&Specs::Command_ClearAll_Click),
         {Access, "WS", Leave, "ps"}},
        {"uncertainties Load", opened<Uncerts>(), click<Uncerts>(&Uncerts::Command_LoadAllCalFactors_Click), {"pi"}},
        {"uncertainties Save", opened<Uncerts>(fromFile), click<Uncerts>(&Uncerts::Command_SaveAll_Click),
         {Password, "Wi×2", "&04Unc ___ 14/03/26", Leave}},
        {"uncertainties Clear", opened<Uncerts>(confirmed), click<Uncerts>(&Uncerts::Command_ClearAll_Click),
         {Access, "WI", Leave, "pi"}},
        {"PRT Load", opened<FormPRTTable>(), click(&FormPRTTable::Command_LoadAllCalFactors_Click), {"pt"}},
        {"PRT Save", opened<FormPRTTable>(loaded), click(&FormPRTTable::Command_SaveAll_Click),
         {Access, "Wt×3500", Leave}},
        {"thermocouple write", opened<Tc>(), click<Tc>(&Tc::Command_SaveThermocoupleTableFromFormula_Click),
         {Access, "Wc×1337", Access, "&06Tab 1.0 14/03/26", Leave, Leave}},
        {"thermocouple tables from files",
         opened<TcFiles>([](auto &, Bench &b) { b.folder.write("Type K.txt", "250,6.27\n500,12.55\n"); }),
         click(&TcFiles::Command_SaveThermocoupleTableVT_Click), {Access, "Wc×2", Leave}},
        {"clock: Read", opened<FormDate>(), click(&FormDate::Command_ReadMeterTime_Click), {"a"}},
        {"clock: Set", opened<FormDate>(), click(&FormDate::Command_SetTime_Click),
         {Access, "A1403261000", "a", Leave}},
        {"clock: Set Other", opened<FormDate>(), click(&FormDate::Command_SetOtherTime_Click),
         {Access, "A0101000000", "a", Leave}},
        // Sent without waiting for a reply: nothing yields.
        {"display: line 1", opened<Display>(), click(&Display::Command_SetDisplay1_Click), {"B115"}, Told::Box,
         Yields::No},
        {"display: line 2", opened<Display>(), click(&Display::Command_SetDisplay2_Click), {"B215"}, Told::Box,
         Yields::No},
        {"temperature compensation: range",
         opened<TempComp>([](auto &w, Bench &) { w.Combo_Ranges->setCurrentIndex(0); }),
         click(&TempComp::Combo_Ranges_Click), {"R1", "TEMPCOMP:COEFF ?"}},
        {"temperature compensation: coefficient",
         opened<TempComp>([](auto &w, Bench &) { w.Text_Coeff->setText("5"); }), click(&TempComp::Command_Coeff_Click),
         {"TEMPCOMP:COEFF 5"}},
        {"temperature compensation: ambient", opened<TempComp>(), click(&TempComp::Command_AmbientTemp_Click),
         {"TEMPCOMP:AMBIENT 20"}},
        {"temperature compensation: read", opened<TempComp>(), click(&TempComp::Command_ReadTemp_Click), {"TEMP?"}},
        {"AC linearity", opened<Form_CorrectionFactors>(),
         [](Bench &) { window<Form_CorrectionFactors>().Command_ACLIN_Click(0); }, {"CORRECTION:ACLIN ?"}},
        {"installed options: Read", opened<Installed>(), click(&Installed::Command_Read_Click),
         {"*IDN?", "SYSTEM:OPTIONS ?"}},
        {"installed options: Set", opened<Installed>(), click(&Installed::Command_Set_Click),
         {Access, "model 6450", "SYSTEM:OPTIONS 522190", Leave, "*IDN?", "SYSTEM:OPTIONS ?"}},
        {"installed options: model", opened<Installed>(), [](Bench &) { window<Installed>().Command_6450_Click(0); },
         {Access, "model 6450", Leave}},
        {"installed options: Reset", opened<Installed>(confirmed), click(&Installed::Command_ResetOptions_Click),
         {Access, "OPTDEFAULT", Leave}},
        {"calibration history: Update", opened<Form_CalHistory>(), click(&Form_CalHistory::Command_Update_Click),
         {"CALIBRATE:HISTORY"}},
        {"meter information: Read", opened<Info>(), click(&Info::Command_Read_Click), {"v"}},
        {"meter information: Set Info", opened<Info>(), click(&Info::Command_SetInfo_Click),
         {Access, "&01Velkorande Ltd", "&02Service Dept", "&03", Leave}},
        {"meter information: Set Information",
         opened<Info>([](auto &w, Bench &) { w.Text_Information->setPlainText("Bench 4"); }),
         click(&Info::Command_Information_Click), {Access, "&01Bench 4", Leave}},
        {"meter information: Set Serial", opened<Info>(), click(&Info::Command_SetSerial_Click),
         {Access, "q64500123", Leave}},
        {"Update", nothing, click(&FormMain::Command_GetInfo_Click), {"v"}},
        // Opening the search window tries each serial port.
        {"Autolocate", portListed, click(&FormMain::Command_Autolocate_Click), {"*IDN?", "v", "module:X"}},
        {"start-up search", portListed, [](Bench &b) { SearchAtStartUp(b.main); }, {"*IDN?", "v", "module:X"}},
        {"Autolocate: Retry", opened<FormAutoLocate>(), click(&FormAutoLocate::Command_Retry_Click),
         {"*IDN?", "module:X"}},
        // The serial search shows its progress, which lets the window system run.
        {"Autolocate: Locate 6450", [](Bench &b) {
             b.onSerial();
             window<FormAutoLocate>();
         },
         click(&FormAutoLocate::Command_Locate6450_Click), {"*IDN?"}},
        {"Enter Setup Mode", nothing, click(&FormMain::Enter_Setup_Mode), {Access}},
        {"Send Calibration Password", nothing, click(&FormMain::Send_Calibrate_Password), {Password}},
        {"Send L", nothing, click(&FormMain::Send_L_Command), {Leave, "L"}},
        {"Reboot Meter", nothing, click(&FormMain::Reboot_Meter), {"SYSTEM:REBOOT"}, Told::Box, Yields::No},
        // Changing the link sends nothing, but must not cut another operation's.
        {"Close Serial Port", portOpen, click(&FormMain::Close_DVM1Comm_Port), {}, Told::Box, Yields::No},
        {"Clear All Settings", [](Bench &b) { b.env.ui.answerBoxes({Msg::Yes, Msg::Yes}); },
         click(&FormMain::Clear_All_Settings), {Access, "WXerase"}},
        {"setup-task run", nothing, [setClock](Bench &b) { b.main.Run_Setup_Tasks(setClock); },
         {Access, "A1403261000", Leave}, Told::RunBox},
        {"clock: activation read", nothing, activate<FormDate>, {"a"}, Told::Nothing},
        {"calibration history: activation read", nothing, activate<Form_CalHistory>, {"CALIBRATE:HISTORY"},
         Told::Nothing},
        {"temperature compensation: activation read", nothing, activate<TempComp>, {"TEMP?"}, Told::Nothing},
        {"specifications: opening read", nothing, opened<Specs>(), {"ps"}},
        {"uncertainties: opening read", nothing, opened<Uncerts>(), {"pi"}},
        {"installed options: opening read", nothing, opened<Installed>(), {"*IDN?", "SYSTEM:OPTIONS ?"}},
        {"meter information: opening read", nothing, opened<Info>(), {"v"}},
        {"Options: opening list", portListed, opened<FormOptions>(), {}, Told::Box, Yields::No},
        {"Options: OK", onSerial, click(&FormOptions::Command_OK_Click), {}, Told::Box, Yields::No},
        // The serial, GPIB and USB exchanges wait without letting the window system run.
        {"Options: Find DMM on RS232", onSerial, [](Bench &) { window<FormOptions>().Command_DVM1_Locate_Click(0); },
         {"*IDN?"}, Told::Box, Yields::No},
        {"Options: Find DMM on GPIB", opened<FormOptions>(onGpib),
         [](Bench &) { window<FormOptions>().Command_DVM1_Locate_Click(0); }, {"*IDN?"}, Told::Box, Yields::No},
        {"Options: Change Address on GPIB", opened<FormOptions>(onGpib), click(&FormOptions::Command_SetGPIB_Click),
         {"SYST:COMM:GPIB:ADDR 16", "*IDN?"}, Told::Box, Yields::No},
        {"USB locator: opening list", [](Bench &b) { b.onUsb(); }, opened<UsbLocator>(), {"*IDN?"}, Told::Box,
         Yields::No},
        {"USB locator: list", onUsb, click(&UsbLocator::Command_Locate_Click), {"*IDN?"}, Told::Box, Yields::No},
        {"USB locator: identify", onUsb, click(&UsbLocator::Command_Autodetect_Click), {"*IDN?", "*IDN?"}, Told::Box,
         Yields::No},
        {"USB locator: terminal", onUsb, click(&UsbLocator::Command_testID_Click), {"*IDN?"}, Told::Box, Yields::No},
        // Choosing a link sends nothing, but must not change it under another operation.
        {"USB locator: select", onUsb, click(&UsbLocator::Command_SelectUSB_Click), {}, Told::Box, Yields::No},
        {"Ethernet locator: select", opened<EthLocator>(), click(&EthLocator::Command_Select_Click), {}, Told::Box,
         Yields::No},
        {"Ethernet locator: opening search", nothing, opened<EthLocator>(), {"*IDN?", "module:X"}},
        {"Ethernet locator: search", opened<EthLocator>(), click(&EthLocator::Command_BroadcastFind_Click),
         {"*IDN?", "module:X"}},
        // The module's commands: each polls for the module's answer without yielding, or is
        // broadcast without a wait.
        {"Ethernet locator: Flash Status LEDs", opened<EthLocator>(), click(&EthLocator::Command1_Click),
         toModule({"B"}), Told::Box, Yields::No},
        {"Ethernet locator: Get IP", opened<EthLocator>(), click(&EthLocator::Command5_Click),
         {"module:L", "module:GIP"}, Told::Box, Yields::No},
        // Ends with a search, after the module's reboot.
        {"Ethernet locator: Initialise Module", opened<EthLocator>(), click(&EthLocator::Command_SetSerial_Click),
         QStringList{"*IDN?"}
             + toModule({"L", "SBR3", "SPR0", "SBB1", "SFC0", "SSE1", "SONVelkoran", "SDN6450 DMM", "L", "E"})
             + QStringList{"module:X"}},
        {"Ethernet locator: terminal", opened<EthLocator>([](auto &w, Bench &) { w.Text2->setText("v"); }),
         [](Bench &) { window<EthLocator>().Text2_KeyPress(13); }, {"v"}},
        // The windows that talk to the meter do not open inside another operation's wait.
        {"Configure USB", [](Bench &b) { b.onUsb(); }, openFromMain(&FormMain::Command_SetupUSB_Click), {},
         Told::Box, Yields::No, Role::IntruderOnly},
        {"Configure Ethernet", nothing, openFromMain(&FormMain::Command_SetupEthernet_Click), {}, Told::Box,
         Yields::No, Role::IntruderOnly},
        {"Setup Tasks", nothing, openFromMain(&FormMain::MenuServiceSetupTasks_Click), {}, Told::Box, Yields::No,
         Role::IntruderOnly},
    };
}

// The rows of a test: the holder test leaves out the paths tried only as intruders.
void addRows(bool asHolder)
{
    QTest::addColumn<int>("row");
    const std::vector<Path> all = paths();
    for (int i = 0; i < int(all.size()); ++i)
        if (!asHolder || all[size_t(i)].role == Role::HolderAndIntruder)
            QTest::newRow(qPrintable(all[size_t(i)].name)) << i;
}

// Posts `click` so that it runs as a click would: from the event loop, the next time the
// code holding the meter lets the window system run after its first wait has begun.
void pressInsideTheNextWait(Bench &b, const std::function<void()> &click)
{
    // The main window as context: a click still pending when the test ends is dropped with it.
    b.env.clock.scheduleIn(1, [&b, click] { QTimer::singleShot(0, &b.main, click); });
}

} // namespace

class MeterGateTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The path holds the meter; Update pressed inside its wait is refused with one box and
    // sends nothing: the meter receives the path's commands alone.
    void holderKeepsTheMeter_data() { addRows(true); }
    void holderKeepsTheMeter()
    {
        QFETCH(int, row);
        const Path path = paths()[size_t(row)];
        bool pressed = false;
        bool pressedWhileHeld = false;
        Bench b;
        path.prepare(b);
        b.forget();
        pressInsideTheNextWait(b, [&] {
            if (std::exchange(pressed, true))
                return;
            pressedWhileHeld = meterGate().held();
            b.main.Command_GetInfo_Click();
        });

        path.start(b);

        if (path.yields == Yields::Yes) {
            QVERIFY(pressedWhileHeld);
            QCOMPARE(b.messages().count(MeterGate::BusyMessage), 1);
        } else {
            // No wait of the path lets the window system run: Update could only come after it.
            QVERIFY(!std::exchange(pressed, true));
        }
        QCOMPARE(b.received(), path.commands);
        QVERIFY(!meterGate().held());
    }

    // Update holds the meter, its "v" answered late; the path pressed inside its wait sends
    // nothing, changes nothing of the link, opens no modal window, and a user action says so
    // in one box. Update still shows its own reply.
    void intruderIsRefused_data() { addRows(false); }
    void intruderIsRefused()
    {
        QFETCH(int, row);
        const Path path = paths()[size_t(row)];
        bool pressedWhileHeld = false;
        Bench b;
        path.prepare(b);
        b.forget();
        const QStringList link = b.link();
        pressInsideTheNextWait(b, [&] {
            pressedWhileHeld = meterGate().held();
            path.start(b);
        });

        b.main.Command_GetInfo_Click();

        QVERIFY(pressedWhileHeld);
        QCOMPARE(b.received(), QStringList{"v"});
        QCOMPARE(b.link(), link);
        const QString runBusy =
            QStringLiteral("A window is still talking to the meter. Run the setup tasks when it has finished.");
        QCOMPARE(b.messages(), path.told == Told::Box      ? QStringList{MeterGate::BusyMessage}
                               : path.told == Told::RunBox ? QStringList{runBusy}
                                                           : QStringList{});
        const QString shown = b.main.Text_Info->toPlainText();
        QVERIFY2(shown.contains(QLatin1String("6450")), qPrintable(shown));
        QVERIFY(!meterGate().held());
    }
};

QTEST_MAIN(MeterGateTest)
#include "metergate_guitest.moc"
