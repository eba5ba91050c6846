#pragma once
#include "widgets/ColourValue.h"

#include <QStringList>
#include <QTableView>
#include <optional>

class GridModel;

// A table grid with one fixed header row (row 0) and one fixed label column (column 0),
// addressed as the table editors address it: rows and columns from 0, the values from 1.
// The grid holds text and a background colour per cell and a current cell (Row, Col) that
// is always a value cell while the grid has one. It does no editing of its own; it reports
// key presses, double-clicks, gaining the focus and leaving the current cell as signals.
//
// The table lives in the grid's own model (GridModel): every cell, header and label costs
// the same at any size, and changes reach the screen in batches, at most one repaint per
// progress interval during a long load or write (a change after a quiet spell at the end of
// the event-loop pass that made it). A move the user makes (keys, clicks) scrolls by as
// little as brings the cell into view; the program's own moves scroll a page at once.
//
// Sizes and places are in twips. Indices outside the grid are ignored on writing and read
// as the empty text (and the grid's BackColor).
class FlexGrid : public QTableView
{
    Q_OBJECT
public:
    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    // Row and column counts, the fixed ones included (at least 1 each).
    int Rows() const;
    void setRows(int rows);
    int Cols() const;
    void setCols(int cols);
    int FixedRows() const { return 1; }
    int FixedCols() const { return 1; }

    // The current cell; 0 when the grid has no value cell. Setting it to another value cell
    // raises LeaveCell first; values outside 1 .. count - 1 are ignored. A move by the
    // program past the last row in view brings its row to the top.
    int Row() const;
    void setRow(int row);
    // setRow for a move the user made: as with the grid's own keys, the view scrolls by as
    // little as brings the row into view.
    void setRowByUser(int row);
    int Col() const;
    void setCol(int col);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // Text and background colour of the current cell.
    QString Text() const { return TextMatrix(Row(), Col()); }
    void setText(const QString &text) { setTextMatrix(Row(), Col(), text); }
    // Read by the tests only: the current cell's colour.
    ColourValue CellBackColor() const { return cellBackColorAt(Row(), Col()); }
    void setCellBackColor(ColourValue colour) { setCellBackColorAt(Row(), Col(), colour); }
    // Any cell's colour, without making it current.
    ColourValue cellBackColorAt(int row, int col) const;
    void setCellBackColorAt(int row, int col, ColourValue colour);

    // The grid's own background, shown by every cell that has no colour of its own.
    ColourValue BackColor() const { return m_backColor; }
    void setBackColor(ColourValue colour);

    // Column widths and row heights in twips; column 0 and row 0 are the fixed ones.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    void setRowHeight(int row, int twips);

    // Place and size of the current cell inside the grid, in twips.
    int CellLeft() const;
    int CellTop() const;
    int CellWidth() const { return ColWidth(Col()); }
    int CellHeight() const { return RowHeight(Row()); }

    // Writes whole rows at once from `firstRow` on, growing the grid to hold them, as
    // setTextMatrix on each cell would: row i's texts go to columns 0, 1, ... (those beyond
    // Cols are dropped), and every value cell written takes `valueColour` when one is given.
    void fillRows(int firstRow, const QList<QStringList> &rows, std::optional<ColourValue> valueColour = std::nullopt);

    // Empties every cell, fixed ones included, and drops every cell colour. The shape and
    // the current cell stay.
    void Clear();
    // Shows every change made so far now, not when the repaint interval ends: a load that
    // let the event loop run between its rows ends with it, so the whole table shows at once.
    void Refresh();

Q_SIGNALS:
    // A character key on the grid: its code (control characters below 32, Space 32).
    void KeyPress(int KeyAscii);
    void DblClick();
    void GotFocus();
    // The current cell is about to change; Row and Col still name the cell being left.
    void LeaveCell();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Repaints only the changed cells in view: Qt would repaint the whole grid for a change
    // of more than one cell, as the model passes on the cells changed within an interval.
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    bool isValueCell(int row, int col) const;
    enum class Scroll { Least, PageAtOnce };
    void makeCurrent(int row, int col, Scroll scroll);
    void ensureCurrentCell();

    GridModel *m_model;
    ColourValue m_backColor;
    int m_fixedColWidthTwips;
    int m_fixedRowHeightTwips;
    // The last mouse press scrolled the view to bring its cell in.
    bool m_pressScrolled = false;
};
