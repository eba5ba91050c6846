#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

// Number and date text as the meter, its files and its windows write them. Every function
// is independent of the locale: "." is the decimal point, month names are English.
namespace TextConv {

// The number the text begins with. Blanks, tabs and line feeds are skipped wherever they
// stand; "." is the decimal point; an exponent (E or D) counts only with digits after it;
// "&H" and "&O" read hexadecimal and octal integers. 0 when the text begins with no number.
double Val(const QString &text);

// General number format: the shortest text that reads back as the value rounded to
// 15 significant digits; plain decimals for exponents from -5 to 14, otherwise
// scientific as "1.5E-07" or "2E+15". No thousands grouping; "-0" prints as "0".
QString General(double value);

// A numeric pattern of "0" (digit always shown), "#" (digit shown when significant) and
// one ".", with any other characters copied: "00", "0", "######.##", "0.000###".
// Rounds halves away from zero at the pattern's last decimal, on the 15-digit value.
QString Format(double value, const QString &pattern);

// A date/time pattern: d dd ddd dddd, m mm mmm mmmm (month; minutes when after h),
// yy yyyy, h hh, n nn (minutes), s ss, letters case-insensitive, "/" ":" "-" and blanks
// copied. Named formats: "Long Date", "Medium Date", "Short Date", "Long Time", "Short Time".
QString FormatDate(const QDateTime &when, const QString &pattern);

// Rounding to a 32-bit or 16-bit integer, halves to the even neighbour; nothing when the
// value is not a number or outside the range.
std::optional<qint32> CLng(double value);
std::optional<qint16> CInt(double value);

// Largest whole number not above the value (rounds toward minus infinity).
double Int(double value);

// True when the text, trimmed, is a number as a whole (sign, digits, ".", exponent).
bool IsNumeric(const QString &text);

} // namespace TextConv
