// The GPIB binding on the in-memory bus: the exchange's results and steps, the status
// copy, the registration outcomes, and the drivers' GPIB branch against the simulated meter.
#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/drivers/DVM_CAL.h"
#include "link/SharedState.h"
#include "link/VBIB32.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/GpibMeter.h"
#include "tests/support/TestEnv.h"

#include <QtTest>

namespace {

// An instrument that answers every message with the same bytes, replyMs later.
class FixedReplyPeer : public InMemoryPeer
{
public:
    FixedReplyPeer(VirtualClock &clock, QByteArray reply, int replyMs = 5)
        : m_clock(clock), m_reply(std::move(reply)), m_replyMs(replyMs)
    {
    }
    void receive(const QByteArray &) override
    {
        if (!m_reply.isEmpty())
            m_clock.scheduleIn(m_replyMs, [this] { deliver(m_reply); });
    }

private:
    VirtualClock &m_clock;
    QByteArray m_reply;
    int m_replyMs;
};

struct Bus
{
    TestEnv env;
    MemoryGpibBus bus{env.clock};
    Bus() { state().gpib = &bus; }
};

} // namespace

class GpibTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void lowWord_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero") << qint32(0) << 0;
        QTest::newRow("largest positive") << qint32(0x7FFF) << 32767;
        QTest::newRow("bit 15") << qint32(0x8000) << -32768;
        QTest::newRow("high word dropped") << qint32(0x18001) << -32767;
        QTest::newRow("minus one") << qint32(-1) << -1;
        QTest::newRow("descriptor") << qint32(0x10020) << 32;
    }
    void lowWord()
    {
        QFETCH(qint32, value);
        QFETCH(int, expected);
        QCOMPARE(LowWordToInteger(value), expected);
    }

    void exchange_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("written");
        const QStringList full = {"ibdev 15", "ibclr 15", "ibwrt 15 *IDN?", "ibrd 15", "ibonl 15 0"};
        QTest::newRow("no library") << "no library" << QByteArray() << "False" << QStringList() << false << false;
        QTest::newRow("no board") << "no board" << QByteArray() << "False" << QStringList{"ibdev 15"} << false
                                  << false;
        QTest::newRow("bus error") << "bus error" << QByteArray() << "False" << QStringList{"ibdev 15"} << false
                                   << false;
        QTest::newRow("locked board") << "locked" << QByteArray() << "False" << QStringList{"ibdev 15"} << false
                                      << false;
        QTest::newRow("empty address")
            << "nobody" << QByteArray() << "" << QStringList{"ibdev 15", "ibclr 15", "ibln 15", "ibonl 15 0"} << true
            << false;
        QTest::newRow("deaf instrument")
            << "deaf" << QByteArray() << "" << QStringList{"ibdev 15", "ibclr 15", "ibln 15", "ibonl 15 0"} << true
            << false;
        QTest::newRow("*0 CR LF kept") << "" << QByteArray("*0\r\n") << "*0\r\n" << full << true << true;
        QTest::newRow("blanks trimmed, line end kept")
            << "" << QByteArray("  6450 \r\n") << "6450 \r\n" << full << true << true;
        QTest::newRow("read ends at LF") << "" << QByteArray("Model 6450\r\nVersion 2.31\r\n") << "Model 6450\r\n"
                                         << full << true << true;
        QTest::newRow("cut at 2000") << "" << QByteArray(2500, 'x') << QString(2000, 'x') << full << true << true;
        QTest::newRow("read times out") << "read times out" << QByteArray("*0\r\n") << "" << full << true << true;
        QTest::newRow("silent instrument") << "" << QByteArray() << "" << full << true << true;
    }
    void exchange()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        QFETCH(bool, opened);
        QFETCH(bool, written);
        Bus b;
        FixedReplyPeer peer(b.env.clock, reply);
        if (setup == "no library")
            state().gpib = nullptr;
        if (setup != "nobody")
            b.bus.attach(15, &peer).listening = setup != "deaf";
        b.bus.noBoard = setup == "no board";
        b.bus.busError = setup == "bus error";
        b.bus.locked = setup == "locked";
        b.bus.readTimesOut = setup == "read times out";
        state().CommAbort = true;

        bool wasWritten = false, wasOpened = false;
        QCOMPARE(GpibSendString(15, "*IDN?", wasWritten, wasOpened), expected);
        QCOMPARE(b.bus.calls, calls);
        QCOMPARE(wasOpened, opened);
        QCOMPARE(wasWritten, written);
        QCOMPARE(b.bus.openDescriptors(), 0);
        QVERIFY(!state().CommAbort);
        if (setup == "no board" || setup == "no library")
            QCOMPARE(state().iberr, 7);
    }

    // 25 ms before and after the write and 50 ms before the read, on the clock seam.
    void pauses()
    {
        Bus b;
        FixedReplyPeer peer(b.env.clock, "*0\r\n", 0);
        b.bus.attach(15, &peer);
        GpibSendString(15, "a1");
        QCOMPARE(b.env.clock.elapsedMs(), qint64(100));
    }

    void statusCopied()
    {
        Bus b;
        FixedReplyPeer peer(b.env.clock, "*0\r\n");
        b.bus.attach(9, &peer);
        const int descriptor = GpibOpenAt(9);
        QCOMPARE(state().iberr, 0);
        GpibWrite(descriptor, "v");
        QCOMPARE(state().ibcnt, 1);
        QString buffer(30, ' ');
        GpibRead(descriptor, buffer);
        QCOMPARE(buffer, QString("*0\r\n") + QString(26, ' '));
        QCOMPARE(state().ibcnt, 4);
        QVERIFY(state().ibsta & Gpib::END);
        QVERIFY(state().ibsta > 0);
        GpibOnline(descriptor, 0);
        GpibClear(descriptor); // a released descriptor
        QVERIFY(state().ibsta < 0); // ERR is bit 15
        QVERIFY(state().iberr != 0);
        QCOMPARE(GpibFindListener(0, 9, 0), 1);
        QCOMPARE(state().iberr, 0);
        QCOMPARE(GpibFindListener(0, 10, 0), 0);
    }

    void registration_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("unregistrations");
        QTest::newRow("0 registered") << 0 << "" << 0;
        QTest::newRow("1 registered again") << 1 << "" << 1;
        QTest::newRow("2 not multi-threaded") << 2 << "Operating System is not multi-threaded. Quitting the Program!"
                                              << 1;
        QTest::newRow("3 cannot register") << 3 << "Unable to register GPIB thread globals. Quitting the Program!"
                                           << 1;
        QTest::newRow("4 unknown") << 4 << "Unknown Error for Registering GPIB Globals!!! Quitting the Program!" << 0;
    }
    void registration()
    {
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(int, unregistrations);
        Bus b;
        FixedReplyPeer peer(b.env.clock, "*0\r\n");
        b.bus.attach(15, &peer);
        b.bus.registrationResult = result;
        int ended = 0;
        state().EndProgramNow = [&ended] { ++ended; };

        const QString reply = GpibSendString(15, "a1");
        QCOMPARE(b.bus.unregistrations, unregistrations);
        if (message.isEmpty()) {
            QCOMPARE(reply, QString("*0\r\n"));
            QVERIFY(b.env.ui.boxes.isEmpty());
            QCOMPARE(ended, 0);
            GpibSendString(15, "a1");
            QCOMPARE(b.bus.registrations, result == 1 ? 2 : 1); // once per process
            return;
        }
        QCOMPARE(b.env.ui.boxes.size(), 1);
        QCOMPARE(b.env.ui.boxes[0].prompt, message);
        QCOMPARE(b.env.ui.boxes[0].style, int(Msg::Critical));
        QCOMPARE(b.env.ui.boxes[0].title, QString("6400 Series Setup Utility"));
        QCOMPARE(ended, 1);
        QVERIFY(b.bus.calls.isEmpty()); // nothing reached the bus
        QCOMPARE(reply, QString("False"));
    }

    // The drivers' GPIB branch against the simulated meter, which moves when told to.
    void driversOverGpib_data()
    {
        QTest::addColumn<QString>("model");
        QTest::newRow("meter") << "6450";
        QTest::newRow("5300") << "5300";
        QTest::newRow("5520") << "5520";
    }
    void driversOverGpib()
    {
        QFETCH(QString, model);
        Bus b;
        metersim::SimMeter meter;
        metersim::MeterPeer peer(meter, b.env.clock, metersim::MeterPeer::Framing::Message);
        attachMeter(b.bus, peer);
        const std::unique_ptr<IDVM> dvm = CreateDVM(model);
        dvm->SetInterfaceType(InterfaceGPIB);
        dvm->SetGPIBAddress(15);
        QCOMPARE(dvm->Identify(), QString("Velkorande,Model 6450,64500123,2.31\r\n"));
        QCOMPARE(dvm->SendString("*IDN?", true, 2, 0), QString("Velkorande,Model 6450,64500123,2.31\r"));
        // The meter listens at its new address at once: its answer at the old one is lost.
        QCOMPARE(dvm->SendString("SYST:COMM:GPIB:ADDR 07"), QString());
        QCOMPARE(meter.state().gpibAddress, 7);
        QCOMPARE(dvm->SendString("*IDN?"), QString()); // nobody at 15 any more
        dvm->SetGPIBAddress(7);
        QCOMPARE(dvm->SendString("a1"), QString("*0\r"));
        QCOMPARE(meter.commands(), QStringList({"*IDN?", "*IDN?", "SYST:COMM:GPIB:ADDR 07", "a1"}));
        QCOMPARE(dvm->GetStatus(), 0);
    }

    // A handler that runs while an exchange waits (the port-setup dialog's OK) replaces
    // DVM1; the driver whose exchange it was finishes with its own fields and then goes.
    void driverReplacedDuringItsExchange_data()
    {
        QTest::addColumn<QString>("model");
        QTest::newRow("5520 calibrator") << "5520";
        QTest::newRow("meter") << "6450";
    }
    void driverReplacedDuringItsExchange()
    {
        QFETCH(QString, model);
        Bus b;
        b.env.settings.SaveSetting("Settings", "DVM1", "5300");
        FixedReplyPeer instrument(b.env.clock, "*0\r\n");
        struct ReplacingPeer : InMemoryPeer
        {
            InMemoryPeer *inner = nullptr;
            void receive(const QByteArray &bytes) override
            {
                LoadDVMSetting();
                inner->receive(bytes);
            }
        } replacing;
        replacing.inner = &instrument;
        b.bus.attach(15, &replacing);
        instrument.deliver = replacing.deliver;

        state().DVM1 = CreateDVM(model);
        const std::weak_ptr<IDVM> old = state().DVM1;
        state().DVM1->SetInterfaceType(InterfaceGPIB);
        state().DVM1->SetGPIBAddress(15);
        QCOMPARE(state().DVM1->SendString("a1", true), QString("*0\r"));
        QVERIFY(old.expired());
        QVERIFY(dynamic_cast<DVM_CAL_5300 *>(state().DVM1.get()));
        QCOMPARE(state().DVM1->GetInterfaceType(), 0); // the new driver has no link
    }
};

QTEST_GUILESS_MAIN(GpibTest)
#include "gpib_test.moc"
