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
#include "shell/FormMain.h"
#include "shell/FormOptions.h"
#include "shell/Form_EthernetLocator.h"
#include "shell/Form_USBLocator.h"
#include "shell/Main.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/GpibMeter.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/TestEnv.h"
#include "tests/support/ThermocoupleTableFolder.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemoryGpib.h"
#include "tests/support/doubles/MemoryUdp.h"
#include "widgets/WindowRegistry.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QComboBox>
#include <QPlainTextEdit>
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
        // The program's two sockets, as the main window publishes its own.
        command.RemoteHost = Ethernet::BroadcastAddress;
        command.RemotePort = Ethernet::ModuleCommandPort;
        data.Bind();
        ConnectEthernetReceive(data);
        state().UDPCommand = &command;
        state().UDPData = &data;
        state().ftdi = &ftdi;
        state().gpib = &gpib;
        auto ports = std::make_unique<SerialPortBank>();
        bank = ports.get();
        main.setCommControl(std::move(ports));
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
        EthernetDevice device;
        device.IPAddress = QStringLiteral("127.0.0.1");
        device.Port = 10001;
        device.MACAddress = module.config().mac;
        state().SelectedMAC = module.config().mac;
        UseEthernetModule(device);
    }
    ~Bench()
    {
        appWindows().destroyAll();
        state().DVM1.reset();
        state().UDPCommand = nullptr;
        state().UDPData = nullptr;
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
    int busyBoxes() const
    {
        int count = 0;
        for (const auto &box : env.ui.boxes)
            count += box.prompt == MeterGate::BusyMessage;
        return count;
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
    MemoryUdpSocket command{net}, data{net};
    metersim::ModuleOnNetwork served{module, meter, net};
    MeterPeer usb{meter, env.clock};
    MemoryFtdiApi ftdi{env.clock};
    MeterPeer gpibPeer{meter, env.clock, MeterPeer::Framing::Message};
    MemoryGpibBus gpib{env.clock};
    MemorySerialPort serialPort{env.clock};
    std::unique_ptr<MeterPeer> serialLink = metersim::attachToSerialPort(meter, serialPort, env.clock);
    SerialPortBank *bank = nullptr;
};

// How a refused path tells the user: a box (a user action) or nothing (an activation read).
enum class Told { Box, Nothing };
// Whether a path lets the window system run while it holds the meter. The USB, GPIB and
// serial exchanges wait without yielding: as holders no other handler can run inside them.
enum class Yields { Yes, No };

struct Path
{
    QString name;
    std::function<void(Bench &)> prepare; // opens its window, loads what it writes
    std::function<void(Bench &)> start;   // the click
    QStringList commands;                 // what reaches the meter from it alone
    Told told = Told::Box;
    Yields yields = Yields::Yes;
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

const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");

std::vector<Path> paths()
{
    const auto nothing = [](Bench &) {};
    const auto confirmed = [](auto &, Bench &b) { b.env.ui.answerBoxes({Msg::Yes}); };
    const auto loaded = [](auto &w, Bench &) { w.Command_LoadAllCalFactors_Click(); };
    const auto onGpib = [](FormOptions &w, Bench &b) {
        b.onGpib();
        w.Option_DVM1_Interface[1]->setChecked(true);
        w.Combo_GPIB1->setCurrentText(QStringLiteral("15"));
        w.Combo_GPIB_NewAddress->setCurrentText(QStringLiteral("16"));
    };
    // The locator lists and asks as it opens; Autodetect selects the meter for the terminal.
    const auto onUsb = [](Bench &b) {
        b.onUsb();
        window<Form_USBLocator>().Command_Autodetect_Click();
    };
    SetupTaskInputs setClock;
    setClock.SetDate = true;

    return {
        {"calibration factors Load", opened<FormCalFactors>(), click(&FormCalFactors::Command_LoadAllCalFactors_Click), {}},
        {"calibration factors Save", opened<FormCalFactors>(loaded), click(&FormCalFactors::Command_SaveAll_Click), {}},
        {"calibration factors Backup", opened<FormCalFactors>(confirmed), click(&FormCalFactors::Command_Backup_Click), {}},
        {"calibration factors Restore", opened<FormCalFactors>(confirmed), click(&FormCalFactors::Command_Restore_Click), {}},
        {"calibration factors Clear", opened<FormCalFactors>(confirmed), click(&FormCalFactors::Command_ClearAll_Click), {}},
        {"specifications Load", opened<FormSpecifications>(), click<FormSpecifications>(&FormSpecifications::Command_LoadAllCalFactors_Click), {}},
        {"specifications Save", opened<FormSpecifications>(loaded), click<FormSpecifications>(&FormSpecifications::Command_SaveAll_Click), {}},
        {"specifications Clear", opened<FormSpecifications>(confirmed), click<FormSpecifications>(&FormSpecifications::Command_ClearAll_Click), {}},
        {"uncertainties Load", opened<FormImportedUncerts>(), click<FormImportedUncerts>(&FormImportedUncerts::Command_LoadAllCalFactors_Click), {}},
        {"uncertainties Save", opened<FormImportedUncerts>(loaded), click<FormImportedUncerts>(&FormImportedUncerts::Command_SaveAll_Click), {}},
        {"uncertainties Clear", opened<FormImportedUncerts>(confirmed), click<FormImportedUncerts>(&FormImportedUncerts::Command_ClearAll_Click), {}},
        {"PRT Load", opened<FormPRTTable>(), click(&FormPRTTable::Command_LoadAllCalFactors_Click), {}},
        {"PRT Save", opened<FormPRTTable>(loaded), click(&FormPRTTable::Command_SaveAll_Click), {}},
        {"thermocouple write", opened<FormThermocouple>(),
         click<FormThermocouple>(&FormThermocouple::Command_SaveThermocoupleTableFromFormula_Click), {}},
        {"thermocouple tables from files",
         opened<FormThermocouple_FromTable>([](auto &, Bench &b) { b.folder.write("Type K.txt", "250,6.27\n500,12.55\n"); }),
         click(&FormThermocouple_FromTable::Command_SaveThermocoupleTableVT_Click), {}},
        {"clock: Read", opened<FormDate>(), click(&FormDate::Command_ReadMeterTime_Click), {}},
        {"clock: Set", opened<FormDate>(), click(&FormDate::Command_SetTime_Click), {}},
        {"clock: Set Other", opened<FormDate>(), click(&FormDate::Command_SetOtherTime_Click), {}},
        {"display: line 1", opened<FormDisplaySetup>(), click(&FormDisplaySetup::Command_SetDisplay1_Click), {},
         Told::Box, Yields::No},
        {"display: line 2", opened<FormDisplaySetup>(), click(&FormDisplaySetup::Command_SetDisplay2_Click), {},
         Told::Box, Yields::No},
        {"temperature compensation: range",
         opened<Form_Temperature_Compensation>([](auto &w, Bench &) { w.Combo_Ranges->setCurrentIndex(0); }),
         click(&Form_Temperature_Compensation::Combo_Ranges_Click), {}},
        {"temperature compensation: coefficient",
         opened<Form_Temperature_Compensation>([](auto &w, Bench &) { w.Text_Coeff->setText("5"); }),
         click(&Form_Temperature_Compensation::Command_Coeff_Click), {}},
        {"temperature compensation: ambient", opened<Form_Temperature_Compensation>(),
         click(&Form_Temperature_Compensation::Command_AmbientTemp_Click), {}},
        {"temperature compensation: read", opened<Form_Temperature_Compensation>(),
         click(&Form_Temperature_Compensation::Command_ReadTemp_Click), {}},
        {"AC linearity", opened<Form_CorrectionFactors>(),
         [](Bench &) { window<Form_CorrectionFactors>().Command_ACLIN_Click(0); }, {}},
        {"installed options: Read", opened<Form_InstalledOptions>(), click(&Form_InstalledOptions::Command_Read_Click), {}},
        {"installed options: Set", opened<Form_InstalledOptions>(), click(&Form_InstalledOptions::Command_Set_Click), {}},
        {"installed options: model", opened<Form_InstalledOptions>(),
         [](Bench &) { window<Form_InstalledOptions>().Command_6450_Click(0); }, {}},
        {"installed options: Reset", opened<Form_InstalledOptions>(confirmed),
         click(&Form_InstalledOptions::Command_ResetOptions_Click), {}},
        {"calibration history: Update", opened<Form_CalHistory>(), click(&Form_CalHistory::Command_Update_Click), {}},
        {"meter information: Read", opened<FormMeterInformation>(), click(&FormMeterInformation::Command_Read_Click), {}},
        {"meter information: Set Info", opened<FormMeterInformation>(),
         click(&FormMeterInformation::Command_SetInfo_Click), {}},
        {"meter information: Set Information",
         opened<FormMeterInformation>([](auto &w, Bench &) { w.Text_Information->setPlainText("Bench 4"); }),
         click(&FormMeterInformation::Command_Information_Click), {}},
        {"meter information: Set Serial", opened<FormMeterInformation>(),
         click(&FormMeterInformation::Command_SetSerial_Click), {}},
        {"Update", nothing, click(&FormMain::Command_GetInfo_Click), {"v"}},
        {"Autolocate", nothing, click(&FormMain::Command_Autolocate_Click), {}},
        {"start-up search", nothing, [](Bench &b) { SearchAtStartUp(b.main); }, {}},
        {"Enter Setup Mode", nothing, click(&FormMain::Enter_Setup_Mode), {Access}},
        {"Send Calibration Password", nothing, click(&FormMain::Send_Calibrate_Password), {Password}},
        {"Send L", nothing, click(&FormMain::Send_L_Command), {Leave, "L"}},
        // Sent without waiting for a reply: nothing yields.
        {"Reboot Meter", nothing, click(&FormMain::Reboot_Meter), {"SYSTEM:REBOOT"}, Told::Box, Yields::No},
        {"Clear All Settings", [](Bench &b) { b.env.ui.answerBoxes({Msg::Yes, Msg::Yes}); },
         click(&FormMain::Clear_All_Settings), {Access, "WXerase"}},
        {"setup-task run", nothing, [setClock](Bench &b) { b.main.Run_Setup_Tasks(setClock); }, {}},
        {"clock: activation read", nothing, activate<FormDate>, {}, Told::Nothing},
        {"calibration history: activation read", nothing, activate<Form_CalHistory>, {}, Told::Nothing},
        {"temperature compensation: activation read", nothing, activate<Form_Temperature_Compensation>, {},
         Told::Nothing},
        {"specifications: opening read", nothing, opened<FormSpecifications>(), {}},
        {"uncertainties: opening read", nothing, opened<FormImportedUncerts>(), {}},
        {"installed options: opening read", nothing, opened<Form_InstalledOptions>(), {}},
        {"meter information: opening read", nothing, opened<FormMeterInformation>(), {}},
        // The serial, GPIB and USB exchanges wait without letting the window system run.
        {"Options: Find DMM on RS232", opened<FormOptions>([](auto &, Bench &b) { b.onSerial(); }),
         [](Bench &) { window<FormOptions>().Command_DVM1_Locate_Click(0); }, {}, Told::Box, Yields::No},
        {"Options: Find DMM on GPIB", opened<FormOptions>(onGpib),
         [](Bench &) { window<FormOptions>().Command_DVM1_Locate_Click(0); }, {}, Told::Box, Yields::No},
        {"Options: Change Address on GPIB", opened<FormOptions>(onGpib), click(&FormOptions::Command_SetGPIB_Click), {},
         Told::Box, Yields::No},
        {"USB locator: list", onUsb, click(&Form_USBLocator::Command_Locate_Click), {}, Told::Box, Yields::No},
        {"USB locator: identify", onUsb, click(&Form_USBLocator::Command_Autodetect_Click), {}, Told::Box, Yields::No},
        {"USB locator: terminal", onUsb, click(&Form_USBLocator::Command_testID_Click), {}, Told::Box, Yields::No},
        {"Ethernet locator: search", opened<Form_EthernetLocator>(), click(&Form_EthernetLocator::Command_BroadcastFind_Click),
         {}},
        {"Ethernet locator: Flash Status LEDs", opened<Form_EthernetLocator>(), click(&Form_EthernetLocator::Command1_Click),
         {}},
        {"Ethernet locator: Get IP", opened<Form_EthernetLocator>(), click(&Form_EthernetLocator::Command5_Click), {},
         Told::Box, Yields::No},
        {"Ethernet locator: terminal",
         opened<Form_EthernetLocator>([](auto &w, Bench &) { w.Text2->setText(QStringLiteral("v")); }),
         [](Bench &) { window<Form_EthernetLocator>().Text2_KeyPress(13); }, {"v"}},
    };
}

void addRows()
{
    QTest::addColumn<int>("row");
    const std::vector<Path> all = paths();
    for (int i = 0; i < int(all.size()); ++i)
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
    // sends nothing.
    void holderKeepsTheMeter_data() { addRows(); }
    void holderKeepsTheMeter()
    {
        QFETCH(int, row);
        const Path path = paths()[size_t(row)];
        Bench b;
        path.prepare(b);
        b.forget();
        bool pressed = false;
        bool pressedWhileHeld = false;
        pressInsideTheNextWait(b, [&] {
            if (pressed)
                return;
            pressed = true;
            pressedWhileHeld = meterGate().held();
            b.main.Command_GetInfo_Click();
        });

        path.start(b);

        qDebug().noquote() << path.name << b.received();
        if (path.yields == Yields::Yes) {
            QVERIFY(pressedWhileHeld);
            QCOMPARE(b.busyBoxes(), 1);
        } else {
            // The path never lets the window system run: Update is pressed only afterwards.
            QVERIFY(!pressed);
            pressed = true;
        }
        QCOMPARE(b.received(), path.commands);
        QVERIFY(!meterGate().held());
    }

    // Update holds the meter, its "v" answered late; the path pressed inside its wait sends
    // nothing, and a user action says so in one box.
    void intruderIsRefused_data() { addRows(); }
    void intruderIsRefused()
    {
        QFETCH(int, row);
        const Path path = paths()[size_t(row)];
        Bench b;
        path.prepare(b);
        b.forget();
        bool pressedWhileHeld = false;
        pressInsideTheNextWait(b, [&] {
            pressedWhileHeld = meterGate().held();
            path.start(b);
        });

        b.main.Command_GetInfo_Click();

        QVERIFY(pressedWhileHeld);
        QCOMPARE(b.received(), QStringList{"v"});
        QCOMPARE(b.busyBoxes(), path.told == Told::Box ? 1 : 0);
        QVERIFY(!b.main.Text_Info->toPlainText().isEmpty());
        QVERIFY(!meterGate().held());
    }
};

QTEST_MAIN(MeterGateTest)
#include "metergate_guitest.moc"
