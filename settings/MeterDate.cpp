#include "settings/MeterDate.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Date forms in the order they are tried; every one also with "-" and "." in place of "/".
const QStringList &dateForms()
{
    static const QStringList forms{
        QStringLiteral("d/M/yyyy"),    QStringLiteral("yyyy/M/d"), QStringLiteral("d/MMM/yyyy"),
        QStringLiteral("d MMM yyyy"), QStringLiteral("d MMMM yyyy"), QStringLiteral("M/d/yyyy"),
    };
    return forms;
}

const QStringList &timeForms()
{
    static const QStringList forms{QString(), QStringLiteral(" H:mm:ss"), QStringLiteral(" H:mm")};
    return forms;
}

// A date that ends in a two-digit year ("29/02/00", "14-Mar-26") gets its century before it
// is read: 00 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999, as the desktop reads them.
// Qt would read "yy" in 1900 to 1999 and check the date there, refusing 29 February 2000.
QString withCentury(const QString &text)
{
    static const QRegularExpression shortYear(QStringLiteral("^([0-9]{1,2}([/.-])[^ /.-]+\\2)([0-9]{2})(?= |$)"));
    const QRegularExpressionMatch match = shortYear.match(text);
    if (!match.hasMatch())
        return text;
    const int year = match.capturedView(3).toInt();
    return match.captured(1) + QString::number(year < 30 ? 2000 + year : 1900 + year) + text.mid(match.capturedEnd(3));
}

} // namespace

std::optional<QDateTime> ParseMeterDateTime(const QString &text)
{
    // One blank between date and time, whatever the meter put there.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString simplified = withCentury(text.trimmed().replace(blanks, QStringLiteral(" ")));
    // Every form begins with a number: anything else is no date, without trying them all.
    if (simplified.isEmpty() || !simplified.front().isDigit())
        return std::nullopt;
    // The longest form ("31 September 2024 23:59:59") is far shorter; and a form can only match
    // a text holding its separator, and a time form only a text with a colon. These skip the
    // forms that cannot match without trying them (each try builds a parser).
    if (simplified.size() > 64)
        return std::nullopt;
    const bool hasTime = simplified.contains(QLatin1Char(':'));
    const QLocale c = QLocale::c();
    for (const QString &date : dateForms()) {
        for (const QChar separator : {QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('.')}) {
            const bool separated = date.contains(QLatin1Char('/'));
            if (separator != QLatin1Char('/') && !separated)
                continue;
            if (separated && !simplified.contains(separator))
                continue;
            const QString dateForm = QString(date).replace(QLatin1Char('/'), separator);
            for (const QString &time : timeForms()) {
                if (time.isEmpty() == hasTime)
                    continue;
                const QDateTime read = c.toDateTime(simplified, dateForm + time);
                // Qt takes a year with a minus sign; the meter's years are never before 1.
                if (read.isValid() && read.date().year() >= 1)
                    return read;
            }
        }
    }
    return std::nullopt;
}
