// A reply that comes after its exchange gave up is no later command's reply: the meter
// driver over RS232, USB and Ethernet, each against the simulated meter on its in-memory
// link, on virtual time.
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/ProgramSockets.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"

#include <QTest>

using metersim::Fault;

namespace {

const QString UsbSerial = QStringLiteral("FT6450A1");
constexpr int TimeoutSeconds = 2;

// One simulated meter behind all three links; the driver uses the one its row names.
struct MeterOnEveryLink
{
    explicit MeterOnEveryLink(VirtualClock &clock)
        : port(clock), serial(metersim::attachToSerialPort(meter, port, clock)), usb(meter, clock), ftdi(clock),
          net(clock), sockets(net), served(module, meter, net)
    {
        port.setPortOpen(true);
        ftdi.attach(QStringLiteral("USB <-> Serial"), UsbSerial, &usb);
        state().ftdi = &ftdi;
        state().USBDevice.SerialNumber = UsbSerial;
        state().EthernetDevice.IPAddress = module.config().address.toString();
        state().EthernetDevice.Port = module.config().dataPort;
        driver.SetCommControl(&port);
        driver.SetUSBDevice();
        driver.SetEthernetDevice();
    }
    ~MeterOnEveryLink() { state().ftdi = nullptr; }

    metersim::SimMeter meter;
    MemorySerialPort port;
    std::unique_ptr<metersim::MeterPeer> serial;
    metersim::MeterPeer usb;
    MemoryFtdiApi ftdi;
    MemoryUdpNetwork net;
    ProgramSockets sockets;
    metersim::SimModule module;
    metersim::ModuleOnNetwork served;
    DVM_6450 driver;
};

} // namespace

class LateReplyTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }

    // "a1" gives up after its time-out; its "*0" comes late, or never. Then a command the
    // meter answers "*6" (outside setup mode) or a one-line query, at once or after a pause,
    // or a wait for the given-up reply itself ("await"), then "a1" again. The oracle: what
    // each exchange returned and what the meter received, in order.
    void lateReplyIsNoLaterCommandsReply_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("lateMs");         // after the first "a1" went out; 0: never
        QTest::addColumn<int>("firstTimeout");   // seconds
        QTest::addColumn<int>("pauseMs");        // after the first exchange gave up
        QTest::addColumn<QString>("second");     // "*IDN?" waits for one line
        QTest::addColumn<int>("secondTimeout");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<bool>("usbLosesWhatComesWhileClosed");

        const QString identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31\r");
        const QString write = QStringLiteral("Ws1,0,5");
        const QString query = QStringLiteral("*IDN?");
        const QString await = QStringLiteral("await");
        struct Link
        {
            int type;
            const char *name;
        };
        for (const Link link : {Link{InterfaceRS232, "RS232"}, Link{InterfaceUSB, "USB"},
                                Link{InterfaceEthernet, "Ethernet"}}) {
            const auto row = [&link](const char *text) -> QTestData & {
                return QTest::addRow("%s: %s", link.name, text);
            };
            row("dropped before the next command goes out")
                << link.type << 3000 << 2 << 1500 << write << 2 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << false;
            row("waited for before the next command goes out")
                << link.type << 3000 << 2 << 0 << write << 2 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << false;
            row("waited for before a one-line query goes out")
                << link.type << 3000 << 2 << 0 << query << 2 << QStringList{"TIMEOUT", identity, "*0\r"} << false;
            // The wait is the longer of the two time-outs: a reply later than the given-up
            // exchange's own time-out again is still awaited by one with a longer one.
            row("awaited as long as the next command's time-out")
                << link.type << 8000 << 2 << 0 << write << 8 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << false;
            // A reply that never comes costs the wait, not the next command's own reply.
            row("never comes")
                << link.type << 0 << 2 << 0 << write << 2 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << false;
            row("never comes, next command after the wait")
                << link.type << 0 << 2 << 3000 << write << 2 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << false;
            // Waiting on purpose for the given-up reply: it is that command's.
            row("awaited on purpose")
                << link.type << 3000 << 2 << 0 << await << 2 << QStringList{"TIMEOUT", "*0\r", "*0\r"} << false;
            row("awaited on purpose, never comes")
                << link.type << 0 << 2 << 0 << await << 2 << QStringList{"TIMEOUT", "TIMEOUT", "*0\r"} << false;
        }
        // A USB device closed between exchanges may lose the late reply: to the link that
        // is a reply that never comes.
        QTest::newRow("USB: lost while the device is closed")
            << int(InterfaceUSB) << 3000 << 2 << 1500 << write << 2 << QStringList{"TIMEOUT", "*6\r", "*0\r"} << true;
    }
    void lateReplyIsNoLaterCommandsReply()
    {
        QFETCH(int, link);
        QFETCH(int, lateMs);
        QFETCH(int, firstTimeout);
        QFETCH(int, pauseMs);
        QFETCH(QString, second);
        QFETCH(int, secondTimeout);
        QFETCH(QStringList, replies);
        QFETCH(bool, usbLosesWhatComesWhileClosed);
        TestEnv env;
        MeterOnEveryLink rig(env.clock);
        rig.ftdi.device(UsbSerial)->holdsWhileClosed = !usbLosesWhatComesWhileClosed;
        rig.driver.SetInterfaceType(link);
        rig.meter.setLateMs(lateMs);
        rig.meter.addFault(lateMs > 0 ? Fault::Late : Fault::Silence, QStringLiteral("a1"), 1);

        QStringList got{rig.driver.SendString(QStringLiteral("a1"), true, firstTimeout, 1)};
        env.clock.sleepMs(pauseMs);
        if (second == QLatin1String("await"))
            got << rig.driver.AwaitLateReply(secondTimeout);
        else
            got << rig.driver.SendString(second, true, secondTimeout, second == QLatin1String("*IDN?") ? 0 : 1);
        got << rig.driver.SendString(QStringLiteral("a1"), true, TimeoutSeconds, 1);
        QCOMPARE(got, replies);
        QStringList sent{"a1", second, "a1"};
        sent.removeAll(QStringLiteral("await"));
        QCOMPARE(rig.meter.commands(), sent);
    }

    // Review: a one-line query gives up (its line comes late, or never), then at once a
    // command that waits for the status token. Its reply is its own, whole.
    void lateLineIsNoLaterCommandsReply_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("lineComes");
        for (const bool comes : {true, false}) {
            QTest::addRow("RS232, line %s", comes ? "late" : "never") << int(InterfaceRS232) << comes;
            QTest::addRow("USB, line %s", comes ? "late" : "never") << int(InterfaceUSB) << comes;
            QTest::addRow("Ethernet, line %s", comes ? "late" : "never") << int(InterfaceEthernet) << comes;
        }
    }
    void lateLineIsNoLaterCommandsReply()
    {
        QFETCH(int, link);
        QFETCH(bool, lineComes);
        TestEnv env;
        MeterOnEveryLink rig(env.clock);
        rig.ftdi.device(UsbSerial)->holdsWhileClosed = true;
        rig.driver.SetInterfaceType(link);
        const QString whole = rig.driver.SendString(QStringLiteral("v"), true, TimeoutSeconds, 1);
        QVERIFY(whole.count(QLatin1Char('\r')) > 3);
        rig.meter.setLateMs(3000); // a second after the query gave up
        rig.meter.addFault(lineComes ? Fault::Late : Fault::Silence, QStringLiteral("*IDN?"), 1);
        QCOMPARE(rig.driver.SendString(QStringLiteral("*IDN?"), true, TimeoutSeconds, 0), QStringLiteral("TIMEOUT"));
        QCOMPARE(rig.driver.SendString(QStringLiteral("v"), true, TimeoutSeconds, 1), whole);
    }

    // A command sent without waiting that the meter does not answer owes nothing: over USB
    // it had its second for a line, and the next command's reply is its own.
    void unawaitedCommandOwesNothing_data()
    {
        QTest::addColumn<int>("link");
        QTest::newRow("RS232") << int(InterfaceRS232);
        QTest::newRow("USB") << int(InterfaceUSB);
        QTest::newRow("Ethernet") << int(InterfaceEthernet);
    }
    void unawaitedCommandOwesNothing()
    {
        QFETCH(int, link);
        TestEnv env;
        MeterOnEveryLink rig(env.clock);
        rig.driver.SetInterfaceType(link);
        rig.meter.addFault(Fault::Silence, QStringLiteral("Ws"), 1);
        rig.driver.SendString(QStringLiteral("Ws1,0,5"), false, TimeoutSeconds, 1);
        QCOMPARE(rig.driver.SendString(QStringLiteral("Ws1,0,5"), true, TimeoutSeconds, 1), QStringLiteral("*6\r"));
    }

    // A search asks one port after another: a silent port's debt is not the next port's,
    // and two links' debts are kept side by side.
    void debtBelongsToItsLink()
    {
        TestEnv env;
        LateReply late;
        late.gaveUp(QStringLiteral("COM1"), TimeoutSeconds, 0);
        late.gaveUp(QStringLiteral("COM2"), TimeoutSeconds, 1);
        const QString identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31\r");
        bool given = false; // the identity line waits once, then the line is quiet
        const auto arrives = [&](int maxMs) -> std::optional<QString> {
            env.clock.sleepMs(maxMs);
            return std::exchange(given, true) ? QString() : identity;
        };
        const qint64 start = env.clock.monotonicMs();
        QCOMPARE(late.settle(QStringLiteral("COM3"), TimeoutSeconds, arrives, &LateReply::tokenReplyLength), QString());
        QCOMPARE(env.clock.monotonicMs(), start + 50); // nothing owed there: dropped once quiet
        given = false;
        QCOMPARE(late.settle(QStringLiteral("COM1"), TimeoutSeconds, arrives, &LateReply::tokenReplyLength), identity);
        QVERIFY(!late.owes(QStringLiteral("COM1")));
        QVERIFY(late.owes(QStringLiteral("COM2")));
    }
};

QTEST_GUILESS_MAIN(LateReplyTest)
#include "latereply_test.moc"
