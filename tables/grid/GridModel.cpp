#include "tables/grid/GridModel.h"

#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "widgets/PacedDisplay.h"

#include <QAbstractEventDispatcher>
#include <QBrush>

namespace {

// Changes reach the view as often as a long write shows its progress.
constexpr int SyncMs = PacedDisplay::IntervalMs;

} // namespace

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_cells(1)
{
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeTimer, &QTimer::timeout, this, &GridModel::syncWhenDue);
    // The interval is measured on the program's clock, which tests run on virtual time, so
    // the batch is checked at every pass of the event loop, not only when the timer fires.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, &GridModel::syncWhenDue);
}

void GridModel::resize(int rows, int cols)
{
    rows = std::max(rows, 1);
    cols = std::max(cols, 1);
    // Rows are dropped before columns are, and added after.
    if (rows < m_rows)
        resizeRows(rows);
    if (cols != m_cols)
        resizeCols(cols);
    if (rows > m_rows)
        resizeRows(rows);
}

void GridModel::resizeRows(int rows)
{
    if (rows < m_viewRows) {
        beginRemoveRows(QModelIndex(), rows - 1, m_viewRows - 2);
        m_rows = m_viewRows = rows;
        m_cells.resize(std::size_t(rows));
        endRemoveRows();
        return;
    }
    // Rows beyond what the view knows are added or dropped silently: the view is told of
    // the added ones with the next batch of changes.
    m_rows = rows;
    m_cells.resize(std::size_t(rows));
    if (m_rows > m_viewRows)
        scheduleSync();
}

void GridModel::resizeCols(int cols)
{
    // The view must know every row before its columns change.
    syncView();
    if (cols > m_cols) {
        beginInsertColumns(QModelIndex(), m_cols - 1, cols - 2);
        m_cols = cols;
        endInsertColumns();
        return;
    }
    beginRemoveColumns(QModelIndex(), cols - 1, m_cols - 2);
    m_cols = cols;
    for (Row &row : m_cells)
        if (row.size() > std::size_t(cols))
            row.resize(std::size_t(cols));
    endRemoveColumns();
}

const GridModel::Cell *GridModel::cell(int row, int col) const
{
    if (!contains(row, col))
        return nullptr;
    const Row &cells = m_cells[std::size_t(row)];
    return std::size_t(col) < cells.size() ? &cells[std::size_t(col)] : nullptr;
}

GridModel::Cell &GridModel::cellToWrite(int row, int col)
{
    Row &cells = m_cells[std::size_t(row)];
    if (cells.size() <= std::size_t(col)) {
        // A row written cell by cell gets its room by its own width, doubled as it grows
        // but never past the table's columns: a full row ends with no room to spare, and a
        // short row keeps little room when one long row has widened the table. (A load of
        // whole rows sizes each row to its texts instead.)
        const std::size_t needed = std::size_t(col) + 1;
        if (cells.capacity() < needed)
            cells.reserve(std::min(std::max(needed, 2 * cells.capacity()), std::size_t(m_cols)));
        cells.resize(needed);
    }
    return cells[std::size_t(col)];
}

const QString &GridModel::text(int row, int col) const
{
    static const QString empty;
    const Cell *found = cell(row, col);
    return found ? found->text : empty;
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!contains(row, col))
        return;
    // An empty text past the row's last cell is there already.
    if (!text.isEmpty() || cell(row, col))
        cellToWrite(row, col).text = text;
    markChanged(row, col);
    scheduleSync();
}

std::optional<ColourValue> GridModel::colour(int row, int col) const
{
    const Cell *found = cell(row, col);
    return found ? found->colour : std::nullopt;
}

void GridModel::setColour(int row, int col, ColourValue colour)
{
    if (!contains(row, col))
        return;
    cellToWrite(row, col).colour = colour;
    markChanged(row, col);
    scheduleSync();
}

void GridModel::fillRows(int firstRow, const QList<QStringList> &rows, std::optional<ColourValue> valueColour)
{
    if (firstRow < 0)
        return;
    for (int row = firstRow; row < m_rows && row - firstRow < rows.size(); ++row) {
        const QStringList &texts = rows[row - firstRow];
        const int written = int(std::min<qsizetype>(texts.size(), m_cols));
        if (written == 0)
            continue;
        Row &cells = m_cells[std::size_t(row)];
        if (cells.size() < std::size_t(written))
            cells.resize(std::size_t(written));
        for (int col = 0; col < written; ++col) {
            cells[std::size_t(col)].text = texts[col];
            if (col > 0 && valueColour)
                cells[std::size_t(col)].colour = valueColour;
        }
        markChanged(row, 0);
        if (written > 1) {
            markChanged(row, 1);
            markChanged(row, written - 1);
        }
    }
    scheduleSync();
}

void GridModel::clear()
{
    m_cells.assign(std::size_t(m_rows), Row());
    // Spans beyond the table are clipped when passed on.
    for (const int row : {0, 1, m_rows - 1})
        for (const int col : {0, 1, m_cols - 1})
            markChanged(row, col);
    scheduleSync();
}

void GridModel::markChanged(int row, int col)
{
    if (row > 0 && col > 0) {
        m_changedRows.add(row);
        m_changedCols.add(col);
    } else if (row > 0) {
        m_changedLabels.add(row);
    } else if (col > 0) {
        m_changedHeaders.add(col);
    }
    // The corner has no place on screen.
}

void GridModel::scheduleSync()
{
    if (m_syncAtEndOfPass || m_batchWaiting)
        return;
    const qint64 now = appClock().monotonicMs();
    if (!m_lastSyncMs || now - *m_lastSyncMs >= SyncMs) {
        // Queued behind the events of this pass, so what the pass goes on to change shows
        // with it.
        m_syncAtEndOfPass = true;
        QMetaObject::invokeMethod(this, &GridModel::showPass, Qt::QueuedConnection);
        return;
    }
    m_batchWaiting = true;
    m_wakeTimer.start(int(*m_lastSyncMs + SyncMs - now));
}

void GridModel::showPass()
{
    m_syncAtEndOfPass = false;
    syncView();
    m_lastSyncMs = appClock().monotonicMs();
}

void GridModel::syncWhenDue()
{
    if (!m_batchWaiting)
        return;
    const qint64 now = appClock().monotonicMs();
    if (now - *m_lastSyncMs < SyncMs) {
        if (!m_wakeTimer.isActive())
            m_wakeTimer.start(int(*m_lastSyncMs + SyncMs - now));
        return;
    }
    m_batchWaiting = false;
    m_wakeTimer.stop();
    if (syncView())
        m_lastSyncMs = now;
}

bool GridModel::syncView()
{
    const bool pending = m_rows > m_viewRows || !m_changedRows.isEmpty() || !m_changedLabels.isEmpty()
        || !m_changedHeaders.isEmpty();
    if (!pending)
        return false;

    const int knownRows = m_viewRows;
    if (m_rows > m_viewRows) {
        beginInsertRows(QModelIndex(), m_viewRows - 1, m_rows - 2);
        m_viewRows = m_rows;
        endInsertRows();
    }
    // Rows just inserted are new to the view: only those it knew before need repainting.
    const int lastKnownRow = knownRows - 1;
    const int lastCol = m_cols - 1;
    if (m_changedRows.first <= lastKnownRow && m_changedCols.first <= lastCol)
        Q_EMIT dataChanged(index(m_changedRows.first - 1, m_changedCols.first - 1),
                           index(std::min(m_changedRows.last, lastKnownRow) - 1, std::min(m_changedCols.last, lastCol) - 1));
    if (m_changedLabels.first <= lastKnownRow)
        Q_EMIT headerDataChanged(Qt::Vertical, m_changedLabels.first - 1, std::min(m_changedLabels.last, lastKnownRow) - 1);
    if (m_changedHeaders.first <= lastCol)
        Q_EMIT headerDataChanged(Qt::Horizontal, m_changedHeaders.first - 1, std::min(m_changedHeaders.last, lastCol) - 1);
    m_changedRows = m_changedCols = m_changedLabels = m_changedHeaders = Span();
    return true;
}

int GridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_viewRows - 1; }

int GridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_cols - 1; }

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return text(row, col);
    case Qt::BackgroundRole:
        if (const std::optional<ColourValue> shown = colour(row, col))
            return QBrush(toQColor(*shown));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return QVariant();
    // Every header cell answers with its own text, empty or not: the view shows no numbers
    // of its own.
    return orientation == Qt::Horizontal ? text(0, section + 1) : text(section + 1, 0);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
