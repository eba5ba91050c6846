#pragma once
#include <QWidget>

class FlexGrid;
class QLineEdit;

// How one table editor differs within the in-cell editing family.
struct GridEditStyle
{
    // Where the caret goes when an edit starts with the cell's own text (Space, Enter,
    // Backspace, any control character, a double-click).
    enum class Caret {
        AtEnd,     // caret after the last character, nothing selected
        SelectAll, // the whole text selected, so typing replaces it
    };
    // What the window does with the (hidden) edit box when it loads.
    enum class BoxAtLoad {
        TextEmptied,     // its text is set to ""
        MovedOutOfView,  // moved to the left of the window by its own width
    };
    Caret caret;
    BoxAtLoad boxAtLoad;
};

// A table editor window: the grid CalGrid, which holds the whole table (text = value,
// background colour = state, see CellColours.h), and the single-line box Text_Edit laid
// over the current cell while the user edits it. Derived windows add their buttons and
// place CalGrid by geometry (not in a layout): the resize rule sets its size only.
//
// Editing: a character key on the grid or a double-click opens the box over the current
// cell (a typed character replaces the text, control characters and Space keep it). The
// box's text reaches the cell, coloured pending, when the grid gets the focus back or
// leaves its current cell, and only when the text changed. In the box Enter commits, Esc
// discards, Up and Down commit and move one row. Focus moving to another control (a
// button) leaves the edit open.
//
// While a meter run of the window is under way (widgets/RunGuard.h) the table is the run's:
// an edit open when the run starts is committed then, and no edit starts until it has
// ended. The window names its other controls that change the table (TableControls).
class GridEditorForm : public QWidget
{
    Q_OBJECT
public:
    explicit GridEditorForm(GridEditStyle style, QWidget *parent = nullptr);

    FlexGrid *CalGrid;
    QLineEdit *Text_Edit;

    // Starts an edit of the grid's current cell with the key that started it (32 for a
    // double-click).
    void MSHFlexGridEdit(FlexGrid &grid, QLineEdit &edt, int KeyAscii);
    // The navigation keys of the edit box: Enter 13, Esc 27, Up 38, Down 40. Shift is unused.
    void EditKeyCode(FlexGrid &grid, QLineEdit &edt, int KeyCode, int Shift);

    void CalGrid_KeyPress(int KeyAscii);
    void CalGrid_DblClick();
    // Both commit the edit under way (see above).
    void CalGrid_GotFocus();
    void CalGrid_LeaveCell();
    void Text_Edit_KeyDown(int KeyCode, int Shift);
    // Swallows the carriage return (sets it to 0); other keys pass unchanged.
    void Text_Edit_KeyPress(int &KeyAscii);
    // Keeps the grid 1000 twips short of the window's inner width and height, each only
    // while that dimension is above 1000 twips.
    void Form_Resize();

    // Cell number r * Cols + c, as a 16-bit integer: callers keep it within that width
    // (nothing calls it).
    qint16 Fgi(int r, int c) const;

    // True while the edit box is open.
    bool isEditing() const;

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void commitEdit();
    void focusGrid(FlexGrid &grid);

    GridEditStyle m_style;
    // A meter run of the window is under way: the grid is not edited.
    bool m_tableLocked = false;
};
