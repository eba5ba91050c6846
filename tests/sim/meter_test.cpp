// The simulated meter on the virtual clock: framing, timing, the setup-mode bracket, a
// round trip through each table, faults, and the Ethernet module's command protocol.
#include "tests/sim/core/MeterLink.h"
#include "tests/sim/core/SimModule.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QtTest>

using namespace metersim;

namespace {

// Sends text on the rig's port and collects what arrives within ms of virtual time.
QString exchange(SerialMeterRig &rig, VirtualClock &clock, const QString &text, int ms = 1000)
{
    rig.port.Output(text);
    clock.advance(ms);
    return rig.port.Input();
}

} // namespace

class MeterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("CR") << "*IDN?\r" << "Velkorande,Model 6450,64500123,2.31\r\n" << QStringList{"*IDN?"};
        QTest::newRow("CR LF") << "*IDN?\r\n" << "Velkorande,Model 6450,64500123,2.31\r\n" << QStringList{"*IDN?"};
        QTest::newRow("wake-up CR ignored") << "\r" << "" << QStringList{};
        QTest::newRow("two in one write") << "a1\rB13\r" << "*0\r\n*0\r\n" << QStringList{"a1", "B13"};
        QTest::newRow("unknown") << "Zz\r" << "*1\r\n" << QStringList{"Zz"};
        QTest::newRow("no line end yet") << "*IDN?" << "" << QStringList{};
    }
    void framing()
    {
        QFETCH(QString, sent);
        QFETCH(QString, received);
        QFETCH(QStringList, commands);
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        QCOMPARE(exchange(rig, clock, sent), received);
        QCOMPARE(rig.meter.commands(), commands);
    }

    void commandSplitAcrossWrites()
    {
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        QCOMPARE(exchange(rig, clock, "*ID", 50), QString());
        QCOMPARE(exchange(rig, clock, "N?\r"), QStringLiteral("Velkorande,Model 6450,64500123,2.31\r\n"));
    }

    // 9600 baud: 6 command bytes in, then 4 reply bytes out, about 1.04 ms each.
    void wireTimeAndDelay()
    {
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        rig.port.Output("a1\r");
        clock.advance(7);
        QCOMPARE(rig.port.InBufferCount(), 0);
        clock.advance(1);
        QCOMPARE(rig.port.Input(), QStringLiteral("*0\r\n"));
        QCOMPARE(rig.meter.transcript().constFirst().atMs, 4); // the CR arrived after 3.1 ms

        rig.meter.setWireTime(false);
        rig.meter.setReplyDelayMs(30);
        const qint64 start = clock.monotonicMs();
        rig.port.Output("a1\r");
        QVERIFY(rig.port.waitForInput(1000));
        QCOMPARE(clock.monotonicMs() - start, 30);
    }

    void bracket_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("token");
        const QString service = "k5820637", calibration = "CALIBRATE:PASSWORD 6182";
        QTest::newRow("Ws without bracket") << "" << "Ws5,0,12.5" << "*6";
        QTest::newRow("Ws in service mode") << service << "Ws5,0,12.5" << "*6";
        QTest::newRow("Ws in calibration mode") << calibration << "Ws5,0,12.5" << "*0";
        QTest::newRow("Ws column beyond a DC row") << calibration << "Ws5,2,12.5" << "*9";
        QTest::newRow("Ws row 71") << calibration << "Ws71,0,1" << "*9";
        QTest::newRow("Ww in service mode") << service << "Wwb12,100000000" << "*0";
        QTest::newRow("Ww in calibration mode") << calibration << "Wwd20,998" << "*0";
        QTest::newRow("Ww gain out of window") << service << "Wwb12,100" << "*9";
        QTest::newRow("Ww gain on range 17") << service << "Wwb17,100" << "*0";
        QTest::newRow("Ww point beyond a DC range") << service << "Wwd12,5" << "*9";
        QTest::newRow("Wt without bracket") << "" << "Wt0,1" << "*6";
        QTest::newRow("Wt in calibration mode") << calibration << "Wt0,1" << "*6";
        QTest::newRow("Wt index 3499") << service << "Wt3499,1" << "*0";
        QTest::newRow("Wt index 3500") << service << "Wt3500,1" << "*9";
        QTest::newRow("Wc point") << service << "WcK 250,6.27" << "*0";
        QTest::newRow("Wc zero as a lone point") << service << "WcK 0,." << "*0";
        QTest::newRow("Wc unknown type") << service << "WcX 250,6.27" << "*9";
        QTest::newRow("WS in calibration mode") << calibration << "WS" << "*6";
        QTest::newRow("CB in service mode") << service << "CB" << "*6";
        QTest::newRow("CC in service mode") << service << "CC" << "*0";
        QTest::newRow("info slot in either") << calibration << "&05Spec ___ 06/12/26" << "*0";
        QTest::newRow("info slot 07") << service << "&07x" << "*9";
        QTest::newRow("info text of 21") << service << "&01123456789012345678901" << "*9";
        QTest::newRow("clock") << service << "A0612261530" << "*0";
        QTest::newRow("clock 31 February") << service << "A3102261530" << "*9";
        QTest::newRow("clock without bracket") << "" << "A0612261530" << "*6";
        QTest::newRow("brightness needs none") << "" << "B23" << "*0";
        QTest::newRow("brightness 16") << "" << "B216" << "*9";
        QTest::newRow("options") << service << "SYSTEM:OPTIONS 522190" << "*0";
        QTest::newRow("model 6460") << service << "model 6460" << "*9";
        QTest::newRow("wrong password") << "" << "CALIBRATE:PASSWORD 1234" << "*6";
        QTest::newRow("wrong access code") << "" << "k1234567" << "*6";
        QTest::newRow("coefficient 300") << "" << "TEMPCOMP:COEFF 300" << "*0";
        QTest::newRow("coefficient 300.5") << "" << "TEMPCOMP:COEFF 300.5" << "*9";
        QTest::newRow("ambient 100") << "" << "TEMPCOMP:AMBIENT 100" << "*9";
    }
    void bracket()
    {
        QFETCH(QString, opener);
        QFETCH(QString, command);
        QFETCH(QString, token);
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        if (!opener.isEmpty())
            QCOMPARE(exchange(rig, clock, opener + "\r"), QStringLiteral("*0\r\n"));
        QCOMPARE(exchange(rig, clock, command + "\r", 3000), token + "\r\n");
        QCOMPARE(exchange(rig, clock, "a1\r"), QStringLiteral("*0\r\n"));
        QCOMPARE(rig.meter.mode(), Mode::Normal);
    }

    // The meter's own number reading and writing: a value set and read back.
    void numbers_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("readBack"); // empty: refused with "*9"
        QTest::newRow("plain") << "12.5" << "12.5";
        QTest::newRow("sign and exponent") << "+1.25e2" << "125";
        QTest::newRow("trailing point") << "10." << "10";
        QTest::newRow("lone point") << "." << "0";
        QTest::newRow("leading point") << "-.5" << "-0.5";
        QTest::newRow("minus zero") << "-0" << "0";
        QTest::newRow("fifteen digits") << "123.4567890123456789" << "123.456789012346";
        QTest::newRow("rounds up into the next digit") << "999.9999999999999" << "1000";
        QTest::newRow("smallest plain") << "0.00001" << "0.00001";
        QTest::newRow("scientific below") << "0.0000015" << "1.5E-06";
        QTest::newRow("negative scientific") << "-2E-7" << "-2E-07";
        QTest::newRow("comma") << "1,5" << "";
        QTest::newRow("no number") << "x" << "";
        QTest::newRow("two points") << "1.2.3" << "";
        QTest::newRow("beyond a double") << "1e400" << "";
    }
    void numbers()
    {
        QFETCH(QString, sent);
        QFETCH(QString, readBack);
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        exchange(rig, clock, "CORRECTION:ACLIN 7\r");
        QCOMPARE(exchange(rig, clock, "CORRECTION:ACLIN " + sent + "\r"), QString::fromLatin1(readBack.isEmpty() ? "*9\r\n" : "*0\r\n"));
        QCOMPARE(exchange(rig, clock, "CORRECTION:ACLIN ?\r"),
                 (readBack.isEmpty() ? QStringLiteral("7") : readBack) + "\r\n*0\r\n");
    }

    // The default options of each model, bit by bit.
    void defaultOptionsByModel_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<qint64>("mask");
        QTest::newRow("6450") << "6450" << qint64(522190);
        QTest::newRow("6445") << "6445" << qint64(520960);
        QTest::newRow("6440") << "6440" << qint64(520192);
        QTest::newRow("6480") << "6480" << qint64(393984);
        QTest::newRow("6475") << "6475" << qint64(393216);
    }
    void defaultOptionsByModel()
    {
        QFETCH(QString, model);
        QFETCH(qint64, mask);
        QCOMPARE(defaultOptions(model), mask);
    }

    // What is written is what is read back, in the reply layouts the editors parse.
    void tableRoundTrip()
    {
        VirtualClock clock(QDateTime(QDate(2026, 12, 6), QTime(15, 30)));
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        exchange(rig, clock, "CALIBRATE:PASSWORD 6182\r");
        QCOMPARE(exchange(rig, clock, "Ws5,1,12.5\rWi20,13,0.25\rWwb12,100000042\r&05Spec 1.2 06/12/26\ra1\r"),
                 QStringLiteral("*0\r\n*0\r\n*0\r\n*0\r\n*0\r\n"));
        exchange(rig, clock, "k5820637\rWt1234,-4\rWt0,2\ra1\r"); // stored one below what is sent

        const QStringList ps = exchange(rig, clock, "ps\r", 20000).split("\r\n");
        QCOMPARE(ps.size(), 72); // 70 rows, the token, and the empty text after the last CR LF
        QVERIFY2(ps[4].startsWith("R05 1kV DC,") && ps[4].endsWith(",12.5"), qPrintable(ps[4]));
        QCOMPARE(ps[32].left(7), QStringLiteral("R33 1\xF4 "));
        QCOMPARE(ps[70], QStringLiteral("*0"));
        const QStringList pi = exchange(rig, clock, "pi\r", 20000).split("\r\n");
        QCOMPARE(pi[19].split(',').size(), 15);
        QVERIFY(pi[19].endsWith(",0.25"));

        const QStringList pa = exchange(rig, clock, "pa\r", 20000).split("\r\n");
        QVERIFY2(pa[11].startsWith("Range 12, ") && pa[11].split(", ")[2] == "100000042", qPrintable(pa[11]));
        QCOMPARE(pa[19].split(", ").size(), 24); // range 20: the label and 23 points
        const QStringList pt = exchange(rig, clock, "pt\r", 60000).split("\r\n");
        QCOMPARE(pt.size(), 352);
        QVERIFY2(pt[0].startsWith("0R,1,"), qPrintable(pt[0]));
        QVERIFY2(pt[123].startsWith("123R,") && pt[123].split(',')[5] == "-5", qPrintable(pt[123]));

        const QStringList v = exchange(rig, clock, "v\r").split("\r\n");
        QCOMPARE(v.mid(0, 3), (QStringList{"Model 6450", "Version 2.31", "Serial 64500123"}));
        QCOMPARE(v[8], QStringLiteral("Spec 1.2 06/12/26"));
        QCOMPARE(v[10], QStringLiteral("*0"));

        // The "Ww" bracket became a calibration event dated by the meter's clock.
        const QStringList history = exchange(rig, clock, "CALIBRATE:HISTORY\r").split("\r\n");
        QCOMPARE(history.mid(4, 2), (QStringList{"DATE 06/12/2026", "RANGE 12"}));
    }

    void clockFollowsTime()
    {
        VirtualClock clock(QDateTime(QDate(2026, 3, 14), QTime(10, 0)));
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        exchange(rig, clock, "k5820637\rA0102270905\ra1\r");
        clock.advance(61000);
        QCOMPARE(exchange(rig, clock, "a\r"), QStringLiteral("01/02/2027 09:06:01\r\n*0\r\n"));
    }

    void faults()
    {
        VirtualClock clock;
        SerialMeterRig rig(clock);
        rig.port.setPortOpen(true);
        rig.meter.addFault(Fault::Echo, "*IDN?", 1);
        QCOMPARE(exchange(rig, clock, "*IDN?\r"), QStringLiteral("*IDN?\r\nVelkorande,Model 6450,64500123,2.31\r\n"));
        rig.meter.addFault(Fault::Reject, "Wt", 1);
        QCOMPARE(exchange(rig, clock, "k5820637\rWt5,7\rWt6,7\ra1\r"), QStringLiteral("*0\r\n*9\r\n*0\r\n*0\r\n"));
        QCOMPARE(rig.meter.state().prt[5] == 7, false);
        QCOMPARE(rig.meter.state().prt[6], 6);
        rig.meter.addFault(Fault::Silence, "v", 1);
        QCOMPARE(exchange(rig, clock, "v\r"), QString());
        QCOMPARE(rig.meter.transcript().last().command, QStringLiteral("v"));

        rig.meter.addFault(Fault::Garbage, "a1", 1);
        const QString noisy = exchange(rig, clock, "a1\r");
        QVERIFY(noisy.endsWith("*0\r\n") && noisy.size() > 4 && !noisy.left(noisy.size() - 4).contains('*'));

        rig.meter.setWireTime(false);
        rig.meter.addFault(Fault::PartialLine, "a1", 1);
        QCOMPARE(exchange(rig, clock, "a1\r", 60), QStringLiteral("*0"));
        QCOMPARE(exchange(rig, clock, "", 100), QStringLiteral("\r\n"));

        rig.meter.setLateMs(2000); // and the next reply queues behind the late one
        rig.meter.addFault(Fault::Late, "a1", 1);
        QCOMPARE(exchange(rig, clock, "a1\r", 1900), QString());
        QCOMPARE(exchange(rig, clock, "a1\r", 200), QStringLiteral("*0\r\n*0\r\n"));

        rig.meter.setForeignIdentity(true);
        QVERIFY(!exchange(rig, clock, "*IDN?\r").toUpper().contains("VELKORANDE"));

        rig.meter.addFault(Fault::Disconnect, "pa");
        exchange(rig, clock, "pa\r", 20000);
        QVERIFY(!rig.port.PortOpen());
        QVERIFY(!rig.port.setPortOpen(true));
    }

    void gpibMessages()
    {
        VirtualClock clock;
        SimMeter meter;
        MeterPeer gpib(meter, clock, MeterPeer::Framing::Message);
        QByteArray got;
        gpib.deliver = [&got](const QByteArray &b) { got += b; };
        gpib.receive("SYST:COMM:GPIB:ADDR 05\n");
        clock.advance(10);
        QCOMPARE(got, QByteArray("*0\r\n"));
        QCOMPARE(meter.state().gpibAddress, 5);
    }

    void module()
    {
        SimModule a({QHostAddress("127.0.0.1"), 10001, 32767, "00-50-C2-64-50-01", "Velkoran", "6450 DMM"});
        QCOMPARE(a.command("X", 0).value_or("none"), QByteArray("A00-50-C2-64-50-01/10001/01RMSV6.2/9600/Velkoran/6450 DMM"));
        QCOMPARE(a.command("L", 0).value_or("none"), QByteArray("none")); // not selected
        QCOMPARE(a.command("W00-50-c2-64-50-01 ", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(a.command("SDN6440 DMM", 0).value_or("none"), QByteArray("N")); // no login yet
        QCOMPARE(a.command("L", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(a.command("SDN6440 DMM", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(a.command("SDH1", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(a.command("E", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(a.command("X", 1000).value_or("none"), QByteArray("none")); // rebooting
        QVERIFY(a.command("X", 3000).value_or("none").endsWith("/01RISV6.2/9600/Velkoran/6440 DMM"));
        QCOMPARE(a.command("W00-50-C2-64-50-02", 3000).value_or("none"), QByteArray("none"));

        SimModule fresh({QHostAddress("127.0.0.1"), 10002, 32767, "00-50-C2-64-50-02", "Lantroni", "UDS1100", false,
                         false, false});
        QVERIFY(!fresh.passesMeterTraffic(0));
        for (const char *c : {"W00-50-C2-64-50-02", "L", "SBR3", "SPR0", "SBB1", "SFC0", "SSE1"})
            QCOMPARE(fresh.command(c, 0).value_or("none"), QByteArray("A"));
        QVERIFY(fresh.passesMeterTraffic(0));

        // Faults: a login answered with more than "A", and a command that fails.
        SimModule faulty({QHostAddress("127.0.0.1"), 10003, 32767, "00-50-C2-64-50-03", "Velkoran", "6450 DMM"});
        faulty.setLoginExtra("OK");
        faulty.failCommand("SIP");
        QCOMPARE(faulty.command("W00-50-C2-64-50-03", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(faulty.command("L", 0).value_or("none"), QByteArray("AOK"));
        QCOMPARE(faulty.command("SIP10.0.0.7", 0).value_or("none"), QByteArray("N"));
        QCOMPARE(faulty.command("SDH1", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(faulty.command("E", 0).value_or("none"), QByteArray("A"));
        QCOMPARE(faulty.configuredAddress(), QStringLiteral("127.0.0.1"));
    }
};

QTEST_GUILESS_MAIN(MeterTest)
#include "meter_test.moc"
