#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

// The meter's calibration history ("CALIBRATE:HISTORY"): per event a "DATE <date>" line
// followed by "RANGE n,n,..." lines naming the ranges calibrated in it.

// One calibration event. Flags are kept as the record stores them: -1 true, 0 false.
struct CalibrationEvent
{
    static constexpr int RangeFlagCount = 65; // ranges 0 to 64
    QDateTime EventDate;
    qint16 DateValid = 0;
    std::array<qint16, RangeFlagCount> RangeFlags{};
};

namespace CalHistory {

// The events of a reply. Element 0 collects RANGE lines met before any DATE line (never
// shown); elements 1, 2, ... are the events in the order of their DATE lines. There are
// always at least the two elements 0 and 1. "DATE" and "RANGE" are recognised in any letter
// case; a RANGE part counts when its leading number lies above 0 and below 64, and flags
// that number rounded to the nearest whole number.
QList<CalibrationEvent> parseReply(const QString &reply);

// The event list's entries, newest (last) element first down to element 1: the event's
// date in the medium date format, or " --- " when it had no valid date.
QStringList eventEntries(const QList<CalibrationEvent> &events);

// The element a list position shows: the number of entries minus the position.
int elementAt(int listCount, int position);

// The range list's items for one event: "<range name> (<n>)" for every flagged range 1 to 64.
QStringList rangeItems(const CalibrationEvent &event);

} // namespace CalHistory
