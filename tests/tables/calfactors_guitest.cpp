#include "link/AppTitle.h"
#include "link/Ranges.h"
#include "link/SharedState.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "tests/support/GridCells.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/FormProgress.h"
#include "widgets/PacedDisplay.h"
#include "widgets/WindowRegistry.h"

#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Access = QStringLiteral("k5820637");
const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");
const QString Leave = QStringLiteral("a1");
const QString Ok = QStringLiteral("*0\r");

// A meter's calibration-factor store as the editor sees it: "pa" lists every range with
// its points, "Ww" stores one value, and each reply can be overridden per command.
struct CalMeter
{
    int ranges = 70;
    int points = 23; // 3 DC points and 20 AC points: a 24-column grid
    QMap<QPair<int, int>, qint32> values;
    QMap<QString, QString> overrides; // command -> reply
    QStringList written;

    qint32 value(int range, int point) const
    {
        return values.value({range, point}, point == 1 || point == 2 ? 100000000 + range : range * 1000 + point);
    }

    QString paReply() const
    {
        QString reply;
        for (int r = 1; r <= ranges; ++r) {
            // The meter numbers its lines itself; the editor labels rows by its own count.
            reply += QStringLiteral("Range %1").arg(r);
            for (int p = 0; p < points; ++p)
                reply += QStringLiteral(", %1").arg(value(r, p));
            reply += QStringLiteral("\r\n");
        }
        return reply + QStringLiteral("*0\r\n");
    }

    QString reply(const QString &command)
    {
        if (overrides.contains(command))
            return overrides.value(command);
        if (command == QLatin1String("pa"))
            return paReply();
        static const QRegularExpression write(QStringLiteral("^Ww([a-zAB])(\\d+),(-?\\d+)$"));
        if (const auto m = write.match(command); m.hasMatch()) {
            const QChar letter = m.captured(1).at(0);
            const int point = letter == u'A' ? 26 : letter == u'B' ? 27 : letter.unicode() - u'a';
            values[{m.captured(2).toInt(), point}] = m.captured(3).toInt();
            written << command;
        }
        return Ok;
    }
};

struct Fixture
{
    TestEnv env;
    CalMeter meter;
    ScriptedDVM *dvm = nullptr;

    Fixture()
    {
        auto driver = std::make_unique<ScriptedDVM>();
        dvm = driver.get();
        dvm->reply = [this](const QString &command) { return meter.reply(command); };
        state().DVM1 = std::move(driver);
    }

    FormCalFactors &open() { return appWindows().form<FormCalFactors>(); }
};

QList<QPushButton *> sevenButtons(FormCalFactors &form)
{
    return {form.Command_LoadAllCalFactors, form.Command_SaveAll, form.Command_ClearAll, form.Command_FileLoad,
            form.Command_FileSave, form.Command_Backup, form.Command_Restore};
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CalFactorsGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controls()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        QCOMPARE(form.windowTitle(), QStringLiteral("Calibration Factors"));
        const QList<QPair<const char *, const char *>> captions = {
            {"Command_LoadAllCalFactors", "Load from Meter"},
            {"Command_FileLoad", "Load from File"},
            {"Command_Backup", "Backup Meter to Secondary Cal Storage"},
            {"Command_ClearAll", "Clear Meter"},
            {"Command_Exit", "Exit"},
            {"Command_FileSave", "Save to File"},
            {"Command_SaveAll", "Save To Meter"},
            {"Command_Restore", "Restore Meter from Secondary Cal storage"}};
        for (const auto &[name, caption] : captions) {
            auto *b = form.findChild<QPushButton *>(QString::fromLatin1(name));
            QVERIFY2(b, name);
            QCOMPARE(b->text(), QString::fromLatin1(caption));
        }
        QCOMPARE(form.findChild<FlexGrid *>(QStringLiteral("CalGrid")), form.CalGrid);
        QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Text_Edit")), form.Text_Edit);
        QVERIFY(form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1")));
        QVERIFY(!form.isEditing());
        QCOMPARE(form.Text_Edit->text(), QString());
        // The second row sits under the first.
        QCOMPARE(form.Command_FileSave->x(), form.Command_LoadAllCalFactors->x());
        QVERIFY(form.Command_FileSave->y() > form.Command_LoadAllCalFactors->y());
        QCOMPARE(form.Command_SaveAll->x(), form.Command_FileLoad->x());
        QCOMPARE(form.Command_Restore->x(), form.Command_Backup->x());
        QVERIFY(form.CalGrid->y() > form.Command_FileSave->y());

        form.DisableButtons();
        for (QPushButton *b : sevenButtons(form))
            QVERIFY(!b->isEnabled());
        QVERIFY(form.Command_Exit->isEnabled());
        form.EnableButtons();
        for (QPushButton *b : sevenButtons(form))
            QVERIFY(b->isEnabled());
    }

    void loadOnOpen()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        QCOMPARE(f.dvm->commands(), QStringList{"pa"});
        QCOMPARE(f.dvm->calls[0].waitForAck, true);
        QCOMPARE(f.dvm->calls[0].timeout, 12);
        QCOMPARE(f.dvm->calls[0].packetEndCondition, 1);

        FlexGrid &grid = *form.CalGrid;
        QCOMPARE(grid.Rows(), 71);
        QCOMPARE(grid.Cols(), 24);
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("Zero"));
        QCOMPARE(grid.TextMatrix(0, 2), QStringLiteral("Positive"));
        QCOMPARE(grid.TextMatrix(0, 3), QStringLiteral("Negative"));
        for (int c = 4; c < 24; ++c)
            QCOMPARE(grid.TextMatrix(0, c), GetFreqPointName20(c - 3));
        for (int r = 1; r < 71; ++r)
            QCOMPARE(grid.TextMatrix(r, 0), GetRangeName(r));
        QCOMPARE(grid.TextMatrix(12, 2), QStringLiteral("100000012"));
        QCOMPARE(grid.TextMatrix(70, 23), QStringLiteral("70022"));
        QCOMPARE(grid.ColWidth(0), 2000);
        QCOMPARE(grid.RowHeight(0), 450);
        QCOMPARE(pendingCells(grid), 0);
        QVERIFY(!appWindows().isLoaded<FormProgress>());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(f.env.ui.hourglassShown > 0);
        for (QPushButton *b : sevenButtons(form))
            QVERIFY(b->isEnabled());
        QVERIFY(f.env.ui.boxes.isEmpty());

        // Showing the loaded window again does not read again.
        appWindows().form<FormCalFactors>().show();
        QCOMPARE(f.dvm->commands().size(), 1);
    }

    // A loaded table is on screen at the end of the load, its headers too: the view knows
    // every row and column text with no time passing.
    void loadShowsAtOnce_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::newRow("from the meter") << false;
        QTest::newRow("from a file") << true;
    }
    void loadShowsAtOnce()
    {
        QFETCH(bool, fromFile);
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.cal"));
        // The reply's lines as a file's, each value ended by a comma.
        writeFile(path, f.meter.paReply().remove(QStringLiteral("*0\r\n")).replace("\r\n", ",\r\n").toLatin1());
        FormCalFactors &form = f.open();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // An empty grid, long shown.
        form.CalGrid->Clear();
        form.CalGrid->setRows(2);
        f.env.clock.advance(PacedDisplay::IntervalMs);
        QCoreApplication::processEvents();
        f.env.clock.advance(PacedDisplay::IntervalMs);
        QCoreApplication::processEvents();

        if (fromFile) {
            f.env.ui.answerFiles({path});
            form.Command_FileLoad_Click();
        } else {
            form.Command_LoadAllCalFactors_Click();
        }
        QCoreApplication::processEvents();
        const QAbstractItemModel &view = *form.CalGrid->model();
        QCOMPARE(view.rowCount(), 70);
        QCOMPARE(view.headerData(69, Qt::Vertical).toString(), form.CalGrid->TextMatrix(70, 0));
        QCOMPARE(view.headerData(22, Qt::Horizontal).toString(), GetFreqPointName20(20));
    }

    void screenshot()
    {
        if (qEnvironmentVariableIsEmpty("CALFACTORS_SHOT"))
            QSKIP("set CALFACTORS_SHOT to a png path");
        Fixture f;
        FormCalFactors &form = f.open();
        form.show();
        form.grab().save(qEnvironmentVariable("CALFACTORS_SHOT"));
    }

    void loadShapes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QString>("header4");
        QTest::addColumn<QString>("lastHeader");

        QTest::newRow("timeout leaves the reset grid") << "TIMEOUT" << 5 << 5 << "1Hz" << "1Hz";
        QTest::newRow("empty reply") << "" << 5 << 5 << "1Hz" << "1Hz";
        QTest::newRow("no CR at all") << "Range 1, 1, 2, 3" << 5 << 5 << "1Hz" << "1Hz";
        QTest::newRow("21 AC points use the 25-point list")
            << QStringLiteral("Range 1") + QStringLiteral(", 7").repeated(24) + QStringLiteral("\r*0\r") << 5 << 25
            << "1Hz" << "200kHz";
        QTest::newRow("28 points") << QStringLiteral("Range 1") + QStringLiteral(", 7").repeated(28) + "\r" << 5
                                   << 29 << "1Hz" << "1MHz";
        QTest::newRow("more than 28 points") << QStringLiteral("Range 1") + QStringLiteral(", 7").repeated(31) + "\r"
                                             << 5 << 32 << "1Hz" << "";
        QTest::newRow("200 lines") << QStringLiteral("Range, 1\r").repeated(200) << 201 << 5 << "1Hz" << "1Hz";
    }
    void loadShapes()
    {
        QFETCH(QString, reply);
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QString, header4);
        QFETCH(QString, lastHeader);
        Fixture f;
        f.meter.overrides[QStringLiteral("pa")] = reply;
        FlexGrid &grid = *f.open().CalGrid;
        QCOMPARE(grid.Rows(), rows);
        QCOMPARE(grid.Cols(), cols);
        QCOMPARE(grid.TextMatrix(0, 3), QStringLiteral("Negative"));
        QCOMPARE(grid.TextMatrix(0, 4), header4);
        QCOMPARE(grid.TextMatrix(0, cols - 1), lastHeader);
        QVERIFY(f.env.ui.boxes.isEmpty());
    }

    // The row counter, not the line, decides the row and its label.
    void loadRowCounter()
    {
        Fixture f;
        f.meter.overrides[QStringLiteral("pa")] = QStringLiteral(
            "pa\r\nRange 9, 1, 2\r\nnoise\r\n  Range 3, 1, 2,\r\nRange 5 text, 4\r\n*0\r\n");
        FlexGrid &grid = *f.open().CalGrid;
        QCOMPARE(grid.TextMatrix(1, 0), GetRangeName(1));
        QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("1"));
        QCOMPARE(grid.TextMatrix(1, 2), QStringLiteral("2"));
        QCOMPARE(grid.TextMatrix(1, 3), QString());
        QCOMPARE(grid.TextMatrix(2, 0), GetRangeName(2));
        QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("0"));
        QCOMPARE(grid.TextMatrix(3, 0), GetRangeName(3));
        QCOMPARE(grid.TextMatrix(3, 1), QStringLiteral("4"));
        QCOMPARE(grid.TextMatrix(4, 0), QString());
    }

    // Noise or a damaged label may shift every later row: the user is told after the load,
    // with the values stored as read, the buttons back and the pointer normal.
    void loadOfDamagedReplyIsReported_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("noise before a range line") << QStringLiteral("Range 1, 1\r\x05\x7fRange 2, 2\rRange 3, 3\r*0\r") << true;
        QTest::newRow("damaged label") << QStringLiteral("Range 1, 1\rRxnge 2, 2\rRange 3, 3\r*0\r") << true;
        QTest::newRow("empty line") << QStringLiteral("Range 1, 1\r\rRange 2, 2\r*0\r") << false;
    }
    void loadOfDamagedReplyIsReported()
    {
        QFETCH(QString, reply);
        QFETCH(bool, damaged);
        Fixture f;
        f.meter.overrides[QStringLiteral("pa")] = reply;
        FormCalFactors &form = f.open();
        QCOMPARE(f.env.ui.boxes.size(), damaged ? 1 : 0);
        if (damaged) {
            const auto &box = f.env.ui.boxes[0];
            QCOMPARE(box.prompt, QStringLiteral("The meter's reply was damaged: read the calibration factors again"));
            QCOMPARE(box.style, int(Msg::Exclamation));
            QCOMPARE(box.title, AppTitle);
            QCOMPARE(form.CalGrid->TextMatrix(2, 1), QStringLiteral("3"));
        }
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(form.Command_SaveAll->isEnabled());
    }

    // A reply beyond what the editor holds ends the load with an emptied grid, the buttons
    // back and the pointer normal.
    void loadOversizedReply()
    {
        Fixture f;
        f.meter.overrides[QStringLiteral("pa")] = QStringLiteral("Range 1") + QStringLiteral(",1").repeated(5000) + "\r";
        FormCalFactors &form = f.open();
        QCOMPARE(form.CalGrid->TextMatrix(0, 1), QString());
        QCOMPARE(form.CalGrid->TextMatrix(1, 1), QString());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(form.Command_SaveAll->isEnabled());
    }

    void saveWritesPendingCells()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        FlexGrid &grid = *form.CalGrid;
        f.dvm->calls.clear();
        edit(grid, 12, 2, QStringLiteral("100"));        // gain below the window: refused
        edit(grid, 12, 2, QStringLiteral("60000000"));   // the window's low edge: sent
        edit(grid, 12, 3, QStringLiteral("140000001"));  // above the window: refused
        edit(grid, 17, 2, QStringLiteral("5"));          // range 17 is not guarded
        edit(grid, 20, 4, QStringLiteral("998"));
        edit(grid, 20, 5, QStringLiteral("abc"));        // not a number: refused
        edit(grid, 20, 6, QStringLiteral("3000000000")); // beyond 32 bits: refused
        edit(grid, 21, 1, QStringLiteral("12.5"));       // rounds to 12
        edit(grid, 30, 1, QString());                   // empty: never visited
        f.meter.overrides[QStringLiteral("Wwd20,998")] = QStringLiteral("*9\r");
        f.meter.overrides[QStringLiteral("Wwa21,12")] = QStringLiteral("TIMEOUT");

        form.Command_SaveAll->click();

        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwb12,60000000", "Wwb17,5", "Wwd20,998", "Wwa21,12", Leave}));
        QCOMPARE(f.dvm->calls[0].timeout, 5);
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(f.dvm->calls[i].waitForAck, true);
            QCOMPARE(f.dvm->calls[i].timeout, 10);
            QCOMPARE(f.dvm->calls[i].packetEndCondition, 1);
        }
        QCOMPARE(grid.cellBackColorAt(12, 2), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(12, 3), CellColour::Rejected);
        QCOMPARE(grid.cellBackColorAt(17, 2), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(20, 4), CellColour::Rejected);
        QCOMPARE(grid.cellBackColorAt(20, 5), CellColour::Rejected);
        QCOMPARE(grid.cellBackColorAt(20, 6), CellColour::Rejected);
        QCOMPARE(grid.cellBackColorAt(21, 1), CellColour::Failed);
        QCOMPARE(pendingCells(grid), 1); // the empty cell
        QCOMPARE(f.env.ui.boxes.size(), 1); // the last cell went unanswered
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("The meter did not answer: 2 values not written"));
        QCOMPARE(f.env.ui.hourglassDepth, 0);

        // Red and blue cells are not written again.
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, Leave}));
    }

    void saveWithoutPendingCellStillBrackets()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, Leave}));
    }

    void saveHighPoints()
    {
        Fixture f;
        f.meter.points = 29;
        FormCalFactors &form = f.open();
        FlexGrid &grid = *form.CalGrid;
        QCOMPARE(grid.Cols(), 30);
        f.dvm->calls.clear();
        edit(grid, 5, 27, QStringLiteral("11"));
        edit(grid, 5, 28, QStringLiteral("12"));
        edit(grid, 5, 29, QStringLiteral("13")); // point 28: never written
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "WwA5,11", "WwB5,12", Leave}));
        QCOMPARE(grid.cellBackColorAt(5, 29), CellColour::Pending);
    }

    void savePasswordNeededStops()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        FlexGrid &grid = *form.CalGrid;
        f.dvm->calls.clear();
        edit(grid, 1, 1, QStringLiteral("1"));
        edit(grid, 2, 1, QStringLiteral("2"));
        edit(grid, 3, 1, QStringLiteral("3"));
        f.meter.overrides[QStringLiteral("Wwa2,2")] = QStringLiteral("*6\r");
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwa1,1", "Wwa2,2", Leave}));
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Password Needed"));
        QCOMPARE(f.env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(grid.cellBackColorAt(1, 1), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(2, 1), CellColour::Pending);
        QCOMPARE(grid.cellBackColorAt(3, 1), CellColour::Pending);
    }

    void saveWhenSetupModeFails_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("OK carries on") << int(Msg::OK) << QStringList{Access, "Wwa1,1", Leave};
        QTest::newRow("Cancel ends the save") << int(Msg::Cancel) << QStringList{Access};
    }
    void saveWhenSetupModeFails()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, commands);
        Fixture f;
        FormCalFactors &form = f.open();
        f.dvm->calls.clear();
        edit(*form.CalGrid, 1, 1, QStringLiteral("1"));
        f.meter.overrides[Access] = QStringLiteral("*6\r");
        f.env.ui.answerBoxes({Msg::Answer(answer)});
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), commands);
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
        QCOMPARE(f.env.ui.boxes[0].style, int(Msg::OKCancel));
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // An edit typed into a cell reaches the meter.
    void editedCellIsWritten()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        form.show();
        FlexGrid &grid = *form.CalGrid;
        grid.setRow(4);
        grid.setCol(1);
        form.CalGrid_KeyPress('7');
        QVERIFY(form.isEditing());
        form.Text_Edit_KeyDown(13, 0);
        QCOMPARE(grid.TextMatrix(4, 1), QStringLiteral("7"));
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwa4,7", Leave}));
    }

    void wholeSetCommands_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("failure");
        QTest::newRow("backup") << "Command_Backup" << "CB" << "Backup Calibration"
                                << "This will copy the active calibration factors for all ranges to EEPROM backup - "
                                   "please confirm"
                                << "Cal Factors backed up ok" << "Error - Cal not backed up";
        QTest::newRow("clear") << "Command_ClearAll" << "CC" << "Clear Calibration"
                               << "This will clear calibration for all ranges - please confirm"
                               << "Cal Factors cleared ok" << "Error - Cal not cleared";
        QTest::newRow("restore") << "Command_Restore" << "CR" << "Restore Calibration"
                                 << "This will copy the EEPROM backup calibration factors over the current active "
                                    "calibration factors - please confirm"
                                 << "Cal Factors restored" << "Error - Cal not restored";
    }
    void wholeSetCommands()
    {
        QFETCH(QString, handler);
        QFETCH(QString, command);
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        QFETCH(QString, success);
        QFETCH(QString, failure);

        {
            // Accepted: status line, bracket, reload that drops unsaved edits.
            Fixture f;
            FormCalFactors &form = f.open();
            edit(*form.CalGrid, 1, 1, QStringLiteral("5"));
            f.dvm->calls.clear();
            f.env.ui.answerBoxes({Msg::Yes});
            form.findChild<QPushButton *>(handler)->click();
            QCOMPARE(f.env.ui.boxes.size(), 1);
            QCOMPARE(f.env.ui.boxes[0].prompt, prompt);
            QCOMPARE(f.env.ui.boxes[0].title, title);
            QCOMPARE(f.env.ui.boxes[0].style, int(Msg::YesNo | Msg::Question | Msg::DefaultButton2));
            QCOMPARE(f.dvm->commands(), (QStringList{Password, command, Leave, "pa"}));
            QCOMPARE(f.dvm->calls[1].timeout, 120);
            QCOMPARE(f.dvm->calls[1].waitForAck, true);
            QCOMPARE(f.env.host.statusText(), success);
            QCOMPARE(pendingCells(*form.CalGrid), 0);
            QCOMPARE(form.CalGrid->TextMatrix(1, 1), QStringLiteral("1000"));
            QCOMPARE(f.env.ui.hourglassDepth, 0);
            QVERIFY(form.Command_SaveAll->isEnabled());
        }
        {
            // Rejected by the meter: the failure line, still bracketed and reloaded.
            Fixture f;
            f.meter.overrides[command] = QStringLiteral("TIMEOUT");
            FormCalFactors &form = f.open();
            f.dvm->calls.clear();
            f.env.ui.answerBoxes({Msg::Yes});
            form.findChild<QPushButton *>(handler)->click();
            QCOMPARE(f.dvm->commands(), (QStringList{Password, command, Leave, "pa"}));
            QCOMPARE(f.env.host.statusText(), failure);
        }
        {
            // Not confirmed: nothing sent. (An unscripted box answers with its default, No.)
            Fixture f;
            FormCalFactors &form = f.open();
            f.dvm->calls.clear();
            form.findChild<QPushButton *>(handler)->click();
            QVERIFY(f.dvm->calls.isEmpty());
            QCOMPARE(f.env.host.statusText(), QString());
        }
        {
            // The password refused: the message, nothing else.
            Fixture f;
            f.meter.overrides[Password] = QStringLiteral("*6\r");
            FormCalFactors &form = f.open();
            f.dvm->calls.clear();
            f.env.ui.answerBoxes({Msg::Yes});
            form.findChild<QPushButton *>(handler)->click();
            QCOMPARE(f.dvm->commands(), QStringList{Password});
            QCOMPARE(f.env.ui.boxes.size(), 2);
            QCOMPARE(f.env.ui.boxes[1].prompt, QStringLiteral("Error entering setup mode"));
            QCOMPARE(f.env.ui.boxes[1].style, int(Msg::OKOnly));
        }
    }

    void noDriver()
    {
        TestEnv env;
        FormCalFactors &form = appWindows().form<FormCalFactors>();
        QCOMPARE(form.CalGrid->Rows(), 5);
        edit(*form.CalGrid, 1, 1, QStringLiteral("5"));
        env.ui.answerBoxes({Msg::OK});
        form.Command_SaveAll_Click();
        QCOMPARE(form.CalGrid->cellBackColorAt(1, 1), CellColour::Failed);
    }

    void fileSaveAndLoadRoundTrip()
    {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.cal"));
        FormCalFactors &form = f.open();
        FlexGrid &grid = *form.CalGrid;

        f.env.ui.answerFiles({path});
        form.Command_FileSave_Click();
        QVERIFY(f.env.ui.boxes.isEmpty());
        const FileDialogRequest save = f.env.ui.fileRequests.at(0);
        QCOMPARE(save.filter, QStringLiteral("Cal Files (*.cal)|*.cal|"));
        QCOMPARE(save.filterIndex, 1);
        QCOMPARE(save.defaultExt, QStringLiteral(".cal"));
        QCOMPARE(save.fileName, QStringLiteral("DMMBackup-14Mar26.cal"));
        QCOMPARE(save.flags, 0x8006);

        const QByteArray content = readFile(path);
        const QList<QByteArray> lines = content.split('\n');
        QCOMPARE(lines.size(), 71); // 70 lines and the empty piece after the last
        QVERIFY(lines[0].startsWith("100mv DC , 1000,100000001,100000001,1003,1004,"));
        QVERIFY(lines[0].endsWith(",1022,\r"));

        // Read back: the same texts in the same cells, every value cell pending.
        QStringList before;
        for (int r = 0; r < grid.Rows(); ++r)
            for (int c = 0; c < grid.Cols(); ++c)
                before << grid.TextMatrix(r, c);
        f.env.ui.answerFiles({path});
        form.Command_FileLoad_Click();
        QVERIFY(f.env.ui.boxes.isEmpty());
        const FileDialogRequest open = f.env.ui.fileRequests.at(1);
        QCOMPARE(open.filter, QStringLiteral("Cal Files (*.cal)|*.cal|"));
        QCOMPARE(open.defaultExt, QStringLiteral(".cal"));
        QCOMPARE(open.fileName, QString());
        QCOMPARE(open.flags, 4096);
        QStringList after;
        for (int r = 0; r < grid.Rows(); ++r)
            for (int c = 0; c < grid.Cols(); ++c)
                after << grid.TextMatrix(r, c);
        QCOMPARE(after, before);
        QCOMPARE(pendingCells(grid), 70 * 23);
        QCOMPARE(grid.cellBackColorAt(1, 0), grid.BackColor());

        // Save To Meter then writes the whole file.
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands().size(), 2 + 70 * 23);
        QCOMPARE(f.dvm->commands().at(1), QStringLiteral("Wwa1,1000"));
        QCOMPARE(f.dvm->commands().at(2), QStringLiteral("Wwb1,100000001"));
        QCOMPARE(f.dvm->commands().last(), Leave);
        QCOMPARE(pendingCells(grid), 0);
    }

    void fileLoadCases_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<QList<QStringList>>("expected"); // {row, col, text}
        QTest::newRow("empty cell shifts values left")
            << QByteArray("A , 5,6,\r\n") << 5 << 5 << QList<QStringList>{{"1", "0", "A"}, {"1", "1", "5"}, {"1", "2", "6"}};
        QTest::newRow("no trailing comma drops the last value")
            << QByteArray("A , 5,6\r\n") << 5 << 5 << QList<QStringList>{{"1", "1", "5"}, {"1", "2", ""}};
        QTest::newRow("empty line uses a row")
            << QByteArray("A , 1,\r\n\r\nC , 3,\r\n") << 5 << 5
            << QList<QStringList>{{"2", "0", ""}, {"2", "1", ""}, {"3", "0", "C"}, {"3", "1", "3"}};
        QTest::newRow("70 lines give 71 rows") << QByteArray("X , 1,\r\n").repeated(70) << 71 << 5
                                               << QList<QStringList>{{"70", "0", "X"}};
        QTest::newRow("28 values give 29 columns") << QByteArray("X , ") + QByteArray("9,").repeated(28) + "\r\n"
                                                   << 5 << 29
                                                   << QList<QStringList>{{"0", "4", "1Hz"}, {"0", "28", "1MHz"},
                                                                         {"0", "22", "80kHz"}, {"1", "28", "9"}};
        QTest::newRow("20 values keep the 20-point list")
            << QByteArray("X , ") + QByteArray("9,").repeated(23) + "\r\n" << 5 << 24
            << QList<QStringList>{{"0", "22", "700kHz"}};
        QTest::newRow("LF line ends") << QByteArray("A , 1,\nB , 2,\n") << 5 << 5
                                      << QList<QStringList>{{"2", "0", "B"}, {"2", "1", "2"}};
        QTest::newRow("10000 lines") << QByteArray("X , 1,2,3,\r\n").repeated(10000) << 10001 << 5
                                     << QList<QStringList>{{"10000", "3", "3"}};
        QTest::newRow("empty file") << QByteArray() << 5 << 5 << QList<QStringList>{{"0", "1", "Zero"}};
    }
    void fileLoadCases()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(QList<QStringList>, expected);
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.cal"));
        writeFile(path, content);
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({path});
        form.Command_FileLoad_Click();
        QVERIFY(f.env.ui.boxes.isEmpty());
        FlexGrid &grid = *form.CalGrid;
        QCOMPARE(grid.Rows(), rows);
        QCOMPARE(grid.Cols(), cols);
        for (const QStringList &cell : expected)
            QCOMPARE(grid.TextMatrix(cell[0].toInt(), cell[1].toInt()), cell[2]);
    }

    // Values read from a file are pending, empty ones too; the file goes to the meter as read.
    void fileLoadMarksPending()
    {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.cal"));
        writeFile(path, "A , ,70000000,\r\n");
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({path});
        form.Command_FileLoad_Click();
        FlexGrid &grid = *form.CalGrid;
        QCOMPARE(grid.cellBackColorAt(1, 1), CellColour::Pending);
        QCOMPARE(grid.cellBackColorAt(1, 2), CellColour::Pending);
        QCOMPARE(grid.cellBackColorAt(1, 3), grid.BackColor());
        QCOMPARE(grid.cellBackColorAt(1, 0), grid.BackColor());
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwb1,70000000", Leave}));
    }

    // A file larger than any meter table is refused before it is read; one at the limit loads.
    void fileLoadSizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("at the limit") << MaxTableFileBytes;
        QTest::newRow("one byte over") << MaxTableFileBytes + 1;
    }
    void fileLoadSizeLimit()
    {
        QFETCH(qint64, size);
        Fixture f;
        QTemporaryDir dir;
        // Text after the last comma is ignored: blanks fill the file to its size.
        QByteArray bytes("a , 1,2,");
        bytes += QByteArray(size - bytes.size(), ' ');
        writeFile(dir.filePath(QStringLiteral("large.cal")), bytes);
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({dir.filePath(QStringLiteral("large.cal"))});
        form.Command_FileLoad_Click();
        const bool tooLarge = size > MaxTableFileBytes;
        QCOMPARE(f.env.ui.boxes.size(), tooLarge ? 1 : 0);
        if (tooLarge) {
            QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("File too large for a meter table"));
            QCOMPARE(f.env.ui.boxes[0].style, int(Msg::Critical));
        }
        QCOMPARE(form.CalGrid->TextMatrix(1, 2), tooLarge ? QString() : QStringLiteral("2"));
    }

    void fileLoadFailures_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("cancel") << 0;
        QTest::newRow("missing file") << 1;
        QTest::newRow("binary too wide") << 2;
    }
    void fileLoadFailures()
    {
        QFETCH(int, kind);
        Fixture f;
        QTemporaryDir dir;
        FormCalFactors &form = f.open();
        FlexGrid &grid = *form.CalGrid;
        if (kind == 0) {
            f.env.ui.answerFiles({std::nullopt});
        } else if (kind == 1) {
            f.env.ui.answerFiles({dir.filePath(QStringLiteral("gone.cal"))});
        } else {
            QByteArray binary("first , 1,\r\n");
            for (int i = 0; i < 70000; ++i)
                binary += char(i * 37 % 256);
            binary += QByteArray(",", 1).repeated(400);
            writeFile(dir.filePath(QStringLiteral("bin.cal")), binary);
            f.env.ui.answerFiles({dir.filePath(QStringLiteral("bin.cal"))});
        }
        form.Command_FileLoad_Click();
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Calibration Settings Not Loaded"));
        QCOMPARE(f.env.ui.boxes[0].style, int(Msg::Critical));
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("Zero"));
        QCOMPARE(grid.TextMatrix(0, 3), QStringLiteral("Negative"));
        if (kind == 0) {
            // No file chosen: the table read from the meter stays as it was.
            QCOMPARE(grid.Rows(), 71);
            QCOMPARE(grid.Cols(), 24);
            QCOMPARE(grid.TextMatrix(1, 0), GetRangeName(1));
            QCOMPARE(grid.TextMatrix(70, 23), QStringLiteral("70022"));
            QCOMPARE(pendingCells(grid), 0);
        } else if (kind == 1) {
            QCOMPARE(grid.Rows(), 5);
            QCOMPARE(grid.Cols(), 5);
            QCOMPARE(grid.TextMatrix(1, 0), QString());
            QCOMPARE(grid.TextMatrix(0, 4), QString());
        } else {
            // What was read before the line that does not fit stays.
            QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("first"));
            QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("1"));
        }
    }

    // Binary content that fits is loaded as text without harm.
    void fileLoadBinary()
    {
        Fixture f;
        QTemporaryDir dir;
        QByteArray binary;
        for (int i = 0; i < 20000; ++i)
            binary += char((i * 131 + 7) % 256);
        const QString path = dir.filePath(QStringLiteral("bin.cal"));
        writeFile(path, binary);
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({path});
        form.Command_FileLoad_Click();
        QVERIFY(form.CalGrid->Rows() > 5);
        QVERIFY(f.env.ui.boxes.isEmpty());
    }

    void fileSaveFailures()
    {
        Fixture f;
        QTemporaryDir dir;
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({std::nullopt, QString(), dir.filePath(QStringLiteral("no/such/folder/x.cal"))});
        form.Command_FileSave_Click();
        form.Command_FileSave_Click();
        form.Command_FileSave_Click();
        QCOMPARE(f.env.ui.boxes.size(), 3);
        for (const auto &box : f.env.ui.boxes) {
            QCOMPARE(box.prompt, QStringLiteral("Backup not saved"));
            QCOMPARE(box.style, int(Msg::Critical));
        }
    }

    // A comma typed into a cell would move every later value of its row to another point
    // when the file is read back: such a table is not saved, and an earlier file stays.
    void fileSaveRefusesACommaInACell()
    {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.cal"));
        writeFile(path, "old");
        FormCalFactors &form = f.open();
        edit(*form.CalGrid, 2, 1, QStringLiteral("1,5"));
        f.env.ui.answerFiles({path});
        form.Command_FileSave_Click();
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QVERIFY(f.env.ui.boxes[0].prompt.startsWith(QStringLiteral("Backup not saved: The cell in row 2, column 1")));
        QCOMPARE(f.env.ui.boxes[0].style, int(Msg::Critical));
        QCOMPARE(readFile(path), QByteArray("old"));
    }

    // A save replaces an older, longer file whole; rows the reply did not fill have no label.
    void fileSaveReplacesExisting()
    {
        Fixture f;
        f.meter.overrides[QStringLiteral("pa")] = QStringLiteral("Range 1, 1,\r*0\r");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.cal"));
        writeFile(path, QByteArray(5000, 'x'));
        FormCalFactors &form = f.open();
        f.env.ui.answerFiles({path});
        form.Command_FileSave_Click();
        QCOMPARE(readFile(path), QByteArray("100mv DC , 1,0,\r\n , \r\n , \r\n , \r\n"));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).size() == 1);
    }

    // Exit while a save lets window events run: the save sends nothing more but what leaves
    // setup mode, then the window unloads.
    void exitDuringSave()
    {
        Fixture f;
        QPointer<FormCalFactors> form(&f.open());
        edit(*form->CalGrid, 1, 1, QStringLiteral("1"));
        edit(*form->CalGrid, 2, 1, QStringLiteral("2"));
        QPushButton *exit = form->Command_Exit;
        QMetaObject::invokeMethod(exit, [exit] { exit->click(); }, Qt::QueuedConnection);
        f.dvm->calls.clear();
        form->Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwa1,1", Leave}));
        QVERIFY(form);
        QTRY_VERIFY(!form);
        QVERIFY(!appWindows().isLoaded<FormCalFactors>());
    }

    // Closed during a save and opened again from the menu while the save winds up: the
    // window the user opened stays open.
    void reopenedDuringSaveStaysOpen()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        form.show();
        edit(*form.CalGrid, 1, 1, QStringLiteral("1"));
        edit(*form.CalGrid, 2, 1, QStringLiteral("2"));
        QMetaObject::invokeMethod(
            &form,
            [&form] {
                form.close();
                appWindows().form<FormCalFactors>().show(); // the menu's showModeless
            },
            Qt::QueuedConnection);
        form.Command_SaveAll_Click();
        QTest::qWait(50);
        FormCalFactors *shown = appWindows().find<FormCalFactors>();
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
    }

    // The close box unloads the window: opened again, it reads the meter afresh.
    void closeBoxUnloads()
    {
        Fixture f;
        QPointer<FormCalFactors> form(&f.open());
        form->show();
        edit(*form->CalGrid, 1, 1, QStringLiteral("1"));
        form->close();
        QTRY_VERIFY(!form);
        f.dvm->calls.clear();
        FormCalFactors &again = f.open();
        QCOMPARE(f.dvm->commands(), QStringList{QStringLiteral("pa")});
        QCOMPARE(again.CalGrid->TextMatrix(1, 1), QStringLiteral("1000"));
    }

    // A second save started while the first yields is ignored.
    void nestedSaveIgnored()
    {
        Fixture f;
        FormCalFactors &form = f.open();
        edit(*form.CalGrid, 1, 1, QStringLiteral("1"));
        QPushButton *save = form.Command_SaveAll;
        QMetaObject::invokeMethod(save, [save] { save->click(); }, Qt::QueuedConnection);
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        QCoreApplication::processEvents();
        QCOMPARE(f.dvm->commands(), (QStringList{Access, "Wwa1,1", Leave}));
    }
};

QTEST_MAIN(CalFactorsGuiTest)
#include "calfactors_guitest.moc"
