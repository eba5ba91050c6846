// The meter probes on their own, without a window: FTDI devices on the in-memory backend
// and serial ports in memory, simulated meters behind them, on the virtual clock. The
// whole search steps are tested through the search window (tests/shell/autolocate_*).
#include "link/IDVM.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"

#include <QtTest>

using namespace metersim;

namespace {

const QString Identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31");

} // namespace

class MeterProbesTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void meterModules_data();
    void meterModules();
    void usbProbeOneByOne_data();
    void usbProbeOneByOne();
    void usbProbeAllThenRead();
    void usbListingRetries();
    void serialPortsThatOpen();
    void serialProbe_data();
    void serialProbe();
};

void MeterProbesTest::meterModules_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("deviceName");
    QTest::addColumn<bool>("probed");
    QTest::newRow("ours") << QStringLiteral("127.0.0.2")
        << QStringLiteral("Velkoran") << QStringLiteral("6450 DMM") << true;
    QTest::newRow("upper case, name only the model") << QStringLiteral("127.0.0.2")
        << QStringLiteral("VELKORAN") << QStringLiteral("6450") << true;
    QTest::newRow("a 6440") << QStringLiteral("127.0.0.2")
        << QStringLiteral("Velkoran") << QStringLiteral("6440 DMM") << false;
    QTest::newRow("owner cut short") << QStringLiteral("127.0.0.2")
        << QStringLiteral("Velkora") << QStringLiteral("6450 DMM") << false;
    QTest::newRow("another owner") << QStringLiteral("127.0.0.2")
        << QStringLiteral("Acme") << QStringLiteral("6450 DMM") << false;
    QTest::newRow("blank address") << QStringLiteral("")
        << QStringLiteral("Velkoran") << QStringLiteral("6450 DMM") << false;
    QTest::newRow("address never assigned") << QString() << QStringLiteral("Velkoran")
        << QStringLiteral("6450 DMM") << false;
}

void MeterProbesTest::meterModules()
{
    QFETCH(QString, address);
    QFETCH(QString, owner);
    QFETCH(QString, deviceName);
    QFETCH(bool, probed);
    EthernetDevice module;
    if (!address.isNull())
        module.IPAddress = address; // else NUL-filled, as a field never assigned
    module.Owner = owner;
    module.DeviceName = deviceName;
    QCOMPARE(IsMeterModule(module), probed);
}

void MeterProbesTest::usbProbeOneByOne_data()
{
    QTest::addColumn<bool>("openFails");
    QTest::addColumn<bool>("withMeter");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("line");
    QTest::newRow("meter") << false << true << true << true << Identity + QLatin1Char('\r');
    QTest::newRow("silent") << false << false << true << false << QString();
    QTest::newRow("busy") << true << true << false << false << QString();
}

void MeterProbesTest::usbProbeOneByOne()
{
    QFETCH(bool, openFails);
    QFETCH(bool, withMeter);
    QFETCH(bool, opened);
    QFETCH(bool, answered);
    QFETCH(QString, line);
    TestEnv env;
    SimMeter meter;
    MeterPeer peer(meter, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("FT6450A1"), withMeter ? &peer : nullptr).openFails =
        openFails;

    USBDevice device;
    device.Description = QStringLiteral("Velkorande 6450");
    device.SerialNumber = QStringLiteral("FT6450A1");
    const UsbIdentityReply reply = ProbeUSBDevice(device, 250);
    QCOMPARE(reply.opened, opened);
    QCOMPARE(reply.answered, answered);
    QCOMPARE(reply.line, line);
    QCOMPARE(ftdi.openHandleCount(), 0);
    if (opened) {
        QCOMPARE(ftdi.device(QStringLiteral("FT6450A1"))->written, QByteArray("*IDN?\r"));
        QCOMPARE(env.clock.elapsedMs(), 250); // one look after the wait: no read time-out
    } else {
        QCOMPARE(device.Handle, -1);
        QCOMPARE(env.clock.elapsedMs(), 0);
    }
}

// As a locator does it: every device asked first, one wait, then every reply taken.
void MeterProbesTest::usbProbeAllThenRead()
{
    TestEnv env;
    SimMeter first, second;
    second.setForeignIdentity(true);
    MeterPeer firstPeer(first, env.clock), secondPeer(second, env.clock);
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    ftdi.attach(QStringLiteral("A"), QStringLiteral("SERIAL01"), &firstPeer);
    ftdi.attach(QStringLiteral("B"), QStringLiteral("SERIAL02"), &secondPeer);

    QCOMPARE(ListUSBDevicesWithRetries(), 2);
    QList<USBDevice> &devices = state().USBDevices;
    QVERIFY(SendUSBIdentityQuery(devices[0]));
    QVERIFY(SendUSBIdentityQuery(devices[1]));
    QCOMPARE(ftdi.openHandleCount(), 2);
    env.clock.sleepMs(500);
    QCOMPARE(TakeUSBIdentityReply(devices[0]).line, first.identity() + QLatin1Char('\r'));
    QCOMPARE(TakeUSBIdentityReply(devices[1]).line, second.identity() + QLatin1Char('\r'));
    QCOMPARE(ftdi.openHandleCount(), 0);
}

void MeterProbesTest::usbListingRetries()
{
    TestEnv env;
    MemoryFtdiApi ftdi(env.clock);
    state().ftdi = &ftdi;
    QCOMPARE(ListUSBDevicesWithRetries(), 0);
    QCOMPARE(env.clock.elapsedMs(), 1250); // five listings, each followed by 250 ms

    ftdi.attach(QStringLiteral("A"), QStringLiteral("SERIAL01"));
    QCOMPARE(ListUSBDevicesWithRetries(), 1);
    QCOMPARE(env.clock.elapsedMs(), 1500); // the first listing found it
    QCOMPARE(state().USBDevices[0].SerialNumber, QStringLiteral("SERIAL01"));
}

void MeterProbesTest::serialPortsThatOpen()
{
    TestEnv env;
    MemorySerialPort two(env.clock), five(env.clock), refused(env.clock);
    refused.setOpenFails(true);
    SerialPortBank bank;
    bank.add(2, two);
    bank.add(5, five);
    bank.add(9, refused);
    bank.setCommPort(5);
    QVERIFY(bank.setPortOpen(true));

    QCOMPARE(OpenableSerialPorts(bank, 7), std::optional(QList<int>{2, 5}));
    QCOMPARE(bank.CommPort(), 7);
    QVERIFY(!two.PortOpen());
    QVERIFY(!five.PortOpen());
}

void MeterProbesTest::serialProbe_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QString>("reply");
    QTest::newRow("meter") << false << Identity + QLatin1Char('\r');
    QTest::newRow("echo is no identity") << true << QString();
}

void MeterProbesTest::serialProbe()
{
    QFETCH(bool, echo);
    QFETCH(QString, reply);
    TestEnv env;
    SerialMeterRig rig(env.clock);
    if (echo)
        rig.meter.addFault(Fault::Echo, QStringLiteral("*IDN?"));
    SerialPortBank bank;
    bank.add(3, rig.port);
    const std::unique_ptr<IDVM> driver = CreateDVM(QStringLiteral("6450"));

    QStringList log;
    QByteArray writtenWhenLogged;
    const QString identification = ProbeSerialPort(bank, 3, *driver, [&](const QString &line) {
        log << line;
        writtenWhenLogged = rig.port.written;
    });
    QCOMPARE(identification, reply);
    QCOMPARE(log, QStringList{QStringLiteral("Checking Port 3")});
    // The wake-up CR went out before the line, the query after it.
    QCOMPARE(writtenWhenLogged, QByteArray("\r"));
    QCOMPARE(rig.port.written, QByteArray("\r*IDN?\r"));
    QCOMPARE(bank.CommPort(), 3);
    QVERIFY(!rig.port.PortOpen());
}

QTEST_GUILESS_MAIN(MeterProbesTest)
#include "meterprobes_test.moc"
