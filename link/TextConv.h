#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

// Number and date text as the meter, its files and its windows write them. Every function
// is independent of the locale: "." is the decimal point, month names are English.
namespace TextConv {

// The number the text begins with. Blanks, tabs and line feeds are skipped wherever they
// stand (CR is not); "." is the decimal point (a "," ends the number); an exponent (E or D)
// counts only with digits after it. "&H" and "&O" read hexadecimal and octal integers:
// up to 4 hex / 6 octal digits as a signed 16-bit value ("&HFFFF" is -1), up to 32 bits as
// a signed 32-bit value ("&HFFFFFFFF" is -1), more than 32 bits as 0. 0 when the text
// begins with no number. A number too large for a double ("1E400", or
// "-1.79769313486232E+308", the general format of the lowest double) gives the largest
// finite double of its sign; one too small for it ("1E-400") gives 0.
double Val(const QString &text);

// The decimal number at the very start of the text, as Val reads it but skipping nothing:
// reading stops at the first character that cannot continue the number ("3 1" is 3).
// Sign, digits, "." and an exponent (E or D) that counts only with digits after it; 0 when
// the text begins with no number; beyond a double's range, the largest finite double of
// its sign, and 0 below it.
double LeadingDecimal(QStringView text);

// General number format: the value rounded to 15 significant digits, trailing zeros
// dropped. Plain decimals while the decimal exponent is from -5 to 14 (0.00001 and
// 999999999999999 stay plain); scientific outside that, as "1E-06", "1.1E-06" or
// "2E+15" (mantissa without trailing zeros, signed exponent of at least two digits).
// A leading zero before the point ("0.5"); no thousands grouping; -0 prints as "0";
// NaN and infinities print as "NaN", "Inf" and "-Inf".
QString General(double value);

// A numeric pattern of "0" (digit always shown), "#" (digit shown when significant) and
// one ".", with any other characters copied: "00", "0", "######.##", "0.000###".
// Rounds halves away from zero at the pattern's last decimal, on the 15-digit value
// (so 1.005 gives "1.01" with "0.00"). A result that rounds to zero has no minus sign.
// "#" positions before the point show nothing for a zero integer part: 0 gives "." and
// 0.5 gives ".5" with "######.##". NaN and infinities give General's text.
QString Format(double value, const QString &pattern);

// A date/time pattern: d dd ddd dddd, m mm mmm mmmm (month; minutes when after h),
// yy yyyy, h hh, n nn (minutes), s ss, letters case-insensitive, "/" ":" "-" and blanks
// copied. "m" right after an hour means minutes. English names. Named formats (fixed,
// not the desktop's): "Long Date" = "dddd, d mmmm yyyy" (Saturday, 14 March 2026),
// "Medium Date" = "dd-mmm-yy" (14-Mar-26), "Short Date" = "dd/mm/yyyy",
// "Long Time" = "hh:nn:ss", "Short Time" = "hh:nn". An invalid date or time gives the
// empty text.
QString FormatDate(const QDateTime &when, const QString &pattern);

// Rounding to a 32-bit or 16-bit integer, halves to the even neighbour; nothing when the
// value is not a number or outside the range.
std::optional<qint32> CLng(double value);
std::optional<qint16> CInt(double value);

// Largest whole number not above the value (rounds toward minus infinity).
double Int(double value);

// True when the text, without leading and trailing white space, is a decimal number as a whole: optional sign,
// digits with at most one ".", optional exponent (E or D, optional sign, digits).
// "1,000", "&H1F", "inf" and "nan" are not numbers here.
bool IsNumeric(const QString &text);

} // namespace TextConv
