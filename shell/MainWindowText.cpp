#include "shell/MainWindowText.h"
#include "link/TextConv.h"
#include "link/Utility.h"

#include <cmath>
#include <iterator>

QString InfoTextFromReply(const QString &reply)
{
    struct Rule
    {
        QLatin1String prefix;
        QLatin1String title; // empty: the line as it came
    };
    static const Rule rules[] = {
        {QLatin1String("Model"), QLatin1String()},
        {QLatin1String("Version"), QLatin1String()},
        {QLatin1String("Serial"), QLatin1String()},
        {QLatin1String("Unc"), QLatin1String("Uncertainties Version/Date ")},
        {QLatin1String("Spec"), QLatin1String("Specifications Version/Date ")},
        {QLatin1String("Tab"), QLatin1String("Thermocouple Table Version/Date ")},
    };

    QString text;
    for (const QString &line : SplitLines(reply)) {
        for (const Rule &rule : rules) {
            if (!line.startsWith(rule.prefix, Qt::CaseSensitive))
                continue;
            // A titled line drops its prefix and keeps the rest, its leading blank included.
            text += rule.title.isEmpty() ? line : rule.title + line.mid(rule.prefix.size());
            text += QLatin1String("\r\n");
            break;
        }
    }
    return text;
}

QString DisplayReadingText(const QString &reading)
{
    const QString upper = reading.toUpper();
    const qsizetype e = upper.indexOf(QLatin1Char('E'));
    if (e < 0)
        return {};
    const double mantissa = TextConv::Val(upper.left(e));
    double exponent = TextConv::Val(upper.mid(e + 1));

    struct Band
    {
        double upTo; // exponents up to and including this one
        double shift;
        QLatin1String prefix;
    };
    static const Band bands[] = {
        {-9, 9, QLatin1String("n")}, {-6, 6, QLatin1String("u")},  {-3, 3, QLatin1String("m")},
        {0, 0, QLatin1String(" ")},  {3, -3, QLatin1String("k")},  {6, -6, QLatin1String("M")},
        {9, -9, QLatin1String("G")}, {12, -12, QLatin1String("T")},
    };
    QLatin1String prefix("");
    for (const Band &band : bands) {
        if (exponent <= band.upTo) {
            exponent += band.shift;
            prefix = band.prefix;
            break;
        }
    }
    const double value = mantissa * std::pow(10.0, exponent);
    if (!std::isfinite(value))
        return {};
    return TextConv::Format(value, QStringLiteral("0.000###")) + prefix;
}

QString PortPanelText(int port, bool open)
{
    return open ? QStringLiteral("Com") + QString::number(port) + QStringLiteral(" Open") : QString();
}

QString SignedNumberText(long long value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}
