#include "tables/database/UncertaintyExport.h"

#include "link/Ranges.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/UserInteraction.h"
#include "tables/database/Database.h"

namespace {

constexpr int kBands = 7;

// A value scaled to an engineering prefix with the range's unit ("20uV").
QString engineering(double value, int range)
{
    QString unit = GetRangeUnit(range);
    return FormatEngineering(value, unit);
}

// The per-cent column and the zero column of a reading cell, each only when above 0.
void addUncertainty(FieldValues &fields, const ReadingCell &cell, const QString &percentColumn,
                    const QString &zeroColumn)
{
    if (cell.reading > 0)
        fields.append({percentColumn, TextConv::General(cell.reading / 10000)});
    const double zero = GetRangeLimit(cell.range, true) * cell.rangePpm / 1000000;
    if (zero > 0)
        fields.append({zeroColumn, engineering(zero, cell.range)});
}

bool setFields(Recordset &records, const FieldValues &fields)
{
    for (const auto &[column, value] : fields)
        if (!records.setField(column, value))
            return false;
    return true;
}

// The running number as the 16-bit integer the INDEX column holds.
std::optional<QString> indexOverflow(int index)
{
    if (!TextConv::CInt(index))
        return QStringLiteral("Overflow: more than 32767 records.");
    return std::nullopt;
}

void report(const std::optional<QString> &failure)
{
    if (failure)
        appUi().MsgBox(*failure);
}

} // namespace

QList<ReadingCell> readingCells(const GridCells &grid)
{
    QList<ReadingCell> cells;
    for (int row = 1; row < grid.rows; ++row) {
        const bool ac = !grid.text(row, 3).isEmpty();
        for (int band = 0; band < kBands; ++band) {
            const int column = 2 * band + 1;
            const QString reading = grid.text(row, column);
            if (reading.isEmpty())
                continue;
            ReadingCell cell;
            cell.index = int(cells.size()) + 1;
            cell.range = row;
            cell.band = band;
            cell.ac = ac;
            cell.reading = TextConv::Val(reading);
            cell.rangePpm = TextConv::Val(grid.text(row, column + 1));
            cells.append(cell);
        }
    }
    return cells;
}

FieldValues specificationFields(const ReadingCell &cell)
{
    FieldValues fields;
    fields.append({QStringLiteral("INDEX"), QVariant::fromValue<int>(cell.index)});
    const QString name = GetRangeName(cell.range);
    const QString low = GetFrequencyBandLimit(cell.band, false);
    const QString high = GetFrequencyBandLimit(cell.band, true);
    if (cell.ac) {
        fields.append({QStringLiteral("DESCRIPTION"), name + QLatin1Char('(') + low + QLatin1Char('-') + high
                                                          + QLatin1Char(')')});
        fields.append({QStringLiteral("FREQ_LOW"), low});
        fields.append({QStringLiteral("FREQ_HIGH"), high});
    } else {
        fields.append({QStringLiteral("DESCRIPTION"), name});
    }
    fields.append({QStringLiteral("RANGE_LOW"), engineering(GetRangeLimit(cell.range, false), cell.range)});
    fields.append({QStringLiteral("RANGE_HIGH"), engineering(GetRangeLimit(cell.range, true), cell.range)});
    addUncertainty(fields, cell, QStringLiteral("REF_%"), QStringLiteral("REF_ZERO"));
    return fields;
}

FieldValues laboratoryFields(const ReadingCell &cell)
{
    FieldValues fields;
    addUncertainty(fields, cell, QStringLiteral("LAB_%"), QStringLiteral("LAB_ZERO"));
    return fields;
}

QString specificationsSql() { return QStringLiteral("SELECT * from UNCERTAINTIES ORDER BY INDEX"); }

QString uncertaintyRecordSql(int index)
{
    return QStringLiteral("SELECT * from UNCERTAINTIES WHERE INDEX=\"") + QString::number(index) + QLatin1Char('"');
}

namespace {

// Opens the database, runs the work in one transaction and stores what it did, also when
// it failed part-way; the first failure's description, or nothing.
std::optional<QString> onDatabase(const QString &databasePath,
                                  const std::function<std::optional<QString>(Database &db)> &work)
{
    QString error;
    const std::unique_ptr<Database> db = Database::OpenDatabase(databasePath, &error);
    if (!db)
        return error;
    if (!db->BeginTrans())
        return db->lastError();
    std::optional<QString> failure = work(*db);
    if (!db->CommitTrans() && !failure)
        failure = db->lastError();
    db->Close();
    return failure;
}

} // namespace

std::optional<QString> exportSpecifications(const QString &databasePath, const GridCells &grid)
{
    return onDatabase(databasePath, [&grid](Database &db) -> std::optional<QString> {
        const std::unique_ptr<Recordset> records = db.OpenRecordset(specificationsSql());
        if (!records)
            return db.lastError();
        const QList<ReadingCell> cells = readingCells(grid);
        for (const ReadingCell &cell : cells) {
            if (auto overflow = indexOverflow(cell.index))
                return overflow;
            if (!records->AddNew() || !setFields(*records, specificationFields(cell)) || !records->Update())
                return records->lastError();
        }
        return std::nullopt;
    });
}

std::optional<QString> insertUncertainties(const QString &databasePath, const GridCells &grid)
{
    return onDatabase(databasePath, [&grid](Database &db) -> std::optional<QString> {
        const QList<ReadingCell> cells = readingCells(grid);
        for (const ReadingCell &cell : cells) {
            if (auto overflow = indexOverflow(cell.index))
                return overflow;
            const std::unique_ptr<Recordset> record = db.OpenRecordset(uncertaintyRecordSql(cell.index));
            if (!record)
                return db.lastError();
            if (!record->hasRecord())
                return QStringLiteral("Database does not match, index: ") + QString::number(cell.index);
            if (!record->Edit() || !setFields(*record, laboratoryFields(cell)) || !record->Update())
                return record->lastError();
        }
        return std::nullopt;
    });
}

std::optional<QString> chooseUncertaintyDatabase()
{
    FileDialogRequest request;
    request.filter = QStringLiteral("MDB Files (*.MDB)|*.MDB|");
    request.filterIndex = 1;
    request.fileName = QStringLiteral("6450 Multimeter.mdb");
    request.defaultExt = QStringLiteral("mdb");
    request.flags = FileDialogRequest::SaveOverwriteCheck;
    return appUi().ShowSave(request);
}

namespace {

// Both exports: the dialog, then the work with the hourglass; every failure in one box.
void runExport(const GridCells &grid,
               std::optional<QString> (*work)(const QString &databasePath, const GridCells &grid))
{
    const std::optional<QString> path = chooseUncertaintyDatabase();
    if (!path) {
        report(QStringLiteral("Cancel was selected."));
        return;
    }
    std::optional<QString> failure;
    {
        Hourglass busy(appUi());
        failure = work(*path, grid);
    }
    report(failure);
}

} // namespace

void SaveSpecificationsToUncertaintyDB(const GridCells &grid) { runExport(grid, exportSpecifications); }

void InsertUncertaintiesIntoUncertaintyDB(const GridCells &grid) { runExport(grid, insertUncertainties); }
