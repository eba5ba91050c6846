// Who the meter is: "*IDN?", "v" (model, version, serial, options and the information lines),
// the serial number ("q", "q<serial>"), the model ("model "), the installed options
// ("SYSTEM:OPTIONS") and the information lines ("&").
#include "tests/sim/core/SimMeterCommands.h"

namespace metersim {

namespace {

const QStringList &models()
{
    static const QStringList list{QStringLiteral("6450"), QStringLiteral("6445"), QStringLiteral("6440"),
                                  QStringLiteral("6480"), QStringLiteral("6475")};
    return list;
}

} // namespace

SimMeter::Result SimMeter::Commands::identity(SimMeter &m, const QString &, const QDateTime &)
{
    return {{m.identityText()}};
}

SimMeter::Result SimMeter::Commands::information(SimMeter &m, const QString &, const QDateTime &)
{
    const MeterState &s = m.m_state;
    QStringList lines{QStringLiteral("Model ") + s.model, QStringLiteral("Version ") + s.version,
                      QStringLiteral("Serial ") + s.serial, QStringLiteral("Options ") + QString::number(s.options)};
    for (const QString &slot : s.info)
        lines << slot;
    lines << QStringLiteral("*0");
    return {lines};
}

SimMeter::Result SimMeter::Commands::serialNumber(SimMeter &m, const QString &, const QDateTime &)
{
    return valueThenOk(m.m_state.serial);
}

SimMeter::Result SimMeter::Commands::setSerialNumber(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const QString serial = cmd.mid(1).trimmed();
    if (serial.isEmpty() || serial.size() > 10)
        return {rejected()};
    m.m_state.serial = serial;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::setModel(SimMeter &m, const QString &cmd, const QDateTime &)
{
    const QString model = cmd.mid(6).trimmed();
    if (!models().contains(model))
        return {rejected()};
    m.m_state.model = model;
    return {ok()};
}

SimMeter::Result SimMeter::Commands::options(SimMeter &m, const QString &, const QDateTime &)
{
    return {{QString::number(m.m_state.options)}};
}

SimMeter::Result SimMeter::Commands::setOptions(SimMeter &m, const QString &cmd, const QDateTime &)
{
    qint64 mask = 0;
    if (!parseInt(cmd.mid(15), mask) || mask < 0 || mask > Option::All)
        return {rejected()};
    m.m_state.options = mask;
    return {ok()};
}

// "&", a two-digit slot 01 to 06, the text (at most 20 characters).
SimMeter::Result SimMeter::Commands::writeInformationLine(SimMeter &m, const QString &cmd, const QDateTime &)
{
    qint64 slot = 0;
    const QString text = cmd.mid(3);
    if (cmd.size() < 3 || !cmd[1].isDigit() || !cmd[2].isDigit() || !parseInt(cmd.mid(1, 2), slot) || slot < 1 ||
        slot > 6 || text.size() > 20)
        return {rejected()};
    m.m_state.info[slot - 1] = text;
    return {ok()};
}

} // namespace metersim
