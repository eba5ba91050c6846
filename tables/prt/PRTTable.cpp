#include "tables/prt/PRTTable.h"
#include "link/TextConv.h"

#include <cmath>

double PRTCellResistance(int row, int column) { return (row - 1) + (column - 1) / 10.0; }

int PRTTableIndex(int row, int column) { return (row - 1) * PRTTableColumns + (column - 1); }

QString PRTCellText(double temperature)
{
    if (!std::isfinite(temperature) || std::abs(temperature) > 10000)
        return QStringLiteral("0");
    return TextConv::General(TextConv::Int(temperature * 100000));
}

std::optional<qint32> PRTWriteValue(const QString &cellText)
{
    if (!TextConv::IsNumeric(cellText))
        return std::nullopt;
    return TextConv::CLng(TextConv::Val(cellText) + 1);
}

QString PRTWriteCommand(int index, qint32 value)
{
    return QStringLiteral("Wt") + QString::number(index) + QLatin1Char(',') + QString::number(value);
}

namespace {

// Removes blanks (spaces only) at both ends.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QStringList SplitPRTReplyLines(const QString &reply)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype cr = reply.indexOf(QLatin1Char('\r')); cr >= 0; cr = reply.indexOf(QLatin1Char('\r'), start)) {
        // The whole line is consumed, blanks in front included, so the next line starts
        // right after this one's CR.
        lines << trimBlanks(reply.mid(start, cr + 1 - start));
        start = cr + 1;
    }
    return lines;
}

std::optional<PRTReplyLine> ParsePRTReplyLine(const QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    PRTReplyLine parsed;
    parsed.label = line.left(comma);
    const QStringList fields = line.mid(comma + 1).split(QLatin1Char(','));
    for (const QString &field : fields)
        parsed.values << TextConv::General(TextConv::Val(field));
    return parsed;
}
