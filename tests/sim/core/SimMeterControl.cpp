// Measuring and control: "CONF:", "READ?", the GPIB address ("SYST:COMM:GPIB:ADDR"), "SYSTEM:REBOOT",
// "L" (back to the front panel) and the full erase ("WXerase").
#include "tests/sim/core/SimMeterCommands.h"

#include <algorithm>

namespace metersim {

SimMeter::Result SimMeter::Commands::configure(SimMeter &m, const QString &cmd, const QDateTime &)
{
    static const QStringList functions{"VOLTAGE:DC", "CURRENT:DC", "VOLTAGE:AC", "CURRENT:AC", "RES", "FRES",
                                       "RES:LOWI",   "FRES:LOWI",  "RES:HIGHI",  "FRES:HIGHI", "FREQ"};
    const qsizetype blank = cmd.indexOf(QLatin1Char(' '));
    const QString function = cmd.mid(5, blank < 0 ? -1 : blank - 5);
    double value = 0;
    if (!functions.contains(function))
        return {unknown()};
    if (blank < 0 || !parseNumber(cmd.mid(blank + 1), value))
        return {rejected()};
    m.m_state.confFunction = function;
    m.m_state.confValue = value;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::reading(SimMeter &m, const QString &, const QDateTime &)
{
    m.m_noise = m.m_noise * 1103515245u + 12345u;
    const double spread = ((m.m_noise >> 16) % 200 - 100) * 1e-8;
    return {{QString::asprintf("%+.8E", m.m_state.confValue * (1 + 3e-6 + spread))}};
}

SimMeter::Result SimMeter::Commands::setGpibAddress(SimMeter &m, const QString &cmd, const QDateTime &)
{
    qint64 address = 0;
    if (!parseInt(cmd.mid(20), address) || address < 1 || address > 30)
        return {rejected()};
    m.m_state.gpibAddress = static_cast<int>(address);
    return {ok()};
}

SimMeter::Result SimMeter::Commands::reboot(SimMeter &m, const QString &, const QDateTime &)
{
    m.m_rangesWrittenInBracket.clear();
    m.m_state.mode = Mode::Normal;
    return {ok(), 0, m.m_rebootMs};
}

// Back to front-panel (local) operation.
SimMeter::Result SimMeter::Commands::local(SimMeter &, const QString &, const QDateTime &) { return {ok()}; }

// Full erase: factory tables, then every table emptied; identity, options and clock stay.
SimMeter::Result SimMeter::Commands::eraseAll(SimMeter &m, const QString &, const QDateTime &)
{
    MeterState &s = m.m_state;
    MeterConfig config;
    config.model = s.model;
    config.serial = s.serial;
    config.version = s.version;
    config.acPoints = s.acPoints;
    config.gpibAddress = s.gpibAddress;
    const qint64 options = s.options, offset = s.clockOffsetMs;
    s = factoryState(config);
    s.options = options;
    s.clockOffsetMs = offset;
    s.info = {};
    s.history.clear();
    s.thermocouples.clear();
    for (auto *table : {&s.specs, &s.uncerts})
        for (auto &row : *table)
            std::fill(row.begin(), row.end(), 0.0);
    resetCalFactors(s);
    s.calBackup = s.calFactors;
    std::fill(s.prt.begin(), s.prt.end(), 0);
    s.tempCoeffs.clear();
    m.m_rangesWrittenInBracket.clear();
    return {ok(), 0, m.m_eraseMs};
}

} // namespace metersim
