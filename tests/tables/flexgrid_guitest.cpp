#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "widgets/PacedDisplay.h"
#include "widgets/Twips.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(int &paints) : m_paints(paints) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }

private:
    int &m_paints;
};

class FlexGridTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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

    void coloursReadBackExactly()
    {
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(3);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        for (const ColourValue colour : {CellColour::Pending, CellColour::BeingWritten, CellColour::Rejected, CellColour::Failed}) {
            grid.setCellBackColorAt(1, 2, colour);
            QCOMPARE(grid.cellBackColorAt(1, 2), colour);
            // What the cell shows on screen.
            const QPoint centre = grid.visualRect(grid.model()->index(0, 1)).center();
            QCOMPARE(grid.viewport()->grab().toImage().pixelColor(centre), toQColor(colour));
        }
        QCOMPARE(toQColor(CellColour::Pending), QColor(200, 230, 250));
        QCOMPARE(toColourValue(QColor(200, 230, 250)), CellColour::Pending);
    }

    // An edited cell shows at once; cells coloured one after another within the repaint
    // interval (a long write) are painted together when it ends.
    void changedCellsPaintAtOnceThenTogether()
    {
        FlexGrid grid;
        grid.setCols(4);
        grid.setRows(4);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QTest::qWait(PacedDisplay::IntervalMs); // the first paint and its interval are over
        int paints = 0;
        PaintCounter counter(paints);
        grid.viewport()->installEventFilter(&counter);

        grid.setCellBackColorAt(1, 1, CellColour::Pending);
        QCoreApplication::processEvents();
        QCOMPARE(paints, 1);
        grid.setCellBackColorAt(1, 2, CellColour::Rejected);
        grid.setCellBackColorAt(1, 3, CellColour::Failed);
        QCoreApplication::processEvents();
        QCOMPARE(paints, 1);
        QTRY_COMPARE_WITH_TIMEOUT(paints, 2, 5 * PacedDisplay::IntervalMs);
        QTest::qWait(PacedDisplay::IntervalMs / 2);
        QCOMPARE(paints, 2);
    }

    // Rows added one by one within the interval (a load) reach the view as one insertion;
    // the view learns of them at once when the current cell is moved there.
    void addedRowsReachTheViewTogether()
    {
        FlexGrid grid;
        grid.setCols(3);
        QTest::qWait(PacedDisplay::IntervalMs); // the interval of the grid's first rows is over
        QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
        grid.setRows(3);
        QCOMPARE(inserted.count(), 1);
        for (int rows = 4; rows <= 100; ++rows) {
            grid.setRows(rows);
            grid.setTextMatrix(rows - 1, 0, QString::number(rows));
        }
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(grid.Rows(), 100);
        QCOMPARE(grid.TextMatrix(99, 0), QString("100"));
        grid.setRow(99);
        QCOMPARE(grid.Row(), 99);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(grid.model()->rowCount(), 99);
        QCOMPARE(grid.model()->headerData(98, Qt::Vertical).toString(), QString("100"));
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
