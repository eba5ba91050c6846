#pragma once
#include <QString>
#include <QStringList>

// Splits text into trimmed lines at CR, LF or CR LF; the last piece, when it has no line
// end, is kept untrimmed. Never empty: nothing to store gives one empty element.
QStringList SplitLines(QString text);
// Splits text at a one-character delimiter; see the implementation for the blank rules.
QStringList SplitByDelimiter(QString text, const QString &delimiter);
// Removes leading and trailing blanks (only blanks: tabs and line ends stay).
QString TrimBlanks(const QString &text);
