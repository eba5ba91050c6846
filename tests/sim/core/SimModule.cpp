#include "tests/sim/core/SimModule.h"

#include <QRegularExpression>

namespace metersim {

namespace {

QString normalisedMac(const QString &mac) { return mac.trimmed().toUpper(); }

bool isDottedAddress(const QString &text)
{
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = dotted.match(text);
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i)
        if (m.captured(i).toInt() > 255)
            return false;
    return true;
}

} // namespace

SimModule::SimModule(const ModuleConfig &config)
    : m_config(config), m_ip(config.address.toString()), m_pendingDhcp(config.dhcp)
{
    if (!config.serialSideSet)
        m_baudCode = 7;
}

ModuleConfig SimModule::config() const
{
    QMutexLocker lock(&m_mutex);
    return m_config;
}

void SimModule::setRebootMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_rebootMs = std::max(ms, 0);
}

void SimModule::setLoginExtra(const QString &extra)
{
    QMutexLocker lock(&m_mutex);
    m_loginExtra = extra;
}

void SimModule::failCommand(const QString &prefix)
{
    QMutexLocker lock(&m_mutex);
    m_failingPrefixes << prefix;
}

bool SimModule::loggedIn() const
{
    QMutexLocker lock(&m_mutex);
    return m_loggedIn;
}

QString SimModule::configuredAddress() const
{
    QMutexLocker lock(&m_mutex);
    return m_ip;
}

QList<ModuleTranscriptEntry> SimModule::transcript() const
{
    QMutexLocker lock(&m_mutex);
    return m_transcript;
}

QStringList SimModule::commands() const
{
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const ModuleTranscriptEntry &e : m_transcript)
        list << e.command;
    return list;
}

QList<QByteArray> SimModule::dataReceived() const
{
    QMutexLocker lock(&m_mutex);
    return m_dataReceived;
}

void SimModule::clearTranscript()
{
    QMutexLocker lock(&m_mutex);
    m_transcript.clear();
    m_dataReceived.clear();
}

QByteArray SimModule::discoveryReply() const
{
    QMutexLocker lock(&m_mutex);
    return discoveryLocked();
}

QByteArray SimModule::discoveryLocked() const
{
    const QChar dhcp = !m_config.dhcp ? QLatin1Char('M') : m_config.dhcpFails ? QLatin1Char('F') : QLatin1Char('I');
    static const char *const bauds[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400", "300"};
    const QString text = QLatin1Char('A') + m_config.mac + QLatin1Char('/') + QString::number(m_config.dataPort) +
                         QStringLiteral("/01R") + dhcp + QStringLiteral("SV6.2/") +
                         QLatin1String(bauds[m_baudCode % 10]) + QLatin1Char('/') + m_config.owner + QLatin1Char('/') +
                         m_config.deviceName;
    return text.toLatin1();
}

bool SimModule::passesMeterTraffic(qint64 nowMs) const
{
    QMutexLocker lock(&m_mutex);
    return nowMs >= m_deafUntil && m_baudCode == 3 && m_parityCode == 0 && m_widthCode == 1;
}

bool SimModule::dataDatagram(const QByteArray &datagram, qint64 nowMs)
{
    {
        QMutexLocker lock(&m_mutex);
        m_dataReceived.push_back(datagram);
    }
    return passesMeterTraffic(nowMs);
}

std::optional<QByteArray> SimModule::command(const QByteArray &datagram, qint64 nowMs)
{
    QMutexLocker lock(&m_mutex);
    const QString cmd = QString::fromLatin1(datagram);
    std::optional<QByteArray> reply;
    if (nowMs >= m_deafUntil)
        reply = answer(cmd, nowMs);
    m_transcript.push_back({nowMs, cmd, reply ? QString::fromLatin1(*reply) : QString()});
    return reply;
}

std::optional<QByteArray> SimModule::answer(const QString &cmd, qint64 nowMs)
{
    const QByteArray yes("A"), no("N");
    if (cmd == QLatin1String("X"))
        return discoveryLocked();
    if (cmd.startsWith(QLatin1Char('W'))) {
        m_selected = normalisedMac(cmd.mid(1)) == normalisedMac(m_config.mac);
        return m_selected ? std::optional<QByteArray>(yes) : std::nullopt;
    }
    if (!m_selected)
        return std::nullopt;
    for (const QString &prefix : m_failingPrefixes)
        if (cmd.startsWith(prefix))
            return no;
    if (cmd == QLatin1String("L")) {
        m_loggedIn = true;
        return yes + m_loginExtra.toLatin1();
    }
    if (cmd == QLatin1String("B"))
        return yes;
    if (cmd == QLatin1String("GIP"))
        return yes + m_ip.toLatin1();
    if (cmd == QLatin1String("E")) {
        m_deafUntil = nowMs + m_rebootMs;
        m_loggedIn = false;
        m_selected = false;
        m_config.dhcp = m_pendingDhcp;
        if (!m_pendingIp.isEmpty())
            m_ip = m_pendingIp;
        return yes;
    }
    if (!cmd.startsWith(QLatin1Char('S')) || !m_loggedIn)
        return no;

    auto code = [&](const char *prefix, int maxCode, int &field) -> std::optional<QByteArray> {
        const QString arg = cmd.mid(3);
        bool ok = false;
        const int value = arg.toInt(&ok);
        if (!cmd.startsWith(QLatin1String(prefix)) || arg.size() != 1 || !ok || value > maxCode)
            return std::nullopt;
        field = value;
        return QByteArray("A");
    };
    for (auto result : {code("SBR", 9, m_baudCode), code("SPR", 2, m_parityCode), code("SBB", 1, m_widthCode),
                        code("SFC", 2, m_flowCode), code("SSE", 1, m_softEntry)})
        if (result)
            return result;
    if (cmd.startsWith(QLatin1String("SON")) || cmd.startsWith(QLatin1String("SDN"))) {
        const QString name = cmd.mid(3);
        if (name.isEmpty() || name.size() > 8)
            return no;
        (cmd[1] == QLatin1Char('O') ? m_config.owner : m_config.deviceName) = name;
        return yes;
    }
    if (cmd.startsWith(QLatin1String("SIP"))) {
        if (!isDottedAddress(cmd.mid(3)))
            return no;
        m_pendingIp = cmd.mid(3);
        return yes;
    }
    if (cmd == QLatin1String("SDH1") || cmd == QLatin1String("SDH0")) {
        m_pendingDhcp = cmd.endsWith(QLatin1Char('1'));
        return yes;
    }
    return no;
}

} // namespace metersim
