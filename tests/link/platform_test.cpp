#include "link/AppTitle.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/MemorySettingsStore.h"
#include "tests/support/doubles/ScriptedUserInteraction.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QFile>
#include <QTime>
#include <QStandardPaths>
#include <QTest>

class PlatformTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useFreshConfigFolder(); }

    // --- virtual clock ---

    void eventsRunInTimeOrderThenInSchedulingOrder()
    {
        VirtualClock clock;
        QStringList log;
        clock.scheduleAt(30, [&] { log << QString("c@%1").arg(clock.monotonicMs()); });
        clock.scheduleAt(10, [&] { log << QString("a@%1").arg(clock.monotonicMs()); });
        clock.scheduleAt(10, [&] { log << QString("b@%1").arg(clock.monotonicMs()); });
        clock.scheduleAt(100, [&] { log << "late"; });
        clock.sleepMs(50);
        QCOMPARE(log, QStringList({"a@10", "b@10", "c@30"}));
        QCOMPARE(clock.monotonicMs(), qint64(50));
        QVERIFY(clock.hasPendingEvents());
    }
    void eventsScheduledFromEventsRunInTheSameSleep()
    {
        VirtualClock clock;
        QStringList log;
        clock.scheduleIn(10, [&] {
            log << "first";
            clock.scheduleIn(5, [&] { log << QString("second@%1").arg(clock.monotonicMs()); });
            clock.scheduleAt(0, [&] { log << QString("past@%1").arg(clock.monotonicMs()); }); // runs now
        });
        clock.sleepMs(20);
        QCOMPARE(log, QStringList({"first", "past@10", "second@15"}));
    }
    void timeNeverRunsBackWhenAnEventSleeps()
    {
        VirtualClock clock;
        clock.scheduleIn(10, [&] { clock.sleepMs(100); });
        clock.sleepMs(20);
        QCOMPARE(clock.monotonicMs(), qint64(110));
        QVERIFY(clock.waitUntil([] { return false; }, 0) == false);
        QCOMPARE(clock.monotonicMs(), qint64(110));
    }
    void waitUntilStopsAtTheEventThatMakesItReady()
    {
        VirtualClock clock;
        bool ready = false;
        clock.scheduleIn(37, [&] { ready = true; });
        QVERIFY(clock.waitUntil([&] { return ready; }, 50));
        QCOMPARE(clock.monotonicMs(), qint64(37));
        QVERIFY(clock.waitUntil([&] { return ready; }, 50)); // already ready: no time passes
        QCOMPARE(clock.monotonicMs(), qint64(37));
        QVERIFY(!clock.waitUntil([] { return false; }, 50));
        QCOMPARE(clock.monotonicMs(), qint64(87));
        QVERIFY(!clock.waitUntil([] { return false; }, -5));
        QCOMPARE(clock.monotonicMs(), qint64(87));
    }
    void timeOfDayWrapsAtMidnightWhileMonotonicGoesOn()
    {
        VirtualClock clock(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59, 900)));
        QCOMPARE(clock.timeOfDay(), 86399.9);
        clock.sleepMs(200);
        QCOMPARE(clock.timeOfDay(), 0.1);
        QCOMPARE(clock.monotonicMs(), qint64(200));
        QCOMPARE(clock.now().date(), QDate(2026, 3, 15));
    }
    void realClockWaitsBoundedAndMonotonic()
    {
        RealClock clock;
        const qint64 t0 = clock.monotonicMs();
        QVERIFY(!clock.waitUntil([] { return false; }, 20));
        const qint64 t1 = clock.monotonicMs();
        QVERIFY(t1 - t0 >= 20);
        QVERIFY(clock.waitUntil([] { return true; }, 1000));
        QVERIFY(clock.timeOfDay() >= 0 && clock.timeOfDay() < 86400);
    }
    void realTimeOfDayIsLocal()
    {
        // A zone three hours east of UTC, given as a rule, so no zone file is needed.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "EAST-3");
        tzset();
        RealClock clock;
        const double local = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        const double apart = std::fmod(std::abs(clock.timeOfDay() - local), 86400.0);
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
        QVERIFY2(std::min(apart, 86400 - apart) < 1.0, qPrintable(QString::number(apart)));
    }

    // --- settings store ---

    void settingsKeysIgnoreCase_data()
    {
        QTest::addColumn<bool>("real");
        QTest::newRow("memory") << false;
        QTest::newRow("QSettings") << true;
    }
    void settingsKeysIgnoreCase()
    {
        QFETCH(bool, real);
        MemorySettingsStore memory;
        QtSettingsStore qt;
        SettingsStore &store = real ? static_cast<SettingsStore &>(qt) : memory;
        const QString section = real ? QStringLiteral("CaseTest") : SettingsStore::Section;
        QVERIFY(!store.HasSetting(section, "DVM1"));
        QCOMPARE(store.GetSetting(section, "DVM1", "6450"), QString("6450"));
        store.SaveSetting(section, "DVM1", "5520");
        QCOMPARE(store.GetSetting(section, "dvm1", "6450"), QString("5520"));
        QCOMPARE(store.GetSetting(section.toUpper(), "Dvm1"), QString("5520"));
        QVERIFY(store.HasSetting(section.toLower(), "dVm1"));
        store.SaveSetting(section.toLower(), "dvm1", "6450"); // the same setting, not a second one
        QCOMPARE(store.GetSetting(section, "DVM1"), QString("6450"));
        QCOMPARE(store.GetSetting(section, "Other", "x"), QString("x"));
        store.SaveSetting(section, "Latin", QString("caf") + QChar(233));
        QCOMPARE(store.GetSetting(section, "LATIN"), QString("caf") + QChar(233));
    }
    void qsettingsStoreLivesUnderTheApplicationTitle()
    {
        QtSettingsStore store;
        store.SaveSetting(SettingsStore::Section, "MainLeft", "120");
        const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!folder.isEmpty());
        QFile file(folder + "/" + AppTitle + "/" + AppTitle + ".ini");
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[Settings]"));
        QVERIFY(text.contains("MainLeft=120"));
        QtSettingsStore again; // a second store object sees the same setting
        QCOMPARE(again.GetSetting("SETTINGS", "mainleft"), QString("120"));
    }

    // --- serial port: COM mapping and the in-memory port ---

    void comNumbersMapThroughPortsSection()
    {
        MemorySettingsStore settings;
        QCOMPARE(serialDeviceFor(1, settings), QString("/dev/ttyS0"));
        QCOMPARE(serialDeviceFor(16, settings), QString("/dev/ttyS15"));
        settings.SaveSetting("Ports", "COM3", "/dev/pts/7");
        QCOMPARE(serialDeviceFor(3, settings), QString("/dev/pts/7"));
        settings.SaveSetting("ports", "com4", "/dev/ttyUSB0");
        QCOMPARE(serialDeviceFor(4, settings), QString("/dev/ttyUSB0"));
    }
    void qtPortRefusesBadNumbersAndMissingDevices()
    {
        MemorySettingsStore settings;
        settings.SaveSetting("Ports", "COM2", "/nonexistent/tty");
        QtSerialPortControl port(settings);
        QCOMPARE(port.CommPort(), 1);
        QVERIFY(!port.setCommPort(0));
        QVERIFY(!port.setCommPort(17));
        QVERIFY(port.setCommPort(2));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.Output("v\r"));
        QCOMPARE(port.Input(), QString());
        QCOMPARE(port.InBufferCount(), 0);
        QVERIFY(!port.waitForInput(10));
        QVERIFY(port.setPortOpen(false));
    }
    void memoryPortCarriesLatin1BothWays()
    {
        VirtualClock clock;
        MemorySerialPort port(clock);
        QByteArray seen;
        port.onOutput = [&](const QByteArray &bytes) { seen += bytes; };
        QVERIFY(!port.Output("x"));
        port.deliver("dropped while closed");
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.openCount, 1);
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.openCount, 1);
        QVERIFY(!port.setCommPort(2)); // not while open
        QVERIFY(port.Output(QString("A") + QChar(228) + QChar(244)));
        QCOMPARE(seen, QByteArray("A\xE4\xF4"));
        port.deliver(QByteArray("a\0b\xE4\xF4", 5));
        QCOMPARE(port.InBufferCount(), 5);
        QCOMPARE(port.Input(), QString("a") + QChar(0) + "b" + QChar(228) + QChar(244));
        QCOMPARE(port.Input(), QString());
    }
    void memoryPortWaitsOnTheClock()
    {
        VirtualClock clock;
        MemorySerialPort port(clock);
        port.setPortOpen(true);
        clock.scheduleIn(30, [&] { port.deliver("*0\r"); });
        QVERIFY(port.waitForInput(50));
        QCOMPARE(clock.monotonicMs(), qint64(30));
        QVERIFY(port.waitForInput(50)); // input waiting: at once
        QCOMPARE(clock.monotonicMs(), qint64(30));
        port.Input();
        QVERIFY(!port.waitForInput(50));
        QCOMPARE(clock.monotonicMs(), qint64(80));
    }
    void vanishedMemoryPortStaysClosed()
    {
        VirtualClock clock;
        MemorySerialPort port(clock);
        port.setPortOpen(true);
        clock.scheduleIn(10, [&] { port.vanish(); });
        QVERIFY(!port.waitForInput(50));
        QCOMPARE(clock.monotonicMs(), qint64(10)); // the wait ends when the port goes
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.setPortOpen(true));
        QCOMPARE(port.Input(), QString());
    }

    // --- user interaction double ---

    void scriptedBoxesRecordAndAnswer()
    {
        ScriptedUserInteraction ui;
        QCOMPARE(ui.MsgBox("Sure?", Msg::YesNo | Msg::Question | Msg::DefaultButton2, {}), Msg::No);
        QCOMPARE(ui.MsgBox("Done", Msg::OKOnly, "Title"), Msg::OK);
        QCOMPARE(ui.MsgBox("Retry?", Msg::RetryCancel, {}), Msg::Retry);
        ui.answerBoxes({Msg::Yes, Msg::Cancel});
        QCOMPARE(ui.MsgBox("Q1", Msg::YesNo, {}), Msg::Yes);
        QCOMPARE(ui.MsgBox("Q2", Msg::YesNoCancel | Msg::DefaultButton3, {}), Msg::Cancel);
        QCOMPARE(ui.MsgBox("Q3", Msg::YesNoCancel | Msg::DefaultButton3, {}), Msg::Cancel); // default again
        QCOMPARE(ui.boxes.size(), 6);
        QCOMPARE(ui.boxes[0].prompt, QString("Sure?"));
        QCOMPARE(ui.boxes[0].title, AppTitle);
        QCOMPARE(ui.boxes[0].style, Msg::YesNo | Msg::Question | Msg::DefaultButton2);
        QCOMPARE(ui.boxes[1].title, QString("Title"));
    }
    void scriptedDialogsCancelUnlessAnswered()
    {
        ScriptedUserInteraction ui;
        FileDialogRequest request;
        request.filter = "Cal Files (*.cal)|*.cal";
        QVERIFY(!ui.ShowOpen(request).has_value());
        ui.answerFiles({QString("/tmp/a.cal"), std::nullopt});
        QCOMPARE(ui.ShowSave(request).value(), QString("/tmp/a.cal"));
        QVERIFY(!ui.ShowOpen(request).has_value());
        QCOMPARE(ui.fileRequests.size(), 3);
        QCOMPARE(ui.InputBox("Name?", {}, "x"), QString());
        ui.answerInputs({"abc"});
        QCOMPARE(ui.InputBox("Name?", {}, {}), QString("abc"));
        QCOMPARE(ui.inputPrompts, QStringList({"Name?", "Name?"}));
    }
    void hourglassNests()
    {
        ScriptedUserInteraction ui;
        {
            Hourglass outer(ui);
            Hourglass inner(ui);
            QCOMPARE(ui.hourglassDepth, 2);
        }
        QCOMPARE(ui.hourglassDepth, 0);
        QCOMPARE(ui.hourglassShown, 2);
    }
    void buttonsAndDefaults_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::newRow("OK") << int(Msg::OKOnly | Msg::Critical) << 1 << int(Msg::OK);
        QTest::newRow("OK Cancel, second") << int(Msg::OKCancel | Msg::DefaultButton2) << 2 << int(Msg::Cancel);
        QTest::newRow("Abort Retry Ignore, third") << int(Msg::AbortRetryIgnore | Msg::DefaultButton3) << 3 << int(Msg::Ignore);
        QTest::newRow("Yes No, no such third") << int(Msg::YesNo | Msg::DefaultButton3) << 2 << int(Msg::Yes);
    }
    void buttonsAndDefaults()
    {
        QFETCH(int, style);
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QCOMPARE(Msg::buttonsOf(style).size(), buttons);
        QCOMPARE(int(Msg::defaultAnswerOf(style)), defaultAnswer);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "platform_test.moc"
