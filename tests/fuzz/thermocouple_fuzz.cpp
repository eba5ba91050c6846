// Thermocouple text files of EMF-temperature pairs, and the type letter in their names.
#include "tables/thermocouple/ThermocoupleTables.h"
#include "link/Utility.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString name = input.takePart();
    const QString letter = Thermocouple::typeLetterFromFileName(name);
    FUZZ_CHECK(letter.size() <= 1);
    for (const QString &line : SplitLines(input.text())) {
        const auto point = Thermocouple::parsePairLine(line);
        if (!point)
            continue;
        FUZZ_CHECK(std::isfinite(point->T));
        if (!letter.isEmpty())
            Thermocouple::withinLimits(point->E, letter, point->T);
    }
    return 0;
}
