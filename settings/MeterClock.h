#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The meter's clock: the command that sets it and the texts the clock dialog shows.
namespace MeterClock {

// "A" then day, month, the year's last two digits, hour (0 to 23) and minute, two digits
// each: 11 characters, seconds not sent. 6 December 2026 15:30 gives "A0612261530".
QString setCommand(const QDate &date, const QTime &time);
inline QString setCommand(const QDateTime &when) { return setCommand(when.date(), when.time()); }

// A date and time as the dialog shows them: long date, a blank, short time.
QString displayText(const QDateTime &when);

// The meter label's text for an "a" reply: the text before the first CR (then before the
// first LF) read as a date and time, or "Invalid Reply".
QString meterTimeText(const QString &reply);

} // namespace MeterClock
