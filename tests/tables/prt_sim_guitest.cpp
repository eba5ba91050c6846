// The PRT table editor over the real chain: the 6450 driver on RS232, the serial exchange
// and the simulated meter on the virtual clock. Checks what the meter receives, what it
// stores, and that a table read back is the table that was written.
#include "link/SharedState.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/prt/PRTTable.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "widgets/WindowRegistry.h"

#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using metersim::Fault;

namespace {

const QString SetupCommand = QStringLiteral("k5820637");
const QString ExitCommand = QStringLiteral("a1");

// One test's editor, driving a simulated 6450 through the real driver on a memory port.
struct Fixture
{
    SimulatedMeterEnv sim;
    TestEnv &env = sim.env;
    metersim::SerialMeterRig &rig = sim.rig;
    FormPRTTable *form = &appWindows().form<FormPRTTable>();

    // Every cell of the table's 350 rows, row by row (rows from 1, columns 1 to 10).
    QStringList cells() const
    {
        QStringList texts;
        for (int row = 1; row <= PRTTableRows; ++row)
            for (int column = 1; column <= PRTTableColumns; ++column)
                texts << form->CalGrid->TextMatrix(row, column);
        return texts;
    }
    ColourValue colour(int index) const
    {
        return form->CalGrid->cellBackColorAt(index / 10 + 1, index % 10 + 1);
    }
    QStringList writes() const { return rig.meter.commands().filter(QRegularExpression(QStringLiteral("^Wt"))); }
};

// The write of one entry as the meter must receive it: the cell's value plus one.
QString writeOf(int index, const QString &cell)
{
    return QStringLiteral("Wt%1,%2").arg(index).arg(cell.toLongLong() + 1);
}

} // namespace

class PrtSimGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Generate (ITS90), Save All: the exact transcript, the meter's table equals the grid;
    // Load reads the same grid back, and a second Save All leaves the meter unchanged.
    void generatedTableRoundTrip()
    {
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        const QStringList grid = f.cells();
        QCOMPARE(grid.size(), 3500);
        QVERIFY(!grid.contains(QString()));

        f.form->Command_SaveAll_Click();
        QStringList expected{SetupCommand};
        for (int index = 0; index < grid.size(); ++index)
            expected << writeOf(index, grid[index]);
        expected << ExitCommand;
        QCOMPARE(f.rig.meter.commands(), expected);
        QVERIFY(f.env.ui.boxes.isEmpty());
        QCOMPARE(f.rig.meter.mode(), metersim::Mode::Normal);
        QCOMPARE(f.env.ui.hourglassDepth, 0);

        const metersim::MeterState stored = f.rig.meter.state();
        for (int index = 0; index < grid.size(); ++index) {
            QCOMPARE(QString::number(stored.prt[index]), grid[index]);
            QCOMPARE(f.colour(index), CellColour::Written);
        }
        // Spot checks against the published scale: R0 gives 0.01 degrees, within one count.
        QVERIFY(std::abs(stored.prt[1000] - 1000) <= 1);
        QCOMPARE(stored.prt[0], 0);

        f.rig.meter.clearTranscript();
        f.form->Command_LoadAllCalFactors_Click();
        QCOMPARE(f.rig.meter.commands(), QStringList{QStringLiteral("pt")});
        // Load keeps one empty row below the last line it read.
        QCOMPARE(f.form->CalGrid->Rows(), 352);
        QCOMPARE(f.form->CalGrid->TextMatrix(351, 0), QString());
        QCOMPARE(f.form->CalGrid->TextMatrix(351, 1), QString());
        QCOMPARE(f.cells(), grid);
        QCOMPARE(f.form->CalGrid->TextMatrix(1, 0), QStringLiteral("0R"));
        QCOMPARE(f.form->CalGrid->TextMatrix(350, 0), QStringLiteral("349R"));
        QCOMPARE(f.form->ProgressBar1->value(), 100);
        QVERIFY(f.form->Command_LoadAllCalFactors->isEnabled());
        QVERIFY(f.env.ui.boxes.isEmpty());

        // Read-modify-write is stable: writing the loaded table back changes nothing.
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.rig.meter.state().prt, stored.prt);
    }

    // Load shows the meter's own (factory) table, and writing it back keeps it.
    void factoryTableLoadsAndWritesBack()
    {
        Fixture f;
        const std::vector<qint32> factory = f.rig.meter.state().prt;
        f.form->Command_LoadAllCalFactors_Click();
        const QStringList grid = f.cells();
        QCOMPARE(grid.size(), 3500);
        for (int index = 0; index < 3500; ++index)
            QCOMPARE(grid[index], QString::number(factory[index]));
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.writes().size(), 3500);
        QCOMPARE(f.writes().first(), writeOf(0, grid[0]));
        QCOMPARE(f.rig.meter.state().prt, factory);
    }

    // Replies that arrive in pieces, echoed or after line noise still load the whole table.
    void loadThroughLineFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("PartialLine") << int(Fault::PartialLine);
        QTest::newRow("Echo") << int(Fault::Echo);
        QTest::newRow("Garbage") << int(Fault::Garbage);
    }
    void loadThroughLineFaults()
    {
        QFETCH(int, fault);
        Fixture f;
        f.rig.meter.addFault(static_cast<Fault>(fault), QStringLiteral("pt"));
        f.form->Command_LoadAllCalFactors_Click();
        const std::vector<qint32> table = f.rig.meter.state().prt;
        const QStringList grid = f.cells();
        for (int index = 0; index < 3500; ++index)
            QCOMPARE(grid[index], QString::number(table[index]));
        QCOMPARE(f.form->CalGrid->TextMatrix(350, 0), QStringLiteral("349R"));
        QVERIFY(f.env.ui.boxes.isEmpty());
    }

    // The link drops halfway through the "pt" reply: an empty grid and word that the table
    // was not read completely; Save All then finds no meter to open setup mode on.
    void linkDropsDuringLoad()
    {
        Fixture f;
        f.rig.meter.addFault(Fault::Disconnect, QStringLiteral("pt"), 1);
        f.form->Command_LoadAllCalFactors_Click();
        QCOMPARE(f.form->CalGrid->Rows(), 2);
        QCOMPARE(f.form->CalGrid->TextMatrix(1, 1), QString());
        QVERIFY(f.form->Command_LoadAllCalFactors->isEnabled());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("The PRT table was not read completely: read it again"));
        QCOMPARE(f.env.ui.boxes[0].style, Msg::OKOnly | Msg::Critical);

        f.form->Command_GenerateITS90_Click();
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.env.ui.boxes.size(), 2);
        QCOMPARE(f.env.ui.boxes[1].prompt, QStringLiteral("Error entering setup mode"));
        QCOMPARE(f.rig.meter.commands(), QStringList{QStringLiteral("pt")});
    }

    // The link drops during a save: the entry fails (blue), nothing more is sent, and one
    // message says how many values were not written.
    void linkDropsDuringSave()
    {
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        const QString command = writeOf(20, f.form->CalGrid->TextMatrix(3, 1));
        f.rig.meter.addFault(Fault::Disconnect, command, 1);
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("The meter did not answer: 3480 values not written"));
        QCOMPARE(f.colour(20), CellColour::Failed);
        QCOMPARE(f.colour(19), CellColour::Written);
        QCOMPARE(f.rig.meter.commands().last(), command);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // A write the meter rejects twice ("*9"): red cell, "Error writing value" with
    // Abort/Retry/Ignore, and each answer's effect on the meter.
    void rejectedWrite_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("sends");       // how often the entry was sent
        QTest::addColumn<bool>("stored");     // the meter holds the new value
        QTest::addColumn<int>("writesAfter"); // writes of later entries
        QTest::newRow("Ignore") << int(Msg::Ignore) << 2 << false << 3500 - 1235;
        QTest::newRow("Retry") << int(Msg::Retry) << 3 << true << 3500 - 1235;
        QTest::newRow("Abort") << int(Msg::Abort) << 2 << false << 0;
    }
    void rejectedWrite()
    {
        QFETCH(int, answer);
        QFETCH(int, sends);
        QFETCH(bool, stored);
        QFETCH(int, writesAfter);
        Fixture f;
        const qint32 before = f.rig.meter.state().prt[1234];
        f.form->Command_GenerateITS90_Click();
        const QString cell = f.form->CalGrid->TextMatrix(124, 5); // index 1234
        const QString command = writeOf(1234, cell);
        f.rig.meter.addFault(Fault::Reject, command, 2);
        f.env.ui.answerBoxes({static_cast<Msg::Answer>(answer)});

        f.form->Command_SaveAll_Click();

        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Error writing value"));
        QCOMPARE(f.env.ui.boxes[0].style, Msg::AbortRetryIgnore | Msg::Critical);
        const QStringList sent = f.rig.meter.commands();
        QCOMPARE(sent.count(command), sends);
        QCOMPARE(sent.last(), ExitCommand);
        QCOMPARE(f.rig.meter.mode(), metersim::Mode::Normal);
        QCOMPARE(f.writes().size(), 1234 + sends + writesAfter);
        QCOMPARE(f.rig.meter.state().prt[1234], stored ? cell.toInt() : before);
        QCOMPARE(f.colour(1234), stored ? CellColour::Written : CellColour::Rejected);
        QCOMPARE(f.colour(1233), CellColour::Written);
    }

    // One "*9" costs only the second try: the cell ends green without a box. A "*9" that
    // comes after the try's time-out, while its own answer is waited for, is that try's:
    // the second try goes out only after it.
    void singleRejectIsRetried_data()
    {
        QTest::addColumn<bool>("late");
        QTest::newRow("at once") << false;
        QTest::newRow("after the time-out") << true;
    }
    void singleRejectIsRetried()
    {
        QFETCH(bool, late);
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        const QString command = writeOf(7, f.form->CalGrid->TextMatrix(1, 8));
        f.rig.meter.addFault(Fault::Reject, command, 1);
        if (late)
            f.rig.meter.addFault(Fault::Late, command, 1); // 14.5 s: after 10 s, within the wait
        f.form->Command_SaveAll_Click();
        QVERIFY(f.env.ui.boxes.isEmpty());
        QCOMPARE(f.rig.meter.commands().count(command), 2);
        QCOMPARE(f.colour(7), CellColour::Written);
        QCOMPARE(f.writes().size(), 3501);
    }

    // "*6" on one entry: "Password needed", the save stops there, setup mode is left and the
    // entries written before keep their green colour.
    void passwordNeededStopsTheSave()
    {
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        const QString command = writeOf(100, f.form->CalGrid->TextMatrix(11, 1));
        f.rig.meter.addFault(Fault::Refuse, command, 1);
        f.form->Command_SaveAll_Click();

        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Password needed"));
        QCOMPARE(f.writes().size(), 101);
        QCOMPARE(f.writes().last(), command);
        QCOMPARE(f.rig.meter.commands().last(), ExitCommand);
        QCOMPARE(f.rig.meter.mode(), metersim::Mode::Normal);
        QCOMPARE(f.colour(99), CellColour::Written);
        QCOMPARE(f.form->CalGrid->cellBackColorAt(11, 2), f.form->CalGrid->BackColor());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // The meter refuses the service-mode code: nothing is written and the bracket is not closed.
    void setupModeRefused()
    {
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        f.rig.meter.addFault(Fault::Refuse, SetupCommand, 1);
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.rig.meter.commands(), QStringList{SetupCommand});
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
    }

    // A meter that stops answering mid-save: the entry times out once (blue), nothing more
    // of the table is sent, and the bracket is closed once the meter answers again.
    void silentMeterTimesOut()
    {
        Fixture f;
        f.form->Command_GenerateITS90_Click();
        const QString command = writeOf(3, f.form->CalGrid->TextMatrix(1, 4));
        f.rig.meter.addFault(Fault::Silence, command, 1);
        f.form->Command_SaveAll_Click();
        QCOMPARE(f.rig.meter.commands().count(command), 1);
        QCOMPARE(f.rig.meter.commands().size(), 1 + 4 + 1); // setup mode, indexes 0 to 3, "a1"
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.colour(3), CellColour::Failed);
        QCOMPARE(f.rig.meter.commands().last(), ExitCommand);
        QCOMPARE(f.rig.meter.mode(), metersim::Mode::Normal);
    }
};

QTEST_MAIN(PrtSimGuiTest)
#include "prt_sim_guitest.moc"
