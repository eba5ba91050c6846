#include "settings/MeterClock.h"
#include "link/TextConv.h"
#include "settings/MeterDate.h"

namespace MeterClock {

namespace {

QString twoDigits(int value) { return TextConv::Format(value, QStringLiteral("00")); }

} // namespace

QString setCommand(const QDate &date, const QTime &time)
{
    return QStringLiteral("A") + twoDigits(date.day()) + twoDigits(date.month()) + twoDigits(date.year() % 100) +
           twoDigits(time.hour()) + twoDigits(time.minute());
}

QString displayText(const QDateTime &when)
{
    return TextConv::FormatDate(when, QStringLiteral("Long Date")) + QLatin1Char(' ') +
           TextConv::FormatDate(when, QStringLiteral("Short Time"));
}

QString meterTimeText(const QString &reply)
{
    const QString firstLine = reply.section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
    const std::optional<QDateTime> when = ParseMeterDateTime(firstLine);
    return when ? displayText(*when) : QStringLiteral("Invalid Reply");
}

} // namespace MeterClock
