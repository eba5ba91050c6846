// The specifications and imported-uncertainties editors against the simulated meter: the
// real driver and serial exchange, the exact commands on the wire, and what the meter
// stores afterwards. Every case runs for both windows.
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "widgets/WindowRegistry.h"

#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using metersim::Fault;
using metersim::MeterState;
using SpecTable::SpecTableKind;

namespace {

const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");
const QString Access = QStringLiteral("k5820637");
const QString Leave = QStringLiteral("a1");
// The virtual clock's day.
const QString Today = QStringLiteral("14/03/26");

using Table = std::vector<std::vector<double>>;

bool isUncert(const QString &kind) { return kind == QLatin1String("uncert"); }

const SpecTableKind &kindOf(const QString &kind)
{
    return isUncert(kind) ? SpecTable::importedUncertainties() : SpecTable::specifications();
}

SpecTableEditor &openEditor(const QString &kind)
{
    if (isUncert(kind))
        return appWindows().form<FormImportedUncerts>();
    return appWindows().form<FormSpecifications>();
}

const Table &tableOf(const MeterState &meter, const QString &kind) { return isUncert(kind) ? meter.uncerts : meter.specs; }

// The text the meter keeps in the table's information slot (slot 01 is info[0]).
QString infoSlotText(const MeterState &meter, const QString &kind) { return meter.info[kindOf(kind).infoSlot - 1]; }

// The meter's label of a row as the editor shows it: its ohm and micro codes spelt out.
QString shownLabel(int row, const QString &meterLabel)
{
    return QStringLiteral("R%1 ").arg(row, 2, 10, QLatin1Char('0')) + meterLabel;
}

void compareGridWithTable(const FlexGrid &grid, const Table &table)
{
    QCOMPARE(grid.Rows(), MeterState::Ranges + 1);
    for (int r = 1; r <= MeterState::Ranges; ++r) {
        for (int c = 1; c <= MeterState::SpecColumns; ++c) {
            const size_t k = size_t(c - 1);
            const QString expected = k < table[r].size() ? TextConv::General(table[r][k]) : QString();
            if (grid.TextMatrix(r, c) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1 column %2: %3, meter holds %4")
                                     .arg(r).arg(c).arg(grid.TextMatrix(r, c), expected)));
        }
    }
}

// A table of the meter's shape (2 values a row, 14 on AC ranges) whose rows below
// `rows` hold r * 10 + k + 0.5; later rows keep the meter's values.
Table fileTable(const Table &meter, int rows)
{
    Table table = meter;
    for (int r = 1; r <= rows; ++r)
        for (size_t k = 0; k < table[r].size(); ++k)
            table[r][k] = r * 10 + double(k) + 0.5;
    return table;
}

// The file of the first `rows` rows of a table, with a comment and the version last.
QByteArray fileOf(const Table &table, int rows, const QString &version)
{
    QByteArray bytes = "# written for the test\r\n";
    for (int r = 1; r <= rows; ++r) {
        bytes += "Row " + QByteArray::number(r) + " , ";
        for (const double v : table[r])
            bytes += TextConv::General(v).toLatin1() + ',';
        bytes += "\r\n";
    }
    return bytes + "Version " + version.toLatin1() + "\r\n";
}

// The write commands of the first `rows` rows, in grid order.
QStringList writesOf(const QString &kind, const Table &table, int rows)
{
    QStringList commands;
    for (int r = 1; r <= rows; ++r)
        for (size_t k = 0; k < table[r].size(); ++k)
            commands << kindOf(kind).writePrefix + QStringLiteral("%1,%2,").arg(r).arg(k)
                            + TextConv::General(table[r][k]);
    return commands;
}

QString loadFile(SpecTableEditor &editor, const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("table") + editor.kind().fileExtension);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    editor.FileLoad(path);
    return path;
}

QStringList boxPrompts(const TestEnv &env)
{
    QStringList prompts;
    for (const auto &box : env.ui.boxes)
        prompts << box.prompt;
    return prompts;
}

} // namespace

class SpecsSimGuiTest : public QObject
{
    Q_OBJECT

    static void bothKinds()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("specifications") << "spec";
        QTest::newRow("uncertainties") << "uncert";
    }

private Q_SLOTS:
    void readOnOpen_data() { bothKinds(); }
    void readOnOpen()
    {
        QFETCH(QString, kind);
        SimulatedMeterEnv sim;
        SpecTableEditor &editor = openEditor(kind);

        QCOMPARE(sim.rig.meter.commands(), QStringList{kindOf(kind).readCommand});
        const FlexGrid &grid = *editor.CalGrid;
        compareGridWithTable(grid, tableOf(sim.rig.meter.state(), kind));
        // The meter's byte 244 is its ohm sign and 228 its micro sign.
        QCOMPARE(grid.TextMatrix(3, 0), shownLabel(3, QStringLiteral("10V DC")));
        QCOMPARE(grid.TextMatrix(8, 0), shownLabel(8, QStringLiteral("1uA DC")));
        QCOMPARE(grid.TextMatrix(23, 0), shownLabel(23, QStringLiteral("100uA AC")));
        QCOMPARE(grid.TextMatrix(30, 0), shownLabel(30, QStringLiteral("1Ohm 4W LV")));
        QCOMPARE(grid.TextMatrix(42, 0), shownLabel(42, QStringLiteral("1MOhm 4W")));
        QCOMPARE(grid.TextMatrix(70, 0), shownLabel(70, QStringLiteral("Unused")));
        for (int r = 1; r < grid.Rows(); ++r)
            for (int c = 1; c < grid.Cols(); ++c)
                QVERIFY(grid.cellBackColorAt(r, c) != CellColour::Pending);
        QVERIFY(sim.env.ui.boxes.isEmpty());
        QVERIFY(editor.Command_SaveAll->isEnabled());
    }

    // A file loaded and saved to the meter: the calibration bracket, one write per value in
    // grid order, the information line with the virtual date, and the meter's table after.
    void fileLoadThenSave_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("stamp"); // the information text after the slot number
        for (const char *kind : {"spec", "uncert"}) {
            const QString word = kindOf(QString::fromLatin1(kind)).infoWord;
            // 296 values: the version goes into the information line, cut to three characters.
            QTest::addRow("%s, whole table", kind) << kind << 70 << "2.05" << word + " 2.0 " + Today;
            // 4 values: too few for the version.
            QTest::addRow("%s, two rows", kind) << kind << 2 << "2.05" << word + " ___ " + Today;
            QTest::addRow("%s, whole table without version", kind) << kind << 70 << "" << word + " ___ " + Today;
        }
    }
    void fileLoadThenSave()
    {
        QFETCH(QString, kind);
        QFETCH(int, rows);
        QFETCH(QString, version);
        QFETCH(QString, stamp);
        SimulatedMeterEnv sim;
        QTemporaryDir dir;
        SpecTableEditor &editor = openEditor(kind);
        const MeterState before = sim.rig.meter.state();
        const Table file = fileTable(tableOf(before, kind), rows);
        QVERIFY(!loadFile(editor, dir, fileOf(file, rows, version)).isEmpty());
        QCOMPARE(editor.Text_Version->text(), version);
        sim.rig.meter.clearTranscript();

        editor.Command_SaveAll_Click();

        const QString info = QLatin1Char('&') + QStringLiteral("%1").arg(kindOf(kind).infoSlot, 2, 10, QLatin1Char('0'))
                             + stamp;
        const QStringList expected = QStringList{Password} + writesOf(kind, file, rows) + QStringList{info, Leave};
        QCOMPARE(sim.rig.meter.commands(), expected);
        for (const metersim::TranscriptEntry &e : sim.rig.meter.transcript())
            QCOMPARE(e.reply, QStringLiteral("*0\r\n"));
        const MeterState after = sim.rig.meter.state();
        QCOMPARE(tableOf(after, kind), file);
        QCOMPARE(infoSlotText(after, kind), stamp);
        QCOMPARE(after.mode, metersim::Mode::Normal);
        // The other table and the other slot are untouched.
        QCOMPARE(tableOf(after, isUncert(kind) ? QStringLiteral("spec") : QStringLiteral("uncert")),
                 tableOf(before, isUncert(kind) ? QStringLiteral("spec") : QStringLiteral("uncert")));
        QCOMPARE(after.info[3] == before.info[3], !isUncert(kind));
        QCOMPARE(after.info[4] == before.info[4], isUncert(kind));

        const FlexGrid &grid = *editor.CalGrid;
        for (int r = 1; r <= rows; ++r)
            for (size_t k = 0; k < file[r].size(); ++k)
                QCOMPARE(grid.cellBackColorAt(r, int(k) + 1), grid.BackColor());
        QVERIFY(sim.env.ui.boxes.isEmpty());
        QCOMPARE(sim.env.ui.hourglassDepth, 0);
        QVERIFY(editor.Command_SaveAll->isEnabled());

        // Read back, the meter's table is the file's.
        sim.rig.meter.clearTranscript();
        editor.Command_LoadAllCalFactors_Click();
        QCOMPARE(sim.rig.meter.commands(), QStringList{kindOf(kind).readCommand});
        compareGridWithTable(*editor.CalGrid, file);
    }

    // The meter's table filed, the meter cleared, the file loaded and saved: the meter holds
    // its old table again.
    void fileRoundTripThroughTheMeter_data() { bothKinds(); }
    void fileRoundTripThroughTheMeter()
    {
        QFETCH(QString, kind);
        const SpecTableKind &k = kindOf(kind);
        SimulatedMeterEnv sim;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("meter") + k.fileExtension);
        SpecTableEditor &editor = openEditor(kind);
        const Table original = tableOf(sim.rig.meter.state(), kind);

        sim.env.ui.answerFiles({path});
        editor.Command_FileSave_Click();
        sim.env.ui.answerBoxes({Msg::Yes});
        editor.Command_ClearAll_Click();
        QVERIFY(tableOf(sim.rig.meter.state(), kind) != original);
        sim.env.ui.answerFiles({path});
        editor.Command_FileLoad_Click();
        QCOMPARE(boxPrompts(sim.env), QStringList{k.clearQuestion});
        sim.rig.meter.clearTranscript();

        editor.Command_SaveAll_Click();

        const QString info = QLatin1Char('&') + QStringLiteral("%1").arg(k.infoSlot, 2, 10, QLatin1Char('0'))
                             + k.infoWord + QStringLiteral(" ___ ") + Today;
        const QStringList expected = QStringList{Password} + writesOf(kind, original, MeterState::Ranges)
                                     + QStringList{info, Leave};
        QCOMPARE(sim.rig.meter.commands(), expected);
        QCOMPARE(tableOf(sim.rig.meter.state(), kind), original);
        QCOMPARE(boxPrompts(sim.env), QStringList{k.clearQuestion});
    }

    // The information line not taken: the message, and the bracket still closed.
    void informationLineFails_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("fault");
        for (const char *kind : {"spec", "uncert"}) {
            QTest::addRow("%s, *9", kind) << kind << int(Fault::Reject);
            QTest::addRow("%s, no answer", kind) << kind << int(Fault::Silence);
        }
    }
    void informationLineFails()
    {
        QFETCH(QString, kind);
        QFETCH(int, fault);
        SimulatedMeterEnv sim;
        QTemporaryDir dir;
        SpecTableEditor &editor = openEditor(kind);
        const MeterState before = sim.rig.meter.state();
        const Table file = fileTable(tableOf(before, kind), 1);
        loadFile(editor, dir, fileOf(file, 1, QString()));
        sim.rig.meter.addFault(Fault(fault), QStringLiteral("&"), 1);
        sim.rig.meter.clearTranscript();

        editor.Command_SaveAll_Click();

        QCOMPARE(sim.rig.meter.commands().size(), 1 + 2 + 2);
        QVERIFY(sim.rig.meter.commands().at(3).startsWith(QLatin1Char('&')));
        QCOMPARE(sim.rig.meter.commands().last(), Leave);
        QCOMPARE(boxPrompts(sim.env), QStringList{"Set Information Failed "});
        QCOMPARE(tableOf(sim.rig.meter.state(), kind)[1], file[1]);
        QCOMPARE(infoSlotText(sim.rig.meter.state(), kind), infoSlotText(before, kind));
        QCOMPARE(sim.rig.meter.mode(), metersim::Mode::Normal);
    }

    // The meter answers the third cell with a fault, or the window closes while it is sent:
    // "*6" stops the save without the information line; "*9" turns the cell red and the
    // save goes on; an answer that comes after the cell's time-out, while its own answer is
    // waited for, is the cell's and the save goes on; no answer, or the window closed,
    // ends the save. Whenever the meter may hold a changed table, the line without the
    // version is stored, so that its earlier version is not claimed over it.
    void faultOnTheThirdCell_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("sent");       // writes the meter receives
        QTest::addColumn<bool>("thirdTaken"); // whether the meter stores the third value
        QTest::addColumn<uint>("third");     // the third cell's colour after the save; 0: the grid's own
        QTest::addColumn<bool>("info");      // whether the information line is stored
        QTest::addColumn<QStringList>("boxes");
        for (const char *kind : {"spec", "uncert"}) {
            QTest::addRow("%s, *6", kind) << kind << "*6" << 3 << false << CellColour::BeingWritten << false
                                          << QStringList{"Setup Password Needed"};
            QTest::addRow("%s, *9", kind) << kind << "*9" << 4 << false << CellColour::Rejected << true << QStringList();
            QTest::addRow("%s, answered late", kind) << kind << "late" << 4 << true << 0u << true << QStringList();
            QTest::addRow("%s, no answer", kind) << kind << "silence" << 3 << false << CellColour::Failed << true
                                                 << QStringList{"The meter did not answer: 2 values not written"};
            QTest::addRow("%s, window closed", kind) << kind << "close" << 3 << true << 0u << true << QStringList();
        }
    }
    void faultOnTheThirdCell()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fault);
        QFETCH(int, sent);
        QFETCH(bool, thirdTaken);
        QFETCH(uint, third);
        QFETCH(bool, info);
        QFETCH(QStringList, boxes);
        SimulatedMeterEnv sim;
        QTemporaryDir dir;
        const QPointer<SpecTableEditor> editor = &openEditor(kind);
        editor->show();
        const MeterState before = sim.rig.meter.state();
        const Table file = fileTable(tableOf(before, kind), 2);
        loadFile(*editor, dir, fileOf(file, 2, QStringLiteral("3.10")));
        const QString thirdCell = kindOf(kind).writePrefix + QStringLiteral("2,0,");
        if (fault == "close") {
            sim.rig.meter.setObserver([thirdCell, editor](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(thirdCell))
                    QTimer::singleShot(0, [editor] {
                        if (editor)
                            editor->close();
                    });
            });
        } else {
            const Fault kinds[] = {Fault::Refuse, Fault::Reject, Fault::Late, Fault::Silence};
            const QStringList names{"*6", "*9", "late", "silence"};
            sim.rig.meter.addFault(kinds[names.indexOf(fault)], thirdCell, 1);
        }
        sim.rig.meter.clearTranscript();

        editor->Command_SaveAll_Click();

        const QStringList written = writesOf(kind, file, 2);
        const QString line = QLatin1Char('&') + QStringLiteral("%1").arg(kindOf(kind).infoSlot, 2, 10, QLatin1Char('0'))
                             + kindOf(kind).infoWord + QStringLiteral(" ___ ") + Today;
        const QStringList expected =
            QStringList{Password} + written.mid(0, sent) + (info ? QStringList{line} : QStringList()) + QStringList{Leave};
        QCOMPARE(sim.rig.meter.commands(), expected);
        QCOMPARE(boxPrompts(sim.env), boxes);

        const MeterState after = sim.rig.meter.state();
        const Table &table = tableOf(after, kind);
        QCOMPARE(table[1], file[1]);
        QCOMPARE(table[2][0], thirdTaken ? file[2][0] : tableOf(before, kind)[2][0]);
        QCOMPARE(table[2][1], sent == 4 ? file[2][1] : tableOf(before, kind)[2][1]);
        QCOMPARE(infoSlotText(after, kind), info ? line.mid(3) : infoSlotText(before, kind));
        QCOMPARE(after.mode, metersim::Mode::Normal);
        QCOMPARE(sim.env.ui.hourglassDepth, 0);
        if (fault == "close") {
            QTRY_VERIFY(!editor);
            return;
        }
        const FlexGrid &grid = *editor->CalGrid;
        const auto shown = [&grid](uint colour) { return colour == 0 ? grid.BackColor() : ColourValue(colour); };
        QCOMPARE(grid.cellBackColorAt(1, 1), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(1, 2), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(2, 1), shown(third));
        QCOMPARE(grid.cellBackColorAt(2, 2), sent == 4 ? grid.BackColor() : ColourValue(CellColour::Pending));
        QVERIFY(editor->Command_SaveAll->isEnabled());
    }

    // Every value answered with noise before its "*0": the meter took each one, though no
    // reply can be read as taken. The table may have changed, so the meter's earlier
    // version line must not stay over it: the line without the version is stored.
    void garbledAnswers_data() { bothKinds(); }
    void garbledAnswers()
    {
        QFETCH(QString, kind);
        SimulatedMeterEnv sim;
        QTemporaryDir dir;
        SpecTableEditor &editor = openEditor(kind);
        const MeterState before = sim.rig.meter.state();
        const Table file = fileTable(tableOf(before, kind), 1);
        loadFile(editor, dir, fileOf(file, 1, QStringLiteral("3.10")));
        sim.rig.meter.addFault(Fault::Garbage, kindOf(kind).writePrefix);

        editor.Command_SaveAll_Click();

        const MeterState after = sim.rig.meter.state();
        QCOMPARE(tableOf(after, kind)[1], file[1]);
        QVERIFY(infoSlotText(before, kind) != kindOf(kind).infoWord + QStringLiteral(" ___ ") + Today);
        QCOMPARE(infoSlotText(after, kind), kindOf(kind).infoWord + QStringLiteral(" ___ ") + Today);
        QCOMPARE(after.mode, metersim::Mode::Normal);
    }

    // Clear Meter: confirmed, in the service bracket, the status line, then the re-read.
    void clearMeter_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("refused");
        for (const char *kind : {"spec", "uncert"}) {
            QTest::addRow("%s, Yes", kind) << kind << int(Msg::Yes) << false;
            QTest::addRow("%s, No", kind) << kind << int(Msg::No) << false;
            QTest::addRow("%s, refused by the meter", kind) << kind << int(Msg::Yes) << true;
        }
    }
    void clearMeter()
    {
        QFETCH(QString, kind);
        QFETCH(int, answer);
        QFETCH(bool, refused);
        const SpecTableKind &k = kindOf(kind);
        SimulatedMeterEnv sim;
        SpecTableEditor &editor = openEditor(kind);
        const MeterState before = sim.rig.meter.state();
        if (refused)
            sim.rig.meter.addFault(Fault::Refuse, k.clearCommand, 1);
        sim.rig.meter.clearTranscript();
        sim.env.ui.answerBoxes({Msg::Answer(answer)});

        editor.Command_ClearAll_Click();

        QCOMPARE(sim.env.ui.boxes.size(), 1);
        QCOMPARE(sim.env.ui.boxes[0].prompt, k.clearQuestion);
        QCOMPARE(sim.env.ui.boxes[0].title, k.clearTitle);
        QCOMPARE(sim.env.ui.boxes[0].style, int(Msg::YesNo | Msg::Question | Msg::DefaultButton2));
        const MeterState after = sim.rig.meter.state();
        if (answer == int(Msg::No)) {
            QVERIFY(sim.rig.meter.commands().isEmpty());
            QCOMPARE(tableOf(after, kind), tableOf(before, kind));
            QCOMPARE(sim.env.host.statusText(), QString());
            return;
        }
        QCOMPARE(sim.rig.meter.commands(), (QStringList{Access, k.clearCommand, Leave, k.readCommand}));
        QCOMPARE(sim.env.host.statusText(), refused ? k.notClearedText : k.clearedText);
        if (refused) {
            QCOMPARE(tableOf(after, kind), tableOf(before, kind));
        } else {
            for (const std::vector<double> &row : tableOf(after, kind))
                for (const double v : row)
                    QCOMPARE(v, 0.0);
        }
        QCOMPARE(after.mode, metersim::Mode::Normal);
        compareGridWithTable(*editor.CalGrid, tableOf(after, kind));
        QVERIFY(editor.Command_SaveAll->isEnabled());
        QCOMPARE(sim.env.ui.hourglassDepth, 0);
    }
};

QTEST_MAIN(SpecsSimGuiTest)
#include "specs_sim_guitest.moc"
