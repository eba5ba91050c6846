// The calibration factors editor against the simulated meter: the real driver and serial
// exchange, the exact commands on the wire, and what the meter stores afterwards.
#include "link/Ranges.h"
#include "link/SharedState.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tests/support/GridCells.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "widgets/WindowRegistry.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using metersim::Fault;
using metersim::MeterState;

namespace {

const QString Access = QStringLiteral("k5820637");
const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");
const QString Leave = QStringLiteral("a1");

using Table = std::vector<std::vector<qint32>>;

FormCalFactors &openEditor() { return appWindows().form<FormCalFactors>(); }

// The letter of a calibration point in a "Ww" command.
QChar pointLetter(int point)
{
    return point < 26 ? QChar(u'a' + point) : QChar(u'A' + (point - 26));
}

QString writeCommand(int range, int point, qint32 value)
{
    return QStringLiteral("Ww") + pointLetter(point) + QString::number(range) + QLatin1Char(',')
           + QString::number(value);
}

// Every "Ww" command that writes a whole table, range by range, point by point.
QStringList writesOf(const Table &table)
{
    QStringList commands;
    for (int r = 1; r <= MeterState::Ranges; ++r)
        for (size_t p = 0; p < table[r].size(); ++p)
            commands << writeCommand(r, int(p), table[r][p]);
    return commands;
}

// The grid shows the meter's table: row r is range r, column c is point c - 1, and a
// range with fewer points leaves the rest of its row empty.
void compareGridWithTable(const FlexGrid &grid, const Table &table)
{
    QCOMPARE(grid.Rows(), MeterState::Ranges + 1);
    for (int r = 1; r <= MeterState::Ranges; ++r) {
        QCOMPARE(grid.TextMatrix(r, 0), GetRangeName(r));
        for (int c = 1; c < grid.Cols(); ++c) {
            const size_t p = size_t(c - 1);
            const QString expected = p < table[r].size() ? QString::number(table[r][p]) : QString();
            if (grid.TextMatrix(r, c) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1 column %2: %3, meter holds %4")
                                     .arg(r).arg(c).arg(grid.TextMatrix(r, c), expected)));
        }
    }
}

} // namespace

class CalFactorsSimGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadOnOpen_data()
    {
        QTest::addColumn<int>("acPoints");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("lastHeader");
        QTest::newRow("20 AC points") << 20 << 24 << GetFreqPointName20(20);
        QTest::newRow("25 AC points") << 25 << 29 << GetFreqPointName25(25);
    }
    void loadOnOpen()
    {
        QFETCH(int, acPoints);
        QFETCH(int, cols);
        QFETCH(QString, lastHeader);
        metersim::MeterConfig config;
        config.acPoints = acPoints;
        SimulatedMeterEnv sim(config);

        FormCalFactors &form = openEditor();

        QCOMPARE(sim.rig.meter.commands(), QStringList{"pa"});
        FlexGrid &grid = *form.CalGrid;
        QCOMPARE(grid.Cols(), cols);
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("Zero"));
        QCOMPARE(grid.TextMatrix(0, 4), acPoints == 20 ? GetFreqPointName20(1) : GetFreqPointName25(1));
        QCOMPARE(grid.TextMatrix(0, cols - 1), lastHeader);
        compareGridWithTable(grid, sim.rig.meter.state().calFactors);
        QCOMPARE(pendingCells(grid), 0);
        QVERIFY(sim.env.ui.boxes.isEmpty());
        QVERIFY(form.Command_SaveAll->isEnabled());
    }

    // A slow or noisy link still gives the whole table: reply lines in two pieces, the
    // command echoed before the reply, a slow meter.
    void loadOverAnUnevenLink_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("replyDelayMs");
        QTest::newRow("lines in two pieces") << int(Fault::PartialLine) << 0;
        QTest::newRow("echo") << int(Fault::Echo) << 0;
        QTest::newRow("slow meter") << -1 << 1900;
    }
    void loadOverAnUnevenLink()
    {
        QFETCH(int, fault);
        QFETCH(int, replyDelayMs);
        SimulatedMeterEnv sim;
        if (fault >= 0)
            sim.rig.meter.addFault(Fault(fault), QStringLiteral("pa"));
        sim.rig.meter.setReplyDelayMs(replyDelayMs);
        FormCalFactors &form = openEditor();
        QCOMPARE(sim.rig.meter.commands(), QStringList{"pa"});
        QCOMPARE(form.CalGrid->Cols(), 24);
        compareGridWithTable(*form.CalGrid, sim.rig.meter.state().calFactors);
    }

    // Pending cells go out inside the service bracket, one "Ww" each; the editor's own
    // checks keep refused values off the wire.
    void saveSendsPendingCells()
    {
        metersim::MeterConfig config;
        config.acPoints = 25;
        SimulatedMeterEnv sim(config);
        FormCalFactors &form = openEditor();
        FlexGrid &grid = *form.CalGrid;
        const Table before = sim.rig.meter.state().calFactors;
        sim.rig.meter.clearTranscript();

        edit(grid, 12, 2, QStringLiteral("60000000"));  // the gain window's low edge
        edit(grid, 12, 3, QStringLiteral("140000001")); // above it: refused here, not sent
        edit(grid, 17, 2, QStringLiteral("5"));         // range 17 has no gain window
        edit(grid, 20, 4, QStringLiteral("998"));       // the first AC point
        edit(grid, 21, 1, QStringLiteral("-12.5"));     // rounds half to even
        edit(grid, 22, 27, QStringLiteral("11"));       // point 26
        edit(grid, 22, 28, QStringLiteral("-12"));      // point 27, the last column
        edit(grid, 23, 1, QStringLiteral("abc"));       // not a number: refused, not sent
        // A typed edit, through the in-cell editing handlers.
        form.show();
        grid.setRow(4);
        grid.setCol(1);
        form.CalGrid_KeyPress('7');
        form.Text_Edit_KeyDown(13, 0);
        QCOMPARE(grid.TextMatrix(4, 1), QStringLiteral("7"));

        form.Command_SaveAll->click();

        QCOMPARE(sim.rig.meter.commands(),
                 (QStringList{Access, "Wwa4,7", "Wwb12,60000000", "Wwb17,5", "Wwd20,998", "Wwa21,-12", "WwA22,11",
                              "WwB22,-12", Leave}));
        for (const metersim::TranscriptEntry &e : sim.rig.meter.transcript())
            QCOMPARE(e.reply, QStringLiteral("*0\r\n"));
        QCOMPARE(sim.rig.meter.mode(), metersim::Mode::Normal);

        Table expected = before;
        expected[4][0] = 7;
        expected[12][1] = 60000000;
        expected[17][1] = 5;
        expected[20][3] = 998;
        expected[21][0] = -12;
        expected[22][26] = 11;
        expected[22][27] = -12;
        const MeterState after = sim.rig.meter.state();
        QCOMPARE(after.calFactors, expected);
        // The bracket that wrote the ranges is recorded on the meter's day.
        QCOMPARE(after.history.last().date, QDate(2026, 3, 14));
        QCOMPARE(after.history.last().ranges, (QList<int>{4, 12, 17, 20, 21, 22}));

        for (const auto &[row, col] : {std::pair{4, 1}, {12, 2}, {17, 2}, {20, 4}, {21, 1}, {22, 27}, {22, 28}})
            QCOMPARE(grid.cellBackColorAt(row, col), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(12, 3), CellColour::Rejected);
        QCOMPARE(grid.cellBackColorAt(23, 1), CellColour::Rejected);
        QCOMPARE(pendingCells(grid), 0);
        QVERIFY(sim.env.ui.boxes.isEmpty());
        QCOMPARE(sim.env.ui.hourglassDepth, 0);

        // A reload shows what the meter now holds.
        sim.rig.meter.clearTranscript();
        form.Command_LoadAllCalFactors_Click();
        QCOMPARE(sim.rig.meter.commands(), QStringList{"pa"});
        compareGridWithTable(grid, expected);
    }

    void saveWithoutPendingCellStillBrackets()
    {
        SimulatedMeterEnv sim;
        FormCalFactors &form = openEditor();
        sim.rig.meter.clearTranscript();
        form.Command_SaveAll_Click();
        QCOMPARE(sim.rig.meter.commands(), (QStringList{Access, Leave}));
        QCOMPARE(sim.rig.meter.mode(), metersim::Mode::Normal);
    }

    // How the meter's answer to the second of three cells colours it and whether the save
    // goes on. Accepted is the grid's own colour (0 here).
    void cellFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<uint>("second");
        QTest::addColumn<uint>("third");
        QTest::addColumn<QStringList>("prompts");
        const QStringList all{Access, "Wwa1,11", "Wwa2,22", "Wwa3,33", Leave};
        const uint accepted = 0;
        QTest::newRow("*9 turns the cell red")
            << int(Fault::Reject) << all << CellColour::Rejected << accepted << QStringList();
        // No answer: nothing more of the save is sent, and one message says so.
        const QStringList notWritten{"The meter did not answer: 2 values not written"};
        QTest::newRow("no answer turns it blue")
            << int(Fault::Silence) << QStringList{Access, "Wwa1,11", "Wwa2,22", Leave} << CellColour::Failed
            << CellColour::Pending << notWritten;
        // Answered after its time-out (14.5 s, time-out 10 s): nothing else was sent while the
        // answer was waited for, so it is the cell's own, and the save goes on.
        QTest::newRow("a late answer counts") << int(Fault::Late) << all << accepted << accepted << QStringList();
        QTest::newRow("noise before the token turns it blue")
            << int(Fault::Garbage) << all << CellColour::Failed << accepted << QStringList();
        QTest::newRow("*6 ends the save")
            << int(Fault::Refuse) << QStringList{Access, "Wwa1,11", "Wwa2,22", Leave} << CellColour::Pending
            << CellColour::Pending << QStringList{"Password Needed"};
        // The link drops halfway through the reply: nothing more reaches the meter.
        QTest::newRow("a vanished port ends the save")
            << int(Fault::Disconnect) << QStringList{Access, "Wwa1,11", "Wwa2,22"} << CellColour::Failed
            << CellColour::Pending << notWritten;
    }
    void cellFaults()
    {
        QFETCH(int, fault);
        QFETCH(QStringList, commands);
        QFETCH(uint, second);
        QFETCH(uint, third);
        QFETCH(QStringList, prompts);
        SimulatedMeterEnv sim;
        FormCalFactors &form = openEditor();
        FlexGrid &grid = *form.CalGrid;
        const auto shown = [&grid](uint colour) { return colour == 0 ? grid.BackColor() : ColourValue(colour); };
        sim.rig.meter.clearTranscript();
        edit(grid, 1, 1, QStringLiteral("11"));
        edit(grid, 2, 1, QStringLiteral("22"));
        edit(grid, 3, 1, QStringLiteral("33"));
        sim.rig.meter.addFault(Fault(fault), QStringLiteral("Wwa2,"), 1);

        form.Command_SaveAll_Click();

        QCOMPARE(sim.rig.meter.commands(), commands);
        QCOMPARE(grid.cellBackColorAt(1, 1), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(2, 1), shown(second));
        QCOMPARE(grid.cellBackColorAt(3, 1), shown(third));
        QStringList boxes;
        for (const auto &box : sim.env.ui.boxes)
            boxes << box.prompt;
        QCOMPARE(boxes, prompts);
        const MeterState meter = sim.rig.meter.state();
        QCOMPARE(meter.calFactors[1][0], 11);
        QCOMPARE(meter.calFactors[3][0] == 33, commands.contains(QStringLiteral("Wwa3,33")));
        QCOMPARE(sim.env.ui.hourglassDepth, 0);
    }

    // Backup, clear and restore: confirmed, bracketed with the calibration password, the
    // status line, then a fresh load of what the meter holds now.
    void wholeSetCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("failure");
        QTest::newRow("backup") << "Command_Backup" << "CB" << "Cal Factors backed up ok" << "Error - Cal not backed up";
        QTest::newRow("clear") << "Command_ClearAll" << "CC" << "Cal Factors cleared ok" << "Error - Cal not cleared";
        QTest::newRow("restore") << "Command_Restore" << "CR" << "Cal Factors restored" << "Error - Cal not restored";
    }
    void wholeSetCommands()
    {
        QFETCH(QString, button);
        QFETCH(QString, command);
        QFETCH(QString, success);
        QFETCH(QString, failure);
        const auto modifyMeter = [](SimulatedMeterEnv &sim) {
            // The active set and the backup differ, so each command's effect shows.
            sim.rig.meter.editState([](MeterState &s) {
                s.calFactors[1][0] = 111;
                s.calBackup[2][0] = 222;
            });
        };
        {
            SimulatedMeterEnv sim;
            modifyMeter(sim);
            FormCalFactors &form = openEditor();
            const MeterState before = sim.rig.meter.state();
            edit(*form.CalGrid, 5, 1, QStringLiteral("5")); // an unsaved edit the reload drops
            sim.rig.meter.clearTranscript();
            sim.env.ui.answerBoxes({Msg::Yes});

            form.findChild<QPushButton *>(button)->click();

            QCOMPARE(sim.env.ui.boxes.size(), 1);
            QCOMPARE(sim.env.ui.boxes[0].style, int(Msg::YesNo | Msg::Question | Msg::DefaultButton2));
            QCOMPARE(sim.rig.meter.commands(), (QStringList{Password, command, Leave, "pa"}));
            QCOMPARE(sim.env.host.statusText(), success);
            const MeterState after = sim.rig.meter.state();
            Table cleared = before.calFactors;
            for (auto &row : cleared)
                for (size_t p = 0; p < row.size(); ++p)
                    row[p] = (p == 1 || p == 2) ? 100000000 : 0;
            if (command == QLatin1String("CB")) {
                QCOMPARE(after.calBackup, before.calFactors);
                QCOMPARE(after.calFactors, before.calFactors);
            } else if (command == QLatin1String("CC")) {
                QCOMPARE(after.calFactors, cleared);
                QCOMPARE(after.calBackup, before.calBackup);
            } else {
                QCOMPARE(after.calFactors, before.calBackup);
            }
            QCOMPARE(after.mode, metersim::Mode::Normal);
            compareGridWithTable(*form.CalGrid, after.calFactors);
            QCOMPARE(pendingCells(*form.CalGrid), 0);
            QVERIFY(form.Command_SaveAll->isEnabled());
            QCOMPARE(sim.env.ui.hourglassDepth, 0);
        }
        {
            // The meter refuses the command: the failure line, the bracket closed, a reload.
            SimulatedMeterEnv sim;
            FormCalFactors &form = openEditor();
            const MeterState before = sim.rig.meter.state();
            sim.rig.meter.clearTranscript();
            sim.rig.meter.addFault(Fault::Refuse, command, 1);
            sim.env.ui.answerBoxes({Msg::Yes});
            form.findChild<QPushButton *>(button)->click();
            QCOMPARE(sim.rig.meter.commands(), (QStringList{Password, command, Leave, "pa"}));
            QCOMPARE(sim.env.host.statusText(), failure);
            QCOMPARE(sim.rig.meter.state().calFactors, before.calFactors);
            QCOMPARE(sim.rig.meter.state().calBackup, before.calBackup);
        }
        {
            // Answered No: nothing reaches the meter.
            SimulatedMeterEnv sim;
            FormCalFactors &form = openEditor();
            sim.rig.meter.clearTranscript();
            sim.env.ui.answerBoxes({Msg::No});
            form.findChild<QPushButton *>(button)->click();
            QVERIFY(sim.rig.meter.commands().isEmpty());
            QCOMPARE(sim.env.host.statusText(), QString());
        }
        {
            // A changed password: the bracket fails, the command is never sent.
            SimulatedMeterEnv sim;
            sim.rig.meter.editState([](MeterState &s) { s.calPassword = QStringLiteral("1234"); });
            FormCalFactors &form = openEditor();
            sim.rig.meter.clearTranscript();
            sim.env.ui.answerBoxes({Msg::Yes});
            form.findChild<QPushButton *>(button)->click();
            QCOMPARE(sim.rig.meter.commands(), QStringList{Password});
            QCOMPARE(sim.env.ui.boxes.size(), 2);
            QCOMPARE(sim.env.ui.boxes[1].prompt, QStringLiteral("Error entering setup mode"));
        }
    }

    // A table filed, the meter cleared, the file loaded and saved to the meter: the meter
    // holds its old table again, written cell by cell in grid order.
    void calFileRoundTripThroughTheMeter_data()
    {
        QTest::addColumn<int>("acPoints");
        QTest::newRow("20 AC points") << 20;
        QTest::newRow("25 AC points") << 25; // points 26 and 27 go out as "A" and "B"
    }
    void calFileRoundTripThroughTheMeter()
    {
        QFETCH(int, acPoints);
        metersim::MeterConfig config;
        config.acPoints = acPoints;
        SimulatedMeterEnv sim(config);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("meter.cal"));
        FormCalFactors &form = openEditor();
        const Table original = sim.rig.meter.state().calFactors;

        sim.env.ui.answerFiles({path});
        form.Command_FileSave_Click();
        QVERIFY(sim.env.ui.boxes.isEmpty());

        sim.env.ui.answerBoxes({Msg::Yes});
        form.Command_ClearAll_Click();
        QCOMPARE(sim.env.host.statusText(), QStringLiteral("Cal Factors cleared ok"));
        QVERIFY(sim.rig.meter.state().calFactors != original);
        compareGridWithTable(*form.CalGrid, sim.rig.meter.state().calFactors);

        sim.env.ui.answerFiles({path});
        form.Command_FileLoad_Click();
        QCOMPARE(sim.env.ui.boxes.size(), 1); // the clear's confirmation only
        compareGridWithTable(*form.CalGrid, original);

        sim.rig.meter.clearTranscript();
        form.Command_SaveAll_Click();

        QCOMPARE(sim.rig.meter.commands(), QStringList{Access} + writesOf(original) + QStringList{Leave});
        QCOMPARE(sim.rig.meter.state().calFactors, original);
        QCOMPARE(pendingCells(*form.CalGrid), 0);
        QCOMPARE(sim.env.ui.boxes.size(), 1);
    }
};

QTEST_MAIN(CalFactorsSimGuiTest)
#include "calfactors_sim_guitest.moc"
