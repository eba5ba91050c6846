// The specification and imported-uncertainty tables: the meter's "ps"/"pi" replies and the
// *.spec / *.uncert files, read and written back.
#include "tables/grid/TableFileText.h"
#include "tables/specs/SpecTable.h"
#include "link/TextConv.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>

namespace {
// The values a row keeps in the file: the writer drops empty cells.
QStringList nonEmptyValues(const QStringList &row)
{
    QStringList values;
    for (qsizetype i = 1; i < row.size() && i <= SpecTable::ValueColumns; ++i)
        if (!row[i].isEmpty())
            values << row[i];
    return values;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 variant = input.takeByte();
    if (variant % 2 == 0) {
        const auto rule = variant % 4 == 0 ? SpecTable::ReplyLineRule::KeepCr : SpecTable::ReplyLineRule::SplitLines;
        int row = 1;
        for (const QString &line : SpecTable::replyLines(input.text(), rule)) {
            if (const auto parsed = SpecTable::parseReplyRow(line, row)) {
                FUZZ_CHECK(parsed->values.size() <= SpecTable::ValueColumns);
                for (const QString &value : parsed->values)
                    FUZZ_CHECK(std::isfinite(TextConv::Val(value)));
                ++row;
            }
            if (const auto number = SpecTable::cellNumber(line))
                FUZZ_CHECK(std::isfinite(*number));
        }
        return 0;
    }

    // A file that the writer accepts reads back as the same version, labels and values.
    const SpecTable::TableFile file = SpecTable::parseTableFile(input.bytes());
    if (!file.refusal.isEmpty()) {
        FUZZ_CHECK(file.version.isEmpty() && file.rows.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!file.version.left(3).contains(QLatin1Char('*')));
    if (findUnwritableText(file.version, file.rows))
        return 0;
    const SpecTable::TableFile back = SpecTable::parseTableFile(SpecTable::tableFileBytes(file.version, file.rows));
    FUZZ_CHECK(back.version == file.version);
    FUZZ_CHECK(back.rows.size() == file.rows.size());
    for (qsizetype i = 0; i < file.rows.size(); ++i) {
        FUZZ_CHECK(back.rows[i].value(0) == file.rows[i].value(0));
        FUZZ_CHECK(nonEmptyValues(back.rows[i]) == nonEmptyValues(file.rows[i]));
    }
    return 0;
}
