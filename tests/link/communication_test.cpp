#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/ScriptedSerialPeer.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QTest>

using Chunks = QList<ScriptedSerialPeer::Chunk>;
Q_DECLARE_METATYPE(Chunks)

namespace {
QByteArray bytes(const char *data, int size) { return QByteArray(data, size); }
}

// The RS232 exchange and the setup-mode bracket, on virtual time with a scripted peer.
class CommunicationTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }

private:
    // A port that is already open (so no wake-up), with a scripted peer.
    struct Link
    {
        TestEnv env;
        MemorySerialPort port{env.clock};
        ScriptedSerialPeer peer{env.clock, port};
        explicit Link(bool open = true)
        {
            if (open)
                port.setPortOpen(true);
        }
    };

private Q_SLOTS:
    void pacing_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("paceMs");
        QTest::newRow("0.1 s after the last") << 100 << 20;
        QTest::newRow("just inside 0.2 s") << 190 << 20;
        QTest::newRow("just after 0.2 s") << 210 << 5;
        QTest::newRow("after a pause") << 3000 << 5;
    }
    void pacing()
    {
        QFETCH(int, gapMs);
        QFETCH(int, paceMs);
        Link link;
        QCOMPARE(SerialSendString(&link.port, "A", false, 10, 1), QString());
        QCOMPARE(link.peer.commandTimes, QList<qint64>({5})); // first ever: 5 ms
        link.env.clock.sleepMs(gapMs);
        const qint64 before = link.env.clock.monotonicMs();
        QCOMPARE(SerialSendString(&link.port, "B", false, 10, 1), QString());
        QCOMPARE(link.peer.commandTimes.last() - before, qint64(paceMs));
        QCOMPARE(link.env.clock.monotonicMs(), link.peer.commandTimes.last()); // no wait after
        QCOMPARE(state().LastSendTime, link.env.clock.timeOfDay());
    }

    void replies_data()
    {
        QTest::addColumn<Chunks>("reply");
        QTest::addColumn<int>("endCondition");
        QTest::addColumn<QString>("expected");
        QTest::newRow("token with CR LF") << ScriptedSerialPeer::after(30, "*0\r\n") << 1 << "*0\r";
        QTest::newRow("three lines") << ScriptedSerialPeer::after(30, "Model 6450\r\nSerial 1\r\n*0\r\n") << 1
                                     << "Model 6450\rSerial 1\r*0\r";
        QTest::newRow("end 0: first line") << ScriptedSerialPeer::after(30, "first\r\nsecond\r\n*0\r\n") << 0
                                           << "first\r";
        QTest::newRow("end 0: empty lines skipped") << ScriptedSerialPeer::after(30, "\r\n\r\nfirst\r\n") << 0
                                                    << "first\r";
        // Blanks are trimmed off the piece while it still holds its CR (and, after a CR LF,
        // the LF in front): only leading blanks of a line without LF in front go.
        QTest::newRow("end 0: a blank line is a line") << ScriptedSerialPeer::after(30, "\r\n  \r\nfirst\r\n") << 0
                                                       << "  \r";
        QTest::newRow("end 0: token first") << ScriptedSerialPeer::after(30, "*9\r") << 0 << "*9\r";
        QTest::newRow("asterisk inside text ends") << ScriptedSerialPeer::after(30, "a * b\r\nmore\r\n*0\r") << 1
                                                   << "a * b\r";
        QTest::newRow("leading blanks trimmed") << ScriptedSerialPeer::after(30, "  padded  \r  *0\r") << 1
                                                << "padded  \r*0\r";
        QTest::newRow("token with more text") << ScriptedSerialPeer::after(30, "*0 OK\r") << 1 << "*0 OK\r";
        QTest::newRow("NUL and Latin-1 bytes") << ScriptedSerialPeer::after(30, bytes("a\0b\xE4\xF4\r*0\r", 9)) << 1
                                               << QString("a") + QChar(0) + "b" + QChar(228) + QChar(244) + "\r*0\r";
        QTest::newRow("byte by byte")
            << Chunks({{10, "*"}, {40, "0"}, {40, "\r"}, {10, "\n"}}) << 1 << "*0\r";
        QTest::newRow("lines across chunks")
            << Chunks({{10, "Mod"}, {300, "el\r\nSer"}, {1500, "ial\r"}, {700, "\n*0\r\n"}}) << 1 << "Model\rSerial\r*0\r";
        QTest::newRow("silence between lines renews the time-out")
            << Chunks({{1500, "a\r"}, {1500, "b\r"}, {1500, "c\r"}, {1500, "*0\r"}}) << 1 << "a\rb\rc\r*0\r";
        QTest::newRow("no reply") << Chunks() << 1 << "TIMEOUT";
        QTest::newRow("lines but no token") << ScriptedSerialPeer::after(30, "one\r\ntwo\r\n") << 1 << "TIMEOUT";
        QTest::newRow("end 0: only empty lines") << ScriptedSerialPeer::after(30, "\r\n\r\n") << 0 << "TIMEOUT";
        QTest::newRow("line without end") << ScriptedSerialPeer::after(30, "*0") << 1 << "TIMEOUT";
        QTest::newRow("token too late") << ScriptedSerialPeer::after(4500, "*0\r") << 1 << "TIMEOUT";
        QTest::newRow("huge line without end")
            << Chunks({{10, QByteArray(200000, 'x')}, {500, QByteArray(200000, '\xE4')}}) << 1 << "TIMEOUT";
        QTest::newRow("huge line with end")
            << Chunks({{10, QByteArray(100000, 'x') + "\r"}, {10, "*0\r"}}) << 1 << QString(100000, 'x') + "\r*0\r";
    }
    void replies()
    {
        QFETCH(Chunks, reply);
        QFETCH(int, endCondition);
        QFETCH(QString, expected);
        Link link;
        link.peer.answer = [&](const QString &) { return reply; };
        const QString got = SerialSendString(&link.port, "v", true, 3, endCondition);
        QCOMPARE(got.size(), expected.size());
        QCOMPARE(got, expected);
        QCOMPARE(link.peer.commands, QStringList({"v"}));
        // A time-out is noticed at most one 2-second line read late.
        QVERIFY(link.env.clock.monotonicMs() < 3000 + 6 * 1500 + 2100);
    }

    // The reply is taken when its last byte arrives, not at the next poll step.
    void replyTakenWhenComplete()
    {
        Link link;
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(7, "*0\r"); };
        QCOMPARE(SerialSendString(&link.port, "a1", true, 10, 1), QString("*0\r"));
        QCOMPARE(link.env.clock.monotonicMs(), qint64(5 + 7));
    }

    void timeoutDropsWhatArrivedAndCountsFromTheLastLine()
    {
        Link link;
        link.peer.answer = [](const QString &) {
            return Chunks({{100, "part one\r"}, {900, "part two\r"}});
        };
        QCOMPARE(SerialSendString(&link.port, "ps", true, 2, 1), QString("TIMEOUT"));
        // The last line came at about 1 s; two seconds later (rounded to whole seconds,
        // noticed after the line read under way) the exchange gives up.
        const qint64 end = link.env.clock.monotonicMs();
        QVERIFY2(end >= 2500 && end <= 5100, qPrintable(QString::number(end)));
    }

    void timeoutAcrossMidnight()
    {
        Link link;
        VirtualClock late(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 58)));
        state().clock = &late;
        MemorySerialPort port(late);
        ScriptedSerialPeer peer(late, port);
        port.setPortOpen(true);
        peer.answer = [](const QString &command) {
            return command == "v" ? ScriptedSerialPeer::after(3000, "*0\r") : Chunks();
        };
        QCOMPARE(SerialSendString(&port, "v", true, 5, 1), QString("*0\r"));
        QCOMPARE(SerialSendString(&port, "x", true, 2, 1), QString("TIMEOUT"));
        QVERIFY(late.monotonicMs() < 3100 + 5000);
    }

    void pendingInputDiscardedBeforeEachSend()
    {
        Link link;
        link.peer.answer = [](const QString &command) {
            if (command == "Ww1")
                return ScriptedSerialPeer::after(10, "*0\r\nlate junk\r\n*9\r\n");
            return ScriptedSerialPeer::after(10, "*0\r\n");
        };
        QCOMPARE(SerialSendString(&link.port, "Ww1", false, 10, 1), QString()); // not waited for
        link.env.clock.sleepMs(500);
        state().SerialRxBuffer = "stale\r";
        QCOMPARE(SerialSendString(&link.port, "v", true, 10, 1), QString("*0\r"));
        // The lines after a token stay in the buffer until the next send drops them.
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(10, "*0\rrest\r"); };
        QCOMPARE(SerialSendString(&link.port, "a", true, 10, 1), QString("*0\r"));
        QCOMPARE(state().SerialRxBuffer, QString("rest\r"));
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(10, "*6\r"); };
        QCOMPARE(SerialSendString(&link.port, "b", true, 10, 1), QString("*6\r"));
    }

    void closedPortIsOpenedWithALoneCr()
    {
        Link link(false);
        link.peer.answer = [](const QString &command) {
            return command.isEmpty() ? Chunks({{20, "?\r\n"}}) : ScriptedSerialPeer::after(30, "*0\r\n");
        };
        QCOMPARE(SerialSendString(&link.port, "v", true, 5, 1), QString("*0\r"));
        QCOMPARE(link.peer.commands, QStringList({"", "v"}));
        // 200 ms, 5 ms pacing, then the wake-up's answer is dropped once the line has been
        // quiet for 50 ms.
        QCOMPARE(link.peer.commandTimes, QList<qint64>({0, 255}));
        QCOMPARE(link.port.written, QByteArray("\rv\r"));
        QCOMPARE(link.port.openCount, 1);
        QCOMPARE(SerialSendString(&link.port, "a1", true, 5, 1), QString("*0\r")); // stays open
        QCOMPARE(link.port.openCount, 1);
    }

    void portThatCannotBeOpened()
    {
        Link link(false);
        link.port.setOpenFails(true);
        QCOMPARE(SerialSendString(&link.port, "v", true, 5, 1), QString());
        QCOMPARE(link.env.clock.monotonicMs(), qint64(200));
        QVERIFY(link.port.written.isEmpty());
        QCOMPARE(SerialSendString(nullptr, "v", true, 5, 1), QString());
        QCOMPARE(ReadSerialLine(nullptr, 2), QString());
    }

    void portVanishesMidExchange_data()
    {
        QTest::addColumn<int>("vanishAtMs");
        QTest::addColumn<int>("endCondition");
        QTest::newRow("before any reply") << 30 << 1;
        QTest::newRow("after a first line") << 300 << 1;
        QTest::newRow("end 0, while waiting") << 1000 << 0;
    }
    void portVanishesMidExchange()
    {
        QFETCH(int, vanishAtMs);
        QFETCH(int, endCondition);
        Link link;
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(100, "partial"); };
        link.env.clock.scheduleAt(vanishAtMs, [&] { link.port.vanish(); });
        QCOMPARE(SerialSendString(&link.port, "v", true, 10, endCondition), QString());
        QCOMPARE(link.env.clock.monotonicMs(), qint64(vanishAtMs)); // at once, not at the time-out
        QCOMPARE(SerialSendString(&link.port, "v", true, 10, endCondition), QString()); // cannot reopen
    }

    void showActivityOnEveryTurn()
    {
        Link link;
        link.peer.answer = [](const QString &) { return Chunks({{10, "a\r"}, {10, "b\r"}, {10, "*0\r"}}); };
        QCOMPARE(SerialSendString(&link.port, "v", true, 5, 1), QString("a\rb\r*0\r"));
        QCOMPARE(link.env.host.statusPanelText(2), QString("|||"));
    }

    void readSerialLine()
    {
        Link link;
        SharedState &s = state();
        s.SerialRxBuffer = "  first  \r\nsecond\r";
        QCOMPARE(ReadSerialLine(&link.port, 2), QString("first  ")); // complete: no poll
        QCOMPARE(link.env.clock.monotonicMs(), qint64(0));
        QCOMPARE(s.LastLine, QString("first  \r"));
        QCOMPARE(ReadSerialLine(&link.port, 2), QString("second")); // the LF of the CR LF goes
        QCOMPARE(ReadSerialLine(&link.port, 2), QString());
        QCOMPARE(link.env.clock.monotonicMs(), qint64(2000)); // 40 polls of 50 ms
        QCOMPARE(ReadSerialLine(&link.port, 0), QString());
        QCOMPARE(link.env.clock.monotonicMs(), qint64(2000));
        link.env.clock.scheduleIn(20, [&] { link.port.deliver("x"); });
        link.env.clock.scheduleIn(70, [&] { link.port.deliver("y\r"); });
        QCOMPARE(ReadSerialLine(&link.port, 1), QString("xy"));
        QCOMPARE(link.env.clock.monotonicMs(), qint64(2070));
    }

    void commAbortEndsALineRead()
    {
        Link link;
        link.env.clock.scheduleIn(120, [] { state().CommAbort = true; });
        QCOMPARE(ReadSerialLine(&link.port, 5), QString());
        QCOMPARE(link.env.clock.monotonicMs(), qint64(150)); // at the end of that poll
        // Every RS232 exchange clears it before sending.
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(10, "*0\r"); };
        QCOMPARE(SerialSendString(&link.port, "v", true, 5, 1), QString("*0\r"));
        QVERIFY(!state().CommAbort);
    }

    // --- the setup-mode bracket ---

    void bracket_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("sleepBefore");
        QTest::newRow("enter accepted") << 0 << "k5820637" << 5 << "*0\r" << true << 150;
        QTest::newRow("enter refused") << 0 << "k5820637" << 5 << "*6\r" << false << 150;
        QTest::newRow("enter timed out") << 0 << "k5820637" << 5 << "TIMEOUT" << false << 150;
        QTest::newRow("password accepted") << 1 << "CALIBRATE:PASSWORD 6182" << 10 << "*0 ok\r" << true << 0;
        QTest::newRow("password busy") << 1 << "CALIBRATE:PASSWORD 6182" << 10 << "BUSY" << false << 0;
        QTest::newRow("exit accepted") << 2 << "a1" << 10 << "*0\r" << true << 150;
        QTest::newRow("exit empty") << 2 << "a1" << 10 << "" << false << 150;
        QTest::newRow("exit with leading blank") << 2 << "a1" << 10 << " *0\r" << false << 150;
    }
    void bracket()
    {
        QFETCH(int, which);
        QFETCH(QString, command);
        QFETCH(int, timeout);
        QFETCH(QString, reply);
        QFETCH(bool, accepted);
        QFETCH(int, sleepBefore);
        TestEnv env;
        auto dvm = std::make_unique<ScriptedDVM>();
        ScriptedDVM &scripted = *dvm;
        qint64 sentAt = -1;
        scripted.reply = [&](const QString &) {
            sentAt = env.clock.monotonicMs();
            return reply;
        };
        state().DVM1 = std::move(dvm);
        const bool result = which == 0 ? EnterSetupMode() : which == 1 ? SendCalibratePassword() : ExitSetupMode();
        QCOMPARE(result, accepted);
        QCOMPARE(scripted.calls.size(), 1);
        QCOMPARE(scripted.calls[0].command, command);
        QVERIFY(scripted.calls[0].waitForAck);
        QCOMPARE(scripted.calls[0].timeout, timeout);
        QCOMPARE(scripted.calls[0].packetEndCondition, 1);
        QCOMPARE(sentAt, qint64(sleepBefore));
        QCOMPARE(env.clock.monotonicMs(), qint64(sleepBefore + 50));
    }
    void bracketWithoutDriver()
    {
        TestEnv env;
        QVERIFY(!EnterSetupMode());
        QVERIFY(!SendCalibratePassword());
        QVERIFY(!ExitSetupMode());
    }
    void bracketOverRs232()
    {
        Link link;
        auto dvm = std::make_unique<DVM_6450>();
        dvm->SetCommControl(&link.port);
        state().DVM1 = std::move(dvm);
        link.peer.answer = [](const QString &command) {
            return ScriptedSerialPeer::after(15, command == "Ws1,0,5" ? "*9\r\n" : "*0\r\n");
        };
        QVERIFY(EnterSetupMode());
        QCOMPARE(state().DVM1->SendString("Ws1,0,5", true, 10, 1), QString("*9\r"));
        QVERIFY(ExitSetupMode());
        QCOMPARE(link.port.written, QByteArray("k5820637\rWs1,0,5\ra1\r"));
        // 150 ms, 5 ms pacing, then the 50 ms after the reply: 20 ms pacing within 0.2 s.
        QCOMPARE(link.peer.commandTimes, QList<qint64>({155, 155 + 15 + 50 + 20, 155 + 15 + 50 + 20 + 15 + 150 + 20}));
    }
};

QTEST_GUILESS_MAIN(CommunicationTest)
#include "communication_test.moc"
