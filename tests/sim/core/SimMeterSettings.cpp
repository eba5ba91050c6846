// The meter settings: the clock ("a", "A<date>"), the display ("B1", "B2"), the internal
// temperature ("TEMP?"), temperature compensation ("R<range>", "TEMPCOMP:COEFF",
// "TEMPCOMP:AMBIENT"), AC linearity ("CORRECTION:ACLIN") and the user options' defaults
// ("OPTDEFAULT").
#include "tests/sim/core/SimMeterCommands.h"

#include <cmath>

namespace metersim {

namespace {

// Ranges with temperature compensation: DC voltage and resistance.
bool hasTempComp(int range) { return (range >= 1 && range <= 5) || (range >= 30 && range <= 54); }

} // namespace

SimMeter::Result SimMeter::Commands::clock(SimMeter &m, const QString &, const QDateTime &wall)
{
    const QDateTime t = m.meterTime(wall);
    return valueThenOk(dateText(t.date()) + QLatin1Char(' ') + t.time().toString(QStringLiteral("hh:mm:ss")));
}

// "A" and ddmmyyhhmm: sets the meter's clock.
SimMeter::Result SimMeter::Commands::setClock(SimMeter &m, const QString &cmd, const QDateTime &wall)
{
    if (cmd.size() != 11)
        return {rejected()};
    int f[5];
    for (int i = 0; i < 5; ++i) {
        qint64 v = 0;
        if (!cmd[1 + 2 * i].isDigit() || !cmd[2 + 2 * i].isDigit() || !parseInt(cmd.mid(1 + 2 * i, 2), v))
            return {rejected()};
        f[i] = static_cast<int>(v);
    }
    const QDate date(2000 + f[2], f[1], f[0]);
    const QTime time(f[3], f[4]);
    if (!date.isValid() || !time.isValid())
        return {rejected()};
    m.m_state.clockOffsetMs = wall.msecsTo(QDateTime(date, time));
    return {ok()};
}

// "B1" and "B2": the two display brightness levels.
SimMeter::Result SimMeter::Commands::brightness(SimMeter &m, const QString &cmd, const QDateTime &)
{
    qint64 level = 0;
    if (!parseInt(cmd.mid(2), level) || level < 0 || level > 15)
        return {rejected()};
    (cmd[1] == QLatin1Char('1') ? m.m_state.brightness1 : m.m_state.brightness2) = static_cast<int>(level);
    return {ok()};
}

SimMeter::Result SimMeter::Commands::internalTemperature(SimMeter &m, const QString &, const QDateTime &)
{
    const double t = m.m_state.internalTemp;
    return {{(t >= 0 ? QStringLiteral(" ") : QString()) + QString::number(t, 'f', 1)}};
}

SimMeter::Result SimMeter::Commands::selectRange(SimMeter &m, const QString &cmd, const QDateTime &)
{
    qint64 range = 0;
    if (!parseInt(cmd.mid(1), range) || range < 0 || range > 90)
        return {rejected()};
    m.m_state.selectedRange = static_cast<int>(range);
    return {ok()};
}

SimMeter::Result SimMeter::Commands::tempCoefficient(SimMeter &m, const QString &, const QDateTime &)
{
    const MeterState &s = m.m_state;
    const auto coeff = s.tempCoeffs.find(s.selectedRange);
    return valueThenOk(number(coeff != s.tempCoeffs.end() ? coeff->second : 0.0));
}

SimMeter::Result SimMeter::Commands::setTempCoefficient(SimMeter &m, const QString &cmd, const QDateTime &)
{
    MeterState &s = m.m_state;
    double c = 0;
    if (!parseNumber(cmd.mid(15), c) || std::abs(c) > 300 || !hasTempComp(s.selectedRange))
        return {rejected()};
    s.tempCoeffs[s.selectedRange] = c;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::ambient(SimMeter &m, const QString &, const QDateTime &)
{
    return valueThenOk(number(m.m_state.ambient));
}

SimMeter::Result SimMeter::Commands::setAmbient(SimMeter &m, const QString &cmd, const QDateTime &)
{
    double t = 0;
    if (!parseNumber(cmd.mid(17), t) || t <= 0 || t >= 100)
        return {rejected()};
    m.m_state.ambient = t;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::acLinearity(SimMeter &m, const QString &, const QDateTime &)
{
    return valueThenOk(number(m.m_state.acLinearity));
}

SimMeter::Result SimMeter::Commands::setAcLinearity(SimMeter &m, const QString &cmd, const QDateTime &)
{
    double v = 0;
    if (!parseNumber(cmd.mid(17), v) || std::abs(v) > 1000)
        return {rejected()};
    m.m_state.acLinearity = v;
    return {ok()};
}

// The user options back to their defaults.
SimMeter::Result SimMeter::Commands::defaultUserOptions(SimMeter &m, const QString &, const QDateTime &)
{
    MeterState &s = m.m_state;
    s.tempCoeffs.clear();
    s.ambient = 20.0;
    s.acLinearity = 0.0;
    s.brightness1 = s.brightness2 = 12;
    return {ok(), 500};
}

} // namespace metersim
