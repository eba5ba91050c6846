#include "settings/TemperatureCompensation.h"
#include "link/Ranges.h"
#include "link/TextConv.h"
#include "link/Utility.h"

namespace TemperatureCompensation {

namespace {

constexpr double MaxCoefficient = 300; // ppm per degree, either sign
constexpr double MinAmbient = 0, MaxAmbient = 100; // degrees, both excluded

} // namespace

const QList<int> &offeredRanges()
{
    static const QList<int> ranges = [] {
        QList<int> list;
        for (int n = 1; n <= 5; ++n)
            list << n;
        for (int n = 33; n <= 48; ++n)
            list << n;
        for (int n = 52; n <= 54; ++n)
            list << n;
        return list;
    }();
    return ranges;
}

QString rangeItem(int range) { return QString::number(range) + QStringLiteral(" : ") + GetRangeName(range); }

QStringList rangeItems()
{
    QStringList items;
    for (const int range : offeredRanges())
        items << rangeItem(range);
    return items;
}

bool coefficientValid(const QString &text)
{
    const double c = TextConv::Val(text);
    return c >= -MaxCoefficient && c <= MaxCoefficient && TextConv::IsNumeric(text);
}

bool ambientValid(const QString &text)
{
    const double t = TextConv::Val(text);
    return t > MinAmbient && t < MaxAmbient;
}

QString rangeCommand(const QString &rangeItemText)
{
    return QStringLiteral("R") + TextConv::General(TextConv::Val(rangeItemText));
}

QString coefficientCommand(const QString &coefficientText)
{
    return QStringLiteral("TEMPCOMP:COEFF ") + TextConv::General(TextConv::Val(coefficientText));
}

QString ambientCommand(const QString &temperatureText)
{
    return QStringLiteral("TEMPCOMP:AMBIENT ") + TextConv::General(TextConv::Val(temperatureText));
}

QString internalTemperatureText(const QString &reply)
{
    return TrimBlanks(QString(reply).remove(QLatin1Char('\r'))) + QStringLiteral("\u00B0C");
}

} // namespace TemperatureCompensation
