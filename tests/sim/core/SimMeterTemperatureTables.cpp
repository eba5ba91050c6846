// The PRT table ("pt", "Wt") and the thermocouple tables ("Wc").
#include "tests/sim/core/SimMeterCommands.h"

#include <cstdlib>

namespace metersim {

SimMeter::Result SimMeter::Commands::prtTable(SimMeter &m, const QString &, const QDateTime &)
{
    QStringList lines;
    for (int row = 0; row < MeterState::PrtEntries / 10; ++row) {
        QString line = QString::number(row) + QLatin1Char('R');
        for (int c = 0; c < 10; ++c)
            line += QLatin1Char(',') + QString::number(m.m_state.prt[row * 10 + c]);
        lines << line;
    }
    lines << QStringLiteral("*0");
    return {lines};
}

SimMeter::Result SimMeter::Commands::writePrtEntry(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const QStringList f = cmd.mid(2).split(QLatin1Char(','));
    qint64 index = 0, value = 0;
    if (f.size() != 2 || !parseInt(f[0], index) || !parseInt(f[1], value) || index < 0 ||
        index >= MeterState::PrtEntries || std::abs(value) > 1000000001)
        return {rejected()};
    // Entries arrive one count above the table value (the editor adds one) and are
    // stored one lower, so a table read with "pt" and written back stays the same.
    m.m_state.prt[index] = static_cast<qint32>(value - 1);
    return {ok()};
}

// "Wc", the type letter, a blank, microvolts, degrees.
SimMeter::Result SimMeter::Commands::writeThermocouplePoint(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const QChar type = cmd.size() > 2 ? cmd[2] : QChar();
    const QStringList f = cmd.mid(3).split(QLatin1Char(','));
    qint64 emf = 0;
    double t = 0;
    if (!QStringLiteral("BEJKNRST").contains(type) || cmd.size() < 4 || cmd[3] != QLatin1Char(' ') ||
        f.size() != 2 || !parseInt(f[0], emf) || !parseNumber(f[1], t) || emf < -8000 || emf > 80000 || t < -273 ||
        t > 2000)
        return {rejected()};
    auto &points = m.m_state.thermocouples[type];
    if (!points.count(static_cast<int>(emf)) && points.size() >= 400) // the meter's room per type
        return {rejected()};
    points[static_cast<int>(emf)] = t;
    return {ok()};
}

} // namespace metersim
