#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The meter's PRT table: 3500 temperatures for 0.0 to 349.9 ohms in steps of 0.1 ohm, each an
// integer number of 0.00001 degrees Celsius. On screen it is a grid of 350 rows ("0R" to
// "349R", from grid row 1) by 10 columns (tenths of an ohm, from grid column 1).

inline constexpr int PRTTableRows = 350;      // data rows of a generated grid
inline constexpr int PRTTableColumns = 10;    // values per row
inline constexpr int PRTTableLastIndex = 3500; // the highest index the meter is sent

// The resistance of the grid cell at row (from 1) and column (1 to 10): row - 1 plus
// (column - 1) tenths of an ohm.
double PRTCellResistance(int row, int column);

// The table index of a grid cell: (row - 1) * 10 + (column - 1).
int PRTTableIndex(int row, int column);

// A temperature as a table cell: the number of 0.00001 degrees Celsius, rounded toward
// minus infinity; "0" when the temperature is above 10000 in magnitude or there is none.
QString PRTCellText(double temperature);

// The number Save All writes for a cell: the cell's number plus one, rounded to the nearest
// integer (halves to even). Nothing when the text is not a number or the sum does not fit
// in 32 bits.
std::optional<qint32> PRTWriteValue(const QString &cellText);

// The write command of one table entry: "Wt", the index, a comma and the value.
QString PRTWriteCommand(int index, qint32 value);

// The lines of a "pt" reply in order, each up to and including its CR with the blanks at
// both ends removed. Text after the last CR is not a line.
QStringList SplitPRTReplyLines(const QString &reply);

// One table line of a "pt" reply: the label before the first comma and the values after it,
// each written back as the number its field begins with (an empty field gives "0").
struct PRTReplyLine
{
    QString label;
    QStringList values;
};
// Nothing for a line without a comma (the status token).
std::optional<PRTReplyLine> ParsePRTReplyLine(const QString &line);
