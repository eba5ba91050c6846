#pragma once
#include "widgets/ColourValue.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

// The table behind a FlexGrid: the text and colour of every cell, the header row (row 0)
// and the label column (column 0) included. Each row keeps its cells up to its last one
// that holds a text or a colour, so reading or writing any cell or label costs the same at
// any size, and the empty cells beyond cost nothing. The view sees the value cells as the
// model's items (item (r, c) is cell (r + 1, c + 1)) and row 0 and column 0 as its header
// data.
//
// Changes reach the view in batches, on the program's clock: the first change after a quiet
// spell of one repaint interval is passed on once the event loop has finished the pass that
// made it, together with every change made in that pass (a Clear and the load that follows
// it show as one), so an edit or a load shows without delay; the changes of later passes
// within the interval, added rows included, are passed on together when it ends, as one
// insertion and one change of a range. A long load or write so repaints as often as its
// progress is shown, not once per cell or row. rowCount() counts the rows passed on so far.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    // The whole table, fixed row and column included (at least 1 each).
    int rows() const { return m_rows; }
    int cols() const { return m_cols; }
    // New cells are empty and uncoloured; the cells that remain keep their text and colour.
    void resize(int rows, int cols);

    bool contains(int row, int col) const { return row >= 0 && row < m_rows && col >= 0 && col < m_cols; }
    // Outside the table a cell reads as the empty text with no colour, and writes are ignored.
    const QString &text(int row, int col) const;
    void setText(int row, int col, const QString &text);
    std::optional<ColourValue> colour(int row, int col) const;
    void setColour(int row, int col, ColourValue colour);
    // Writes whole rows from `firstRow` on: row i's texts go to columns 0, 1, ... (those
    // beyond the table are dropped), and every value cell written takes `valueColour` when
    // one is given. One change, whatever the count.
    void fillRows(int firstRow, const QList<QStringList> &rows, std::optional<ColourValue> valueColour);
    // Empties every text and drops every colour; the shape stays.
    void clear();

    // Passes the changes held back to the view now: for a caller about to ask the view
    // about rows it may not know yet, and at the end of a load. The interval's timing
    // stays as it was. False when nothing was held back.
    bool syncView();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // A range of rows or columns not yet passed on.
    struct Span
    {
        int first = INT_MAX;
        int last = -1;
        void add(int at)
        {
            first = std::min(first, at);
            last = std::max(last, at);
        }
        bool isEmpty() const { return last < first; }
    };

    struct Cell
    {
        QString text;
        std::optional<ColourValue> colour;
    };
    using Row = std::vector<Cell>;

    const Cell *cell(int row, int col) const;
    // The cell, its row grown to hold it.
    Cell &cellToWrite(int row, int col);
    void markChanged(int row, int col);
    // Passes the changes on at the end of this pass of the event loop after a quiet spell,
    // otherwise when the interval ends.
    void scheduleSync();
    // Passes on the changes of the pass that ends; the interval starts.
    void showPass();
    // Run at every pass of the event loop: passes on a batch whose interval has ended.
    void syncWhenDue();
    void resizeRows(int rows);
    void resizeCols(int cols);

    int m_rows = 1;
    int m_cols = 1;
    std::vector<Row> m_cells;

    // What the view knows, and what changed since it was told.
    int m_viewRows = 1;
    Span m_changedRows, m_changedCols; // value cells
    Span m_changedLabels;              // rows of column 0
    Span m_changedHeaders;             // columns of row 0
    // When the changes of a pass or of a batch were last shown: the interval runs from there.
    std::optional<qint64> m_lastSyncMs;
    bool m_syncAtEndOfPass = false;
    bool m_batchWaiting = false;
    // Wakes an idle event loop when a waiting batch falls due.
    QTimer m_wakeTimer;
};
