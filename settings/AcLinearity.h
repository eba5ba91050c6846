#pragma once
#include <QString>

// The AC linearity correction (ppm at half scale): numbers read as the leading number of a
// text and written in the general number format.
namespace AcLinearity {

inline const QString Query = QStringLiteral("CORRECTION:ACLIN ?");

// The value box's text after a read: the reply's leading number (0 when it has none).
QString valueText(const QString &reply);
// "CORRECTION:ACLIN " and the box's leading number.
QString setCommand(const QString &boxText);

} // namespace AcLinearity
