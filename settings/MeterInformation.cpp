#include "settings/MeterInformation.h"
#include "link/TextConv.h"
#include "link/Utility.h"

namespace MeterInformation {

namespace {

constexpr int FirstInfoLine = 5; // line of slot 01 in the "v" reply, counted from 1

bool isTableVersionLine(const QString &line)
{
    return line.startsWith(QLatin1String("Unc")) || line.startsWith(QLatin1String("Spec")) ||
           line.startsWith(QLatin1String("Tab"));
}

} // namespace

Reading parseVersionReply(const QString &reply)
{
    Reading reading;
    const QStringList lines = SplitLines(reply);
    bool pastSlots = false; // the status token has been met
    for (int number = 1; number <= lines.size(); ++number) {
        const QString &line = lines[number - 1];
        pastSlots = pastSlots || line.startsWith(QLatin1Char('*'));
        if (line.left(6) == QLatin1String("Serial"))
            reading.serial = line.mid(6).trimmed();
        else if (number >= FirstInfoLine && number < FirstInfoLine + InfoLines)
            reading.info[number - FirstInfoLine] = pastSlots || isTableVersionLine(line) ? QString() : line;
    }
    return reading;
}

QString infoCommand(int index, const QString &text)
{
    return QStringLiteral("&") + TextConv::Format(index + 1, QStringLiteral("00")) + text.left(InfoLineLength);
}

QStringList informationLines(const QString &boxText) { return SplitLines(boxText).mid(0, InfoLines); }

QString serialCommand(const QString &serial) { return QStringLiteral("q") + serial.left(SerialCommandLength); }

} // namespace MeterInformation
