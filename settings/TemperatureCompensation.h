#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The temperature-compensation dialog's rules: which ranges carry a coefficient, how the
// range box names them, and what may be sent.
namespace TemperatureCompensation {

// The 24 ranges offered, in the order the range box lists them: the DC voltage ranges,
// the 4-wire resistance ranges (with the three low-current ones), then the 2-wire ones.
const QList<int> &offeredRanges();
// One range box item: the index, " : " and the range's name ("33 : 1R 4-wire").
QString rangeItem(int range);
QStringList rangeItems();

// A coefficient text is sent when it is a number as a whole and lies within +-300 ppm/degree.
bool coefficientValid(const QString &text);
// An ambient temperature is sent when its leading number lies above 0 and below 100
// (a text without a leading number reads as 0 and is refused).
bool ambientValid(const QString &text);

// "R<n>", "TEMPCOMP:COEFF <c>", "TEMPCOMP:AMBIENT <t>": numbers in general format,
// the typed ones taken as their leading number.
QString rangeCommand(const QString &rangeItemText);
QString coefficientCommand(const QString &coefficientText);
QString ambientCommand(const QString &temperatureText);

// What the internal-temperature label shows for a "TEMP?" reply: the reply without CRs and
// outer blanks, then the degree sign and "C" (a failure text shows as it comes).
QString internalTemperatureText(const QString &reply);

} // namespace TemperatureCompensation
