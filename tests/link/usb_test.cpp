#include "link/SharedState.h"
#include "link/USB.h"
#include "link/drivers/DriverLink.h"
#include "link/platform/Ftdi.h"
#include "tests/support/doubles/ScriptedPeer.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"

#include <QTest>

using Script = ScriptedPeer::Script;
Q_DECLARE_METATYPE(ScriptedPeer::Piece)
Q_DECLARE_METATYPE(UsbOpenFailureReply)

namespace {

const QString Serial = QStringLiteral("VK000001");
// Every exchange starts with the 5-ms pacing sleep (the last transmission is long past).
constexpr qint64 PacingMs = 5;

// One FTDI device with a scripted meter behind it, selected as the global USB device.
struct UsbRig
{
    UsbRig()
    {
        state().ftdi = &ftdi;
        state().USBDevice.Description = QStringLiteral("Velkorande 6450");
        state().USBDevice.SerialNumber = Serial;
    }
    MemoryFtdiApi::Device &device() { return *ftdi.device(Serial); }
    // Runs one exchange; returns the virtual milliseconds it took.
    qint64 exchange(const QString &command, qint32 &status, int timeout, int endCondition, QString &reply)
    {
        const qint64 start = env.clock.elapsedMs();
        reply = UsbSendString(command, status, timeout, endCondition);
        return env.clock.elapsedMs() - start;
    }

    TestEnv env;
    MemoryFtdiApi ftdi{env.clock};
    ScriptedPeer meter{env.clock};
    MemoryFtdiApi::Device &attached = ftdi.attach(QStringLiteral("Velkorande 6450"), Serial, &meter);
};

Script pieces(std::initializer_list<ScriptedPeer::Piece> list) { return Script(list); }

} // namespace

class UsbTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    // How an exchange ends: when the reply completes, or after timeout x 20 polls of
    // 50 ms counted from the last data. Times are virtual milliseconds after the send.
    void exchangeEnd_data()
    {
        QTest::addColumn<Script>("answer");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("endCondition");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("endsAfterSend");

        // Data at 120 ms falls in poll 3; 19 more empty polls of time-out 1 end at 1100 ms.
        QTest::newRow("*0 CR completes in the poll it arrives")
            << pieces({{120, "*0\r"}}) << 10 << 1 << 0 << QByteArray("*0\r") << qint64(120);
        QTest::newRow("*0 without CR times out")
            << pieces({{120, "*0"}}) << 1 << 1 << 2 << QByteArray("*0") << qint64(1100);
        QTest::newRow("token completed by a later CR")
            << pieces({{120, "*0"}, {50, "\r"}}) << 10 << 1 << 0 << QByteArray("*0\r") << qint64(170);
        QTest::newRow("multi-line reply with LF")
            << pieces({{80, "Model 6450\r\nVersion 2.1\r\n*0\r\n"}}) << 5 << 1 << 0
            << QByteArray("Model 6450\r\nVersion 2.1\r\n*0\r\n") << qint64(80);
        QTest::newRow("any digit ends it")
            << pieces({{60, "*9\r"}}) << 10 << 1 << 0 << QByteArray("*9\r") << qint64(60);
        QTest::newRow("not a digit after the star")
            << pieces({{60, "*X\r"}}) << 1 << 1 << 2 << QByteArray("*X\r") << qint64(1050);
        QTest::newRow("only the first star counts")
            << pieces({{60, "a*b\r*0\r"}}) << 1 << 1 << 2 << QByteArray("a*b\r*0\r") << qint64(1050);
        QTest::newRow("CR LF with end condition 0")
            << pieces({{120, "VELKORANDE,6450\r\n"}}) << 2 << 0 << 0 << QByteArray("VELKORANDE,6450\r\n")
            << qint64(120);
        QTest::newRow("end condition 0 at the CR before the LF")
            << pieces({{120, "ID\r"}, {10, "\n"}}) << 2 << 0 << 0 << QByteArray("ID\r") << qint64(120);
        QTest::newRow("end condition 0 needs the line end last")
            << pieces({{120, "ID\rmore"}}) << 1 << 0 << 2 << QByteArray("ID\rmore") << qint64(1100);
        QTest::newRow("other end condition never completes")
            << pieces({{60, "*0\r"}}) << 1 << 7 << 2 << QByteArray("*0\r") << qint64(1050);
        QTest::newRow("40 polls for time-out 2") << Script() << 2 << 1 << 2 << QByteArray() << qint64(2000);
        QTest::newRow("time-out 0 polls not at all")
            << pieces({{0, "*0\r"}}) << 0 << 1 << 2 << QByteArray() << qint64(0);
        QTest::newRow("more than 2048 bytes at once")
            << pieces({{70, QByteArray(3000, 'x') + "\r*0\r"}}) << 2 << 1 << 0 << QByteArray(3000, 'x') + "\r*0\r"
            << qint64(70);
        QTest::newRow("Latin-1 bytes survive")
            << pieces({{70, "\xE4\xF4*0\r"}}) << 2 << 1 << 0 << QByteArray("\xE4\xF4*0\r") << qint64(70);
    }
    void exchangeEnd()
    {
        QFETCH(Script, answer);
        QFETCH(int, timeout);
        QFETCH(int, endCondition);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(qint64, endsAfterSend);
        UsbRig rig;
        rig.meter.answer("v", answer);
        qint32 gotStatus = -1;
        QString gotReply;
        const qint64 took = rig.exchange(QStringLiteral("v"), gotStatus, timeout, endCondition, gotReply);
        QCOMPARE(gotStatus, status);
        QCOMPARE(gotReply, QString::fromLatin1(reply));
        QCOMPARE(took, PacingMs + endsAfterSend);
        QCOMPARE(rig.attached.written, QByteArray("v\r"));
        QCOMPARE(rig.ftdi.openHandleCount(), 0);
        QCOMPARE(state().USBDevice.Busy, qint16(0));
    }

    // Each piece of data restarts the count of time-out x 20 polls (time-out 1 here: data
    // in poll k keeps the exchange alive until the end of poll k + 19).
    void smallPieces_data()
    {
        QTest::addColumn<Script>("answer");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("endsAfterSend");
        QTest::newRow("each piece just in time")
            << pieces({{25, "a"}, {950, "b"}, {950, "*0\r"}}) << 0 << QByteArray("ab*0\r") << qint64(1925);
        QTest::newRow("second piece too late")
            << pieces({{25, "a"}, {1000, "b"}}) << 2 << QByteArray("a") << qint64(1000);
        QTest::newRow("a long trickle") << ScriptedPeer::stream("x", 20, 600) + pieces({{600, "*0\r"}}) << 0
                                        << QByteArray(20, 'x') + "*0\r" << qint64(12000);
    }
    void smallPieces()
    {
        QFETCH(Script, answer);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(qint64, endsAfterSend);
        UsbRig rig;
        rig.meter.answerAny(answer);
        qint32 gotStatus = -1;
        QString gotReply;
        const qint64 took = rig.exchange(QStringLiteral("pa"), gotStatus, 1, 1, gotReply);
        QCOMPARE(gotStatus, status);
        QCOMPARE(gotReply, QString::fromLatin1(reply));
        QCOMPARE(took, PacingMs + endsAfterSend);
    }

    void exchangeOpensWithTheLineSettingsAndClosesAfter()
    {
        UsbRig rig;
        rig.meter.answerAny(pieces({{100, "*0\r"}}));
        qint16 busyDuring = 0;
        bool openDuring = false;
        rig.env.clock.scheduleIn(60, [&] {
            busyDuring = state().USBDevice.Busy;
            openDuring = rig.ftdi.isOpen(Serial);
        });
        qint32 status = -1;
        QCOMPARE(UsbSendString(QStringLiteral("a1"), status, 10, 1), QStringLiteral("*0\r"));
        QCOMPARE(status, 0);
        QCOMPARE(busyDuring, qint16(-1));
        QVERIFY(openDuring);
        const MemoryFtdiApi::Device &d = rig.attached;
        QCOMPARE(d.baud, 9600u);
        QCOMPARE(d.wordLength, quint8(8));
        QCOMPARE(d.stopBits, quint8(0));
        QCOMPARE(d.parity, quint8(0));
        QCOMPARE(d.flowControl, quint16(0));
        QCOMPARE(d.readTimeoutMs, 5000u);
        QCOMPARE(d.writeTimeoutMs, 0u);
        QCOMPARE(d.openCount, 1);
        QCOMPARE(d.closeCount, 1);
        QCOMPARE(state().USBDevice.Busy, qint16(0));
        QCOMPARE(state().LastSendTime, rig.env.clock.timeOfDay() - 0.1); // noted at the send
        QVERIFY(!state().CommAbort);
    }

    void emptySerialNumberOpensNothing()
    {
        UsbRig rig;
        state().USBDevice.SerialNumber.clear();
        qint32 status = 7;
        QCOMPARE(UsbSendString(QStringLiteral("v"), status, 10, 1), QString());
        QCOMPARE(status, 7);
        QCOMPARE(rig.attached.openCount, 0);
        QCOMPARE(rig.env.clock.elapsedMs(), qint64(0));
        QCOMPARE(state().USBDevice.Busy, qint16(0));
    }

    void openFailure_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("open refused") << 0;
        QTest::newRow("line setting refused") << 1;
        QTest::newRow("unknown serial number") << 2;
        QTest::newRow("no FTDI layer") << 3;
    }
    void openFailure()
    {
        QFETCH(int, fault);
        UsbRig rig;
        if (fault == 0)
            rig.attached.openFails = true;
        else if (fault == 1)
            rig.attached.configFails = true;
        else if (fault == 2)
            state().USBDevice.SerialNumber = QStringLiteral("NOSUCH");
        else
            state().ftdi = nullptr;
        qint32 status = 0;
        QCOMPARE(UsbSendString(QStringLiteral("v"), status, 10, 1), QString());
        QCOMPARE(status, 1);
        QVERIFY(state().CommAbort);
        QCOMPARE(state().USBDevice.Busy, qint16(0));
        QCOMPARE(rig.ftdi.openHandleCount(), 0);
        QVERIFY(rig.attached.written.isEmpty());
    }

    void faultsDuringTheExchange_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("endCondition");
        QTest::newRow("unplugged") << 0 << 1;
        QTest::newRow("main window closes the handle") << 1 << 1;
        QTest::newRow("streams without end, status token") << 2 << 1;
        QTest::newRow("streams without end, one line") << 2 << 0;
    }
    void faultsDuringTheExchange()
    {
        QFETCH(int, fault);
        QFETCH(int, endCondition);
        UsbRig rig;
        if (fault == 0)
            rig.env.clock.scheduleIn(120, [&] { rig.ftdi.unplug(Serial); });
        else if (fault == 1)
            rig.env.clock.scheduleIn(120, [] { CloseUSBDeviceIfOpen(); });
        else
            rig.meter.answerAny(ScriptedPeer::stream(QByteArray(1000, 'x'), 400, 10));
        qint32 status = -1;
        QString reply;
        const qint64 took = rig.exchange(QStringLiteral("v"), status, 10, endCondition, reply);
        QCOMPARE(status, 2);
        QCOMPARE(rig.ftdi.openHandleCount(), 0);
        QCOMPARE(state().USBDevice.Busy, qint16(0));
        if (fault < 2) {
            QCOMPARE(took, qint64(120)); // at once, not after the time-out
            QCOMPARE(reply, QString());
        } else {
            QVERIFY(reply.size() > UsbReplyLimit);
            QVERIFY(reply.size() <= UsbReplyLimit + 2048);
            QVERIFY(took < 4000);
        }
    }

    void listing_data()
    {
        QTest::addColumn<QStringList>("devices"); // "description|serial"
        QTest::addColumn<bool>("countFails");
        QTest::addColumn<int>("failsAt");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("listed"); // the list afterwards, as "description|serial"

        const QStringList two{"Velkorande 6450|VK000001", "USB <-> Serial|FT12AB34"};
        QTest::newRow("two devices, upper bound 2")
            << two << false << -1 << 2 << QStringList{"Velkorande 6450|VK000001", "USB <-> Serial|FT12AB34", "|"};
        QTest::newRow("one device") << QStringList{"Meter|S1"} << false << -1 << 1 << QStringList{"Meter|S1", "|"};
        QTest::newRow("none: list kept") << QStringList() << false << -1 << 0 << QStringList{"old|OLD"};
        QTest::newRow("count fails: list kept") << two << true << -1 << 0 << QStringList{"old|OLD"};
        QTest::newRow("fails half-way")
            << (QStringList(two) << "Third|S3") << false << 1 << 0 << QStringList{"Velkorande 6450|VK000001", "|", "|", "|"};
        QTest::newRow("empty serial number") << QStringList{"Blank|"} << false << -1 << 1 << QStringList{"Blank|", "|"};
        QTest::newRow("long description cut at the buffer")
            << QStringList{QString(300, 'D') + "|S1"} << false << -1 << 1 << QStringList{QString(256, 'D') + "|S1", "|"};
    }
    void listing()
    {
        QFETCH(QStringList, devices);
        QFETCH(bool, countFails);
        QFETCH(int, failsAt);
        QFETCH(int, result);
        QFETCH(QStringList, listed);
        TestEnv env;
        MemoryFtdiApi ftdi(env.clock);
        state().ftdi = &ftdi;
        for (const QString &d : devices)
            ftdi.attach(d.section('|', 0, 0), d.section('|', 1));
        ftdi.countFails = countFails;
        ftdi.listingFailsAtIndex = failsAt;
        state().USBDevices = {USBDevice{QStringLiteral("old"), QStringLiteral("OLD"), 0, {}, 0}};
        QCOMPARE(ListUSBDevices(), result);
        QStringList got;
        for (const USBDevice &d : state().USBDevices)
            got << d.Description + '|' + d.SerialNumber;
        QCOMPARE(got, listed);
    }

    void listingSkipsAnUnpluggedDeviceAndNeedsTheLayer()
    {
        TestEnv env;
        QCOMPARE(ListUSBDevices(), 0); // no FTDI layer installed
        MemoryFtdiApi ftdi(env.clock);
        state().ftdi = &ftdi;
        ftdi.attach(QStringLiteral("A"), QStringLiteral("S1"));
        ftdi.attach(QStringLiteral("B"), QStringLiteral("S2"));
        ftdi.unplug(QStringLiteral("S1"));
        QCOMPARE(ListUSBDevices(), 1);
        QCOMPARE(state().USBDevices.at(0).SerialNumber, QStringLiteral("S2"));
    }

    // A probe: open, write "*IDN?" CR, read one line. Each byte waits up to the 5-s read
    // time-out.
    void readLine_data()
    {
        QTest::addColumn<Script>("answer");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("CR LF line keeps its CR") << pieces({{50, "VELKORANDE,6450\r\n"}}) << QByteArray("VELKORANDE,6450\r");
        QTest::newRow("LF alone ends it") << pieces({{50, "ID\n"}}) << QByteArray("ID\n");
        QTest::newRow("150 characters give the first 101")
            << pieces({{50, QByteArray(150, 'z')}}) << QByteArray(101, 'z');
        QTest::newRow("slow but within the read time-out")
            << pieces({{100, "AB"}, {4900, "C\r"}}) << QByteArray("ABC\r");
        QTest::newRow("partial line dropped") << pieces({{100, "AB"}, {5100, "C\r"}}) << QByteArray();
        QTest::newRow("silent") << Script() << QByteArray();
        QTest::newRow("streams without line end")
            << ScriptedPeer::stream("0123456789", 30, 5) << QByteArray("0123456789").repeated(10) + "0";
    }
    void readLine()
    {
        QFETCH(Script, answer);
        QFETCH(QByteArray, line);
        UsbRig rig;
        rig.meter.answer("*IDN?", answer);
        qint32 handle = 0;
        QVERIFY(OpenUSBDevice(Serial, handle));
        QVERIFY(handle > 0);
        QVERIFY(UsbWrite(QStringLiteral("*IDN?\r"), handle));
        QCOMPARE(UsbReadLine(handle), QString::fromLatin1(line));
        QCOMPARE(rig.ftdi.Close(handle), Ft::Ok);
    }

    void readLineOnAVanishedDevice()
    {
        UsbRig rig;
        rig.meter.answer("*IDN?", pieces({{100, "AB"}}));
        qint32 handle = 0;
        QVERIFY(OpenUSBDevice(Serial, handle));
        UsbWrite(QStringLiteral("*IDN?\r"), handle);
        rig.env.clock.scheduleIn(200, [&] { rig.ftdi.unplug(Serial); });
        QCOMPARE(UsbReadLine(handle), QString());
        QVERIFY(rig.env.clock.elapsedMs() < 1000);
        QVERIFY(!UsbWrite(QStringLiteral("x"), handle));
        QCOMPARE(rig.ftdi.Close(handle), Ft::Ok);
        QCOMPARE(UsbReadLine(handle), QString()); // closed handle
    }

    void openUsbDeviceRefusesAnEmptySerialNumber()
    {
        UsbRig rig;
        rig.ftdi.attach(QStringLiteral("Blank"), QString());
        qint32 handle = 99;
        QVERIFY(!OpenUSBDevice(QString(), handle));
        QCOMPARE(handle, 99);
        QCOMPARE(rig.ftdi.device(QString())->openCount, 0);
    }

    void closeOnMainWindowClose_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::newRow("exchange under way") << true;
        QTest::newRow("idle") << false;
    }
    void closeOnMainWindowClose()
    {
        QFETCH(bool, busy);
        UsbRig rig;
        QVERIFY(OpenUSBDevice(Serial, state().USBDevice.Handle));
        state().USBDevice.Busy = busy ? -1 : 0;
        CloseUSBDeviceIfOpen();
        QCOMPARE(rig.ftdi.isOpen(Serial), !busy);
        state().ftdi = nullptr;
        CloseUSBDeviceIfOpen(); // no FTDI layer: nothing to do, no crash
    }

    void settingsRoundTrip()
    {
        UsbRig rig;
        state().USBDevice.Handle = 1234;
        state().USBDevice.Identity = QStringLiteral("VELKORANDE,6450");
        SaveUSBSettings();
        QCOMPARE(rig.env.settings.GetSetting(QStringLiteral("Settings"), QStringLiteral("DVM1_Interface")),
                 QStringLiteral("USB"));
        QCOMPARE(rig.env.settings.GetSetting(QStringLiteral("Settings"), QStringLiteral("usb_name")),
                 QStringLiteral("Velkorande 6450"));
        QCOMPARE(rig.env.settings.GetSetting(QStringLiteral("Settings"), QStringLiteral("USB_SerialNumber")), Serial);
        state().USBDevice = USBDevice{QStringLiteral("x"), QStringLiteral("y"), 5, QStringLiteral("z"), -1};
        LoadUSBSettings();
        QCOMPARE(state().USBDevice, (USBDevice{QStringLiteral("Velkorande 6450"), Serial, 0, {}, 0}));

        TestEnv fresh; // nothing stored: empty texts
        state().USBDevice.SerialNumber = QStringLiteral("old");
        LoadUSBSettings();
        QCOMPARE(state().USBDevice, USBDevice());
    }

    // The drivers' USB branch.
    void driverDispatch_data()
    {
        QTest::addColumn<Script>("answer");
        QTest::addColumn<bool>("waitForAck");
        QTest::addColumn<int>("fault"); // 0 none, 1 own record busy, 2 open fails, 3 no serial number
        QTest::addColumn<UsbOpenFailureReply>("openFailure");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<qint64>("took");

        const auto meter = UsbOpenFailureReply::EmptyText;
        const auto calibrator = UsbOpenFailureReply::Timeout;
        QTest::newRow("reply keeps its LF") << pieces({{60, "*0\r\n"}}) << true << 0 << meter << "*0\r\n"
                                            << PacingMs + 60;
        QTest::newRow("BUSY") << pieces({{60, "*0\r"}}) << true << 1 << meter << "BUSY" << qint64(0);
        QTest::newRow("TIMEOUT replaces a partial reply")
            << pieces({{60, "*0"}}) << true << 0 << meter << "TIMEOUT" << PacingMs + 1050;
        QTest::newRow("TIMEOUT when silent") << Script() << true << 0 << calibrator << "TIMEOUT" << PacingMs + 1000;
        QTest::newRow("without waiting: a line within a second")
            << pieces({{300, "ok\r\n"}}) << false << 0 << meter << "" << PacingMs + 300;
        QTest::newRow("without waiting: TIMEOUT after a second")
            << Script() << false << 0 << meter << "TIMEOUT" << PacingMs + 1000;
        QTest::newRow("without waiting: the token is no line end for it")
            << pieces({{310, "*0"}}) << false << 0 << meter << "TIMEOUT" << PacingMs + 1300;
        QTest::newRow("meter cannot open: empty") << Script() << true << 2 << meter << "" << PacingMs;
        QTest::newRow("calibrator cannot open: TIMEOUT") << Script() << true << 2 << calibrator << "TIMEOUT" << PacingMs;
        QTest::newRow("no serial number") << Script() << true << 3 << calibrator << "" << qint64(0);
    }
    void driverDispatch()
    {
        QFETCH(Script, answer);
        QFETCH(bool, waitForAck);
        QFETCH(int, fault);
        QFETCH(UsbOpenFailureReply, openFailure);
        QFETCH(QString, reply);
        QFETCH(qint64, took);
        UsbRig rig;
        rig.meter.answerAny(answer);
        state().USBDevice = USBDevice{QStringLiteral("other"), QStringLiteral("OTHER"), 0, {}, 0};
        DriverLink link;
        link.InterfaceType = 2;
        link.USBDevice = USBDevice{QStringLiteral("Velkorande 6450"), Serial, 0, QStringLiteral("id"), 0};
        if (fault == 1)
            link.USBDevice.Busy = -1;
        if (fault == 2)
            rig.attached.openFails = true;
        if (fault == 3)
            link.USBDevice.SerialNumber.clear();

        QCOMPARE(SendOverLink(link, QStringLiteral("*IDN?"), waitForAck, 1, 1, openFailure), reply);
        QCOMPARE(rig.env.clock.elapsedMs(), took);
        if (fault == 1) {
            QVERIFY(rig.attached.written.isEmpty());
            QCOMPARE(link.USBDevice.Busy, qint16(-1));
            QCOMPARE(state().USBDevice.SerialNumber, QStringLiteral("OTHER")); // global untouched
            return;
        }
        QCOMPARE(link.USBDevice.Busy, qint16(0));
        QCOMPARE(state().USBDevice.SerialNumber, link.USBDevice.SerialNumber); // own record copied in
        QCOMPARE(state().USBDevice.Identity, QStringLiteral("id"));
        QCOMPARE(rig.attached.written, QByteArray(fault == 0 ? "*IDN?\r" : ""));
    }
};

QTEST_GUILESS_MAIN(UsbTest)
#include "usb_test.moc"
