// The clock dialog against the simulated meter: the meter's time read on activation, the
// clock command from one reading of the PC's clock or from the pickers, always sent inside
// the bracket, and what a refusal or a bad reply shows.
#include "settings/FormDate.h"
#include "settings/MeterClock.h"
#include "tests/settings/SettingsFixture.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>

using metersim::Fault;

namespace {

// Moves the virtual clock (it starts on 14 March 2026 at 10:00) to the given moment.
void moveTo(VirtualClock &clock, const QDateTime &when) { clock.advance(clock.now().msecsTo(when)); }

} // namespace

class ClockTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void activationShowsBothClocks()
    {
        SettingsFixture f;
        moveTo(f.env.clock, QDateTime(QDate(2026, 12, 25), QTime(15, 30, 7)));
        f.meter.editState([](metersim::MeterState &s) { s.clockOffsetMs = 3600 * 1000; });
        auto &form = appWindows().form<FormDate>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Date and Time"));
        QCOMPARE(form.LabelDate->text(), QStringLiteral("..."));
        QCOMPARE(form.LabelMeterDate->text(), QStringLiteral("..."));
        QCOMPARE(form.TimerClock->interval(), 5000);
        QVERIFY(form.TimerClock->isActive());
        form.Form_Activate();
        QCOMPARE(f.calls(), QStringList{"a|1|10|1"});
        QCOMPARE(form.LabelDate->text(), QStringLiteral("Friday, 25 December 2026 15:30"));
        QCOMPARE(form.LabelMeterDate->text(), QStringLiteral("Friday, 25 December 2026 16:30"));
        QCOMPARE(form.DTPicker1->date(), QDate(2026, 12, 25));
        QCOMPARE(form.DTPicker2->time().hour(), 15);
        QCOMPARE(form.DTPicker2->time().minute(), 30);
        QCOMPARE(f.env.ui.hourglassDepth, 0);

        f.env.clock.advance(60 * 1000);
        form.TimerClock_Timer();
        QCOMPARE(form.LabelDate->text(), QStringLiteral("Friday, 25 December 2026 15:31"));
    }

    void badReplies_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("no reply") << int(Fault::Silence);
        QTest::newRow("rejected") << int(Fault::Reject);
        QTest::newRow("cut off") << int(Fault::Disconnect);
    }
    void badReplies()
    {
        QFETCH(int, fault);
        SettingsFixture f;
        f.meter.addFault(Fault(fault), "a", 1);
        auto &form = appWindows().form<FormDate>();
        form.Command_ReadMeterTime_Click();
        QCOMPARE(form.LabelMeterDate->text(), QStringLiteral("Invalid Reply"));
    }

    // Set to the PC's time: one reading of the clock once setup mode has been asked for.
    // Started at 23:59:59.9 the reading falls after midnight, all fields of that instant.
    void setToComputerTime()
    {
        SettingsFixture f;
        moveTo(f.env.clock, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900)));
        auto &form = appWindows().form<FormDate>();
        form.Command_SetTime_Click();
        QCOMPARE(f.calls(), (QStringList{Access + "|1|5|1", "A0101270000|1|10|1", "a|1|10|1", Leave + "|1|10|1"}));
        QCOMPARE(form.LabelMeterDate->text(), QStringLiteral("Friday, 1 January 2027 00:00"));
        QCOMPARE(form.LabelDate->text(), MeterClock::displayText(f.env.clock.now()));
        QCOMPARE(f.meter.mode(), metersim::Mode::Normal);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(f.boxes().isEmpty());
    }

    void setToPickedTime_data()
    {
        QTest::addColumn<QString>("fault"); // "refuse": setup mode refused; "reject": the clock command
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("meterLabel");
        QTest::newRow("accepted") << "" << QStringList{Access, "A2512090905", "a", Leave}
                                  << "Friday, 25 December 2009 09:05";
        QTest::newRow("setup mode refused: sent all the same")
            << "refuse" << QStringList{Access, "A2512090905", Leave} << "before";
        QTest::newRow("clock command refused: no message, label kept")
            << "reject" << QStringList{Access, "A2512090905", Leave} << "before";
    }
    void setToPickedTime()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, commands);
        QFETCH(QString, meterLabel);
        SettingsFixture f;
        if (fault == "refuse")
            f.meter.addFault(Fault::Refuse, Access, 1);
        else if (fault == "reject")
            f.meter.addFault(Fault::Reject, "A", 1);
        auto &form = appWindows().form<FormDate>();
        form.LabelMeterDate->setText("before");
        form.DTPicker1->setDate(QDate(2009, 12, 25));
        form.DTPicker2->setTime(QTime(9, 5, 42));
        form.Command_SetOtherTime_Click();
        QCOMPARE(f.commands(), commands);
        QCOMPARE(form.LabelMeterDate->text(), meterLabel);
        QVERIFY(f.boxes().isEmpty());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // Exit while the meter is being read (an Ethernet wait lets it in): the window hides,
    // the read ends without touching it, and it unloads afterwards; a second click meanwhile
    // starts nothing.
    void exitDuringRead()
    {
        SettingsFixture f;
        auto &form = appWindows().form<FormDate>();
        form.show();
        f.meter.setObserver([&form](const metersim::TranscriptEntry &entry) {
            if (entry.command == QLatin1String("a")) {
                const MeterGate::Yield insideTheWait; // clicks land while the read waits
                form.Command_SetTime_Click();
                form.Command_Exit_Click();
            }
        });
        form.Command_ReadMeterTime_Click();
        QCOMPARE(f.commands(), QStringList{"a"});
        QVERIFY(form.isHidden());
        QTRY_VERIFY(!appWindows().isLoaded<FormDate>());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void layout()
    {
        SettingsFixture f;
        auto &form = appWindows().form<FormDate>();
        QCOMPARE(form.Frame1->title(), QStringLiteral("Computer Time"));
        QCOMPARE(form.Frame2->title(), QStringLiteral("Meter Time"));
        QCOMPARE(form.Command_ReadMeterTime->parentWidget(), form.Frame2);
        QCOMPARE(form.Command_SetTime->text(), QStringLiteral("Set Meter Time to Computer Time"));
        QCOMPARE(form.Command_SetOtherTime->text(), QStringLiteral("Set Meter Time to Specified Time"));
    }
};

QTEST_MAIN(ClockTest)
#include "clock_guitest.moc"
