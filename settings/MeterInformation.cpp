#include "settings/MeterInformation.h"
#include "link/MeterOperation.h"
#include "link/TextConv.h"
#include "link/Utility.h"

#include <QRegularExpression>
#include <algorithm>

namespace MeterInformation {

namespace {

constexpr int FirstInfoLine = 5;   // line of slot 01 in the "v" reply, counted from 1
constexpr int FullReplyLines = 10; // four identity lines and slots 01 to 06

// The texts the table editors store in slots 06, 05 and 04: "Tab 1.0" and the date as
// "dd/mm/yy"; "Spec" or "Unc", the first one to three characters of the table's version
// ("3", "1.2", "___") and the date. In the order they are met walking back from the status
// token.
const std::array<QRegularExpression, 3> &versionLineForms()
{
    static const std::array<QRegularExpression, 3> forms{
        QRegularExpression(QStringLiteral("^Tab 1\\.0 [0-9]{2}/[0-9]{2}/[0-9]{2}$")),
        QRegularExpression(QStringLiteral("^Spec .{1,3} [0-9]{2}/[0-9]{2}/[0-9]{2}$")),
        QRegularExpression(QStringLiteral("^Unc .{1,3} [0-9]{2}/[0-9]{2}/[0-9]{2}$")),
    };
    return forms;
}

} // namespace

Reading parseVersionReply(const QString &reply)
{
    Reading reading;
    const QStringList lines = SplitLines(reply);
    qsizetype token = lines.size() - 1;
    while (token >= 0 && lines[token].isEmpty())
        --token;
    // A reply without the meter's four identity lines before its token (a refusal, "*9" or
    // "*6" alone) reaches no slot: it leaves the boxes as they were.
    if (token < FirstInfoLine - 1 || !IsStatusTokenLine(lines[token]))
        return reading;
    reading.complete = true;

    // One past the last line that can hold a free text. A short reply lost its empty slots
    // on the way: the table versions just before the token are known only by their form.
    qsizetype textsEnd = token;
    if (token < FullReplyLines) {
        for (const QRegularExpression &form : versionLineForms())
            if (textsEnd > 0 && form.match(lines[textsEnd - 1]).hasMatch())
                --textsEnd;
    }
    // Each text is in its own slot only when every slot has its line: over RS232 a short
    // reply may hold a text of slot 04 to 06 among its free texts, and on any link a slot
    // holding "*0" ends the reply early.
    reading.slotsKnown = token >= FullReplyLines;
    // The meter's own serial line is among the identity lines, before the free texts.
    for (qsizetype i = 0; i < std::min(token, qsizetype(FirstInfoLine - 1)); ++i) {
        if (lines[i].left(6) == QLatin1String("Serial")) {
            reading.serial = lines[i].mid(6).trimmed();
            break;
        }
    }
    for (int box = 0; box < InfoLines; ++box) {
        const qsizetype i = FirstInfoLine - 1 + box;
        reading.info[box] = i < textsEnd ? lines[i] : QString(); // a slot the reply left out is empty
    }
    return reading;
}

QString infoCommand(int index, const QString &text)
{
    return QStringLiteral("&") + TextConv::Format(index + 1, QStringLiteral("00")) + text.left(InfoLineLength);
}

bool readsBackWhole(const QString &command) { return !command.contains(QLatin1Char('*')); }

QString fieldWordOf(const QString &text)
{
    static const QLatin1String words[] = {QLatin1String("Model"), QLatin1String("Version"), QLatin1String("Serial"),
                                          QLatin1String("Unc"),   QLatin1String("Spec"),    QLatin1String("Tab")};
    const QString asRead = TrimBlanks(text.left(InfoLineLength));
    for (const QLatin1String word : words)
        if (asRead.startsWith(word, Qt::CaseSensitive))
            return word;
    return {};
}

QStringList informationLines(const QString &boxText) { return SplitLines(boxText).mid(0, InfoLines); }

QString serialCommand(const QString &serial) { return QStringLiteral("q") + serial.left(SerialCommandLength); }

} // namespace MeterInformation
