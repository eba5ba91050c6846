#include "tables/grid/TableFileText.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool unwritable(const QString &text, bool commaAllowed)
{
    for (const QChar ch : text) {
        if ((ch == QLatin1Char(',') && !commaAllowed) || ch == QLatin1Char('\r') || ch == QLatin1Char('\n')
            || ch.unicode() > 0xFF)
            return true;
    }
    return false;
}

} // namespace

std::optional<UnwritableText> findUnwritableText(const QString &version, const QList<QStringList> &rows)
{
    // The version line is read whole to its end, so it may hold commas.
    if (unwritable(version, true))
        return UnwritableText{0, 0};
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            if (unwritable(rows[r][c], false))
                return UnwritableText{r + 1, c};
        }
    }
    return std::nullopt;
}

QString unwritableTextMessage(const UnwritableText &where)
{
    if (where.row == 0)
        return QStringLiteral("Backup not saved: The version holds a line break or a character the file cannot keep.");
    return QStringLiteral("Backup not saved: The cell in row %1, column %2 holds a comma, a line break or a character "
                          "the file cannot keep.")
        .arg(where.row)
        .arg(where.column);
}

bool saveTableFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A table is small enough to sit in the write buffer, so a full disk shows only when
    // the buffer is flushed; the commit would ignore that failure and put the short
    // temporary file in place of the old one. Flush and sync first, and drop the temporary
    // file (the destructor does) when anything fails.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return false;
#endif
    return file.commit();
}

QString readTableFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    // One byte more than the limit tells a file that is too large, whatever size it reports
    // (a device or a growing file reports none or the wrong one).
    if (file.size() > MaxTableFileBytes)
        return FileTooLargeText;
    QByteArray content = file.read(MaxTableFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (content.size() > MaxTableFileBytes)
        return FileTooLargeText;
    bytes = std::move(content);
    return {};
}
