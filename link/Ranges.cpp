#include "link/Ranges.h"

#include "link/TextConv.h"

#include <array>
#include <cmath>

namespace {

struct RangeEntry
{
    const char *name;
    double lower;
    double upper;
    const char *unit;
};

// Ranges 0 to 54: the ranges that have limits and units.
constexpr std::array<RangeEntry, 55> kRanges{{
    {"Zero", 0, 0, " "},
    {"100mv DC", 0, 0.1, "V"},
    {"1V DC", 0.1, 1, "V"},
    {"10V DC", 1, 10, "V"},
    {"100V DC", 10, 100, "V"},
    {"1kV DC", 100, 1000, "V"},
    {"10nA DC (E)", 0, 1E-8, "A"},
    {"100nA DC (E)", 1E-8, 1E-7, "A"},
    {"1uA DC (E)", 1E-7, 1E-6, "A"},
    {"10uA DC (E)", 1E-6, 1E-5, "A"},
    {"100uA DC", 0, 1E-4, "A"},
    {"1mA DC", 1E-4, 0.001, "A"},
    {"10mA DC", 0.001, 0.01, "A"},
    {"100mA DC", 0.01, 0.1, "A"},
    {"1A DC", 0.1, 1, "A"},
    {"10A DC", 1, 10, "A"},
    {"30A DC", 10, 30, "A"},
    {"10mV AC", 0, 0.01, "V"},
    {"100mV AC", 0.01, 0.1, "V"},
    {"1V AC", 0.1, 1, "V"},
    {"10V AC", 1, 10, "V"},
    {"100V AC", 10, 100, "V"},
    {"1kV AC", 100, 1000, "V"},
    {"100uA AC", 0, 1E-4, "A"},
    {"1mA AC", 1E-4, 0.001, "A"},
    {"10mA AC", 0.001, 0.01, "A"},
    {"100mA AC", 0.01, 0.1, "A"},
    {"1A AC", 0.1, 1, "A"},
    {"10A AC", 1, 10, "A"},
    {"30A AC", 10, 30, "A"},
    {"1R 4-wire (20mV)", 0, 1, "R"},
    {"10R 4-wire (20mV)", 1, 10, "R"},
    {"100R 4-wire (20mV)", 10, 100, "R"},
    {"1R 4-wire", 0, 1, "R"},
    {"10R 4-wire", 1, 10, "R"},
    {"100R 4-wire", 10, 100, "R"},
    {"1kR 4-wire", 100, 1000, "R"},
    {"10kR 4-wire", 1000, 10000, "R"},
    {"100R 4-wire (Low I)", 10, 100, "R"},
    {"1kR 4-wire (Low I)", 100, 1000, "R"},
    {"10kR 4-wire (Low I)", 1000, 10000, "R"},
    {"100kR 4-wire", 1E4, 1E5, "R"},
    {"1MR 4-wire", 1E5, 1E6, "R"},
    {"10M 4-wire", 1E6, 1E7, "R"},
    {"1R 2-wire", 0, 1, "R"},
    {"10R 2-wire", 1, 10, "R"},
    {"100R 2-wire", 10, 100, "R"},
    {"1kR 2-wire", 100, 1000, "R"},
    {"10kR 2-wire", 1000, 10000, "R"},
    {"100R 2-wire (Low I)", 10, 100, "R"},
    {"1kR 2-wire (Low I)", 100, 1000, "R"},
    {"10kR 2-wire (Low I)", 1000, 10000, "R"},
    {"100kR 2-wire", 1E4, 1E5, "R"},
    {"1MR 2-wire", 1E5, 1E6, "R"},
    {"10M 2-wire", 1E6, 1E7, "R"},
}};

// Ranges 80 to 90: the AC ranges that have names only.
constexpr int kFirstNamedAcRange = 80;
constexpr std::array<const char *, 11> kNamedAcRanges{
    "30mV AC", "300mV AC", "3V AC", "30V AC", "300V AC", "30uA AC",
    "300uA AC", "3mA AC", "30mA AC", "300mA AC", "3A AC"};

struct BandEdges
{
    const char *lower;
    const char *upper;
};
// Bands 1 to 6; every other band number is the lowest band.
constexpr std::array<BandEdges, 6> kBands{{
    {"40Hz", "200Hz"},
    {"200Hz", "1kHz"},
    {"1kHz", "2kHz"},
    {"2kHz", "20kHz"},
    {"20kHz", "100kHz"},
    {"100kHz", "10MHz"},
}};
constexpr BandEdges kLowestBand{"1Hz", "40Hz"};

constexpr std::array<const char *, 20> kFreqPoints20{
    "1Hz", "5Hz", "10Hz", "23Hz", "40Hz", "56Hz", "106Hz", "206Hz", "1kHz", "2kHz",
    "10kHz", "20kHz", "35kHz", "50kHz", "75kHz", "100kHz", "200kHz", "400kHz", "700kHz", "1MHz"};
constexpr std::array<const char *, 25> kFreqPoints25{
    "1Hz", "5Hz", "10Hz", "23Hz", "40Hz", "56Hz", "106Hz", "206Hz", "1kHz", "2kHz",
    "10kHz", "20kHz", "30kHz", "35kHz", "40kHz", "50kHz", "60kHz", "75kHz", "80kHz", "100kHz",
    "200kHz", "400kHz", "500kHz", "750kHz", "1MHz"};

const RangeEntry *rangeEntry(int index)
{
    if (index < 0 || index >= int(kRanges.size()))
        return nullptr;
    return &kRanges[std::size_t(index)];
}

template <std::size_t N>
QString listEntry(const std::array<const char *, N> &list, int indexFromOne)
{
    if (indexFromOne < 1 || indexFromOne > int(N))
        return {};
    return QString::fromLatin1(list[std::size_t(indexFromOne - 1)]);
}

} // namespace

QString GetRangeName(int index)
{
    if (const RangeEntry *entry = rangeEntry(index))
        return QString::fromLatin1(entry->name);
    const int ac = index - kFirstNamedAcRange;
    if (ac >= 0 && ac < int(kNamedAcRanges.size()))
        return QString::fromLatin1(kNamedAcRanges[std::size_t(ac)]);
    return QStringLiteral("Unused");
}

double GetRangeLimit(int index, bool upper)
{
    const RangeEntry *entry = rangeEntry(index);
    if (!entry)
        return 0;
    return upper ? entry->upper : entry->lower;
}

QString GetRangeUnit(int index)
{
    const RangeEntry *entry = rangeEntry(index);
    return entry ? QString::fromLatin1(entry->unit) : QString();
}

QString GetFrequencyBandLimit(int band, bool upper)
{
    const BandEdges &edges = (band >= 1 && band <= int(kBands.size())) ? kBands[std::size_t(band - 1)] : kLowestBand;
    return QString::fromLatin1(upper ? edges.upper : edges.lower);
}

QString GetFreqPointName20(int index) { return listEntry(kFreqPoints20, index); }

QString GetFreqPointName25(int index) { return listEntry(kFreqPoints25, index); }

QString FormatEngineering(double &value, QString &unit)
{
    value = std::fabs(value);
    if (value != 0) {
        const char *prefix = "";
        if (value >= 1E9) {
            value /= 1E9;
            prefix = "G";
        } else if (value >= 1E6) {
            value /= 1E6;
            prefix = "M";
        } else if (value >= 1000) {
            value /= 1000;
            prefix = "k";
        } else if (value >= 1) {
            // no prefix
        } else if (value >= 0.001) {
            value *= 1000;
            prefix = "m";
        } else if (value >= 1E-6) {
            value *= 1E6;
            prefix = "u";
        } else if (value >= 1E-9) {
            value *= 1E9;
            prefix = "n";
        } else {
            value *= 1E12;
            prefix = "p";
        }
        unit.prepend(QLatin1String(prefix));
    }
    return TextConv::General(value) + unit;
}
