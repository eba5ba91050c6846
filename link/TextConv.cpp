#include "link/TextConv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace TextConv {

namespace {

bool isSkipped(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }

QString withoutSkipped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isSkipped(c))
            out += c;
    return out;
}

// "&H"/"&O" digits as the program's integer types read them: up to 16 bits (4 hex or
// 6 octal digits) as a signed 16-bit value, up to 32 bits as a signed 32-bit value.
// More than 32 bits is no number (0).
double radixInteger(const QString &digits, int radix)
{
    quint64 value = 0;
    int count = 0;
    for (QChar c : digits) {
        const int upper = c.toUpper().unicode();
        const int d = (upper >= '0' && upper <= '9') ? upper - '0'
                      : (radix == 16 && upper >= 'A' && upper <= 'F') ? upper - 'A' + 10
                                                                      : -1;
        if (d < 0 || d >= radix)
            break;
        value = value * static_cast<quint64>(radix) + static_cast<quint64>(d);
        ++count;
        if (value > 0xFFFFFFFFULL)
            return 0;
    }
    if (value <= 0xFFFF && value > 0x7FFF && ((radix == 16 && count <= 4) || (radix == 8 && count <= 6)))
        return static_cast<double>(static_cast<qint16>(static_cast<quint16>(value)));
    if (value > 0x7FFFFFFFULL)
        return static_cast<double>(static_cast<qint32>(static_cast<quint32>(value)));
    return static_cast<double>(value);
}

// Decimal digits and exponent of |value| rounded to `digits` significant digits:
// value = 0.d1d2d3... x 10^exponent is avoided; we return digits "d1d2..." and the
// exponent e such that value = d1.d2d3... x 10^e.
struct Decimal
{
    QByteArray digits; // no leading zeros, trailing zeros removed; "0" for zero
    int exponent = 0;
    bool negative = false;
};

Decimal toDecimal(double value, int significant)
{
    Decimal d;
    d.negative = std::signbit(value) && value != 0;
    if (value == 0) {
        d.digits = "0";
        return d;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, std::fabs(value));
    // buffer: d.ddddde[+-]xx, where "." is the C library's decimal separator, which
    // follows the desktop's settings (a comma, or even two bytes): keep the digits only.
    const QByteArray text(buffer);
    const int e = text.indexOf('e');
    QByteArray mantissa;
    for (const char c : text.left(e))
        if (c >= '0' && c <= '9')
            mantissa += c;
    while (mantissa.size() > 1 && mantissa.endsWith('0'))
        mantissa.chop(1);
    d.digits = mantissa;
    d.exponent = text.mid(e + 1).toInt();
    return d;
}

QString fixedText(const Decimal &d)
{
    QString out;
    if (d.exponent < 0) {
        out = QStringLiteral("0.") + QString(-d.exponent - 1, QLatin1Char('0')) + QString::fromLatin1(d.digits);
    } else {
        const int intDigits = d.exponent + 1;
        QString digits = QString::fromLatin1(d.digits);
        if (digits.size() <= intDigits)
            out = digits + QString(intDigits - digits.size(), QLatin1Char('0'));
        else
            out = digits.left(intDigits) + QLatin1Char('.') + digits.mid(intDigits);
    }
    return d.negative ? QLatin1Char('-') + out : out;
}

// The power of ten of the leading digit of a decimal number text (sign, digits, ".",
// digits, optional "e" exponent): 0 for 1 to 9.99, -1 for 0.1 to 0.999, ... Only its sign
// matters to the caller, so a huge exponent is clamped.
long decimalExponent(const QByteArray &number)
{
    const qsizetype e = number.indexOf('e');
    const QByteArray mantissa = e < 0 ? number : number.left(e);
    long exponent = 0;
    if (e >= 0) {
        const QByteArray digits = number.mid(e + 1);
        const bool negative = digits.startsWith('-');
        for (const char c : digits) {
            if (c >= '0' && c <= '9')
                exponent = std::min(exponent * 10 + (c - '0'), 1000000L);
        }
        if (negative)
            exponent = -exponent;
    }
    const qsizetype point = mantissa.indexOf('.');
    const qsizetype firstNonZero = [&] {
        for (qsizetype i = 0; i < mantissa.size(); ++i) {
            if (mantissa[i] >= '1' && mantissa[i] <= '9')
                return i;
        }
        return qsizetype(-1);
    }();
    if (firstNonZero < 0)
        return -1; // zero never overflows
    const qsizetype pointAt = point < 0 ? mantissa.size() : point;
    // Digits between the leading digit and the point, less one when the point comes first.
    const qsizetype place = firstNonZero < pointAt ? pointAt - firstNonZero - 1 : pointAt - firstNonZero;
    return exponent + long(std::clamp<qsizetype>(place, -1000000, 1000000));
}

} // namespace

double Val(const QString &input)
{
    const QString text = withoutSkipped(input);
    if (text.size() >= 2 && text[0] == QLatin1Char('&')) {
        const QChar kind = text[1].toUpper();
        if (kind == QLatin1Char('H'))
            return radixInteger(text.mid(2), 16);
        if (kind == QLatin1Char('O'))
            return radixInteger(text.mid(2), 8);
        return 0;
    }
    return LeadingDecimal(text);
}

double LeadingDecimal(QStringView text)
{
    const auto isDigitAt = [&text](qsizetype i) {
        return i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
    };
    qsizetype i = 0;
    QByteArray number;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += text[i++].toLatin1();
    const auto takeDigits = [&] {
        const qsizetype first = i;
        while (isDigitAt(i))
            number += text[i++].toLatin1();
        return i > first;
    };
    bool anyDigit = takeDigits();
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        number += '.';
        ++i;
        anyDigit = takeDigits() || anyDigit;
    }
    if (!anyDigit)
        return 0;
    // An exponent counts only with digits after it.
    if (i < text.size() && (text[i].toUpper() == QLatin1Char('E') || text[i].toUpper() == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent += text[j++].toLatin1();
        if (isDigitAt(j)) {
            while (isDigitAt(j))
                exponent += text[j++].toLatin1();
            number += exponent;
        }
    }
    // from_chars, not strtod: strtod reads the desktop's decimal comma, not ".".
    const char *begin = number.constData();
    if (*begin == '+')
        ++begin;
    double value = 0;
    if (std::from_chars(begin, number.constData() + number.size(), value).ec == std::errc())
        return value;
    // Beyond the range of a double. A number too large (such as the 15-digit text of the
    // largest double, which rounds up) is the largest double of its sign, so that it reads
    // back as nearly what was written; one too small is 0.
    if (decimalExponent(number) < 0)
        return 0;
    const double largest = std::numeric_limits<double>::max();
    return number.startsWith('-') ? -largest : largest;
}

QString General(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    if (value == 0)
        return QStringLiteral("0");
    const Decimal d = toDecimal(value, 15);
    if (d.exponent >= -5 && d.exponent < 15)
        return fixedText(d);
    QString mantissa = QString::fromLatin1(d.digits.left(1));
    if (d.digits.size() > 1)
        mantissa += QLatin1Char('.') + QString::fromLatin1(d.digits.mid(1));
    const QString exponent = QString::number(std::abs(d.exponent)).rightJustified(2, QLatin1Char('0'));
    return (d.negative ? QStringLiteral("-") : QString()) + mantissa + QLatin1Char('E')
           + (d.exponent < 0 ? QLatin1Char('-') : QLatin1Char('+')) + exponent;
}

QString Format(double value, const QString &pattern)
{
    if (!std::isfinite(value))
        return General(value);
    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString intPattern = point < 0 ? pattern : pattern.left(point);
    const QString fracPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const int maxDecimals = static_cast<int>(fracPattern.count(QLatin1Char('0')) + fracPattern.count(QLatin1Char('#')));
    const int minDecimals = [&] {
        int last = -1, index = 0;
        for (QChar c : fracPattern) {
            if (c == QLatin1Char('0'))
                last = index;
            if (c == QLatin1Char('0') || c == QLatin1Char('#'))
                ++index;
        }
        return last + 1;
    }();
    const int minIntDigits = static_cast<int>(intPattern.count(QLatin1Char('0')));

    // Round halves away from zero on the value as 15 significant digits would show it.
    const Decimal exact = toDecimal(value, 15);
    const QString exactText = fixedText({exact.digits, exact.exponent, false});
    const int dot = exactText.indexOf(QLatin1Char('.'));
    QString intDigits = dot < 0 ? exactText : exactText.left(dot);
    QString fracDigits = dot < 0 ? QString() : exactText.mid(dot + 1);
    if (fracDigits.size() > maxDecimals) {
        const bool roundUp = fracDigits[maxDecimals] >= QLatin1Char('5');
        fracDigits.truncate(maxDecimals);
        if (roundUp) {
            QString all = intDigits + fracDigits;
            int k = all.size() - 1;
            while (k >= 0 && all[k] == QLatin1Char('9'))
                all[k--] = QLatin1Char('0');
            if (k < 0)
                all.prepend(QLatin1Char('1'));
            else
                all[k] = QChar(all[k].unicode() + 1);
            intDigits = all.left(all.size() - maxDecimals);
            fracDigits = all.right(maxDecimals);
        }
    }
    while (fracDigits.size() > minDecimals && fracDigits.endsWith(QLatin1Char('0')))
        fracDigits.chop(1);
    if (fracDigits.size() < minDecimals)
        fracDigits += QString(minDecimals - fracDigits.size(), QLatin1Char('0'));
    if (intDigits == QLatin1String("0"))
        intDigits.clear();
    if (intDigits.size() < minIntDigits)
        intDigits = QString(minIntDigits - intDigits.size(), QLatin1Char('0')) + intDigits;
    const bool isZero = QString(intDigits + fracDigits).count(QLatin1Char('0')) == (intDigits + fracDigits).size();

    // Literal characters of the pattern (anything but 0, # and .) stay in place around the digits.
    QString prefix, suffix;
    for (QChar c : intPattern) {
        if (c != QLatin1Char('0') && c != QLatin1Char('#'))
            prefix += c;
    }
    for (QChar c : fracPattern) {
        if (c != QLatin1Char('0') && c != QLatin1Char('#'))
            suffix += c;
    }
    QString out = prefix + intDigits;
    if (point >= 0)
        out += QLatin1Char('.') + fracDigits;
    out += suffix;
    if (value < 0 && !isZero)
        out.prepend(QLatin1Char('-'));
    return out;
}

QString FormatDate(const QDateTime &when, const QString &pattern)
{
    static const char *const months[] = {"January", "February", "March", "April", "May", "June", "July",
                                         "August", "September", "October", "November", "December"};
    static const char *const days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    // An invalid date has no day or month to look up in the tables.
    if (!when.isValid())
        return {};
    if (pattern.compare(QLatin1String("Long Date"), Qt::CaseInsensitive) == 0)
        return FormatDate(when, QStringLiteral("dddd, d mmmm yyyy"));
    if (pattern.compare(QLatin1String("Medium Date"), Qt::CaseInsensitive) == 0)
        return FormatDate(when, QStringLiteral("dd-mmm-yy"));
    if (pattern.compare(QLatin1String("Short Date"), Qt::CaseInsensitive) == 0)
        return FormatDate(when, QStringLiteral("dd/mm/yyyy"));
    if (pattern.compare(QLatin1String("Long Time"), Qt::CaseInsensitive) == 0)
        return FormatDate(when, QStringLiteral("hh:nn:ss"));
    if (pattern.compare(QLatin1String("Short Time"), Qt::CaseInsensitive) == 0)
        return FormatDate(when, QStringLiteral("hh:nn"));

    const QDate date = when.date();
    const QTime time = when.time();
    QString out;
    bool afterHour = false;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        int run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c)
            ++run;
        const auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
        if (c == QLatin1Char('d')) {
            if (run == 1) out += QString::number(date.day());
            else if (run == 2) out += two(date.day());
            else if (run == 3) out += QString::fromLatin1(days[date.dayOfWeek() - 1]).left(3);
            else out += QString::fromLatin1(days[date.dayOfWeek() - 1]);
        } else if (c == QLatin1Char('m') && afterHour && run <= 2) {
            out += run == 1 ? QString::number(time.minute()) : two(time.minute());
            afterHour = false;
        } else if (c == QLatin1Char('m')) {
            if (run == 1) out += QString::number(date.month());
            else if (run == 2) out += two(date.month());
            else if (run == 3) out += QString::fromLatin1(months[date.month() - 1]).left(3);
            else out += QString::fromLatin1(months[date.month() - 1]);
        } else if (c == QLatin1Char('y')) {
            out += run <= 2 ? two(date.year() % 100) : QString::number(date.year());
        } else if (c == QLatin1Char('h')) {
            out += run == 1 ? QString::number(time.hour()) : two(time.hour());
            afterHour = true;
        } else if (c == QLatin1Char('n')) {
            out += run == 1 ? QString::number(time.minute()) : two(time.minute());
        } else if (c == QLatin1Char('s')) {
            out += run == 1 ? QString::number(time.second()) : two(time.second());
        } else {
            out += QString(run, pattern[i]);
        }
        i += run;
    }
    return out;
}

std::optional<qint32> CLng(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode: halves to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

std::optional<qint16> CInt(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

double Int(double value) { return std::floor(value); }

bool IsNumeric(const QString &input)
{
    const QString text = input.trimmed();
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digitAt = [&](qsizetype k) { return k < n && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9'); };
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    bool anyDigit = false;
    while (digitAt(i)) {
        ++i;
        anyDigit = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (digitAt(i)) {
            ++i;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return false;
    if (i < n && (text[i].toUpper() == QLatin1Char('E') || text[i].toUpper() == QLatin1Char('D'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        if (!digitAt(i))
            return false;
        while (digitAt(i))
            ++i;
    }
    return i == n;
}

} // namespace TextConv
