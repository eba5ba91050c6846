// The meter's replies to the settings dialogs: options ("SYSTEM:OPTIONS ?" and the model in
// "*IDN?"), temperature compensation ("TEMPCOMP:COEFF ?", "TEMP?"), the calibration history,
// the information reply "v", the clock "a" and the AC linearity correction.
#include "settings/AcLinearity.h"
#include "settings/CalHistory.h"
#include "settings/InstalledOptions.h"
#include "settings/MeterClock.h"
#include "settings/MeterDate.h"
#include "settings/MeterInformation.h"
#include "settings/TemperatureCompensation.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 variant = input.takeByte();
    const QString reply = input.text();
    switch (variant % 7) {
    case 0:
        if (const auto mask = InstalledOptions::maskFromReply(reply)) {
            // Ticks and mask are one another's inverse on the option bits.
            const InstalledOptions::Ticks ticks = InstalledOptions::ticksOf(*mask);
            FUZZ_CHECK(InstalledOptions::ticksOf(InstalledOptions::maskOf(ticks)) == ticks);
            InstalledOptions::brokenDependencies(*mask);
        }
        InstalledOptions::modelIndexIn(reply);
        break;
    case 1:
        TemperatureCompensation::internalTemperatureText(reply);
        TemperatureCompensation::coefficientValid(reply);
        TemperatureCompensation::ambientValid(reply);
        break;
    case 2: {
        const QList<CalibrationEvent> events = CalHistory::parseReply(reply);
        CalHistory::eventEntries(events);
        for (const CalibrationEvent &event : events)
            for (const QString &item : CalHistory::rangeItems(event))
                FUZZ_CHECK(!item.isEmpty());
        break;
    }
    case 3:
        MeterInformation::parseVersionReply(reply);
        break;
    case 4:
        MeterClock::meterTimeText(reply);
        if (const auto when = ParseMeterDateTime(reply))
            FUZZ_CHECK(when->isValid());
        break;
    case 5:
        AcLinearity::valueText(reply);
        break;
    default:
        TemperatureCompensation::rangeCommand(reply);
        TemperatureCompensation::coefficientCommand(reply);
        AcLinearity::setCommand(reply);
        MeterInformation::informationLines(reply);
        break;
    }
    return 0;
}
