#pragma once
#include "link/MeterWriteResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The meter's specification and imported-uncertainty tables: per range (grid row r = range
// r) and per frequency band b = 0..6, a value in ppm of reading (grid column 2b+1) and one
// in ppm of range (column 2b+2); the meter numbers the value columns k = column - 1, 0..13.
// One editor serves both tables; everything in which they differ is the data of a
// SpecTableKind. The reply parsing, the commands and the *.spec / *.uncert file format
// are plain functions here.
namespace SpecTable {

// Grid shape: the label column and 14 value columns.
inline constexpr int Columns = 15;
inline constexpr int ValueColumns = 14;
// The meter keeps rows 1 to 70; pending cells in later rows are counted but not sent.
inline constexpr int LastMeterRow = 70;
// The information line carries the version only when the meter took at least this many values.
inline constexpr int CellsForVersionedInfo = 101;
// Lines the progress window expects for a table read.
inline constexpr int ReadProgressLines = 60;
inline constexpr int ReadTimeoutSeconds = 10;
inline constexpr int CellTimeoutSeconds = 10;
inline constexpr int ClearTimeoutSeconds = 120;

// How a table reply is cut into lines.
enum class ReplyLineRule {
    // Up to each CR, blanks trimmed, the CR kept in the line; text after the last CR dropped.
    KeepCr,
    // SplitLines: CR, LF or CR LF end a line, lines trimmed without their end; a last piece
    // without a line end is a line too.
    SplitLines,
};

// A control's place in the window, in twips.
struct Place
{
    int left, top, width, height;
};

// What the database button does with the grid.
enum class DatabaseAction { AddRecords, UpdateLabColumns };

struct SpecTableKind
{
    const char *windowName;
    QString caption;
    QString readCommand;   // the whole table
    QString writePrefix;   // one cell: prefix, row, ",", column index, ",", value
    QString clearCommand;  // the whole table, inside the setup mode
    ReplyLineRule lineRule;
    bool versionEmptiedOnRead;
    int infoSlot;          // the meter's information line for this table
    QString infoWord;      // its first word
    QString clearQuestion;
    QString clearTitle;
    QString clearedText;   // main window's status text after the clear
    QString notClearedText;
    QString fileFilter;
    QString fileExtension; // with its dot
    QString loadErrorText; // followed by the error's description
    QString saveDbCaption;
    DatabaseAction databaseAction;
    // Places of the controls.
    Place loadFromMeter, saveToMeter, loadFromFile, saveToFile, clearMeter, exit, saveDb, versionLabel, version, grid;
};

const SpecTableKind &specifications();
const SpecTableKind &importedUncertainties();

// Header text of grid column 1..14 ("ppm Reading (DC-40Hz)", "ppm Range (DC-40Hz)", ...).
QString headerText(int column);

// The reply of the read command cut into lines by the kind's rule.
QStringList replyLines(const QString &reply, ReplyLineRule rule);

struct ReplyRow
{
    QString label;      // grid column 0
    QStringList values; // grid columns 1.., at most 14
};

// A reply line for table row `expectedRow`: it must begin with "R" and the number that its
// characters 2 to 4 begin with must be that row; anything else gives nothing. The label is
// the text before the first comma, trimmed, with the meter's codes 244 and 228 shown as
// "Ohm" and "u"; each comma-separated field after it becomes the shortest text of the
// number it begins with (0 when none). A final field of nothing but blanks and line ends
// (a line ending in a comma) is no value; fields past the 14th have no column and are
// dropped. A line without a comma is a label alone.
std::optional<ReplyRow> parseReplyRow(const QString &line, int expectedRow);

// The number a value cell holds: its text, blanks aside, must be a number as a whole
// ("12.5", "-1e-7") within a double's range; nothing otherwise ("abc", "1,5", "1e999", and
// the largest double itself, which is what a number beyond the range reads as).
std::optional<double> cellNumber(const QString &text);

// The write command of one value: "Ws5,0,12.5".
QString writeCommand(const SpecTableKind &kind, int row, int columnIndex, double value);

// The information line stamped after a save, by what the meter took of it:
// "&05Spec 1.2 06/12/26" when it took every value the save sent, at least 101, and there
// is a version; "&05Spec ___ 06/12/26" when it took some, or a value went unanswered (the
// meter may have taken it); nothing when it took none and none went unanswered.
std::optional<QString> informationLine(const SpecTableKind &kind, const QString &version,
                                       const MeterWriteResult &written, const QDate &today);

// --- files (*.spec, *.uncert): single-byte code, CR LF ---

struct TableFile
{
    // The text of the last "Version" line (empty when none).
    QString version;
    // Grid rows from 1: the cell texts stored in columns 0, 1, ... of that row. An empty
    // list is a row line that stored nothing (it still takes its row).
    QList<QStringList> rows;
    // Why the file is refused, naming its line; empty when it was read. A refused file
    // gives no version and no rows.
    QString refusal;
};

// Reads a file's bytes. A line whose first seven characters are "VERSION" in any case gives
// the version; lines beginning "#" are comments; every other line (an empty one too) is the
// next grid row: the texts before each comma, trimmed, fill columns 0 to 14 in turn, and
// text after the last comma is ignored. CR LF, CR and LF end lines. A version with "*" in
// its first three characters refuses the file: those three go into the meter's information
// line, where a "*" would read as the status token and cut every later read of the lines
// short.
TableFile parseTableFile(const QByteArray &bytes);

// The file of a grid: "Version " and the version, then per row its label, " , " and each
// non-empty value followed by ",". A label that would read back as the version or a
// comment is written after a blank. rows[i] holds the cell texts of grid row i + 1 from
// column 0 (missing cells count as empty).
QByteArray tableFileBytes(const QString &version, const QList<QStringList> &rows);

// "DMMBackup-14Mar26.spec".
QString proposedFileName(const SpecTableKind &kind, const QDate &today);

} // namespace SpecTable
