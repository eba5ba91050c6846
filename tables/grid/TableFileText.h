#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The table files (*.cal, *.spec, *.uncert) hold each cell's text between commas on lines
// of single-byte characters, without quoting: a comma or line break in a cell would move
// the values after it when the file is read back, and other characters would be lost.

// Where a text stands that the file cannot keep. Row is counted from 1 (0: the version).
struct UnwritableText
{
    int row;
    int column;
};
// rows[i] holds the cell texts of grid row i + 1 from column 0. Nothing when every text
// (the version too, which may hold commas) can be written.
std::optional<UnwritableText> findUnwritableText(const QString &version, const QList<QStringList> &rows);
// "Backup not saved: " and where that text stands.
QString unwritableTextMessage(const UnwritableText &where);

// Writes `bytes` as the whole file `path`, replacing an earlier file only once every byte
// has reached the disk: on any failure (no room, read-only folder) the earlier file stays
// as it was and the answer is false.
bool saveTableFile(const QString &path, const QByteArray &bytes);

// The largest table file read: a full table is a few kilobytes, so anything larger is not
// a meter table and is refused before it is read whole.
inline constexpr qint64 MaxTableFileBytes = 1024 * 1024;
inline const QString FileTooLargeText = QStringLiteral("File too large for a meter table");

// Reads the whole file `path` into `bytes`. Returns the empty text on success, else why
// not: FileTooLargeText for a file beyond MaxTableFileBytes, or the system's description.
QString readTableFile(const QString &path, QByteArray &bytes);
