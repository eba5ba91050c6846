#include "link/MeterGate.h"
#include "link/SharedState.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/GridEditorForm.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/GridCells.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(GridEditStyle::Caret)

namespace {

// A table editor as the real ones are built: buttons on top, the grid placed below.
class TestEditor : public GridEditorForm
{
public:
    explicit TestEditor(GridEditStyle style)
        : GridEditorForm(style)
        , Command_SaveAll(new QPushButton("Save To Meter", this))
    {
        Command_SaveAll->setObjectName("Command_SaveAll");
        Twips::place(*Command_SaveAll, 435, 120, 1200, 700);
        Twips::place(*CalGrid, 420, 1035, 9000, 6000);
        CalGrid->setCols(4);
        CalGrid->setRows(4);
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 4; ++c)
                CalGrid->setTextMatrix(r, c, QString::number(r * 100 + c * 10 + 3));
        resize(Twips::toPixels(12000), Twips::toPixels(9000));
    }
    QPushButton *Command_SaveAll;
};

GridEditStyle calFactorsStyle() { return {GridEditStyle::Caret::AtEnd, GridEditStyle::BoxAtLoad::TextEmptied}; }
GridEditStyle specificationsStyle() { return {GridEditStyle::Caret::SelectAll, GridEditStyle::BoxAtLoad::MovedOutOfView}; }

// Keys go where a user's keys go: to the widget holding the focus.
void press(Qt::Key key)
{
    QWidget *target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, key);
}

void type(const QString &text)
{
    for (const QChar character : text) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, character.toLatin1());
    }
}

QPoint cellCentre(FlexGrid &grid, int row, int col)
{
    return grid.visualRect(grid.model()->index(row - 1, col - 1)).center();
}

// Every text of the grid, headers and labels included.
QList<QStringList> gridTexts(const FlexGrid &grid)
{
    QList<QStringList> rows;
    for (int r = 0; r < grid.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.Cols(); ++c)
            cells << grid.TextMatrix(r, c);
        rows << cells;
    }
    return rows;
}

// A table window opened on a scripted meter, with the two tables of its kind: the one its
// save is to write (`toSave`, pending after `loadTableToSave`) and another file for a load.
struct TableWindow
{
    QWidget *window = nullptr;
    FlexGrid *grid = nullptr;
    QLineEdit *box = nullptr; // the in-cell edit box, if the window has one
    QPushButton *read = nullptr;
    QPushButton *save = nullptr;
    QPushButton *fileLoad = nullptr;
    QPushButton *clear = nullptr;
    QPushButton *generateITS90 = nullptr;
    QPushButton *generateIEC751 = nullptr;
    QString writePrefix;
    QStringList toSave; // the writes of the table loadTableToSave gives
    std::function<void()> loadTableToSave;
    QString otherFile;
};

// The scripted meter: its table for each read command; every other command is accepted.
QString meterTable(const QString &command)
{
    if (command == QLatin1String("pa"))
        return QStringLiteral("Range 1, 1, 100000002, 100000003\r\nRange 2, 4, 100000005, 100000006\r\n*0\r\n");
    if (command == QLatin1String("ps") || command == QLatin1String("pi"))
        return QStringLiteral("R01 a,1.5,2.5\rR02 b,3.5,4.5\r*0\r");
    if (command == QLatin1String("pt"))
        return QStringLiteral("0R,100,101\r1R,200,201\r*0\r");
    return QStringLiteral("*0\r");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TableWindow openTableWindow(const QString &name, const QTemporaryDir &dir, ScriptedUserInteraction &ui)
{
    TableWindow t;
    if (name == QLatin1String("FormPRTTable")) {
        auto &form = appWindows().form<FormPRTTable>();
        t = {.window = &form, .grid = form.CalGrid, .read = form.Command_LoadAllCalFactors, .save = form.Command_SaveAll,
             .generateITS90 = form.Command_GenerateITS90, .generateIEC751 = form.Command1,
             .writePrefix = "Wt", .toSave = {"Wt0,101", "Wt1,102", "Wt10,201", "Wt11,202"},
             .loadTableToSave = [&form] { form.Command_LoadAllCalFactors->click(); }, .otherFile = {}};
    } else if (name == QLatin1String("FormCalFactors")) {
        auto &form = appWindows().form<FormCalFactors>();
        const QString toSave = dir.filePath("save.cal");
        writeFile(toSave, "A , 1,100000002,100000003,\r\nB , 4,100000005,100000006,\r\n");
        t = {.window = &form, .grid = form.CalGrid, .box = form.Text_Edit, .read = form.Command_LoadAllCalFactors,
             .save = form.Command_SaveAll, .fileLoad = form.Command_FileLoad, .clear = form.Command_ClearAll,
             .writePrefix = "Ww",
             .toSave = {"Wwa1,1", "Wwb1,100000002", "Wwc1,100000003", "Wwa2,4", "Wwb2,100000005", "Wwc2,100000006"},
             .loadTableToSave =
                 [&form, &ui, toSave] {
                     ui.answerFiles({toSave});
                     form.Command_FileLoad->click();
                 },
             .otherFile = dir.filePath("other.cal")};
        writeFile(t.otherFile, "A , 7,100000008,100000009,\r\nB , 10,100000011,100000012,\r\n");
    } else {
        SpecTableEditor &form = name == QLatin1String("FormSpecifications")
                                    ? static_cast<SpecTableEditor &>(appWindows().form<FormSpecifications>())
                                    : appWindows().form<FormImportedUncerts>();
        const QString extension = form.kind().fileExtension;
        const QString w = form.kind().writePrefix;
        const QString toSave = dir.filePath("save" + extension);
        writeFile(toSave, "Version 1.0\r\nA , 1.5,2.5,\r\nB , 3.5,4.5,\r\n");
        t = {.window = &form, .grid = form.CalGrid, .box = form.Text_Edit, .read = form.Command_LoadAllCalFactors,
             .save = form.Command_SaveAll, .fileLoad = form.Command_FileLoad, .clear = form.Command_ClearAll,
             .writePrefix = w,
             .toSave = {w + "1,0,1.5", w + "1,1,2.5", w + "2,0,3.5", w + "2,1,4.5"},
             .loadTableToSave = [&form, toSave] { form.FileLoad(toSave); },
             .otherFile = dir.filePath("other" + extension)};
        writeFile(t.otherFile, "Version 2.0\r\nA , 7,8,\r\nB , 9,10,\r\n");
    }
    t.window->show();
    return t;
}

} // namespace

class GridEditingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<TestEditor> form;

    void open(GridEditStyle style)
    {
        form = std::make_unique<TestEditor>(style);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->CalGrid->setFocus();
        QTRY_VERIFY(form->CalGrid->hasFocus());
    }

    void select(int row, int col)
    {
        form->CalGrid->setRow(row);
        form->CalGrid->setCol(col);
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup()
    {
        form.reset();
        env.reset();
    }

    void boxIsHiddenWhenTheWindowOpens_data()
    {
        QTest::addColumn<bool>("calFactors");
        QTest::newRow("caret at end") << true;
        QTest::newRow("all selected") << false;
    }
    void boxIsHiddenWhenTheWindowOpens()
    {
        QFETCH(bool, calFactors);
        open(calFactors ? calFactorsStyle() : specificationsStyle());
        QVERIFY(!form->isEditing());
        QVERIFY(form->Text_Edit->text().isEmpty());
        if (!calFactors)
            QCOMPARE(form->Text_Edit->x(), -form->Text_Edit->width());
        // The grid getting the focus without an edit changes nothing.
        form->Command_SaveAll->setFocus();
        form->CalGrid->setFocus();
        QCOMPARE(form->CalGrid->TextMatrix(1, 1), QString("113"));
        QCOMPARE(form->CalGrid->cellBackColorAt(1, 1), form->CalGrid->BackColor());
    }

    void typingReplacesTheText()
    {
        open(specificationsStyle());
        select(2, 2);
        type("5");
        QVERIFY(form->isEditing());
        QVERIFY(form->Text_Edit->hasFocus());
        QCOMPARE(form->Text_Edit->text(), QString("5"));
        QCOMPARE(form->Text_Edit->cursorPosition(), 1);
        QVERIFY(!form->Text_Edit->hasSelectedText());
        type(".25");
        press(Qt::Key_Return);
        QVERIFY(!form->isEditing());
        QVERIFY(form->CalGrid->hasFocus());
        QCOMPARE(form->CalGrid->TextMatrix(2, 2), QString("5.25"));
        QCOMPARE(form->CalGrid->cellBackColorAt(2, 2), CellColour::Pending);
        // Neighbours untouched.
        QCOMPARE(form->CalGrid->TextMatrix(2, 1), QString("213"));
        QCOMPARE(form->CalGrid->cellBackColorAt(2, 1), form->CalGrid->BackColor());
    }

    void keysThatKeepTheText_data()
    {
        QTest::addColumn<GridEditStyle::Caret>("caret");
        QTest::addColumn<int>("how"); // a key, or 0 for a double-click
        const QList<std::pair<const char *, int>> starters{
            {"space", Qt::Key_Space}, {"backspace", Qt::Key_Backspace}, {"enter", Qt::Key_Return}, {"double-click", 0}};
        for (const auto &[name, how] : starters) {
            QTest::newRow(qPrintable(QString("caret at end, %1").arg(name))) << GridEditStyle::Caret::AtEnd << how;
            QTest::newRow(qPrintable(QString("all selected, %1").arg(name))) << GridEditStyle::Caret::SelectAll << how;
        }
    }
    void keysThatKeepTheText()
    {
        QFETCH(GridEditStyle::Caret, caret);
        QFETCH(int, how);
        open(caret == GridEditStyle::Caret::AtEnd ? calFactorsStyle() : specificationsStyle());
        if (how == 0) {
            QTest::mouseDClick(form->CalGrid->viewport(), Qt::LeftButton, {}, cellCentre(*form->CalGrid, 3, 2));
        } else {
            select(3, 2);
            press(Qt::Key(how));
        }
        QVERIFY(form->isEditing());
        QCOMPARE(form->CalGrid->Row(), 3);
        QCOMPARE(form->CalGrid->Col(), 2);
        QCOMPARE(form->Text_Edit->text(), QString("323"));
        if (caret == GridEditStyle::Caret::AtEnd) {
            QVERIFY(!form->Text_Edit->hasSelectedText());
            QCOMPARE(form->Text_Edit->cursorPosition(), 3);
            type("4");
            QCOMPARE(form->Text_Edit->text(), QString("3234"));
        } else {
            QCOMPARE(form->Text_Edit->selectedText(), QString("323"));
            type("4");
            QCOMPARE(form->Text_Edit->text(), QString("4"));
        }
    }

    void boxLiesOverTheCell()
    {
        open(calFactorsStyle());
        select(2, 3);
        type("1");
        FlexGrid &grid = *form->CalGrid;
        const QRect cell(grid.viewport()->mapTo(form.get(), grid.visualRect(grid.model()->index(1, 2)).topLeft()),
                         grid.visualRect(grid.model()->index(1, 2)).size());
        const QRect box = form->Text_Edit->geometry();
        QCOMPARE(box.topLeft(), cell.topLeft());
        // Eight twips short of the cell's size: one pixel.
        QCOMPARE(box.width(), grid.columnWidth(2) - 1);
        QCOMPARE(box.height(), grid.rowHeight(1) - 1);
    }

    void escapeDiscardsTheEdit()
    {
        open(specificationsStyle());
        select(1, 3);
        form->CalGrid->setCellBackColor(CellColour::Rejected);
        type("99");
        press(Qt::Key_Escape);
        QVERIFY(!form->isEditing());
        QVERIFY(form->CalGrid->hasFocus());
        QCOMPARE(form->CalGrid->TextMatrix(1, 3), QString("133"));
        QCOMPARE(form->CalGrid->cellBackColorAt(1, 3), CellColour::Rejected);
    }

    void unchangedEnterKeepsTheColour_data()
    {
        QTest::addColumn<quint32>("colour");
        QTest::newRow("rejected") << quint32(CellColour::Rejected);
        QTest::newRow("failed") << quint32(CellColour::Failed);
        QTest::newRow("being written") << quint32(CellColour::BeingWritten);
    }
    void unchangedEnterKeepsTheColour()
    {
        QFETCH(quint32, colour);
        open(calFactorsStyle());
        select(2, 1);
        form->CalGrid->setCellBackColor(colour);
        press(Qt::Key_Space);
        QVERIFY(form->isEditing());
        press(Qt::Key_Return);
        QVERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->Text(), QString("213"));
        QCOMPARE(form->CalGrid->CellBackColor(), colour);
    }

    void changeIsCaseSensitive()
    {
        open(calFactorsStyle());
        form->CalGrid->setTextMatrix(1, 1, "abc");
        select(1, 1);
        press(Qt::Key_Space);
        press(Qt::Key_Backspace);
        type("C");
        press(Qt::Key_Return);
        QCOMPARE(form->CalGrid->TextMatrix(1, 1), QString("abC"));
        QCOMPARE(form->CalGrid->cellBackColorAt(1, 1), CellColour::Pending);
    }

    void enterNeverReachesTheBox()
    {
        open(calFactorsStyle());
        QSignalSpy returns(form->Text_Edit, &QLineEdit::returnPressed);
        select(1, 2);
        type("7");
        press(Qt::Key_Enter);
        QCOMPARE(returns.count(), 0);
        QCOMPARE(form->CalGrid->TextMatrix(1, 2), QString("7"));
        int keyAscii = 13;
        form->Text_Edit_KeyPress(keyAscii);
        QCOMPARE(keyAscii, 0);
        keyAscii = 8;
        form->Text_Edit_KeyPress(keyAscii);
        QCOMPARE(keyAscii, 8);
    }

    void upAndDownCommitAndMove_data()
    {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("endRow");
        QTest::newRow("up from the middle") << 2 << int(Qt::Key_Up) << 1;
        QTest::newRow("up on the first row stays") << 1 << int(Qt::Key_Up) << 1;
        QTest::newRow("down from the middle") << 2 << int(Qt::Key_Down) << 3;
        QTest::newRow("down on the last row stays") << 3 << int(Qt::Key_Down) << 3;
    }
    void upAndDownCommitAndMove()
    {
        QFETCH(int, startRow);
        QFETCH(int, key);
        QFETCH(int, endRow);
        open(specificationsStyle());
        select(startRow, 2);
        type("42");
        press(Qt::Key(key));
        QVERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->TextMatrix(startRow, 2), QString("42"));
        QCOMPARE(form->CalGrid->cellBackColorAt(startRow, 2), CellColour::Pending);
        QCOMPARE(form->CalGrid->Row(), endRow);
        QCOMPARE(form->CalGrid->Col(), 2);
        if (endRow != startRow)
            QCOMPARE(form->CalGrid->cellBackColorAt(endRow, 2), form->CalGrid->BackColor());
        // Typing goes on in the new current cell.
        type("8");
        QVERIFY(form->isEditing());
        press(Qt::Key_Return);
        QCOMPARE(form->CalGrid->TextMatrix(endRow, 2), QString("8"));
    }

    // Every move a user makes, in the box or on the grid, scrolls by as little as brings
    // the new current cell into view: one row past the edge of the view. The program's own
    // move past the last row in view brings its row to the top, a page at once.
    void movesScroll_data()
    {
        QTest::addColumn<QString>("move");
        QTest::addColumn<int>("rowsDown"); // from the last row wholly in view; negative: up from the top row
        QTest::addColumn<bool>("pageAtOnce");
        QTest::newRow("Down in the box") << "box" << 1 << false;
        QTest::newRow("Up in the box") << "box" << -1 << false;
        QTest::newRow("Down on the grid") << "grid" << 1 << false;
        QTest::newRow("click on the partly shown row") << "click" << 1 << false;
        QTest::newRow("double-click on the partly shown row") << "double-click" << 1 << false;
        QTest::newRow("the program's move") << "program" << 1 << true;
    }
    void movesScroll()
    {
        QFETCH(QString, move);
        QFETCH(int, rowsDown);
        QFETCH(bool, pageAtOnce);
        open(specificationsStyle());
        FlexGrid &grid = *form->CalGrid;
        grid.setRows(500);
        select(2, 1);
        grid.verticalScrollBar()->setValue(rowsDown > 0 ? 0 : 9);
        const int topRow = grid.rowAt(0) + 1;
        const int wholeRows = grid.viewport()->height() / grid.rowHeight(0);
        QVERIFY(grid.viewport()->height() % grid.rowHeight(0) > 0); // a row partly shown below
        const int from = rowsDown > 0 ? topRow + wholeRows - 1 : topRow;
        select(from, 1);
        QCOMPARE(grid.rowAt(0) + 1, topRow);
        if (move == QLatin1String("box")) {
            type("9");
            press(rowsDown > 0 ? Qt::Key_Down : Qt::Key_Up);
        } else if (move == QLatin1String("grid")) {
            press(Qt::Key_Down);
        } else if (move == QLatin1String("program")) {
            grid.setRow(from + rowsDown);
        } else {
            const QPoint partlyShown(cellCentre(grid, 1, 1).x(), grid.viewport()->height() - 2);
            if (move == QLatin1String("click"))
                QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, partlyShown);
            else
                QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, partlyShown);
            QCOMPARE(form->isEditing(), move != QLatin1String("click"));
        }
        QCOMPARE(grid.Row(), from + rowsDown);
        QCOMPARE(grid.rowAt(0) + 1, pageAtOnce ? from + rowsDown : topRow + rowsDown);
    }

    void aButtonClickedDuringAnEditLeavesTheBoxOpen()
    {
        open(calFactorsStyle());
        select(2, 3);
        type("61");
        QString seenByButton;
        connect(form->Command_SaveAll, &QPushButton::clicked, form.get(),
                [&] { seenByButton = form->CalGrid->TextMatrix(2, 3); });
        QTest::mouseClick(form->Command_SaveAll, Qt::LeftButton);
        QTRY_VERIFY(form->Command_SaveAll->hasFocus());
        QCOMPARE(seenByButton, QString("233"));
        QVERIFY(form->isEditing());
        QCOMPARE(form->CalGrid->TextMatrix(2, 3), QString("233"));
        // The grid getting the focus back brings the text in.
        QTest::mouseClick(form->CalGrid->viewport(), Qt::LeftButton, {}, cellCentre(*form->CalGrid, 2, 3));
        QTRY_VERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->TextMatrix(2, 3), QString("61"));
        QCOMPARE(form->CalGrid->cellBackColorAt(2, 3), CellColour::Pending);
    }

    void movingTheCurrentCellCommitsIntoTheCellLeft()
    {
        open(calFactorsStyle());
        select(1, 1);
        type("9");
        form->Command_SaveAll->setFocus();
        QVERIFY(form->isEditing());
        // A procedure that walks the cells (a save loop) moves the current cell.
        form->CalGrid->setRow(3);
        QVERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->TextMatrix(1, 1), QString("9"));
        QCOMPARE(form->CalGrid->cellBackColorAt(1, 1), CellColour::Pending);
        QCOMPARE(form->CalGrid->TextMatrix(3, 1), QString("313"));
    }

    void clickingAnotherCellCommitsTheEditedOne()
    {
        open(specificationsStyle());
        select(1, 1);
        type("2");
        QTest::mouseClick(form->CalGrid->viewport(), Qt::LeftButton, {}, cellCentre(*form->CalGrid, 3, 3));
        QVERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->TextMatrix(1, 1), QString("2"));
        QCOMPARE(form->CalGrid->TextMatrix(3, 3), QString("333"));
        QCOMPARE(form->CalGrid->cellBackColorAt(3, 3), form->CalGrid->BackColor());
        QCOMPARE(form->CalGrid->Row(), 3);
    }

    void shrinkingTheGridUnderAnEditClosesIt()
    {
        open(calFactorsStyle());
        select(3, 3);
        type("5");
        form->Command_SaveAll->setFocus();
        form->CalGrid->setRows(2);
        QVERIFY(!form->isEditing());
        QCOMPARE(form->CalGrid->Row(), 1);
        // Nothing to edit in a grid without value rows.
        form->CalGrid->setRows(1);
        form->CalGrid_KeyPress('7');
        QVERIFY(!form->isEditing());
    }

    void resizeRuleKeepsTheGridShortOfTheWindow()
    {
        open(calFactorsStyle());
        const QPoint place = form->CalGrid->pos();
        form->resize(900, 700);
        form->Form_Resize();
        // The grid starts 1035 twips down: its height counts from there, to a margin of 60.
        QCOMPARE(form->CalGrid->width(), Twips::toPixels(900 * 15 - 1000));
        QCOMPARE(form->CalGrid->height(), Twips::toPixels(700 * 15 - 1035 - 60));
        QCOMPARE(form->CalGrid->pos(), place);
        // At 1000 twips or less a dimension keeps its last size; the other still follows.
        form->resize(60, 500);
        form->Form_Resize();
        QCOMPARE(form->CalGrid->width(), Twips::toPixels(900 * 15 - 1000));
        QCOMPARE(form->CalGrid->height(), Twips::toPixels(500 * 15 - 1035 - 60));
    }

    // In each editor the grid, scroll bars included, lies inside the window at its opening
    // size and after a resize.
    void gridStaysInsideTheEditors_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window : {"FormCalFactors", "FormSpecifications", "FormImportedUncerts"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void gridStaysInsideTheEditors()
    {
        QFETCH(QString, window);
        state().DVM1 = std::make_unique<ScriptedDVM>();
        GridEditorForm *editor = window == QLatin1String("FormCalFactors") ? static_cast<GridEditorForm *>(&appWindows().form<FormCalFactors>())
                                 : window == QLatin1String("FormSpecifications") ? static_cast<GridEditorForm *>(&appWindows().form<FormSpecifications>())
                                                                                : &appWindows().form<FormImportedUncerts>();
        editor->show();
        for (const QSize size : {editor->size(), QSize(700, 500), QSize(1200, 900)}) {
            editor->resize(size);
            editor->Form_Resize();
            QVERIFY2(editor->rect().contains(editor->CalGrid->geometry()),
                     qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        }
    }

    // While a window reads or writes its table with the meter, nothing else in the window
    // changes that table: the meter gets the values the table held when the write began,
    // the grid ends as the run left it, nothing is asked, and the controls come back after.
    void tableKeptDuringAMeterRun_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("change");
        const auto row = [](const char *window, const char *run, const char *change) {
            QTest::addRow("%s %s, %s", window, run, change)
                << QString::fromLatin1(window) << QString::fromLatin1(run) << QString::fromLatin1(change);
        };
        for (const char *window : {"FormCalFactors", "FormSpecifications", "FormImportedUncerts"}) {
            for (const char *change : {"load file", "clear", "type", "double-click"})
                row(window, "save", change);
            row(window, "read", "type");
        }
        for (const char *change : {"generate ITS90", "generate IEC751"})
            row("FormPRTTable", "save", change);
        row("FormPRTTable", "read", "generate ITS90");
    }
    void tableKeptDuringAMeterRun()
    {
        QFETCH(QString, window);
        QFETCH(QString, run);
        QFETCH(QString, change);
        QTemporaryDir dir;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = meterTable;
        TableWindow t = openTableWindow(window, dir, env->ui);
        const bool save = run == QLatin1String("save");
        if (save)
            t.loadTableToSave();
        else
            t.read->click(); // the table as the run will read it
        const QList<QStringList> before = gridTexts(*t.grid);

        QPushButton *button = change == QLatin1String("load file")       ? t.fileLoad
                              : change == QLatin1String("clear")          ? t.clear
                              : change == QLatin1String("generate ITS90") ? t.generateITS90
                              : change == QLatin1String("generate IEC751") ? t.generateIEC751
                                                                           : nullptr;
        const auto makeTheChange = [&] {
            if (button) {
                if (button == t.fileLoad)
                    env->ui.answerFiles({t.otherFile});
                button->click();
            } else if (change == QLatin1String("type")) {
                QTest::keyClick(t.grid, '5');
                QTest::keyClick(t.box, Qt::Key_Return);
            } else {
                const QPoint current = cellCentre(*t.grid, t.grid->Row(), t.grid->Col());
                QTest::mouseDClick(t.grid->viewport(), Qt::LeftButton, {}, current);
                QTest::keyClicks(t.box, "9");
                QTest::keyClick(t.box, Qt::Key_Return);
            }
        };
        // Inside the wait for the run's first command: a save's way into setup mode, before its
        // first write; a read's own command.
        bool changed = false;
        dvm.reply = [&](const QString &command) {
            if (!changed) {
                changed = true;
                const MeterGate::Yield insideTheWait;
                makeTheChange();
            }
            return meterTable(command);
        };
        const qsizetype dialogsBefore = env->ui.fileRequests.size();
        const qsizetype boxesBefore = env->ui.boxes.size();
        dvm.calls.clear();
        (save ? t.save : t.read)->click();

        QVERIFY(changed);
        QCOMPARE(dvm.commands().filter(QRegularExpression("^" + t.writePrefix)), save ? t.toSave : QStringList());
        QCOMPARE(gridTexts(*t.grid), before);
        QCOMPARE(pendingCells(*t.grid), 0);
        QCOMPARE(env->ui.fileRequests.size(), dialogsBefore);
        QCOMPARE(env->ui.boxes.size(), boxesBefore);
        if (button)
            QVERIFY(button->isEnabled());
    }

    void fgiNumbersCellsRowByRow()
    {
        open(calFactorsStyle());
        form->CalGrid->setCols(24);
        QCOMPARE(form->Fgi(0, 0), qint16(0));
        QCOMPARE(form->Fgi(2, 3), qint16(51));
        QCOMPARE(form->Fgi(70, 23), qint16(1703));
    }
};

QTEST_MAIN(GridEditingTest)
#include "gridediting_guitest.moc"
