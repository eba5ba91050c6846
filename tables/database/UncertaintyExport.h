#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// Export of the specification and imported-uncertainty grids into the table UNCERTAINTIES
// of an uncertainty database (see tables/database/Database.h for the files it opens).
//
// The specifications editor adds one record per filled "ppm Reading" cell (the reference
// columns); the imported-uncertainties editor then fills the laboratory columns of the
// same records, found by their running INDEX. The grids are walked row by row from row 1,
// and within a row over the "ppm Reading" columns 1, 3, ..., 13 (band (column - 1) / 2);
// row r is range r; the "ppm Range" value of a band is the cell to the right.

// The cell texts of a grid, as the editors' grid shows them: rows counts the header row 0
// (like FlexGrid::Rows()); text(row, column) is a cell's text.
struct GridCells
{
    int rows = 0;
    std::function<QString(int row, int column)> text;
};

// The cells of any grid with Rows() and TextMatrix(row, column), such as FlexGrid:
//     SaveSpecificationsToUncertaintyDB(gridCellsOf(*CalGrid));
template<class Grid>
GridCells gridCellsOf(const Grid &grid)
{
    return {grid.Rows(), [&grid](int row, int column) { return grid.TextMatrix(row, column); }};
}

// ---- entry points for the editors' Command_SaveDB_Click ----

// "Save to Uncertainty DB" of FormSpecifications: asks for the database with the save
// dialog (proposing "6450 Multimeter.mdb"), then adds one record per filled "ppm Reading"
// cell with INDEX from 1, DESCRIPTION, FREQ_LOW and FREQ_HIGH (AC rows), RANGE_LOW,
// RANGE_HIGH, REF_% and REF_ZERO. Any failure, Cancel in the dialog included, ends it with a
// message box showing the failure's description; records stored before it stay stored.
void SaveSpecificationsToUncertaintyDB(const GridCells &grid);

// "Insert into Uncertainty DB" of FormImportedUncerts: asks for the database as above,
// then for every filled "ppm Reading" cell sets LAB_% and LAB_ZERO on the record whose
// INDEX is that cell's running number. A missing record shows "Database does not match,
// index: " and the index and stops (records updated before it stay updated); other
// failures as above.
void InsertUncertaintiesIntoUncertaintyDB(const GridCells &grid);

// ---- the parts, for tests and other callers ----

// One filled "ppm Reading" cell of a grid, in export order.
struct ReadingCell
{
    int index = 0;     // running number from 1: the record's INDEX
    int range = 0;     // grid row = range number
    int band = 0;      // 0 to 6
    bool ac = false;   // the row has a band-1 reading (column 3)
    double reading = 0; // ppm of reading
    double rangePpm = 0; // ppm of range (the cell to the right)
};

// The filled "ppm Reading" cells of a grid, in export order.
QList<ReadingCell> readingCells(const GridCells &grid);

// Column names and values, in the order they are set.
using FieldValues = QList<QPair<QString, QVariant>>;

// The reference columns of a specification record (INDEX to REF_ZERO).
FieldValues specificationFields(const ReadingCell &cell);
// The laboratory columns of an uncertainty (LAB_% and LAB_ZERO, each only when above 0).
FieldValues laboratoryFields(const ReadingCell &cell);

// The SQL texts the two exports open their record sets with.
QString specificationsSql();
QString uncertaintyRecordSql(int index);

// The two exports on a database file already chosen; the failure's description, or
// nothing when everything was stored.
std::optional<QString> exportSpecifications(const QString &databasePath, const GridCells &grid);
std::optional<QString> insertUncertainties(const QString &databasePath, const GridCells &grid);

// The save dialog asking for the database; nothing when cancelled.
std::optional<QString> chooseUncertaintyDatabase();
