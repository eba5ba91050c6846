#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tests/support/PaintCounter.h"
#include "tests/support/TestEnv.h"
#include "widgets/PacedDisplay.h"
#include "widgets/Twips.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>

// Lets the event loop run a few passes with no time passing.
void runPasses()
{
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
}

QImage shownCell(FlexGrid &grid, int row, int col)
{
    return grid.viewport()->grab(grid.visualRect(grid.model()->index(row - 1, col - 1))).toImage();
}

class FlexGridTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    // Shows what changed, then lets the repaint interval end with nothing changing.
    void endInterval()
    {
        runPasses();
        env->clock.advance(PacedDisplay::IntervalMs);
        runPasses();
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void fixedRowAndColumnHoldHeaders()
    {
        FlexGrid grid;
        grid.setCols(4);
        grid.setRows(3);
        QCOMPARE(grid.Cols(), 4);
        QCOMPARE(grid.Rows(), 3);
        grid.setTextMatrix(0, 1, "Zero");
        grid.setTextMatrix(2, 0, "1V DC");
        grid.setTextMatrix(0, 0, "corner");
        grid.setTextMatrix(2, 3, "42");
        const QAbstractItemModel &shown = *grid.model();
        QCOMPARE(shown.headerData(0, Qt::Horizontal).toString(), QString("Zero"));
        QCOMPARE(shown.headerData(1, Qt::Vertical).toString(), QString("1V DC"));
        QCOMPARE(grid.TextMatrix(0, 0), QString("corner"));
        QCOMPARE(grid.TextMatrix(2, 3), QString("42"));
        // Empty headers show nothing, not Qt's own numbers.
        QCOMPARE(shown.headerData(2, Qt::Horizontal), QVariant(QString()));
        QCOMPARE(shown.headerData(0, Qt::Vertical), QVariant(QString()));
        // Outside the grid: ignored on writing, empty on reading.
        grid.setTextMatrix(3, 1, "x");
        grid.setTextMatrix(-1, 1, "x");
        QCOMPARE(grid.TextMatrix(3, 1), QString());
        QCOMPARE(grid.Rows(), 3);
    }

    void clearEmptiesEveryCellAndColour()
    {
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(3);
        grid.setTextMatrix(0, 1, "head");
        grid.setTextMatrix(1, 0, "label");
        grid.setTextMatrix(2, 2, "7");
        grid.setCellBackColorAt(2, 2, CellColour::Pending);
        grid.setRow(2);
        grid.Clear();
        QCOMPARE(grid.TextMatrix(0, 1), QString());
        QCOMPARE(grid.TextMatrix(1, 0), QString());
        QCOMPARE(grid.TextMatrix(2, 2), QString());
        QCOMPARE(grid.cellBackColorAt(2, 2), grid.BackColor());
        QCOMPARE(grid.Rows(), 3);
        QCOMPARE(grid.Row(), 2);
    }

    // Every cell shows its colour exactly as set, the current cell too, which is marked by
    // an outline of its own.
    void coloursShowExactlyAsSet()
    {
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(3);
        grid.show();
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        grid.setFocus();
        grid.setCol(2);
        for (const ColourValue colour : {CellColour::Pending, CellColour::BeingWritten, CellColour::Rejected, CellColour::Failed}) {
            grid.setCellBackColorAt(1, 2, colour);
            grid.setCellBackColorAt(2, 2, colour);
            QCOMPARE(grid.cellBackColorAt(1, 2), colour);
            runPasses();
            const QImage current = shownCell(grid, 1, 2);
            const QImage other = shownCell(grid, 2, 2);
            QCOMPARE(current.pixelColor(current.rect().center()), toQColor(colour));
            QCOMPARE(other.pixelColor(other.rect().center()), toQColor(colour));
            QVERIFY(current != other);
        }
        QCOMPARE(toQColor(CellColour::Pending), QColor(200, 230, 250));
        QCOMPARE(toColourValue(QColor(200, 230, 250)), CellColour::Pending);
    }

    // A text too long for its cell ends in "…" where it is cut, so no cut number passes for
    // a complete one: the cell looks as the text's beginning and "…" look where they fit.
    void cutTextsEndInAnEllipsis_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("small number") << QString("-0.000123456789012");
        QTest::newRow("large number") << QString("12345678.9012345");
    }
    void cutTextsEndInAnEllipsis()
    {
        QFETCH(QString, text);
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(3);
        grid.setColWidth(1, 900);
        grid.setColWidth(2, 6000);
        grid.setRow(2);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setTextMatrix(1, 1, text);
        runPasses();
        const QImage cut = shownCell(grid, 1, 1);
        bool found = false;
        for (qsizetype kept = text.size() - 1; kept > 0 && !found; --kept) {
            grid.setTextMatrix(1, 2, text.left(kept) + QChar(0x2026));
            endInterval();
            found = shownCell(grid, 1, 2).copy(cut.rect()) == cut;
        }
        QVERIFY(found);
    }

    // An edited cell shows at the end of the event-loop pass that changed it; cells
    // coloured in later passes within the repaint interval (a long write) are painted
    // together when it ends.
    void changedCellsPaintAtOnceThenTogether()
    {
        FlexGrid grid;
        grid.setCols(4);
        grid.setRows(4);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        endInterval(); // the first paint and its interval are over
        int paints = 0;
        PaintCounter counter(paints);
        grid.viewport()->installEventFilter(&counter);

        grid.setCellBackColorAt(1, 1, CellColour::Pending);
        runPasses();
        QCOMPARE(paints, 1);
        grid.setCellBackColorAt(1, 2, CellColour::Rejected);
        runPasses();
        grid.setCellBackColorAt(1, 3, CellColour::Failed);
        env->clock.advance(PacedDisplay::IntervalMs - 1);
        runPasses();
        QCOMPARE(paints, 1);
        env->clock.advance(1);
        runPasses();
        QCOMPARE(paints, 2);
    }

    // Rows added one by one in one pass (a load) reach the view as one insertion at its end,
    // those of later passes within the interval when it ends; the view learns of them at
    // once when the current cell is moved there.
    void addedRowsReachTheViewTogether()
    {
        FlexGrid grid;
        grid.setCols(3);
        endInterval();
        QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
        grid.Clear();
        for (int rows = 3; rows <= 100; ++rows) {
            grid.setRows(rows);
            grid.setTextMatrix(rows - 1, 0, QString::number(rows));
        }
        QCOMPARE(inserted.count(), 0);
        runPasses();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(grid.model()->rowCount(), 99);
        grid.setRows(150);
        grid.setTextMatrix(149, 0, "150");
        runPasses();
        QCOMPARE(inserted.count(), 1);
        grid.setRow(149);
        QCOMPARE(grid.Row(), 149);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(grid.model()->rowCount(), 149);
        QCOMPARE(grid.model()->headerData(148, Qt::Vertical).toString(), QString("150"));
    }

    // fillRows writes whole rows as setTextMatrix on each cell would, growing the grid,
    // dropping texts beyond its columns and colouring only the value cells written.
    void fillRowsWritesWholeRows()
    {
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(2);
        grid.setTextMatrix(1, 2, "kept");
        grid.setCellBackColorAt(1, 2, CellColour::Failed);
        grid.fillRows(1, {{"a", "1"}, {"b", "2", "3", "dropped"}, {}, {"d"}}, CellColour::Pending);
        QCOMPARE(grid.Rows(), 5);
        QCOMPARE(grid.Cols(), 3);
        const QStringList texts{"a", "1", "kept", "b", "2", "3", "", "", "", "d", "", ""};
        const QList<ColourValue> colours{grid.BackColor(), CellColour::Pending, CellColour::Failed,
                                         grid.BackColor(), CellColour::Pending, CellColour::Pending,
                                         grid.BackColor(), grid.BackColor(),    grid.BackColor(),
                                         grid.BackColor(), grid.BackColor(),    grid.BackColor()};
        for (int row = 1; row <= 4; ++row) {
            for (int col = 0; col < 3; ++col) {
                QCOMPARE(grid.TextMatrix(row, col), texts[(row - 1) * 3 + col]);
                QCOMPARE(grid.cellBackColorAt(row, col), colours[(row - 1) * 3 + col]);
            }
        }
        grid.fillRows(0, {{"", "Zero", "Span"}});
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QString("Span"));
        QCOMPARE(grid.cellBackColorAt(0, 1), grid.BackColor());
    }

    // The model tells the view of every change it makes, whatever the order of loads,
    // shrinks, growths, edits and clears within and across intervals; once an interval is
    // over the view shows the whole table.
    void modelKeepsTheViewInStep()
    {
        FlexGrid grid;
        grid.setCols(4);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto load = [&grid](int rows, const QString &tag) {
            grid.Clear();
            grid.setRows(2);
            QList<QStringList> table;
            for (int row = 1; row <= rows; ++row)
                table.append({tag + QString::number(row), "1", "2", "3"});
            grid.fillRows(1, table, CellColour::Pending);
        };
        const auto viewShowsTheTable = [&grid] {
            const QAbstractItemModel &view = *grid.model();
            QCOMPARE(view.rowCount(), grid.Rows() - 1);
            QCOMPARE(view.columnCount(), grid.Cols() - 1);
            for (int row = 1; row < grid.Rows(); ++row) {
                QCOMPARE(view.headerData(row - 1, Qt::Vertical).toString(), grid.TextMatrix(row, 0));
                for (int col = 1; col < grid.Cols(); ++col)
                    QCOMPARE(view.index(row - 1, col - 1).data().toString(), grid.TextMatrix(row, col));
            }
        };

        endInterval();
        load(50, "a");
        runPasses();
        load(80, "b"); // a second load inside the interval
        runPasses();
        grid.setRows(120); // grown, then shrunk below what the view knows, within the interval
        grid.setTextMatrix(110, 1, "gone");
        grid.setRows(40);
        grid.setRows(60);
        for (int row = 30; row < 60; ++row) // edits within the interval
            grid.setTextMatrix(row, 2, "e" + QString::number(row));
        runPasses();
        endInterval();
        viewShowsTheTable();

        grid.setCols(6);
        grid.fillRows(55, {{"x", "1", "2", "3", "4", "5"}, {"y"}});
        grid.setCols(3);
        grid.Clear();
        grid.setTextMatrix(59, 2, "last");
        endInterval();
        viewShowsTheTable();
        grid.setRows(1);
        endInterval();
        viewShowsTheTable();
    }

    void leaveCellComesBeforeTheMove()
    {
        FlexGrid grid;
        grid.setCols(4);
        grid.setRows(5);
        grid.show();
        QVERIFY(QTest::qWaitForWindowActive(&grid));
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 1);
        QList<std::pair<int, int>> left;
        connect(&grid, &FlexGrid::LeaveCell, &grid, [&] { left.append({grid.Row(), grid.Col()}); });
        grid.setRow(3);
        grid.setRow(3); // no move, no LeaveCell
        grid.setCol(2);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.Row(), 4);
        const QList<std::pair<int, int>> expected{{1, 1}, {3, 1}, {3, 2}};
        QCOMPARE(left, expected);
        // Values outside the value cells are ignored.
        grid.setRow(0);
        grid.setRow(5);
        QCOMPARE(grid.Row(), 4);
    }

    // A click on no cell, right of the columns or below the rows, leaves the view where the
    // user scrolled it, with the current cell out of view.
    void clickOnNoCellLeavesTheView_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cols");
        QTest::addColumn<bool>("rightOfTheColumns"); // else below the rows
        QTest::newRow("right of the columns") << 1000 << 4 << true;
        QTest::newRow("below the rows") << 10 << 30 << false;
    }
    void clickOnNoCellLeavesTheView()
    {
        QFETCH(int, rows);
        QFETCH(int, cols);
        QFETCH(bool, rightOfTheColumns);
        FlexGrid grid;
        grid.setCols(cols);
        grid.setRows(rows);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        // The current cell at the far end, then the view scrolled back to the start.
        grid.setRow(rows - 1);
        grid.setCol(cols - 1);
        runPasses();
        QScrollBar &scrolled = rightOfTheColumns ? *grid.verticalScrollBar() : *grid.horizontalScrollBar();
        QVERIFY(scrolled.value() > 0);
        scrolled.setValue(0);
        const QPoint scrollBefore(grid.horizontalScrollBar()->value(), grid.verticalScrollBar()->value());

        const QRect lastCell = grid.visualRect(grid.model()->index(rightOfTheColumns ? 0 : rows - 2,
                                                                      rightOfTheColumns ? cols - 2 : 0));
        const QPoint empty = rightOfTheColumns ? QPoint(lastCell.right() + 20, lastCell.center().y())
                                               : QPoint(lastCell.center().x(), lastCell.bottom() + 20);
        QVERIFY(grid.viewport()->rect().contains(empty));
        QVERIFY(!grid.indexAt(empty).isValid());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, empty);
        runPasses();
        QCOMPARE(QPoint(grid.horizontalScrollBar()->value(), grid.verticalScrollBar()->value()), scrollBefore);
        QCOMPARE(grid.Row(), rows - 1);
        QCOMPARE(grid.Col(), cols - 1);
    }

    void keysAreReportedAsCharacters_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("keyAscii");
        QTest::newRow("digit") << int(Qt::Key_5) << int('5');
        QTest::newRow("space") << int(Qt::Key_Space) << 32;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << 8;
        QTest::newRow("enter") << int(Qt::Key_Return) << 13;
        QTest::newRow("arrow moves instead") << int(Qt::Key_Right) << -1;
    }
    void keysAreReportedAsCharacters()
    {
        QFETCH(int, key);
        QFETCH(int, keyAscii);
        FlexGrid grid;
        grid.setCols(4);
        grid.setRows(4);
        QSignalSpy presses(&grid, &FlexGrid::KeyPress);
        QTest::keyClick(&grid, Qt::Key(key));
        if (keyAscii < 0) {
            QCOMPARE(presses.count(), 0);
            QCOMPARE(grid.Col(), 2);
        } else {
            QCOMPARE(presses.count(), 1);
            QCOMPARE(presses.at(0).at(0).toInt(), keyAscii);
            QCOMPARE(grid.Col(), 1);
        }
    }

    void sizesAreInTwips()
    {
        FlexGrid grid;
        grid.setCols(5);
        grid.setRows(5);
        grid.setColWidth(0, 2000);
        grid.setRowHeight(0, 450);
        grid.setColWidth(2, 1500);
        QCOMPARE(grid.ColWidth(0), 2000);
        QCOMPARE(grid.RowHeight(0), 450);
        QCOMPARE(grid.ColWidth(2), 1500);
        QCOMPARE(grid.verticalHeader()->width(), Twips::toPixels(2000));
        grid.setCol(2);
        QCOMPARE(grid.CellWidth(), 1500);
        QCOMPARE(grid.CellLeft(), Twips::fromPixels(grid.viewport()->x() + grid.columnViewportPosition(1)));
    }
};

QTEST_MAIN(FlexGridTest)
#include "flexgrid_guitest.moc"
