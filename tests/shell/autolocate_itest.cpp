// The automatic search over Ethernet, and whole searches (which always reach the
// Ethernet step when USB finds nothing), against simulated modules on loopback UDP.
// Discovery broadcasts to 255.255.255.255: these tests run only inside the private network
// namespace whose broadcast route points at lo (scripts/test), and are skipped elsewhere.
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "shell/Main.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/sim/core/SimServer.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "widgets/Form_List_Dialogue.h"
#include "widgets/WindowRegistry.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

using namespace metersim;

namespace {

const QString Settings = QStringLiteral("Settings");

quint16 freePort(const QHostAddress &address)
{
    QUdpSocket probe;
    probe.bind(address, 0);
    return probe.localPort();
}

ModuleConfig module(const QString &address, const QString &mac, const QString &owner, const QString &deviceName)
{
    ModuleConfig c;
    c.address = QHostAddress(address);
    c.dataPort = freePort(c.address);
    c.mac = mac;
    c.owner = owner;
    c.deviceName = deviceName;
    return c;
}

QString padded(const QString &text, int width) { return text.leftJustified(width, QLatin1Char(' '), true); }

// Real time (the modules answer from their own thread), the meter driver start-up makes,
// the main window with its sockets and with serial ports that never open, and no FTDI
// device unless a test attaches one.
struct Rig
{
    Rig()
    {
        state().clock = &realClock;
        state().ftdi = &ftdi;
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
        main = &appWindows().form<FormMain>();
        auto ports = std::make_unique<MemorySerialPort>(env.clock);
        serial = ports.get();
        serial->setOpenFails(true);
        main->setCommControl(std::move(ports));
    }
    DVM_6450 &dvm() { return *dynamic_cast<DVM_6450 *>(state().DVM1.get()); }

    TestEnv env;
    RealClock realClock;
    MemoryFtdiApi ftdi{env.clock};
    FormMain *main = nullptr;
    MemorySerialPort *serial = nullptr;
};

QStringList logLines(const FormAutoLocate &search)
{
    QStringList lines = search.logText().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class AutoLocateITest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void ethernetProbesOnlyMeterModules();
    void ethernetSeveralMeters_data();
    void ethernetSeveralMeters();
    void retryAfterFailedStartUpSearch();
};

void AutoLocateITest::ethernetProbesOnlyMeterModules()
{
    REQUIRE_PRIVATE_NETWORK();
    Rig rig;
    SimMeter meter, sibling(MeterConfig{QStringLiteral("6440"), QStringLiteral("64400077")}), other;
    SimModule ours(module(QStringLiteral("127.0.0.2"), QStringLiteral("00-50-C2-64-50-01"), QStringLiteral("Velkoran"),
                          QStringLiteral("6450 DMM")));
    SimModule sixtyFourForty(module(QStringLiteral("127.0.0.3"), QStringLiteral("00-50-C2-64-50-02"),
                                    QStringLiteral("Velkoran"), QStringLiteral("6440 DMM")));
    SimModule foreign(module(QStringLiteral("127.0.0.4"), QStringLiteral("00-50-C2-64-50-03"), QStringLiteral("Acme"),
                             QStringLiteral("6450 DMM")));
    SimServer server;
    QString why;
    QVERIFY2(server.serveModule(ours, meter, &why), qPrintable(why));
    QVERIFY2(server.serveModule(sixtyFourForty, sibling, &why), qPrintable(why));
    QVERIFY2(server.serveModule(foreign, other, &why), qPrintable(why));
    state().SelectedMAC = QStringLiteral("00-50-C2-64-50-09");

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QVERIFY2(search.Locate_DVM_Ethernet(), qPrintable(search.logText()));
    QCOMPARE(state().EthernetDevices.size(), 4); // three modules from index 1

    // Only the module named as a 6450 of ours was asked.
    QCOMPARE(meter.commands(), QStringList{QStringLiteral("*IDN?")});
    QVERIFY(sibling.commands().isEmpty());
    QVERIFY(other.commands().isEmpty());

    const EthernetDevice &chosen = state().EthernetDevice;
    QCOMPARE(chosen.IPAddress.text(), padded(QStringLiteral("127.0.0.2"), 20));
    QVERIFY(chosen.Identity.text().startsWith(QLatin1String("Velkorande,Model 6450,64500123,2.31\r")));
    QCOMPARE(search.logText(), QStringLiteral("** Using Ethernet  ") + chosen.IPAddress.text() + QLatin1Char(' ')
                                   + chosen.Identity.text() + QStringLiteral("\r\n"));
    // No line end after an Ethernet find: the address field closes the text.
    QCOMPARE(search.FoundText,
             QStringLiteral("** Using Ethernet  ") + chosen.Identity.text() + QLatin1Char(' ')
                 + chosen.IPAddress.text());
    QVERIFY(!search.FoundText.endsWith(QLatin1String("\r\n")));
    QVERIFY(state().SelectedMAC.isEmpty());

    QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("Ethernet"));
    QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_IP")),
             padded(QStringLiteral("127.0.0.2"), 20));
    QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_Port")),
             QString::number(ours.config().dataPort));
    QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceEthernet));
    QCOMPARE(rig.dvm().link().EthernetDevice.IPAddress, chosen.IPAddress);
    // The link works.
    QVERIFY(state().DVM1->SendString(QStringLiteral("v"), true, 5, 1).startsWith(QLatin1String("Model 6450\r")));
}

void AutoLocateITest::ethernetSeveralMeters_data()
{
    QTest::addColumn<int>("pick"); // the row the user selects before OK; -1: Cancel
    QTest::addColumn<int>("chosenEntry");
    QTest::newRow("cancelled: the first") << -1 << 0;
    QTest::newRow("the second picked") << 1 << 1;
}

void AutoLocateITest::ethernetSeveralMeters()
{
    REQUIRE_PRIVATE_NETWORK();
    QFETCH(int, pick);
    QFETCH(int, chosenEntry);
    Rig rig;
    SimMeter first, second(MeterConfig{QStringLiteral("6450"), QStringLiteral("64500124")});
    SimModule a(module(QStringLiteral("127.0.0.2"), QStringLiteral("00-50-C2-64-50-01"), QStringLiteral("Velkoran"),
                       QStringLiteral("6450 DMM")));
    SimModule b(module(QStringLiteral("127.0.0.3"), QStringLiteral("00-50-C2-64-50-02"), QStringLiteral("VELKORAN"),
                       QStringLiteral("6450")));
    SimServer server;
    QString why;
    QVERIFY2(server.serveModule(a, first, &why), qPrintable(why));
    QVERIFY2(server.serveModule(b, second, &why), qPrintable(why));

    // The dialog is modal: answer it from the event loop it runs.
    QString caption;
    QStringList entries;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        Form_List_Dialogue *dialog = appWindows().find<Form_List_Dialogue>();
        if (!dialog || !dialog->isVisible())
            return;
        answer.stop();
        caption = dialog->windowTitle();
        for (int row = 0; row < dialog->List1->count(); ++row)
            entries << dialog->List1->item(row)->text();
        if (pick < 0) {
            dialog->List1->setCurrentRow(0); // a selection that Cancel drops
            dialog->CancelButton->click();
        } else {
            dialog->List1->setCurrentRow(pick);
            dialog->OKButton->click();
        }
    });
    answer.start(10);

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QVERIFY2(search.Locate_DVM_Ethernet(), qPrintable(search.logText()));
    QCOMPARE(caption, QStringLiteral("Select Instrument"));
    QVERIFY(!appWindows().isLoaded<Form_List_Dialogue>());
    // Discovery order decides the order of the entries.
    QCOMPARE(entries.size(), 2);
    QVERIFY(entries.contains(QStringLiteral("Velkorande,Model 6450,64500123,2.31 (127.0.0.2)")));
    QVERIFY(entries.contains(QStringLiteral("Velkorande,Model 6450,64500124,2.31 (127.0.0.3)")));

    const QString chosenAddress = entries[chosenEntry].section(QLatin1Char('('), 1).chopped(1);
    QCOMPARE(state().EthernetDevice.IPAddress.text(), padded(chosenAddress, 20));
    QCOMPARE(rig.dvm().link().EthernetDevice.IPAddress.text(), padded(chosenAddress, 20));
    QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_IP")), padded(chosenAddress, 20));
    QVERIFY(search.FoundText.contains(entries[chosenEntry].section(QLatin1Char(' '), 0, 0)));
}

void AutoLocateITest::retryAfterFailedStartUpSearch()
{
    REQUIRE_PRIVATE_NETWORK();
    Rig rig;
    SimMeter meter;
    const std::unique_ptr<MeterPeer> link = attachToSerialPort(meter, *rig.serial, rig.env.clock);

    SearchAtStartUp(*rig.main);
    FormAutoLocate *search = appWindows().find<FormAutoLocate>();
    QVERIFY(search);
    QVERIFY(search->isVisible());
    QCOMPARE(search->Label_Result->text(), QStringLiteral("No Instrument Found"));
    QCOMPARE(search->Label_Progress->text(), QStringLiteral("No instruments found."));
    QCOMPARE(logLines(*search),
             (QStringList{QStringLiteral("Checking USB"), QStringLiteral("No USB Devices Found"),
                          QStringLiteral("Checking Ethernet Network"), QStringLiteral("No Ethernet Devices"),
                          QStringLiteral("Checking Serial Ports"), QStringLiteral("No Meter Found on serial ports")}));
    QVERIFY(search->FoundText.isEmpty());
    QVERIFY(search->Command_OK->isEnabled());
    QVERIFY(search->Command_Retry->isEnabled());
    QVERIFY(!search->Command_OK->font().bold());
    // A failed search changes neither the driver nor the settings.
    QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceRS232));
    QCOMPARE(rig.dvm().link().CommControl, nullptr);
    QVERIFY(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")).isEmpty());
    QVERIFY(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_CommPort")).isEmpty());
    QVERIFY(rig.main->Text_Info->toPlainText().isEmpty());

    // The meter is plugged in now: a retry finds it and links the driver, but the main
    // window's information waits for its Update button.
    const QString connection = rig.main->Text_ConnectionStatus->toPlainText();
    rig.serial->setOpenFails(false);
    search->Command_Retry->click();
    QCOMPARE(search->Label_Result->text(), QStringLiteral("Instrument Found"));
    QVERIFY(search->FoundText.startsWith(QLatin1String("Found Velkorande,Model 6450,64500123,2.31\rOn port 1")));
    QCOMPARE(rig.dvm().link().CommControl, rig.main->DVM1Comm);
    QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("RS232"));
    QCOMPARE(meter.commands(), QStringList{QStringLiteral("*IDN?")});
    QVERIFY(rig.main->Text_Info->toPlainText().isEmpty());
    QCOMPARE(rig.main->Text_ConnectionStatus->toPlainText(), connection);
    QVERIFY(appWindows().isLoaded<FormAutoLocate>());

    rig.main->Command_GetInfo->click();
    QVERIFY(rig.main->Text_Info->toPlainText().contains(QLatin1String("Serial 64500123")));
}

QTEST_MAIN(AutoLocateITest)
#include "autolocate_itest.moc"
