#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The calibration-factor table as the meter sends it ("pa"), as the meter takes it back
// (one "Ww" command per cell) and as a *.cal file holds it. Rows are calibration ranges
// (row r is range r), value columns are calibration points (column c is point c - 1).
namespace CalFactors {

// --- the grid's shape ---
// Columns 1 to 3 are the DC points; AC point names start at column 4.
inline constexpr int FirstAcColumn = 4;
// Headers come from the 25-point list when the grid has more columns than this.
inline constexpr int TwentyPointColumns = 24;
// Limits of what the editor will hold; a reply or file beyond them is not loaded further.
// The row count is the range counter's 16-bit limit; the column and cell limits keep a
// malformed reply or a binary file from exhausting memory (a full table is 71 x 29).
inline constexpr int MaxGridRows = 32767;
inline constexpr int MaxGridCols = 256;
inline constexpr qint64 MaxGridCells = qint64(1) << 21;
bool fitsGrid(qint64 rows, qint64 cols);

// Header of value column `col` (4 and up) in a grid of `colCount` columns: the AC
// calibration-point name number col - 3 from the 25-point list when the grid has more
// than 24 columns, else from the 20-point list.
QString acColumnHeader(int col, int colCount);

// --- the "pa" reply ---
// The value texts of each "Range" line of a "pa" reply, in order (field k goes to column
// k). Lines end at CR; text after the last CR is not used; lines not starting "Range" are
// skipped. The text after the first comma (the whole line when it has none) is cut at
// commas, and each field is stored as the number it begins with in general number format
// (so the CR alone after a trailing comma gives "0").
struct CalFactorsReply
{
    QList<QStringList> rows;
    // A line other than the final status token ("*" and a digit) was neither empty nor a
    // "Range" line: noise, or a range line with a damaged label, so the rows after it may
    // stand under the wrong ranges.
    bool damaged = false;
};
CalFactorsReply parseCalFactorsReply(const QString &reply);

// --- writing a cell ---
// Gain values of the Positive and Negative points must lie in this window (inclusive),
// except on range 17.
inline constexpr qint32 GainMinimum = 60000000;
inline constexpr qint32 GainMaximum = 140000000;
inline constexpr int UnguardedGainRange = 17;
inline constexpr int MaxRange = 100;
inline constexpr int MaxPoint = 27;

// The point letter of a write command: "a" to "z" for points 0 to 25, "A" and "B" for 26
// and 27; empty for any other point.
QString pointLetter(int point);
// "Ww", the point letter, the range, "," and the value: Wwb12,100.
QString writeCommand(int range, int point, qint32 value);

struct CellWrite
{
    enum class Outcome {
        Send,    // send `command`
        Skip,    // not a cell the meter has: leave it as it is
        Refuse,  // not sent: the value is outside the gain window or not a 32-bit integer
    };
    Outcome outcome;
    QString command;
};
// What the save does with a pending cell of `range` and `point` holding `text`. The text
// must be a decimal number (rounded to the nearest integer, halves to even) within
// 32 bits; anything else is refused without sending.
CellWrite planCellWrite(int range, int point, const QString &text);

// --- *.cal files ---
// One line of a file: the label, " , ", then each non-empty value followed by ",", and CR LF.
QString calFileLine(const QString &label, const QStringList &values);
// The file's bytes (one byte per character).
QByteArray encodeCalFile(const QList<QStringList> &rows);

// The lines of a file: each ends at CR, CR LF or LF; a last line without a line end is a
// line too; nothing after the last line end makes no further line.
QStringList calFileLines(const QByteArray &content);
// The cells of one line: element 0 is column 0 (the label), element k column k. Each is
// the text before the next comma, blanks removed at both ends; text after the last comma
// is ignored, so a line without a comma gives nothing. At most MaxGridCols + 1 cells are
// taken: a line with more does not fit the grid anyway.
QStringList parseCalFileLine(const QString &line);

} // namespace CalFactors
