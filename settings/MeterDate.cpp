#include "settings/MeterDate.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Date forms in the order they are tried; every one also with "-" and "." in place of "/".
const QStringList &dateForms()
{
    static const QStringList forms{
        QStringLiteral("d/M/yyyy"), QStringLiteral("d/M/yy"),     QStringLiteral("yyyy/M/d"),
        QStringLiteral("d/MMM/yyyy"), QStringLiteral("d/MMM/yy"), QStringLiteral("d MMM yyyy"),
        QStringLiteral("d MMMM yyyy"), QStringLiteral("M/d/yyyy"), QStringLiteral("M/d/yy"),
    };
    return forms;
}

const QStringList &timeForms()
{
    static const QStringList forms{QString(), QStringLiteral(" H:mm:ss"), QStringLiteral(" H:mm")};
    return forms;
}

// Qt reads "yy" as 1900 to 1999; the meter's two-digit years are read as the desktop
// reads them, 00 to 29 being this century.
QDate windowTwoDigitYear(const QDate &date)
{
    return date.year() < 1930 ? date.addYears(100) : date;
}

} // namespace

std::optional<QDateTime> ParseMeterDateTime(const QString &text)
{
    // One blank between date and time, whatever the meter put there.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString simplified = text.trimmed().replace(blanks, QStringLiteral(" "));
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
                if (!read.isValid())
                    continue;
                const bool twoDigitYear = !dateForm.contains(QLatin1String("yyyy"));
                return QDateTime(twoDigitYear ? windowTwoDigitYear(read.date()) : read.date(), read.time());
            }
        }
    }
    return std::nullopt;
}
