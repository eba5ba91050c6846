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

// What a "v" reply gives: the serial number (from the meter's own serial line, the identity
// line beginning "Serial", the rest trimmed) and the information lines of slots 01 to 03,
// from the lines before the reply's status token ("*" and a digit, its last non-empty
// line). A reply without one (a time-out, a reply cut short at its end), or with its token
// before the four identity lines (a refusal of "v"), gives nothing.
// The reply holds four identity lines, then slots 01 to 06 (01 to 03 free text; 04 to 06
// the table versions "Unc 1.0 14/03/26", "Spec 3 14/03/26", "Tab 1.0 14/03/26", a version
// of one to three characters or "___"). USB and Ethernet keep an empty slot's line, but
// the RS232 exchange drops empty lines:
// - a full reply (ten lines or more before the token) gives lines 5, 6 and 7 (counted
//   from 1) unchanged, whatever they begin with ("Serial" included);
// - a shorter one lost empty slots, or was ended early by a slot holding "*0", or lost
//   lines on the way: the lines just before the token that have the exact form of slots
//   06, 05 and 04 (walking back, in that order) are taken for the table versions, and the
//   lines from 5 up to them are the free texts, in order; slots with no line left show
//   empty. Which slot each text came from is then unknown: a lone text of slot 03 reads as
//   slot 01, a free-form text of slot 04 as one of slots 01 to 03, and no line at all may
//   as well be a stored "*0" in slot 01.
struct Reading
{
    bool complete = false; // the reply ended with its status token
    // Each information line given is the text of its own slot: the reply held a line for
    // every slot before its token. Not so after a short reply.
    bool slotsKnown = false;
    std::optional<QString> serial;
    std::array<std::optional<QString>, InfoLines> info;
};
Reading parseVersionReply(const QString &reply);

// "&", the slot (index + 1) as two digits, then the first 20 characters of the text.
QString infoCommand(int index, const QString &text);
// Whether the text a write command stores leaves later "v" replies whole. A "*" in it cuts
// them short: on RS232 a reply ends at the first line holding one, on USB and Ethernet at
// the first "*" followed by a digit (and a "*" followed by none makes every read wait out
// its time-out), and a stored "*0" reads as the reply's end. Such a command is not sent.
bool readsBackWhole(const QString &command);
// The word that makes the reads of "v" take an information line of slots 01 to 03 for
// another of the reply's fields, or the empty text when the line reads back as itself. The
// main window shows every line beginning "Model", "Version", "Serial", "Unc", "Spec" or
// "Tab" as the meter's identity or a table version, and this dialog's read of a short reply
// takes the table versions' forms for them; both compare the line as written (case
// included) once the blanks before it are trimmed. The text is judged as the meter keeps
// it, by its first 20 characters. Such a line is not stored where it was not read from.
QString fieldWordOf(const QString &text);
// The lines of the multi-line box that are written: at most the first three.
QStringList informationLines(const QString &boxText);
// "q" and the first 10 characters of the serial number.
QString serialCommand(const QString &serial);

} // namespace MeterInformation
