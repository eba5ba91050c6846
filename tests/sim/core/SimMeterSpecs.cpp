// The specifications and the imported uncertainties: "ps" / "pi", "Ws" / "Wi", "WS" / "WI".
#include "tests/sim/core/SimMeterCommands.h"

#include <algorithm>

namespace metersim {

namespace {

// Table labels in the meter's own style; \xF4 is its ohm sign and \xE4 its micro sign.
QString rangeLabel(int range)
{
    static const char *const labels[] = {
        "", "100mV DC", "1V DC", "10V DC", "100V DC", "1kV DC", "10nA DC", "100nA DC", "1\xE4" "A DC",
        "10\xE4" "A DC", "100\xE4" "A DC", "1mA DC", "10mA DC", "100mA DC", "1A DC", "10A DC", "30A DC",
        "10mV AC", "100mV AC", "1V AC", "10V AC", "100V AC", "1kV AC", "100\xE4" "A AC", "1mA AC",
        "10mA AC", "100mA AC", "1A AC", "10A AC", "30A AC", "1\xF4 4W LV", "10\xF4 4W LV", "100\xF4 4W LV",
        "1\xF4 4W", "10\xF4 4W", "100\xF4 4W", "1k\xF4 4W", "10k\xF4 4W", "100\xF4 4W LI", "1k\xF4 4W LI",
        "10k\xF4 4W LI", "100k\xF4 4W", "1M\xF4 4W", "10M\xF4 4W", "1\xF4 2W", "10\xF4 2W", "100\xF4 2W",
        "1k\xF4 2W", "10k\xF4 2W", "100\xF4 2W LI", "1k\xF4 2W LI", "10k\xF4 2W LI", "100k\xF4 2W",
        "1M\xF4 2W", "10M\xF4 2W"};
    if (range >= 1 && range < static_cast<int>(std::size(labels)))
        return QString::fromLatin1(labels[range]);
    return QStringLiteral("Unused");
}

} // namespace

// "ps" the specifications, "pi" the imported uncertainties.
SimMeter::Result SimMeter::Commands::specTable(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const auto &table = cmd == QLatin1String("ps") ? m.m_state.specs : m.m_state.uncerts;
    QStringList lines;
    for (int r = 1; r <= MeterState::Ranges; ++r) {
        QString line = QLatin1Char('R') + twoDigits(r) + QLatin1Char(' ') + rangeLabel(r);
        for (const double v : table[r])
            line += QLatin1Char(',') + number(v);
        lines << line;
    }
    lines << QStringLiteral("*0");
    return {lines};
}

// "Ws" a specification, "Wi" an imported uncertainty: range, column, value.
SimMeter::Result SimMeter::Commands::writeSpecCell(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const QStringList f = cmd.mid(2).split(QLatin1Char(','));
    qint64 range = 0, column = 0;
    double value = 0;
    if (f.size() != 3 || !parseInt(f[0], range) || !parseInt(f[1], column) || !parseNumber(f[2], value) ||
        range < 1 || range > MeterState::Ranges || column < 0 ||
        column >= MeterState::specColumns(static_cast<int>(range)) || value < 0 || value > 1e6)
        return {rejected()};
    (cmd[1] == QLatin1Char('s') ? m.m_state.specs : m.m_state.uncerts)[range][column] = value;
    return {ok()};
}

// "WS" clears the specifications, "WI" the imported uncertainties.
SimMeter::Result SimMeter::Commands::clearSpecTable(SimMeter &m, const QString &cmd, const QDateTime &)
{
    for (auto &row : (cmd == QLatin1String("WS") ? m.m_state.specs : m.m_state.uncerts))
        std::fill(row.begin(), row.end(), 0.0);
    return {ok(), 2000};
}

} // namespace metersim
