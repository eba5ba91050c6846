#include "tables/grid/FlexGrid.h"

#include "tables/grid/CellColours.h"
#include "tables/grid/GridModel.h"
#include "widgets/Twips.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <climits>

namespace {

// Paints a cell as the grid shows it: its colour exactly as set (none: the grid's background
// shows), its text on one line, ended in "…" when it does not fit, and a dotted outline on
// the current cell. Texts are laid out once and kept while they are painted, so a repaint
// of the whole grid (a scroll) lays out only the texts new to it.
class CellPainter : public QAbstractItemDelegate
{
public:
    CellPainter(const GridModel &model, QObject *parent) : QAbstractItemDelegate(parent), m_model(model) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row() + 1;
        const int col = index.column() + 1;
        if (const std::optional<ColourValue> colour = m_model.colour(row, col))
            painter->fillRect(option.rect, toQColor(*colour));
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        if (const QString &text = m_model.text(row, col); !text.isEmpty()) {
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
            const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
            const QStaticText *shown = &laidOut(text, option.font);
            // A cut text would pass for a complete number: it shows where it was cut.
            const bool cut = shown->size().width() > area.width();
            if (cut) {
                shown = &laidOut(QFontMetrics(option.font).elidedText(text, Qt::ElideRight, area.width()), option.font);
                painter->save();
                painter->setClipRect(area, Qt::IntersectClip); // a column too narrow for "…" itself
            }
            painter->setPen(option.palette.color(QPalette::Text));
            painter->drawStaticText(QPointF(area.left(), area.top() + (area.height() - shown->size().height()) / 2),
                                    *shown);
            if (cut)
                painter->restore();
        }
        // The style's focus frame would tint the cell, and its colour is the cell's state.
        if (option.state & QStyle::State_HasFocus) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override { return option.rect.size(); }

private:
    // Enough for every cell in view many times over; past it the kept texts start anew.
    static constexpr qsizetype MaxLaidOut = 4096;

    const QStaticText &laidOut(const QString &text, const QFont &font) const
    {
        if (font != m_font) {
            m_laidOut.clear();
            m_font = font;
        }
        auto found = m_laidOut.find(text);
        if (found == m_laidOut.end()) {
            if (m_laidOut.size() >= MaxLaidOut)
                m_laidOut.clear();
            QStaticText shown(text);
            shown.setTextFormat(Qt::PlainText);
            shown.prepare(QTransform(), font);
            found = m_laidOut.insert(text, shown);
        }
        return *found;
    }

    const GridModel &m_model;
    // Laid out in this font.
    mutable QHash<QString, QStaticText> m_laidOut;
    mutable QFont m_font;
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
    : QTableView(parent)
    , m_model(new GridModel(this))
    , m_backColor(CellColour::DefaultGridBack)
    , m_fixedColWidthTwips(1200)
    , m_fixedRowHeightTwips(300)
{
    setModel(m_model);
    setItemDelegate(new CellPainter(*m_model, this));
    QItemSelectionModel *previous = selectionModel();
    setSelectionModel(new LeaveCellSelectionModel(m_model, this, [this] { Q_EMIT LeaveCell(); }));
    delete previous;

    // No editing and no selection highlight of its own: the current cell shows by its
    // outline, so the state colours stay visible on it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Header texts wrap within the fixed row, as the editors' long band headers need.
    horizontalHeader()->setDefaultAlignment(Qt::Alignment::fromInt(int(Qt::AlignCenter) | int(Qt::TextWordWrap)));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Rows all of one height, none sized from its contents: the view places any row
    // without looking at the others.
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

int FlexGrid::Rows() const { return m_model->rows(); }

int FlexGrid::Cols() const { return m_model->cols(); }

void FlexGrid::setRows(int rows)
{
    rows = std::max(rows, FixedRows());
    if (Row() >= rows)
        Q_EMIT LeaveCell();
    m_model->resize(rows, Cols());
    ensureCurrentCell();
}

void FlexGrid::setCols(int cols)
{
    cols = std::max(cols, FixedCols());
    if (Col() >= cols)
        Q_EMIT LeaveCell();
    m_model->resize(Rows(), cols);
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
        makeCurrent(row, std::max(Col(), 1), Scroll::PageAtOnce);
}

void FlexGrid::setRowByUser(int row)
{
    if (isValueCell(row, std::max(Col(), 1)))
        makeCurrent(row, std::max(Col(), 1), Scroll::Least);
}

void FlexGrid::setCol(int col)
{
    if (isValueCell(std::max(Row(), 1), col))
        makeCurrent(std::max(Row(), 1), col, Scroll::PageAtOnce);
}

void FlexGrid::makeCurrent(int row, int col, Scroll scroll)
{
    // The view may not know the row yet.
    m_model->syncView();
    const QModelIndex cell = m_model->index(row - 1, col - 1);
    // A loop walking down the table scrolls once a page, not once a row: every scroll
    // repaints the whole grid, its row labels and its scroll bar. Otherwise the view scrolls
    // by as little as brings the cell into view.
    if (scroll == Scroll::PageAtOnce && isVisible()
        && rowViewportPosition(row - 1) + rowHeight(row - 1) > viewport()->height())
        scrollTo(cell, QAbstractItemView::PositionAtTop);
    setCurrentIndex(cell);
}

bool FlexGrid::isValueCell(int row, int col) const
{
    return row >= FixedRows() && row < Rows() && col >= FixedCols() && col < Cols();
}

QString FlexGrid::TextMatrix(int row, int col) const { return m_model->text(row, col); }

void FlexGrid::setTextMatrix(int row, int col, const QString &text) { m_model->setText(row, col, text); }

ColourValue FlexGrid::cellBackColorAt(int row, int col) const { return m_model->colour(row, col).value_or(m_backColor); }

void FlexGrid::setCellBackColorAt(int row, int col, ColourValue colour) { m_model->setColour(row, col, colour); }

void FlexGrid::fillRows(int firstRow, const QList<QStringList> &rows, std::optional<ColourValue> valueColour)
{
    const qsizetype needed = firstRow + rows.size();
    if (firstRow >= 0 && needed > Rows())
        setRows(int(std::min<qsizetype>(needed, INT_MAX)));
    m_model->fillRows(firstRow, rows, valueColour);
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
    m_model->syncView();
    return Twips::fromPixels(rowHeight(row - 1));
}

void FlexGrid::setRowHeight(int row, int twips)
{
    if (row == 0) {
        m_fixedRowHeightTwips = twips;
        horizontalHeader()->setFixedHeight(Twips::toPixels(twips));
    } else if (row > 0 && row < Rows()) {
        m_model->syncView();
        QTableView::setRowHeight(row - 1, Twips::toPixels(twips));
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

void FlexGrid::Clear() { m_model->clear(); }

void FlexGrid::Refresh() { m_model->syncView(); }

void FlexGrid::ensureCurrentCell()
{
    if (!currentIndex().isValid() && Rows() > FixedRows() && Cols() > FixedCols())
        makeCurrent(FixedRows(), FixedCols(), Scroll::Least);
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    // Character keys (control characters and Space included) are reported; navigation
    // keys (arrows, pages, Home, End, Tab) move the current cell as usual.
    const QString text = event->text();
    const bool isCharacter = !text.isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab
        && event->key() != Qt::Key_Delete && text.at(0).unicode() != 127;
    if (!isCharacter) {
        // Down or End may go to rows the view has not been told of yet.
        m_model->syncView();
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    Q_EMIT KeyPress(text.at(0).unicode());
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    // Qt leaves a clicked cell that is partly shown where it is; the grid brings it into
    // view as a move by key would. A press on no cell leaves the view where it is.
    const QPoint scrolledBefore(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const bool onACell = indexAt(event->position().toPoint()).isValid();
    QTableView::mousePressEvent(event);
    if (onACell && currentIndex().isValid())
        scrollTo(currentIndex());
    m_pressScrolled = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()) != scrolledBefore;
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click scrolled its cell from under the pointer: the double-click is still on
    // that cell, not on the one that came under the pointer.
    if (m_pressScrolled) {
        event->accept();
        Q_EMIT DblClick();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        Q_EMIT DblClick();
}

void FlexGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    Q_EMIT GotFocus();
}

void FlexGrid::showEvent(QShowEvent *event)
{
    // A grid filled while hidden shows its whole table at once.
    m_model->syncView();
    QTableView::showEvent(event);
}

void FlexGrid::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // The grid has no editors to refresh.
    if (topLeft == bottomRight || !topLeft.isValid() || !bottomRight.isValid()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    const QRect changed = visualRect(topLeft).united(visualRect(bottomRight));
    viewport()->update(changed.intersected(viewport()->rect()));
}
