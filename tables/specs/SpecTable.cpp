#include "tables/specs/SpecTable.h"

#include "link/TextConv.h"
#include "link/Utility.h"

#include <cmath>
#include <limits>

namespace SpecTable {

namespace {

const QChar CR = QLatin1Char('\r');
const QChar Comma = QLatin1Char(',');

// The meter's own codes for the ohm and micro signs in range labels.
constexpr char16_t MeterOhmCode = 244;
constexpr char16_t MeterMicroCode = 228;

SpecTableKind makeSpecifications()
{
    SpecTableKind k;
    k.windowName = "FormSpecifications";
    k.caption = QStringLiteral("Specifications");
    k.readCommand = QStringLiteral("ps");
    k.writePrefix = QStringLiteral("Ws");
    k.clearCommand = QStringLiteral("WS");
    k.lineRule = ReplyLineRule::KeepCr;
    k.versionEmptiedOnRead = false;
    k.infoSlot = 5;
    k.infoWord = QStringLiteral("Spec");
    k.clearQuestion = QStringLiteral("This will clear specifications for all ranges - please confirm");
    k.clearTitle = QStringLiteral("Clear Specifications");
    k.clearedText = QStringLiteral("Specifications cleared ok");
    k.notClearedText = QStringLiteral("Error - Specifications not cleared");
    k.fileFilter = QStringLiteral("Specification Files (*.spec)|*.spec|");
    k.fileExtension = QStringLiteral(".spec");
    k.loadErrorText = QStringLiteral("Error loading specifications: ");
    k.saveDbCaption = QStringLiteral("Save to Uncertainty DB");
    k.databaseAction = DatabaseAction::AddRecords;
    k.loadFromMeter = {435, 120, 1200, 700};
    k.saveToMeter = {2157, 120, 1200, 700};
    k.loadFromFile = {3879, 120, 1200, 700};
    k.saveToFile = {5601, 120, 1200, 700};
    k.clearMeter = {7323, 120, 1200, 700};
    k.exit = {9045, 135, 1200, 700};
    k.saveDb = {13530, 135, 945, 690};
    k.versionLabel = {14565, 135, 705, 270};
    k.version = {14580, 405, 690, 435};
    k.grid = {420, 1035, 14910, 10320};
    return k;
}

SpecTableKind makeImportedUncertainties()
{
    SpecTableKind k = makeSpecifications();
    k.windowName = "FormImportedUncerts";
    k.caption = QStringLiteral("Imported Uncertainties");
    k.readCommand = QStringLiteral("pi");
    k.writePrefix = QStringLiteral("Wi");
    k.clearCommand = QStringLiteral("WI");
    k.lineRule = ReplyLineRule::SplitLines;
    k.versionEmptiedOnRead = true;
    k.infoSlot = 4;
    k.infoWord = QStringLiteral("Unc");
    k.clearQuestion = QStringLiteral("This will clear imported uncertainties for all ranges - please confirm");
    k.clearTitle = QStringLiteral("Clear Imported Uncertainties");
    k.clearedText = QStringLiteral("Uncertainties cleared ok");
    k.notClearedText = QStringLiteral("Error - Uncertainties not cleared");
    k.fileFilter = QStringLiteral("Uncertainty Files (*.uncert)|*.uncert|");
    k.fileExtension = QStringLiteral(".uncert");
    k.loadErrorText = QStringLiteral("Error loading Uncertainties: ");
    k.saveDbCaption = QStringLiteral("Insert into Uncertainty DB");
    k.databaseAction = DatabaseAction::UpdateLabColumns;
    k.loadFromMeter = {435, 150, 1200, 700};
    k.saveToMeter = {2160, 150, 1200, 700};
    k.loadFromFile = {3885, 150, 1200, 700};
    k.saveToFile = {5595, 150, 1200, 700};
    k.clearMeter = {7320, 150, 1200, 700};
    k.exit = {9045, 165, 1200, 700};
    k.saveDb = {13440, 195, 1065, 690}; // 60 twips short of the "Version" label
    k.versionLabel = {14565, 165, 705, 270};
    k.version = {14580, 435, 690, 435};
    k.grid = {420, 975, 14910, 10365};
    return k;
}

// The number a reply field begins with: leading blanks and tabs skipped, then read as far
// as a decimal number goes ("3 1" is 3), with the program's one rule for numbers beyond a
// double's range. 0 when the text begins with no number.
double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    return TextConv::LeadingDecimal(text.mid(i));
}

// The shortest text of the number a reply field begins with.
QString fieldValue(QStringView field) { return TextConv::General(leadingNumber(field)); }

bool onlyBlanksAndLineEnds(QStringView text) { return text.trimmed().isEmpty(); }

// The reader's tests of a file line, as it stands (not trimmed).
bool isVersionLine(const QString &line) { return line.left(7).toUpper() == QLatin1String("VERSION"); }
bool isCommentLine(const QString &line) { return line.startsWith(QLatin1Char('#')); }

// The lines of a file: CR LF, CR and LF end a line; text after the last line end is a line.
QStringList fileLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch != CR && ch != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (ch == CR && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace

const SpecTableKind &specifications()
{
    static const SpecTableKind kind = makeSpecifications();
    return kind;
}

const SpecTableKind &importedUncertainties()
{
    static const SpecTableKind kind = makeImportedUncertainties();
    return kind;
}

QString headerText(int column)
{
    static const char *const bands[] = {"(DC-40Hz)",   "(40-200Hz)",  "(200-1kHz)", "(1-2kHz)",
                                        "(2-20kHz)",   "(20-100kHz)", "(100kHz+)"};
    if (column < 1 || column > ValueColumns)
        return {};
    const int band = (column - 1) / 2;
    const QString words = column % 2 == 1 ? QStringLiteral("ppm Reading ") : QStringLiteral("ppm Range ");
    return words + QLatin1String(bands[band]);
}

QStringList replyLines(const QString &reply, ReplyLineRule rule)
{
    if (rule == ReplyLineRule::SplitLines)
        return SplitLines(reply);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype cr = reply.indexOf(CR); cr >= 0; cr = reply.indexOf(CR, start)) {
        lines << TrimBlanks(reply.mid(start, cr + 1 - start));
        start = cr + 1;
    }
    return lines;
}

std::optional<ReplyRow> parseReplyRow(const QString &line, int expectedRow)
{
    if (!line.startsWith(QLatin1Char('R')) || leadingNumber(QStringView(line).mid(1, 3)) != double(expectedRow))
        return std::nullopt;

    ReplyRow row;
    const qsizetype firstComma = line.indexOf(Comma);
    QString label = firstComma < 0 ? QString(line).remove(CR).remove(QLatin1Char('\n')) : line.left(firstComma);
    label = TrimBlanks(label);
    label.replace(QChar(MeterOhmCode), QLatin1String("Ohm"));
    label.replace(QChar(MeterMicroCode), QLatin1String("u"));
    row.label = label;
    if (firstComma < 0)
        return row;

    const QStringView rest = QStringView(line).mid(firstComma + 1);
    qsizetype start = 0;
    while (row.values.size() < ValueColumns) {
        const qsizetype comma = rest.indexOf(Comma, start);
        if (comma < 0) {
            const QStringView last = rest.mid(start);
            if (!onlyBlanksAndLineEnds(last))
                row.values << fieldValue(last);
            break;
        }
        row.values << fieldValue(rest.mid(start, comma - start));
        start = comma + 1;
    }
    return row;
}

std::optional<double> cellNumber(const QString &text)
{
    if (!TextConv::IsNumeric(text))
        return std::nullopt;
    const double value = leadingNumber(QStringView(text).trimmed());
    // Beyond a double's range the number reads as the largest double: nothing to send.
    if (std::abs(value) == std::numeric_limits<double>::max())
        return std::nullopt;
    return value;
}

QString writeCommand(const SpecTableKind &kind, int row, int columnIndex, double value)
{
    return kind.writePrefix + QString::number(row) + Comma + QString::number(columnIndex) + Comma
           + TextConv::General(value);
}

std::optional<QString> informationLine(const SpecTableKind &kind, const QString &version,
                                       const MeterWriteResult &written, const QDate &today)
{
    const InformationClaim claim = written.informationClaim();
    if (claim == InformationClaim::None)
        return std::nullopt;
    const QString date = TextConv::FormatDate(QDateTime(today, QTime(0, 0)), QStringLiteral("dd/mm/yy"));
    const QString head = QLatin1Char('&') + TextConv::Format(kind.infoSlot, QStringLiteral("00")) + kind.infoWord;
    if (claim == InformationClaim::Whole && !version.isEmpty() && written.accepted >= CellsForVersionedInfo)
        return head + QLatin1Char(' ') + version.left(3) + QLatin1Char(' ') + date;
    return head + QStringLiteral(" ___ ") + date;
}

TableFile parseTableFile(const QByteArray &bytes)
{
    TableFile file;
    const QStringList lines = fileLines(QString::fromLatin1(bytes));
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString &line = lines[index];
        if (isVersionLine(line)) {
            file.version = TrimBlanks(line.mid(7));
            if (file.version.left(3).contains(QLatin1Char('*'))) {
                TableFile refused;
                refused.refusal = QStringLiteral("line %1 (\"%2\"): a version cannot hold \"*\" in its first three "
                                                 "characters")
                                      .arg(QString::number(index + 1), line);
                return refused;
            }
            continue;
        }
        if (isCommentLine(line))
            continue;
        QStringList cells;
        qsizetype start = 0;
        while (cells.size() < Columns) {
            const qsizetype comma = line.indexOf(Comma, start);
            if (comma < 0)
                break;
            cells << TrimBlanks(line.mid(start, comma - start));
            start = comma + 1;
        }
        file.rows << cells;
    }
    return file;
}

QByteArray tableFileBytes(const QString &version, const QList<QStringList> &rows)
{
    const QLatin1String lineEnd("\r\n");
    QString text = QStringLiteral("Version ") + TrimBlanks(version) + lineEnd;
    for (const QStringList &row : rows) {
        // A label the reader would take for the version or a comment goes after a blank,
        // which the reader trims off again: the row keeps its place and its label.
        const QString label = row.value(0);
        if (isVersionLine(label) || isCommentLine(label))
            text += QLatin1Char(' ');
        text += label + QStringLiteral(" , ");
        for (int column = 1; column <= ValueColumns; ++column) {
            const QString value = row.value(column);
            if (!value.isEmpty())
                text += value + Comma;
        }
        text += lineEnd;
    }
    return text.toLatin1();
}

QString proposedFileName(const SpecTableKind &kind, const QDate &today)
{
    return QStringLiteral("DMMBackup-") + TextConv::FormatDate(QDateTime(today, QTime(0, 0)), QStringLiteral("DDMMMYY"))
           + kind.fileExtension;
}

} // namespace SpecTable
