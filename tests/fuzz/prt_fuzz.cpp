// The PRT table: the meter's "pt" reply and the cell texts written back.
#include "tables/prt/PRTTable.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString text = input.text();
    for (const QString &line : SplitPRTReplyLines(text))
        ParsePRTReplyLine(line);
    if (const auto value = PRTWriteValue(text.left(64)))
        FUZZ_CHECK(!PRTWriteCommand(1, *value).isEmpty());
    return 0;
}
