// The calibration factors and the calibration history: "pa", "Ww", the backup, restore and
// clear of the factors ("CB", "CR", "CC"), and "CALIBRATE:HISTORY".
#include "tests/sim/core/SimMeterCommands.h"

#include <cstdint>

namespace metersim {

SimMeter::Result SimMeter::Commands::calFactors(SimMeter &m, const QString &, const QDateTime &)
{
    QStringList lines;
    for (int r = 1; r <= MeterState::Ranges; ++r) {
        QString line = QStringLiteral("Range ") + QString::number(r);
        for (const qint32 v : m.m_state.calFactors[r])
            line += QStringLiteral(", ") + QString::number(v);
        lines << line;
    }
    lines << QStringLiteral("*0");
    return {lines};
}

// "Ww" and a point letter (a to z, then A and B), range, value.
SimMeter::Result SimMeter::Commands::writeCalFactor(SimMeter &m, const QString &cmd, const QDateTime &)
{
    MeterState &s = m.m_state;
    const QStringList f = cmd.mid(3).split(QLatin1Char(','));
    const QChar letter = cmd.size() > 2 ? cmd[2] : QChar();
    const int point = letter >= QLatin1Char('a') && letter <= QLatin1Char('z') ? letter.unicode() - 'a'
                      : letter == QLatin1Char('A')                                ? 26
                      : letter == QLatin1Char('B')                                ? 27
                                                                                  : -1;
    qint64 range = 0, value = 0;
    if (point < 0 || f.size() != 2 || !parseInt(f[0], range) || !parseInt(f[1], value) || range < 1 ||
        range > MeterState::Ranges || point >= s.calPoints(static_cast<int>(range)) || value < INT32_MIN ||
        value > INT32_MAX)
        return {rejected()};
    if ((point == 1 || point == 2) && range != 17 && (value < 50000000 || value > 150000000))
        return {rejected()};
    s.calFactors[range][point] = static_cast<qint32>(value);
    m.m_rangesWrittenInBracket << static_cast<int>(range);
    return {ok()};
}

void SimMeter::Commands::resetCalFactors(MeterState &s)
{
    for (auto &row : s.calFactors)
        for (size_t p = 0; p < row.size(); ++p)
            row[p] = (p == 1 || p == 2) ? 100000000 : 0;
}

// "CB" backs the calibration factors up, "CR" restores the backup, "CC" clears them.
SimMeter::Result SimMeter::Commands::calFactorStore(SimMeter &m, const QString &cmd, const QDateTime &)
{
    MeterState &s = m.m_state;
    if (cmd == QLatin1String("CB"))
        s.calBackup = s.calFactors;
    else if (cmd == QLatin1String("CR"))
        s.calFactors = s.calBackup;
    else
        resetCalFactors(s);
    return {ok(), 1500}; // EEPROM work
}

SimMeter::Result SimMeter::Commands::history(SimMeter &m, const QString &, const QDateTime &)
{
    QStringList lines;
    for (const CalEvent &e : m.m_state.history) {
        lines << QStringLiteral("DATE ") + dateText(e.date);
        QStringList ranges;
        for (int r : e.ranges)
            ranges << QString::number(r);
        lines << QStringLiteral("RANGE ") + ranges.join(QLatin1Char(','));
    }
    lines << QStringLiteral("*0");
    return {lines};
}

} // namespace metersim
