#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The meter information dialog's texts: what its "v" reply fills in, and the commands that
// write the three free-text information lines (slots 01 to 03) and the serial number.
namespace MeterInformation {

inline constexpr int InfoLines = 3;
inline constexpr int InfoLineLength = 20;     // characters the meter keeps of a line
inline constexpr int SerialCommandLength = 10; // characters of the serial number sent
inline constexpr int SerialTypedLength = 9;    // characters that can be typed into the box

// What a "v" reply gives: the serial number (from a line beginning "Serial", the rest
// trimmed) and the information lines from lines 5, 6 and 7 (counted from 1), each unchanged.
// A line the reply does not reach, or a line that is the serial number, gives nothing.
// The RS232 exchange drops empty lines, so an empty slot moves the lines after it up: a line
// at 5 to 7 that is the status token or a table-version line ("Unc", "Spec", "Tab", slots 04
// to 06) is not taken for a free-text slot: that slot reads as empty, so it is never written
// back with another slot's text or the token.
struct Reading
{
    std::optional<QString> serial;
    std::array<std::optional<QString>, InfoLines> info;
};
Reading parseVersionReply(const QString &reply);

// "&", the slot (index + 1) as two digits, then the first 20 characters of the text.
QString infoCommand(int index, const QString &text);
// The lines of the multi-line box that are written: at most the first three.
QStringList informationLines(const QString &boxText);
// "q" and the first 10 characters of the serial number.
QString serialCommand(const QString &serial);

} // namespace MeterInformation
