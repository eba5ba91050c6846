#include "tables/calfactors/CalFactors.h"

#include "link/MeterOperation.h"
#include "link/Ranges.h"
#include "link/TextConv.h"
#include "link/Utility.h"


namespace CalFactors {

namespace {
const QChar CR = QLatin1Char('\r');
const QChar LF = QLatin1Char('\n');
const QChar Comma = QLatin1Char(',');
} // namespace

bool fitsGrid(qint64 rows, qint64 cols)
{
    return rows <= MaxGridRows && cols <= MaxGridCols && rows * cols <= MaxGridCells;
}

QString acColumnHeader(int col, int colCount)
{
    const int index = col - (FirstAcColumn - 1);
    return colCount > TwentyPointColumns ? GetFreqPointName25(index) : GetFreqPointName20(index);
}

CalFactorsReply parseCalFactorsReply(const QString &reply)
{
    CalFactorsReply parsed;
    QList<QStringList> &rows = parsed.rows;
    qsizetype start = 0;
    bool tokenMet = false; // a status token, final only while no other line follows it
    for (qsizetype cr = reply.indexOf(CR); cr >= 0; cr = reply.indexOf(CR, start)) {
        // The CR stays at the end of the line: it belongs to the last field.
        const QString line = TrimBlanks(reply.mid(start, cr + 1 - start));
        start = cr + 1;
        const QString content = TrimBlanks(QString(line).remove(CR).remove(LF));
        if (content.isEmpty())
            continue;
        parsed.damaged = parsed.damaged || tokenMet;
        tokenMet = IsStatusTokenLine(content);
        if (!line.startsWith(QLatin1String("Range"))) {
            parsed.damaged = parsed.damaged || !tokenMet;
            continue;
        }
        const qsizetype firstComma = line.indexOf(Comma);
        const QString values = firstComma < 0 ? line : line.mid(firstComma + 1);
        QStringList fields;
        for (const QString &field : values.split(Comma))
            fields << TextConv::General(TextConv::Val(field));
        rows << fields;
    }
    return parsed;
}

QString pointLetter(int point)
{
    if (point >= 0 && point <= 25)
        return QString(QChar(char16_t(u'a' + point)));
    if (point == 26)
        return QStringLiteral("A");
    if (point == 27)
        return QStringLiteral("B");
    return {};
}

QString writeCommand(int range, int point, qint32 value)
{
    return QStringLiteral("Ww") + pointLetter(point) + QString::number(range) + Comma + QString::number(value);
}

CellWrite planCellWrite(int range, int point, const QString &text)
{
    // The value is converted before any other check, as the meter takes only 32-bit
    // integers: a text that is no number at all is refused rather than sent as 0.
    const std::optional<qint32> value
        = TextConv::IsNumeric(text) ? TextConv::CLng(TextConv::Val(text)) : std::optional<qint32>();
    if (!value)
        return {CellWrite::Outcome::Refuse, {}};
    if (range > MaxRange)
        return {CellWrite::Outcome::Skip, {}};
    if ((point == 1 || point == 2) && range != UnguardedGainRange && (*value > GainMaximum || *value < GainMinimum))
        return {CellWrite::Outcome::Refuse, {}};
    if (point > MaxPoint)
        return {CellWrite::Outcome::Skip, {}};
    return {CellWrite::Outcome::Send, writeCommand(range, point, *value)};
}

QString calFileLine(const QString &label, const QStringList &values)
{
    QString line = label + QStringLiteral(" , ");
    for (const QString &value : values) {
        if (!value.isEmpty())
            line += value + Comma;
    }
    return line + QStringLiteral("\r\n");
}

QByteArray encodeCalFile(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows)
        text += calFileLine(row.value(0), row.mid(1));
    return text.toLatin1();
}

QStringList calFileLines(const QByteArray &content)
{
    const QString text = QString::fromLatin1(content);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != CR && c != LF)
            continue;
        lines << text.mid(start, i - start);
        if (c == CR && i + 1 < text.size() && text.at(i + 1) == LF)
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QStringList parseCalFileLine(const QString &line)
{
    QStringList cells;
    qsizetype start = 0;
    // One cell more than the grid holds is enough to refuse the line: a long line of commas
    // must not become a list of millions of cells.
    for (qsizetype comma = line.indexOf(Comma); comma >= 0 && cells.size() <= MaxGridCols;
         comma = line.indexOf(Comma, start)) {
        cells << TrimBlanks(line.mid(start, comma - start));
        start = comma + 1;
    }
    return cells;
}

} // namespace CalFactors
