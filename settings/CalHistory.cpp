#include "settings/CalHistory.h"
#include "link/Ranges.h"
#include "link/TextConv.h"
#include "link/Utility.h"
#include "settings/MeterDate.h"

#include <cmath>

namespace CalHistory {

namespace {

constexpr qint16 True = -1;
constexpr double RangeAbove = 0, RangeBelow = 64; // a RANGE part counts strictly between these
const QString NoDate = QStringLiteral(" --- ");

} // namespace

QList<CalibrationEvent> parseReply(const QString &reply)
{
    QList<CalibrationEvent> events(2);
    int current = 0;
    for (const QString &line : SplitLines(reply)) {
        if (line.left(4).toUpper() == QLatin1String("DATE")) {
            ++current;
            if (current >= events.size())
                events.append(CalibrationEvent{});
            CalibrationEvent &event = events[current];
            const std::optional<QDateTime> date = ParseMeterDateTime(line.mid(4));
            event.DateValid = date ? True : 0;
            event.EventDate = date.value_or(QDateTime());
        } else if (line.left(5).toUpper() == QLatin1String("RANGE")) {
            for (const QString &part : SplitByDelimiter(line.mid(5), QStringLiteral(","))) {
                const double value = TextConv::Val(part);
                if (value > RangeAbove && value < RangeBelow)
                    events[current].RangeFlags[int(std::nearbyint(value))] = True;
            }
        }
    }
    return events;
}

QStringList eventEntries(const QList<CalibrationEvent> &events)
{
    QStringList entries;
    for (qsizetype element = events.size() - 1; element >= 1; --element) {
        const CalibrationEvent &event = events[element];
        entries << (event.DateValid ? TextConv::FormatDate(event.EventDate, QStringLiteral("Medium Date")) : NoDate);
    }
    return entries;
}

int elementAt(int listCount, int position) { return listCount - position; }

QStringList rangeItems(const CalibrationEvent &event)
{
    QStringList items;
    for (int n = 1; n < CalibrationEvent::RangeFlagCount; ++n)
        if (event.RangeFlags[n])
            items << GetRangeName(n) + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    return items;
}

} // namespace CalHistory
