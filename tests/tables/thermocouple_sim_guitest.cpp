// The thermocouple windows over the real chain: the 6450 driver on RS232, the serial
// exchange and the simulated meter on the virtual clock. Checks every command the meter
// receives and the points and information line it stores.
#include "link/SharedState.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "tables/thermocouple/ThermocoupleTables.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "tests/support/ThermocoupleTableFolder.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using metersim::Fault;

namespace {

const QString Access = QStringLiteral("k5820637");
const QString Leave = QStringLiteral("a1");

// A simulated 6450 behind the real driver on a memory port.
struct MeterFixture
{
    SimulatedMeterEnv sim;
    TestEnv &env = sim.env;
    metersim::SerialMeterRig &rig = sim.rig;

    QStringList points() const { return rig.meter.commands().filter(QRegularExpression(QStringLiteral("^Wc"))); }
};

// The number a point command's temperature text stands for ("." is 0).
double temperatureOf(const QString &command) { return command.section(QLatin1Char(','), 1).toDouble(); }

} // namespace

class ThermocoupleSimGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A full write-all run: every command in order, then what the meter holds.
    void fullRunAgainstTheMeter()
    {
        MeterFixture f;
        // The information line carries the PC's date: move the virtual clock to 3 April 2026
        // so day and month cannot be confused.
        f.env.clock.advance(20LL * 24 * 3600 * 1000);
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_SaveThermocoupleTableFromFormula_Click();

        QStringList expected{Access};
        for (const Thermocouple::TypeTable &table : Thermocouple::tables())
            for (qint32 E = table.firstEmf(); E <= table.lastEmf; E += table.step)
                expected << Thermocouple::pointCommand(
                    QString(table.letter), E, Thermocouple::formulaTemperatureText(Thermocouple::temperatureAt(table, E)));
        expected << Access << QStringLiteral("&06Tab 1.0 03/04/26") << Leave << Leave;
        const QStringList sent = f.rig.meter.commands();
        QCOMPARE(sent.size(), 1 + 1337 + 4);
        QCOMPARE(sent, expected);
        // Landmarks written out, so the expectation above does not only restate the tables.
        QCOMPARE(sent[1], QStringLiteral("WcB 250,233.23"));
        QVERIFY(sent.contains(QStringLiteral("WcE 0,.")));
        QVERIFY(sent.contains(QStringLiteral("WcK 250,6.27")));
        QVERIFY(sent[1 + 55 + 247].startsWith(QStringLiteral("WcJ -8000,")));
        QCOMPARE(sent[1336 + 1], QStringLiteral("WcT 21000,402.03"));
        // Every reply was "*0": no box, no second try.
        for (const metersim::TranscriptEntry &entry : f.rig.meter.transcript())
            QVERIFY2(entry.reply.startsWith(QLatin1String("*0")), qPrintable(entry.command + " -> " + entry.reply));
        QVERIFY(f.env.ui.boxes.isEmpty());

        const metersim::MeterState stored = f.rig.meter.state();
        const std::map<QChar, int> counts = {{'B', 55}, {'E', 247}, {'J', 313}, {'K', 242},
                                             {'N', 209}, {'R', 85},  {'S', 76},  {'T', 110}};
        QCOMPARE(stored.thermocouples.size(), counts.size());
        for (const auto &[type, count] : counts)
            QCOMPARE(int(stored.thermocouples.at(type).size()), count);
        for (const QString &command : f.points()) {
            const QChar type = command[2];
            const int E = command.mid(4).section(QLatin1Char(','), 0, 0).toInt();
            QCOMPARE(stored.thermocouples.at(type).at(E), temperatureOf(command));
        }
        QCOMPARE(stored.thermocouples.at('E').at(0), 0.0);
        QCOMPARE(stored.info[5], QStringLiteral("Tab 1.0 03/04/26"));
        QCOMPARE(stored.mode, metersim::Mode::Normal);
        QVERIFY(form.Command_SaveThermocoupleTableFromFormula->isEnabled());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // Replies in two pieces and a slow meter change nothing of what is written.
    void slowSplitRepliesKeepTheTranscript()
    {
        MeterFixture f;
        f.rig.meter.addFault(Fault::PartialLine);
        f.rig.meter.setReplyDelayMs(1500);
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_SaveThermocoupleTableFromFormula_Click();
        const QStringList sent = f.rig.meter.commands();
        QCOMPARE(sent.size(), 1 + 1337 + 4);
        QCOMPARE(sent.count(Access), 2);
        QVERIFY(f.env.ui.boxes.isEmpty());
        QCOMPARE(int(f.rig.meter.state().thermocouples.at('T').size()), 110);
    }

    // Stop while K is written: K ends after that point, the later types write their first
    // point each, and no information line claims a complete table.
    void stopDuringK()
    {
        MeterFixture f;
        auto &form = appWindows().form<FormThermocouple>();
        f.rig.meter.setObserver([&form](const metersim::TranscriptEntry &entry) {
            if (entry.command.startsWith(QLatin1String("WcK 1000,")))
                QMetaObject::invokeMethod(form.Command_Stop, &QPushButton::click, Qt::QueuedConnection);
        });
        form.Command_SaveThermocoupleTableFromFormula_Click();

        const QStringList points = f.points();
        QCOMPARE(points.filter(QRegularExpression(QStringLiteral("^WcK "))).last().section(QLatin1Char(','), 0, 0),
                 QStringLiteral("WcK 1000"));
        const QStringList tail = points.mid(points.size() - 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(tail[i].startsWith(QStringLiteral("Wc%1 ").arg(QLatin1Char("NRST"[i]))), qPrintable(tail[i]));
        QCOMPARE(f.rig.meter.state().info[5], QStringLiteral("Tab 1.0 01/01/25"));
        QCOMPARE(f.rig.meter.commands().last(), Leave);
        QCOMPARE(f.rig.meter.state().mode, metersim::Mode::Normal);
    }

    // A point answered after its 4-s time-out, while its own answer is waited for: that
    // answer is the point's, the write goes on to the end and stamps the complete table.
    void latePointAnswerCounts()
    {
        MeterFixture f;
        f.rig.meter.setLateMs(5000);
        f.rig.meter.addFault(Fault::Late, QStringLiteral("WcK 250,"), 1);
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_SaveThermocoupleTableFromFormula_Click();

        const QStringList sent = f.rig.meter.commands();
        QCOMPARE(sent.size(), 1 + 1337 + 4);
        QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^WcK 250,"))).size(), 1);
        QCOMPARE(sent.mid(sent.size() - 3), (QStringList{QStringLiteral("&06Tab 1.0 14/03/26"), Leave, Leave}));
        QVERIFY(f.env.ui.boxes.isEmpty());
        QVERIFY(f.rig.meter.state().thermocouples.at('K').count(250));
        QCOMPARE(f.rig.meter.state().info[5], QStringLiteral("Tab 1.0 14/03/26"));
        QCOMPARE(f.rig.meter.state().mode, metersim::Mode::Normal);
    }

    // "*6" from the meter for one point: the message, and the write ends there.
    void passwordNeededForOnePoint()
    {
        MeterFixture f;
        f.rig.meter.addFault(Fault::Refuse, QStringLiteral("WcK 250,"), 1);
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Password needed"));
        QCOMPARE(f.env.ui.boxes[0].title, QStringLiteral("Authentication Failure"));
        QVERIFY(f.points().last().startsWith(QLatin1String("WcK 250,")));
        QVERIFY(!f.rig.meter.state().thermocouples.at('K').count(250));
        QVERIFY(!f.rig.meter.state().thermocouples.contains('N'));
        QCOMPARE(f.rig.meter.state().info[5], QStringLiteral("Tab 1.0 01/01/25"));
        QCOMPARE(f.rig.meter.commands().last(), Leave);
    }

    // Table files: one setup-mode bracket, the general temperature format, the meter's points.
    void filesAgainstTheMeter()
    {
        MeterFixture f;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), "250,6.27\r\n500, 12.55\r\nheading\r\n750,18.8125\r\n");
        folder.write(QStringLiteral("NIST type j.txt"), "-8000,-210\n0,0\n90000,1000\n");
        folder.write(QStringLiteral("notes.txt"), "1,1\n");
        const QString slot6 = f.rig.meter.state().info[5];
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        form.Command_SaveThermocoupleTableVT_Click();

        // The files in name order, letter case ignored; the point beyond 80000 is skipped.
        const QStringList expected{Access,
                                   QStringLiteral("WcJ -8000,-210"),
                                   QStringLiteral("WcJ 0,0"),
                                   QStringLiteral("WcK 250,6.27"),
                                   QStringLiteral("WcK 500,12.55"),
                                   QStringLiteral("WcK 750,18.8125"),
                                   Leave};
        QCOMPARE(f.rig.meter.commands(), expected);
        const metersim::MeterState stored = f.rig.meter.state();
        QCOMPARE(stored.thermocouples.at('K').at(750), 18.8125);
        QCOMPARE(stored.thermocouples.at('J').at(-8000), -210.0);
        QCOMPARE(int(stored.thermocouples.at('J').size()), 2);
        QCOMPARE(stored.info[5], slot6); // no information line from files
        QCOMPARE(stored.mode, metersim::Mode::Normal);
        QVERIFY(f.env.ui.boxes.isEmpty());
        QCOMPARE(form.ProgressBar1->value(), 0);
    }

    // "*6" or Abort from the meter's answers ends the whole file run, with setup mode left.
    void fileRunEnds_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("box");
        QTest::newRow("*6") << int(Fault::Refuse) << QList<int>{} << QStringLiteral("Password needed");
        QTest::newRow("Abort") << int(Fault::Reject) << QList<int>{Msg::Abort} << QStringLiteral("Error writing value");
    }
    void fileRunEnds()
    {
        QFETCH(int, fault);
        QFETCH(QList<int>, answers);
        QFETCH(QString, box);
        MeterFixture f;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), "250,6.27\n500,12.55\n750,18.81\n");
        folder.write(QStringLiteral("Type T.txt"), "250,6.4\n");
        f.rig.meter.addFault(static_cast<Fault>(fault), QStringLiteral("WcK 500,"));
        for (int answer : answers)
            f.env.ui.answerBoxes({static_cast<Msg::Answer>(answer)});
        appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();

        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, box);
        const QStringList points = f.points();
        QCOMPARE(points.first(), QStringLiteral("WcK 250,6.27"));
        QVERIFY(points.last().startsWith(QLatin1String("WcK 500,")));
        QVERIFY(!points.contains(QStringLiteral("WcT 250,6.4")));
        QCOMPARE(f.rig.meter.commands().last(), Leave);
        QCOMPARE(f.rig.meter.state().mode, metersim::Mode::Normal);
        QCOMPARE(int(f.rig.meter.state().thermocouples.at('K').size()), 1);
    }
};

QTEST_MAIN(ThermocoupleSimGuiTest)
#include "thermocouple_sim_guitest.moc"
