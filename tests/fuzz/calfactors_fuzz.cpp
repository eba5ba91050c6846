// The calibration factors: the meter's "pa" reply and the *.cal file, read and written back.
#include "tables/calfactors/CalFactors.h"
#include "link/TextConv.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    if (input.takeByte() % 2 == 0) {
        // Every value read from a reply is a finite number in the general format.
        for (const QStringList &row : CalFactors::parseCalFactorsReply(input.text()).rows)
            for (const QString &value : row)
                FUZZ_CHECK(std::isfinite(TextConv::Val(value)));
        return 0;
    }

    // A file's rows, written again and read back, keep their labels and values.
    const QStringList lines = CalFactors::calFileLines(input.bytes());
    for (const QString &line : lines) {
        const QStringList cells = CalFactors::parseCalFileLine(line);
        if (cells.isEmpty())
            continue;
        QStringList values;
        for (qsizetype i = 1; i < cells.size(); ++i)
            if (!cells[i].isEmpty())
                values << cells[i];
        const QString written = CalFactors::calFileLine(cells[0], values);
        const QStringList reread = CalFactors::calFileLines(written.toLatin1());
        FUZZ_CHECK(reread.size() == 1);
        const QStringList again = CalFactors::parseCalFileLine(reread[0]);
        FUZZ_CHECK(!again.isEmpty() && again[0] == cells[0]);
        FUZZ_CHECK(again.mid(1) == values);
    }
    return 0;
}
