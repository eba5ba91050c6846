#include "settings/InstalledOptions.h"
#include "link/TextConv.h"

namespace InstalledOptions {

namespace {

// Bit values the defaults and the dependency rules name.
constexpr qint32 Thermocouple = 2, Prt = 4, Electrometer = 8, Shunt = 64, DcPower = 128, EightDigit = 256,
                 OneOhm = 512, RearTerminals = 1024, DcCurrent = 4096, AcVoltage = 8192, AcCurrent = 16384,
                 Resistance = 32768, Frequency = 65536, Ethernet = 131072, Gpib = 262144;

} // namespace

const std::array<QString, OptionCount> &optionCaptions()
{
    static const std::array<QString, OptionCount> captions{
        QStringLiteral("By Model (Ver 1.x, Overrides other settings)"),
        QStringLiteral("Thermocouple"),
        QStringLiteral("PRT"),
        QStringLiteral("Electrometer"),
        QStringLiteral("Phase"),
        QStringLiteral("Pressure"),
        QStringLiteral("Shunt"),
        QStringLiteral("DC Power"),
        QStringLiteral("8 Digit"),
        QStringLiteral("1 Ohm"),
        QStringLiteral("Rear Terminals"),
        QStringLiteral("Ext Freq Ref"),
        QStringLiteral("DC Current"),
        QStringLiteral("AC Voltage"),
        QStringLiteral("AC Current"),
        QStringLiteral("Resistance"),
        QStringLiteral("Frequency"),
        QStringLiteral("Ethernet"),
        QStringLiteral("GPIB"),
        QStringLiteral("AC 3 Ranges"),
        QStringLiteral("Capacitance"),
    };
    return captions;
}

const std::array<QString, ModelCount> &modelCaptions()
{
    static const std::array<QString, ModelCount> captions{QStringLiteral("6450"), QStringLiteral("6445"),
                                                          QStringLiteral("6440"), QStringLiteral("6480"),
                                                          QStringLiteral("6475")};
    return captions;
}

Ticks ticksOf(qint32 mask)
{
    Ticks ticks{};
    for (int bit = 0; bit < OptionCount; ++bit)
        ticks[bit] = (mask >> bit) & 1;
    return ticks;
}

qint32 maskOf(const Ticks &ticks)
{
    qint32 mask = 0;
    for (int bit = 0; bit < OptionCount; ++bit)
        if (ticks[bit])
            mask |= qint32(1) << bit;
    return mask;
}

qint32 defaultMask(int model)
{
    qint32 mask = Ethernet + Gpib;
    if (model == 6450)
        mask += Electrometer + Prt + RearTerminals + Shunt + DcPower + Thermocouple;
    if (model == 6450 || model == 6445 || model == 6440)
        mask += DcCurrent + AcVoltage + AcCurrent + Resistance + Frequency;
    if (model == 6450 || model == 6445 || model == 6480)
        mask += EightDigit + OneOhm;
    return mask;
}

std::optional<int> modelIndexIn(const QString &identification)
{
    const QString upper = identification.toUpper();
    for (int index = 0; index < ModelCount; ++index)
        if (upper.contains(QStringLiteral("MODEL ") + modelCaptions()[index]))
            return index;
    return std::nullopt;
}

QStringList brokenDependencies(qint32 mask)
{
    struct Rule
    {
        qint32 option, requires_;
        const char *text;
    };
    static const Rule rules[] = {
        {Frequency, AcVoltage, "Frequency option requires AC option"},
        {Shunt, RearTerminals, "Shunt option requires Rear Terminals option"},
        {DcPower, RearTerminals, "DC Power option requires Rear Terminals option"},
        {Electrometer, Resistance, "Electrometer option requires Resistance option"},
    };
    QStringList broken;
    for (const Rule &rule : rules)
        if ((mask & rule.option) && !(mask & rule.requires_))
            broken << QString::fromLatin1(rule.text);
    return broken;
}

std::optional<qint32> maskFromReply(const QString &reply) { return TextConv::CLng(TextConv::Val(reply)); }

} // namespace InstalledOptions
