#include "link/Utility.h"

namespace {

QString unifyLineEnds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return text;
}

} // namespace

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QStringList SplitLines(QString text)
{
    text = unifyLineEnds(std::move(text));
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype cr = text.indexOf(QLatin1Char('\r')); cr >= 0; cr = text.indexOf(QLatin1Char('\r'), start)) {
        lines << TrimBlanks(text.mid(start, cr - start));
        start = cr + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

// Blanks just before a delimiter stay in the field (the piece is trimmed before the
// delimiter is removed); blanks after it are trimmed from the next field. The last piece
// is kept untrimmed.
QStringList SplitByDelimiter(QString text, const QString &delimiter)
{
    text = unifyLineEnds(std::move(text));
    QStringList fields;
    if (delimiter.isEmpty())
        return {text};
    qsizetype start = 0;
    for (qsizetype at = text.indexOf(delimiter); at >= 0; at = text.indexOf(delimiter, start)) {
        const QString piece = TrimBlanks(text.mid(start, at + delimiter.size() - start));
        fields << QString(piece).remove(delimiter);
        start = at + delimiter.size();
    }
    if (start < text.size())
        fields << text.mid(start).remove(delimiter);
    if (fields.isEmpty())
        fields << QString();
    return fields;
}
