// The automatic search over USB and the serial ports, against simulated meters on the
// in-memory FTDI backend and in-memory serial ports, on the virtual clock. The searches
// that reach the Ethernet step broadcast, so they live in autolocate_itest.cpp.
#include "link/IDVM.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "shell/Main.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "widgets/Twips.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace metersim;

namespace {

const QString Settings = QStringLiteral("Settings");
const QString Identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31");

// A meter driver as start-up makes it, with no link yet.
DVM_6450 &installDriver()
{
    state().DVM1 = CreateDVM(QStringLiteral("6450"));
    return *dynamic_cast<DVM_6450 *>(state().DVM1.get());
}

// The main window, with serial ports that never open in place of the machine's own.
FormMain &mainWindowWithoutSerialPorts(TestEnv &env)
{
    FormMain &main = appWindows().form<FormMain>();
    auto ports = std::make_unique<MemorySerialPort>(env.clock);
    ports->setOpenFails(true);
    main.setCommControl(std::move(ports));
    return main;
}

QStringList logLines(const FormAutoLocate &search)
{
    QStringList lines = search.logText().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class AutoLocateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textHelpers();
    void layout();
    void detailsShowAndHideTheLog();
    void usbSkipsAnotherMakersDevice();
    void usbFailuresChangeNothing();
    void usbListReplacedDuringTheSearch();
    void usbNothingAttached();
    void serialSearch_data();
    void serialSearch();
    void serialPortListFollowsWhatOpens();
    void startUpFindsMeterAndClosesTheSearch();
    void startUpSkipsSearchOffline();
    void autolocateButtonLeavesTheSearchOpen();
    void okUnloadsAndScannerSetting();
    void closeBoxUnloadsTheSearch();
};

void AutoLocateTest::textHelpers()
{
    EthernetDevice module;
    module.IPAddress = QStringLiteral("127.0.0.2");
    module.Identity = QStringLiteral("  ") + Identity + QStringLiteral("\r\n");
    QCOMPARE(AutoLocate::ModuleListEntry(module), Identity + QStringLiteral(" (127.0.0.2)"));

    QCOMPARE(PortNumberOfEntry(QStringLiteral("COM12")), 12);
    QCOMPARE(PortNumberOfEntry(QStringLiteral("COM3")), 3);
    QCOMPARE(UsbDeviceHeader(QStringLiteral("Velkorande 6450")), QStringLiteral("USB Device \"Velkorande 6450\" Found: "));
    QCOMPARE(AutoLocate::DisplayText(QStringLiteral("a\r\r\nb\r\nc\rd")), QStringLiteral("a\nb\nc\nd"));
}

void AutoLocateTest::layout()
{
    TestEnv env;
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QCOMPARE(search.windowTitle(), QStringLiteral("Automatic 6400 Location"));
    QCOMPARE(search.Label_Result->text(), QStringLiteral("Searching..."));
    QCOMPARE(search.Command_Details->text(), QStringLiteral("Details >>"));
    QCOMPARE(search.Command_Retry->text(), QStringLiteral("Retry"));
    QCOMPARE(search.Command_OK->text(), QStringLiteral("OK"));
    QVERIFY(search.Command_OK->font().bold());
    QCOMPARE(search.Command_Locate6450->text(), QStringLiteral("Find 6450"));
    QCOMPARE(search.Command_LocateScanner->text(), QStringLiteral("Find Scanner"));
    QCOMPARE(search.Check_Scanner->text(), QStringLiteral("Use Scanner"));
    // Places in twips, as laid out.
    QCOMPARE(search.Label_Result->geometry(), QRect(110, 5, 300, 38));
    QCOMPARE(search.Command_OK->geometry(), QRect(302, 84, 107, 25));
    QCOMPARE(search.Text_Status->geometry(), QRect(22, 120, 387, 167));
    for (const char *name : {"Image1", "Label_Result", "Label_Progress", "Command_Details", "Command_Retry",
                             "Command_OK", "Text_Status", "List_RS2321", "List_RS232S", "Check_Scanner",
                             "Command_Locate6450", "Command_LocateScanner"})
        QVERIFY2(search.findChild<QWidget *>(QString::fromLatin1(name)), name);

    search.show();
    QVERIFY(!search.List_RS2321->isVisible());
    QVERIFY(!search.List_RS232S->isVisible());
    QVERIFY(!search.Check_Scanner->isVisible());
    QVERIFY(!search.Command_Locate6450->isVisible());
    QVERIFY(!search.Command_LocateScanner->isVisible());
}

void AutoLocateTest::detailsShowAndHideTheLog()
{
    TestEnv env;
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    search.show();
    const QRect buttons = search.Command_OK->geometry();
    const QRect log = search.Text_Status->geometry();

    search.SetShowDetails(true);
    QVERIFY(search.ShowDetails);
    QCOMPARE(search.Command_Details->text(), QStringLiteral("Details <<"));
    QVERIFY(search.Text_Status->isVisible());
    QVERIFY(search.height() > log.bottom());
    QCOMPARE(search.height(), Twips::toPixels(AutoLocate::FullHeight - AutoLocate::FrameHeight));

    search.Command_Details->click();
    QVERIFY(!search.ShowDetails);
    QCOMPARE(search.Command_Details->text(), QStringLiteral("Details >>"));
    QVERIFY(!search.Text_Status->isVisible());
    // Collapsed, the window ends just below the buttons.
    QVERIFY(search.height() > buttons.bottom());
    QVERIFY(search.height() < log.top());

    search.Command_Details_Click();
    QVERIFY(search.ShowDetails);
    QVERIFY(search.Text_Status->isVisible());
}

void AutoLocateTest::usbSkipsAnotherMakersDevice()
{
    TestEnv env;
    DVM_6450 &dvm = installDriver();
    SimMeter foreign;
    foreign.setForeignIdentity(true);
    SimMeter meter;
    MeterPeer foreignPeer(foreign, env.clock), meterPeer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Other DMM"), QStringLiteral("OT000001"), &foreignPeer);
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &meterPeer);

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    const MeterGate::Operation searching = meterGate().begin(); // the test stands for the search
    QVERIFY(search.Locate_DVM_USB());

    const QString foreignReply = foreign.transcript().at(0).reply.section(QLatin1Char('\n'), 0, 0);
    const QStringList log = logLines(search);
    QCOMPARE(log.size(), 5);
    QCOMPARE(log[0], QStringLiteral("USB Device \"Other DMM\" Found: "));
    QCOMPARE(log[1], foreignReply); // the line as read, with its CR
    QVERIFY(!foreignReply.contains(QLatin1String("Velkorande")));
    QCOMPARE(log[2], QStringLiteral("USB Device \"Velkorande 6450\" Found: "));
    QCOMPARE(log[3], Identity + QLatin1Char('\r'));
    QCOMPARE(log[4], QStringLiteral("Using USB Device Velkorande 6450 (FT6450A1)"));
    QCOMPARE(search.FoundText, QStringLiteral("Using USB Device ") + Identity + QStringLiteral("\r\r\n"));
    QVERIFY(search.FoundText.endsWith(QLatin1String("\r\n")));

    QCOMPARE(state().USBDevice.SerialNumber, QStringLiteral("FT6450A1"));
    QCOMPARE(state().USBDevice.Description, QStringLiteral("Velkorande 6450"));
    QCOMPARE(dvm.link().InterfaceType, int(InterfaceUSB));
    QCOMPARE(dvm.link().USBDevice.SerialNumber, QStringLiteral("FT6450A1"));
    QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("USB"));
    QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("USB_SerialNumber")), QStringLiteral("FT6450A1"));
    QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("USB_Name")), QStringLiteral("Velkorande 6450"));
    // Both probes released their device, and the driver now reaches the meter.
    QCOMPARE(ftdi.openHandleCount(), 0);
    QCOMPARE(foreign.commands(), QStringList{QStringLiteral("*IDN?")});
    QVERIFY(state().DVM1->SendString(QStringLiteral("v"), true, 5, 1).startsWith(QLatin1String("Model 6450\r")));
}

void AutoLocateTest::usbFailuresChangeNothing()
{
    TestEnv env;
    DVM_6450 &dvm = installDriver();
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Busy one"), QStringLiteral("BUSY0001")).openFails = true;
    ftdi.attach(QStringLiteral("Silent one"), QStringLiteral("SILENT01")); // no peer: never answers

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    const MeterGate::Operation searching = meterGate().begin(); // the test stands for the search
    const qint64 start = env.clock.elapsedMs();
    QVERIFY(!search.Locate_DVM_USB());
    QCOMPARE(logLines(search), (QStringList{QStringLiteral("USB Device \"Busy one\" Found: "),
                                            QStringLiteral("Open Failed"),
                                            QStringLiteral("USB Device \"Silent one\" Found: "),
                                            QStringLiteral("No reply"),
                                            QStringLiteral("No Velkorande USB DMM Devices Found")}));
    QCOMPARE(state().USBDevices[0].Handle, -1);
    // The silent device costs its 250 ms and no read time-out.
    QCOMPARE(env.clock.elapsedMs() - start, 500);
    QCOMPARE(ftdi.device(QStringLiteral("SILENT01"))->written, QByteArray("*IDN?\r"));
    QCOMPARE(ftdi.openHandleCount(), 0);
    QVERIFY(search.FoundText.isEmpty());
    QCOMPARE(state().USBDevice, USBDevice());
    QCOMPARE(dvm.link().InterfaceType, int(InterfaceRS232));
    QVERIFY(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")).isEmpty());
}

// The search yields between its steps; a handler run meanwhile may list the devices anew.
void AutoLocateTest::usbListReplacedDuringTheSearch()
{
    TestEnv env;
    installDriver();
    SimMeter meter;
    MeterPeer meterPeer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Silent one"), QStringLiteral("SILENT01"));
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &meterPeer);

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    const MeterGate::Operation searching = meterGate().begin(); // the test stands for the search
    // During the first probe's pause (the listing took 250 ms).
    env.clock.scheduleAt(env.clock.elapsedMs() + 400, [] { state().USBDevices = QList<USBDevice>(1); });
    QVERIFY(search.Locate_DVM_USB());
    QCOMPARE(state().USBDevice.SerialNumber, QStringLiteral("FT6450A1"));
    QCOMPARE(ftdi.openHandleCount(), 0);
}

void AutoLocateTest::usbNothingAttached()
{
    TestEnv env;
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    const qint64 start = env.clock.elapsedMs();
    QVERIFY(!search.Locate_DVM_USB());
    QCOMPARE(env.clock.elapsedMs() - start, 1250); // five listings, 250 ms apart
    QCOMPARE(logLines(search), QStringList{QStringLiteral("No USB Devices Found")});
    QCOMPARE(search.Label_Progress->text(), QStringLiteral("No USB Devices Found"));
}

void AutoLocateTest::serialSearch_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("log");
    // COM1 does not exist, COM2 is silent, the meter is on COM3.
    QTest::newRow("meter on COM3") << false << true
                                   << QStringList{QStringLiteral("Checking Port 2"), QStringLiteral("Reply: TIMEOUT"),
                                                  QStringLiteral("Checking Port 3"),
                                                  QStringLiteral("Found ") + Identity + QStringLiteral("\rOn port 3")};
    // A meter echoing "*IDN?" gives an empty identification: no reply, not found.
    QTest::newRow("echoed identification")
        << true << false
        << QStringList{QStringLiteral("Checking Port 2"), QStringLiteral("Reply: TIMEOUT"),
                       QStringLiteral("Checking Port 3"), QStringLiteral("No Reply"),
                       QStringLiteral("No Meter Found on serial ports")};
}

void AutoLocateTest::serialSearch()
{
    QFETCH(bool, echo);
    QFETCH(bool, found);
    QFETCH(QStringList, log);
    TestEnv env;
    DVM_6450 &dvm = installDriver();
    env.settings.SaveSetting(Settings, QStringLiteral("DVM1_CommPort"), QStringLiteral("2"));
    MemorySerialPort silent(env.clock);
    SerialMeterRig rig(env.clock);
    if (echo)
        rig.meter.addFault(Fault::Echo, QStringLiteral("*IDN?"));
    SerialPortBank bank;
    bank.add(2, silent);
    bank.add(3, rig.port);
    state().DVM1Comm = &bank;

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QCOMPARE(search.List_RS2321->count(), 2);
    QCOMPARE(search.List_RS2321->item(0)->text(), QStringLiteral("COM2"));
    QCOMPARE(search.List_RS2321->item(1)->text(), QStringLiteral("COM3"));
    const int settingsBefore = env.settings.GetSetting(Settings, QStringLiteral("DVM1_CommPort")).toInt();

    search.Command_Locate6450->click(); // hidden, but it still runs the serial search
    QCOMPARE(search.windowTitle(), QStringLiteral("Automatic 6450 Location"));
    QCOMPARE(logLines(search), log);
    // Each probe: a wake-up CR, then the identification request.
    QCOMPARE(silent.written, QByteArray("\r*IDN?\r"));
    QCOMPARE(rig.meter.commands(), QStringList{QStringLiteral("*IDN?")});
    QVERIFY(!silent.PortOpen());
    QVERIFY(!rig.port.PortOpen());
    QCOMPARE(env.ui.hourglassDepth, 0);
    QVERIFY(env.ui.hourglassShown > 0);

    if (found) {
        QCOMPARE(search.FoundText, QStringLiteral("Found ") + Identity + QStringLiteral("\rOn port 3\r\n"));
        QCOMPARE(bank.CommPort(), 3);
        QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("RS232"));
        QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("DVM1_CommPort")), QStringLiteral("3"));
        QCOMPARE(dvm.link().InterfaceType, int(InterfaceRS232));
        QCOMPARE(dvm.link().CommControl, &bank);
    } else {
        QVERIFY(search.FoundText.isEmpty());
        QCOMPARE(bank.CommPort(), settingsBefore);
        QVERIFY(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")).isEmpty());
        QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("DVM1_CommPort")), QStringLiteral("2"));
        QCOMPARE(dvm.link().CommControl, nullptr);
    }
}

void AutoLocateTest::serialPortListFollowsWhatOpens()
{
    TestEnv env;
    installDriver();
    env.settings.SaveSetting(Settings, QStringLiteral("DVM1_CommPort"), QStringLiteral("5"));
    env.settings.SaveSetting(Settings, QStringLiteral("ScannerCommPort"), QStringLiteral("0"));
    MemorySerialPort port(env.clock);
    port.setOpenFails(true);
    SerialPortBank bank;
    bank.add(4, port);
    state().DVM1Comm = &bank;

    // No port from COM1 to COM16 opens: the serial step checks nothing.
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QCOMPARE(search.List_RS2321->count(), 0);
    QCOMPARE(search.List_RS232S->count(), 0);
    QVERIFY(!search.Check_Scanner->isChecked());
    QVERIFY(!search.List_RS232S->isEnabled());
    QCOMPARE(bank.CommPort(), 5);
    search.Locate_DVM_Serial();
    QCOMPARE(logLines(search), QStringList{QStringLiteral("No Meter Found on serial ports")});
    QVERIFY(port.written.isEmpty());

    // The port comes back: the next filling lists it; the scanner's port ticks the box.
    port.setOpenFails(false);
    env.settings.SaveSetting(Settings, QStringLiteral("ScannerCommPort"), QStringLiteral("1"));
    search.Fill_SerialPort_Lists();
    QCOMPARE(search.List_RS2321->count(), 1);
    QCOMPARE(search.List_RS2321->item(0)->text(), QStringLiteral("COM4"));
    QCOMPARE(search.List_RS232S->item(0)->text(), QStringLiteral("COM4"));
    QVERIFY(search.Check_Scanner->isChecked());
    QVERIFY(search.List_RS232S->isEnabled());
    QVERIFY(!port.PortOpen());
    QCOMPARE(bank.CommPort(), 5);
}

void AutoLocateTest::startUpFindsMeterAndClosesTheSearch()
{
    TestEnv env;
    installDriver();
    SimMeter meter;
    MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &peer);
    FormMain &main = mainWindowWithoutSerialPorts(env);

    SearchAtStartUp(main);
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
    QVERIFY(main.Text_Info->toPlainText().contains(QLatin1String("Model 6450")));
    QVERIFY(main.Text_Info->toPlainText().contains(QLatin1String("Serial 64500123")));
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), QStringLiteral("Velkorande 6450\nUSB \n"));
    QCOMPARE(meter.commands(), (QStringList{QStringLiteral("*IDN?"), QStringLiteral("v")}));
}

void AutoLocateTest::startUpSkipsSearchOffline()
{
    TestEnv env;
    installDriver();
    state().OfflineMode = true;
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    FormMain &main = mainWindowWithoutSerialPorts(env);
    SearchAtStartUp(main);
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
    QCOMPARE(env.clock.elapsedMs(), 0);

    // Without a driver there is nothing to search for either.
    state().OfflineMode = false;
    state().DVM1.reset();
    SearchAtStartUp(main);
    main.Command_Autolocate_Click();
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
}

void AutoLocateTest::autolocateButtonLeavesTheSearchOpen()
{
    TestEnv env;
    installDriver();
    SimMeter meter;
    MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &peer);
    FormMain &main = mainWindowWithoutSerialPorts(env);
    main.show();

    main.Command_Autolocate->click();
    FormAutoLocate *search = appWindows().find<FormAutoLocate>();
    QVERIFY(search);
    QVERIFY(search->isVisible());
    QVERIFY(!search->ShowDetails);
    QCOMPARE(search->Label_Result->text(), QStringLiteral("Instrument Found"));
    QCOMPARE(search->Label_Progress->text(), QStringLiteral("Using USB Device ") + Identity + QStringLiteral("\n"));
    QVERIFY(search->Command_OK->isEnabled());
    QVERIFY(search->Command_Retry->isEnabled());
    QVERIFY(search->Command_OK->font().bold());
    QVERIFY(main.Text_Info->toPlainText().contains(QLatin1String("Version 2.31")));
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), QStringLiteral("Velkorande 6450\nUSB \n"));
}

void AutoLocateTest::okUnloadsAndScannerSetting()
{
    TestEnv env;
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    search.Locate_Scanner();
    QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("ScannerCommPort")), QStringLiteral("0"));
    search.show();
    search.Command_OK->click();
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
}

// The close box unloads the window as OK does: the next searches use one new window, and
// closing the main window during a search waits for it instead of deleting the window under it.
void AutoLocateTest::closeBoxUnloadsTheSearch()
{
    TestEnv env;
    installDriver();
    SimMeter meter;
    MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), &peer);
    FormMain &main = mainWindowWithoutSerialPorts(env);
    main.show();
    const auto searchWindows = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int count = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            count += qobject_cast<FormAutoLocate *>(window) != nullptr;
        return count;
    };

    appWindows().form<FormAutoLocate>().show();
    QVERIFY(appWindows().find<FormAutoLocate>()->close());
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
    QCOMPARE(searchWindows(), 0);

    main.Command_Autolocate->click();
    FormAutoLocate *search = appWindows().find<FormAutoLocate>();
    QVERIFY(search);
    main.Command_Autolocate->click();
    QCOMPARE(appWindows().find<FormAutoLocate>(), search);
    QCOMPARE(searchWindows(), 1);

    // The main window is closed while the search yields; it closes once the search ends.
    QTimer::singleShot(0, &main, &QWidget::close);
    main.Command_Autolocate->click();
    QVERIFY(main.isVisible());
    QCOMPARE(meter.commands().count(QStringLiteral("*IDN?")), 3);
    QTRY_VERIFY(!main.isVisible());
    QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
    QCOMPARE(searchWindows(), 0);
}

QTEST_MAIN(AutoLocateTest)
#include "autolocate_guitest.moc"
