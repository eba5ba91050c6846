#include "tables/grid/GridModel.h"

#include "widgets/PacedDisplay.h"

#include <QBrush>

namespace {

// Changes reach the view as often as a long write shows its progress.
constexpr int SyncMs = PacedDisplay::IntervalMs;

} // namespace

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_texts(1)
    , m_colours(1)
{
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, &GridModel::syncView);
}

void GridModel::resize(int rows, int cols)
{
    rows = std::max(rows, 1);
    cols = std::max(cols, 1);
    // Rows are dropped before columns are laid out anew, and added after.
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
        m_texts.resize(at(rows, 0));
        m_colours.resize(at(rows, 0));
        endRemoveRows();
        return;
    }
    // Rows beyond what the view knows are added or dropped silently: the view is told of
    // the added ones with the next batch of changes.
    m_rows = rows;
    m_texts.resize(at(rows, 0));
    m_colours.resize(at(rows, 0));
    if (m_rows > m_viewRows)
        scheduleSync();
}

void GridModel::resizeCols(int cols)
{
    // The view must know every row before its columns change.
    syncView();
    std::vector<QString> texts(std::size_t(m_rows) * std::size_t(cols));
    std::vector<std::optional<ColourValue>> colours(texts.size());
    const int kept = std::min(cols, m_cols);
    for (int row = 0; row < m_rows; ++row) {
        for (int col = 0; col < kept; ++col) {
            texts[std::size_t(row) * std::size_t(cols) + std::size_t(col)] = m_texts[at(row, col)];
            colours[std::size_t(row) * std::size_t(cols) + std::size_t(col)] = m_colours[at(row, col)];
        }
    }
    if (cols > m_cols)
        beginInsertColumns(QModelIndex(), m_cols - 1, cols - 2);
    else
        beginRemoveColumns(QModelIndex(), cols - 1, m_cols - 2);
    const bool added = cols > m_cols;
    m_cols = cols;
    m_texts = std::move(texts);
    m_colours = std::move(colours);
    if (added)
        endInsertColumns();
    else
        endRemoveColumns();
}

const QString &GridModel::text(int row, int col) const
{
    static const QString empty;
    return contains(row, col) ? m_texts[at(row, col)] : empty;
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!contains(row, col))
        return;
    m_texts[at(row, col)] = text;
    markChanged(row, col);
    scheduleSync();
}

std::optional<ColourValue> GridModel::colour(int row, int col) const
{
    return contains(row, col) ? m_colours[at(row, col)] : std::nullopt;
}

void GridModel::setColour(int row, int col, ColourValue colour)
{
    if (!contains(row, col))
        return;
    m_colours[at(row, col)] = colour;
    markChanged(row, col);
    scheduleSync();
}

void GridModel::fillRows(int firstRow, const QList<QStringList> &rows, std::optional<ColourValue> valueColour)
{
    if (firstRow < 0)
        return;
    for (int row = firstRow; row < m_rows && row - firstRow < rows.size(); ++row) {
        const QStringList &cells = rows[row - firstRow];
        const int written = int(std::min<qsizetype>(cells.size(), m_cols));
        for (int col = 0; col < written; ++col) {
            m_texts[at(row, col)] = cells[col];
            if (col > 0 && valueColour)
                m_colours[at(row, col)] = valueColour;
        }
        if (written > 0)
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
    std::fill(m_texts.begin(), m_texts.end(), QString());
    std::fill(m_colours.begin(), m_colours.end(), std::nullopt);
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
    if (m_syncTimer.isActive())
        return;
    const qint64 since = m_sinceSync.isValid() ? m_sinceSync.elapsed() : SyncMs;
    if (since >= SyncMs)
        syncView();
    else
        m_syncTimer.start(int(SyncMs - since));
}

void GridModel::syncView()
{
    m_syncTimer.stop();
    const bool pending = m_rows > m_viewRows || !m_changedRows.isEmpty() || !m_changedLabels.isEmpty()
        || !m_changedHeaders.isEmpty();
    if (!pending)
        return;

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
    m_sinceSync.start();
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
