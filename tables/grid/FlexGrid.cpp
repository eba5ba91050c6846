#include "tables/grid/FlexGrid.h"

#include "tables/grid/CellColours.h"
#include "widgets/PacedDisplay.h"
#include "widgets/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace {

// Changed cells are repainted as often as a long write shows its progress.
constexpr int RepaintMs = PacedDisplay::IntervalMs;

// The cell's colour value. It is kept as set, so it reads back exactly, and the cell's
// brush is drawn from it: colouring a cell is one change of the model, not two.
constexpr int ColourRole = Qt::UserRole + 1;

class GridCell : public QTableWidgetItem
{
public:
    QVariant data(int role) const override
    {
        if (role != Qt::BackgroundRole)
            return QTableWidgetItem::data(role);
        const QVariant colour = QTableWidgetItem::data(ColourRole);
        return colour.isValid() ? QVariant(QBrush(toQColor(colour.value<ColourValue>()))) : QVariant();
    }
    QTableWidgetItem *clone() const override { return new GridCell(*this); }
};

// Raises `leaving` before the current cell changes, whoever changes it: a click, the
// arrow keys or the program.
class LeaveCellSelectionModel : public QItemSelectionModel
{
public:
    LeaveCellSelectionModel(QAbstractItemModel *model, QObject *parent, std::function<void()> leaving)
        : QItemSelectionModel(model, parent)
        , m_leaving(std::move(leaving))
    {
    }

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (currentIndex().isValid() && index != currentIndex())
            m_leaving();
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    std::function<void()> m_leaving;
};

} // namespace

FlexGrid::FlexGrid(QWidget *parent)
    : QTableWidget(parent)
    , m_backColor(CellColour::DefaultGridBack)
    , m_fixedColWidthTwips(1200)
    , m_fixedRowHeightTwips(300)
    , m_corner(std::make_unique<GridCell>())
    , m_repaintTimer(new QTimer(this))
{
    m_repaintTimer->setSingleShot(true);
    connect(m_repaintTimer, &QTimer::timeout, this, &FlexGrid::repaintChangedCells);
    setItemPrototype(new GridCell);
    QItemSelectionModel *previous = selectionModel();
    setSelectionModel(new LeaveCellSelectionModel(model(), this, [this] { Q_EMIT LeaveCell(); }));
    delete previous;

    // No editing and no selection highlight of its own: the current cell shows by its focus
    // frame, so the state colours stay visible on it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    // Header texts wrap within the fixed row, as the editors' long band headers need.
    horizontalHeader()->setDefaultAlignment(Qt::Alignment::fromInt(int(Qt::AlignCenter) | int(Qt::TextWordWrap)));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(Twips::toPixels(300));
    horizontalHeader()->setDefaultSectionSize(Twips::toPixels(1200));
    verticalHeader()->setFixedWidth(Twips::toPixels(m_fixedColWidthTwips));
    horizontalHeader()->setFixedHeight(Twips::toPixels(m_fixedRowHeightTwips));
    setBackColor(m_backColor);

    setRows(2);
    setCols(2);
}

FlexGrid::~FlexGrid() = default;

void FlexGrid::setRows(int rows)
{
    rows = std::max(rows, FixedRows());
    if (Row() >= rows)
        Q_EMIT LeaveCell();
    const int oldRows = rowCount();
    setRowCount(rows - 1);
    ensureFixedCells(oldRows, columnCount());
    ensureCurrentCell();
}

void FlexGrid::setCols(int cols)
{
    cols = std::max(cols, FixedCols());
    if (Col() >= cols)
        Q_EMIT LeaveCell();
    const int oldCols = columnCount();
    setColumnCount(cols - 1);
    ensureFixedCells(rowCount(), oldCols);
    ensureCurrentCell();
}

int FlexGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int FlexGrid::Col() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() + 1 : 0;
}

void FlexGrid::setRow(int row)
{
    if (isValueCell(row, std::max(Col(), 1)))
        setCurrentCell(row - 1, std::max(Col(), 1) - 1);
}

void FlexGrid::setCol(int col)
{
    if (isValueCell(std::max(Row(), 1), col))
        setCurrentCell(std::max(Row(), 1) - 1, col - 1);
}

bool FlexGrid::isValueCell(int row, int col) const
{
    return row >= FixedRows() && row < Rows() && col >= FixedCols() && col < Cols();
}

QTableWidgetItem *FlexGrid::cell(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return nullptr;
    if (row == 0 && col == 0)
        return m_corner.get();
    if (row == 0)
        return horizontalHeaderItem(col - 1);
    if (col == 0)
        return verticalHeaderItem(row - 1);
    return item(row - 1, col - 1);
}

QTableWidgetItem *FlexGrid::cellForWriting(int row, int col)
{
    if (QTableWidgetItem *existing = cell(row, col))
        return existing;
    if (!isValueCell(row, col))
        return nullptr;
    auto *created = new GridCell;
    setItem(row - 1, col - 1, created);
    return created;
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    const QTableWidgetItem *found = cell(row, col);
    return found ? found->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (QTableWidgetItem *target = cellForWriting(row, col))
        target->setText(text);
}

ColourValue FlexGrid::cellBackColorAt(int row, int col) const
{
    const QTableWidgetItem *found = cell(row, col);
    if (!found)
        return m_backColor;
    const QVariant colour = found->data(ColourRole);
    return colour.isValid() ? colour.value<ColourValue>() : m_backColor;
}

void FlexGrid::setCellBackColorAt(int row, int col, ColourValue colour)
{
    if (QTableWidgetItem *target = cellForWriting(row, col)) {
        target->setData(ColourRole, QVariant::fromValue(colour));
    }
}

void FlexGrid::setBackColor(ColourValue colour)
{
    m_backColor = colour;
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, toQColor(colour));
    viewport()->setPalette(palette);
}

int FlexGrid::ColWidth(int col) const
{
    if (col == 0)
        return m_fixedColWidthTwips;
    if (col < 0 || col >= Cols())
        return 0;
    return Twips::fromPixels(columnWidth(col - 1));
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col == 0) {
        m_fixedColWidthTwips = twips;
        verticalHeader()->setFixedWidth(Twips::toPixels(twips));
    } else if (col > 0 && col < Cols()) {
        setColumnWidth(col - 1, Twips::toPixels(twips));
    }
}

int FlexGrid::RowHeight(int row) const
{
    if (row == 0)
        return m_fixedRowHeightTwips;
    if (row < 0 || row >= Rows())
        return 0;
    return Twips::fromPixels(rowHeight(row - 1));
}

void FlexGrid::setRowHeight(int row, int twips)
{
    if (row == 0) {
        m_fixedRowHeightTwips = twips;
        horizontalHeader()->setFixedHeight(Twips::toPixels(twips));
    } else if (row > 0 && row < Rows()) {
        QTableWidget::setRowHeight(row - 1, Twips::toPixels(twips));
    }
}

int FlexGrid::CellLeft() const
{
    const int col = Col();
    if (col < 1)
        return 0;
    return Twips::fromPixels(viewport()->x() + columnViewportPosition(col - 1));
}

int FlexGrid::CellTop() const
{
    const int row = Row();
    if (row < 1)
        return 0;
    return Twips::fromPixels(viewport()->y() + rowViewportPosition(row - 1));
}

void FlexGrid::Clear()
{
    // Emptying the model resets its current index; the grid keeps its current cell.
    const int currentRow = Row();
    const int currentCol = Col();
    clearContents();
    m_corner = std::make_unique<GridCell>();
    for (int col = 0; col < columnCount(); ++col)
        setHorizontalHeaderItem(col, new GridCell);
    for (int row = 0; row < rowCount(); ++row)
        setVerticalHeaderItem(row, new GridCell);
    if (isValueCell(currentRow, currentCol))
        setCurrentCell(currentRow - 1, currentCol - 1);
    ensureCurrentCell();
}

void FlexGrid::ensureFixedCells(int fromRow, int fromCol)
{
    // A header without an item would show Qt's own row and column numbers. Only rows and
    // columns from the given ones on can lack one, so that growing a grid row by row costs
    // each row once.
    for (int col = fromCol; col < columnCount(); ++col) {
        if (!horizontalHeaderItem(col))
            setHorizontalHeaderItem(col, new GridCell);
    }
    for (int row = fromRow; row < rowCount(); ++row) {
        if (!verticalHeaderItem(row))
            setVerticalHeaderItem(row, new GridCell);
    }
}

void FlexGrid::ensureCurrentCell()
{
    if (!currentIndex().isValid() && rowCount() > 0 && columnCount() > 0)
        setCurrentCell(0, 0);
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    // Character keys (control characters and Space included) are reported; navigation
    // keys (arrows, pages, Home, End, Tab) move the current cell as usual.
    const QString text = event->text();
    const bool isCharacter = !text.isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab
        && event->key() != Qt::Key_Delete && text.at(0).unicode() != 127;
    if (!isCharacter) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    Q_EMIT KeyPress(text.at(0).unicode());
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        Q_EMIT DblClick();
}

void FlexGrid::focusInEvent(QFocusEvent *event)
{
    QTableWidget::focusInEvent(event);
    Q_EMIT GotFocus();
}

void FlexGrid::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // The grid has no editors to refresh: a single cell only needs repainting.
    if (topLeft != bottomRight || !topLeft.isValid()) {
        QTableWidget::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    m_changedCells.append(QPoint(topLeft.column(), topLeft.row()));
    if (m_repaintTimer->isActive())
        return;
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : RepaintMs;
    if (since >= RepaintMs)
        repaintChangedCells();
    else
        m_repaintTimer->start(static_cast<int>(RepaintMs - since));
}

void FlexGrid::repaintChangedCells()
{
    // A cell the grid has lost meanwhile needs no repaint.
    for (const QPoint &changed : std::as_const(m_changedCells)) {
        if (changed.y() < rowCount() && changed.x() < columnCount())
            update(model()->index(changed.y(), changed.x()));
    }
    m_changedCells.clear();
    m_sinceRepaint.start();
}
