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
