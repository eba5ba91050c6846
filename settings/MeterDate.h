#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

// Reads the dates and times the meter writes (its clock reply, the DATE lines of its
// calibration history). The meter writes day before month ("14/03/2026 15:30:00"); the
// desktop's regional settings play no part, so a day above 12 is never taken for a month.
// The forms tried, in order: day/month/year (4- or 2-digit year, "/", "-" or "."), ISO
// year-month-day, day with the month's English name ("14 Mar 2026", "14-Mar-26"), and
// month/day/year last, for a text that cannot be day-first ("03/14/2026"). Each with or
// without a time of hours and minutes and optional seconds. A two-digit year is 2000 to 2029
// for 00 to 29 and 1930 to 1999 for 30 to 99 ("29/02/00" is a date); a year before 1
// ("5/15/-4032") is none. Blanks around the text are ignored.
std::optional<QDateTime> ParseMeterDateTime(const QString &text);
