// The setup-mode bracket: "k5820637" opens service mode (any other "k" is a wrong access code),
// "CALIBRATE:PASSWORD <password>" opens calibration mode, "a1" closes either, and "K" sets the
// calibration password.
#include "tests/sim/core/SimMeterCommands.h"

#include <QRegularExpression>
#include <algorithm>

namespace metersim {

namespace {

constexpr int HistoryRangeLimit = 63; // the history records ranges 1 to 63

} // namespace

SimMeter::Result SimMeter::Commands::enterService(SimMeter &m, const QString &, const QDateTime &)
{
    m.m_state.mode = Mode::Service;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::wrongAccessCode(SimMeter &, const QString &, const QDateTime &)
{
    return {refused()};
}

SimMeter::Result SimMeter::Commands::enterCalibration(SimMeter &m, const QString &cmd, const QDateTime &)
{
    if (cmd.startsWith(QLatin1String("CALIBRATE:PASSWORD ")) && cmd.mid(19).trimmed() == m.m_state.calPassword) {
        m.m_state.mode = Mode::Calibration;
        return {ok()};
    }
    return {refused()};
}

// Closes either bracket. A bracket in which "Ww" wrote ranges adds a history event.
SimMeter::Result SimMeter::Commands::closeBracket(SimMeter &m, const QString &, const QDateTime &wall)
{
    MeterState &s = m.m_state;
    if (!m.m_rangesWrittenInBracket.isEmpty()) {
        QList<int> ranges;
        for (int r : std::as_const(m.m_rangesWrittenInBracket))
            if (r <= HistoryRangeLimit && !ranges.contains(r))
                ranges << r;
        std::sort(ranges.begin(), ranges.end());
        s.history.push_back({m.meterTime(wall).date(), ranges});
        m.m_rangesWrittenInBracket.clear();
    }
    s.mode = Mode::Normal;
    return {ok()};
}

// "K" and 1 to 9 digits: the new calibration password.
SimMeter::Result SimMeter::Commands::setPassword(SimMeter &m, const QString &cmd, const QDateTime &)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    if (!digits.match(cmd.mid(1)).hasMatch())
        return {rejected()};
    m.m_state.calPassword = cmd.mid(1);
    return {ok()};
}

} // namespace metersim
