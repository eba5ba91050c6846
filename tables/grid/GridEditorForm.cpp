#include "tables/grid/GridEditorForm.h"

#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "widgets/RunGuard.h"
#include "widgets/Twips.h"

#include <algorithm>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

constexpr int KeyEnter = 13;
constexpr int KeyEscape = 27;
constexpr int KeyUp = 38;
constexpr int KeyDown = 40;
// Longer than any cell text: the caret rules clamp it to the text's end.
constexpr int WholeText = 1000;
// The box is drawn this much smaller than its cell, in twips.
constexpr int BoxInset = 8;

// The window system's key code of a key event (letters and digits as their upper-case
// character, the navigation and control keys by their own codes); 0 for keys without one.
int keyCodeOf(const QKeyEvent &event)
{
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return KeyEnter;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return KeyEscape;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return KeyUp;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return KeyDown;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

// Shift 1, Ctrl 2, Alt 4.
int shiftStateOf(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

bool isBoxNavigationKey(int keyCode)
{
    return keyCode == KeyEnter || keyCode == KeyEscape || keyCode == KeyUp || keyCode == KeyDown;
}

} // namespace

GridEditorForm::GridEditorForm(GridEditStyle style, QWidget *parent)
    : QWidget(parent)
    , CalGrid(new FlexGrid(this))
    , Text_Edit(new QLineEdit(this))
    , m_style(style)
{
    CalGrid->setObjectName(QStringLiteral("CalGrid"));
    Text_Edit->setObjectName(QStringLiteral("Text_Edit"));
    // A visible box would commit its text into the current cell the first time the grid
    // gets the focus, so it stays hidden until the first edit.
    Text_Edit->hide();
    Text_Edit->setFrame(false);
    switch (m_style.boxAtLoad) {
    case GridEditStyle::BoxAtLoad::TextEmptied:
        Text_Edit->setText(QString());
        break;
    case GridEditStyle::BoxAtLoad::MovedOutOfView:
        Text_Edit->move(-Text_Edit->width(), Text_Edit->y());
        break;
    }
    Text_Edit->installEventFilter(this);

    connect(CalGrid, &FlexGrid::KeyPress, this, &GridEditorForm::CalGrid_KeyPress);
    connect(CalGrid, &FlexGrid::DblClick, this, &GridEditorForm::CalGrid_DblClick);
    connect(CalGrid, &FlexGrid::GotFocus, this, &GridEditorForm::CalGrid_GotFocus);
    connect(CalGrid, &FlexGrid::LeaveCell, this, &GridEditorForm::CalGrid_LeaveCell);
}

void GridEditorForm::MSHFlexGridEdit(FlexGrid &grid, QLineEdit &edt, int KeyAscii)
{
    // Only a value cell can be edited (a grid without value rows has no current cell), and
    // none while a meter run works on the table.
    if (m_tableLocked || grid.Row() < grid.FixedRows() || grid.Col() < grid.FixedCols())
        return;

    if (KeyAscii >= 0 && KeyAscii <= 32) {
        edt.setText(grid.Text());
        switch (m_style.caret) {
        case GridEditStyle::Caret::AtEnd:
            edt.setCursorPosition(std::min(WholeText, int(edt.text().size())));
            break;
        case GridEditStyle::Caret::SelectAll:
            edt.setSelection(0, std::min(WholeText, int(edt.text().size())));
            break;
        }
    } else {
        edt.setText(QString(QChar(char16_t(KeyAscii))));
        edt.setCursorPosition(1);
    }

    // Over the cell, in the box's parent's coordinates.
    QWidget *boxParent = edt.parentWidget();
    const QPoint gridOrigin = boxParent ? grid.mapTo(boxParent, QPoint(0, 0)) : grid.pos();
    edt.setGeometry(gridOrigin.x() + Twips::toPixels(grid.CellLeft()), gridOrigin.y() + Twips::toPixels(grid.CellTop()),
                    Twips::toPixels(grid.CellWidth() - BoxInset), Twips::toPixels(grid.CellHeight() - BoxInset));
    edt.show();
    edt.raise();
    edt.setFocus(Qt::OtherFocusReason);
}

void GridEditorForm::EditKeyCode(FlexGrid &grid, QLineEdit &edt, int KeyCode, int /*Shift*/)
{
    switch (KeyCode) {
    case KeyEnter:
        focusGrid(grid);
        break;
    case KeyEscape:
        // Hidden first, so the commit that the focus change runs finds nothing to store.
        edt.hide();
        focusGrid(grid);
        break;
    case KeyUp:
        focusGrid(grid);
        appClock().processEvents();
        if (grid.Row() > grid.FixedRows())
            grid.setRowByUser(grid.Row() - 1);
        break;
    case KeyDown:
        focusGrid(grid);
        appClock().processEvents();
        if (grid.Row() < grid.Rows() - 1)
            grid.setRowByUser(grid.Row() + 1);
        break;
    default:
        break;
    }
}

void GridEditorForm::focusGrid(FlexGrid &grid)
{
    grid.setFocus(Qt::OtherFocusReason);
    // The focus event commits; a window that is not active gets no focus event, so the
    // commit runs here too (it does nothing once the box is hidden).
    if (&grid == CalGrid)
        commitEdit();
}

void GridEditorForm::CalGrid_KeyPress(int KeyAscii) { MSHFlexGridEdit(*CalGrid, *Text_Edit, KeyAscii); }

void GridEditorForm::CalGrid_DblClick() { MSHFlexGridEdit(*CalGrid, *Text_Edit, 32); }

void GridEditorForm::CalGrid_GotFocus() { commitEdit(); }

void GridEditorForm::CalGrid_LeaveCell() { commitEdit(); }

void GridEditorForm::commitEdit()
{
    if (!isEditing())
        return;
    const bool boxHadFocus = Text_Edit->hasFocus();
    const int row = CalGrid->Row();
    const int col = CalGrid->Col();
    if (row >= CalGrid->FixedRows() && col >= CalGrid->FixedCols() && Text_Edit->text() != CalGrid->Text()) {
        CalGrid->setText(Text_Edit->text());
        CalGrid->setCellBackColor(CellColour::Pending);
    }
    Text_Edit->hide();
    // The current cell was moved while the box held the focus: keep typing on the grid.
    if (boxHadFocus)
        CalGrid->setFocus(Qt::OtherFocusReason);
}

void GridEditorForm::Text_Edit_KeyDown(int KeyCode, int Shift) { EditKeyCode(*CalGrid, *Text_Edit, KeyCode, Shift); }

void GridEditorForm::Text_Edit_KeyPress(int &KeyAscii)
{
    if (KeyAscii == KeyEnter)
        KeyAscii = 0;
}

bool GridEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Text_Edit || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int keyCode = keyCodeOf(*keyEvent);
    Text_Edit_KeyDown(keyCode, shiftStateOf(*keyEvent));
    // Enter, Esc, Up and Down belong to the editing family; the box never sees them.
    if (isBoxNavigationKey(keyCode))
        return true;
    const QString text = keyEvent->text();
    if (!text.isEmpty()) {
        int keyAscii = text.at(0).unicode();
        Text_Edit_KeyPress(keyAscii);
        if (keyAscii == 0)
            return true;
    }
    return false;
}

void GridEditorForm::Form_Resize()
{
    // The grid gets the inner size less 1000 twips, but never more than reaches from where
    // it starts to a small margin short of the window's edge: a grid placed lower than
    // 1000 twips would otherwise hang below the window, its scroll bar out of sight.
    constexpr int Reserve = 1000;
    constexpr int EdgeMargin = 60;
    const int scaleWidth = Twips::fromPixels(width());
    const int scaleHeight = Twips::fromPixels(height());
    const int left = Twips::fromPixels(CalGrid->x());
    const int top = Twips::fromPixels(CalGrid->y());
    const int gridWidth = scaleWidth - std::max(Reserve, left + EdgeMargin);
    const int gridHeight = scaleHeight - std::max(Reserve, top + EdgeMargin);
    if (gridWidth > 0)
        CalGrid->resize(Twips::toPixels(gridWidth), CalGrid->height());
    if (gridHeight > 0)
        CalGrid->resize(CalGrid->width(), Twips::toPixels(gridHeight));
}

bool GridEditorForm::event(QEvent *event)
{
    if (event->type() == RunGuard::MeterRunsEvent::type()) {
        m_tableLocked = static_cast<RunGuard::MeterRunsEvent *>(event)->underWay();
        // The run takes the table with the edit the user left open, as a save moving its
        // current cell would.
        if (m_tableLocked)
            commitEdit();
        return true;
    }
    return QWidget::event(event);
}

void GridEditorForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

qint16 GridEditorForm::Fgi(int r, int c) const { return static_cast<qint16>(r * CalGrid->Cols() + c); }

bool GridEditorForm::isEditing() const { return !Text_Edit->isHidden(); }
