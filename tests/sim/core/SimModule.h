#pragma once
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <optional>

// The simulated serial-to-Ethernet module inside a meter: its command protocol on the
// command port (broadcast to 32767) and its state. Transport-independent: a datagram in,
// perhaps a datagram out. SimServer binds it to UDP sockets; the meter traffic on its
// data port goes to the meter it is paired with there.
//
// Protocol, as this module speaks it:
// - "X": every module answers with its discovery datagram
//   "A<mac>/<data port>/01<status><dhcp><link><firmware>/<baud>/<owner>/<device name>",
//   for example "A00-50-C2-64-50-01/10001/01RMSV6.2/9600/Velkoran/6450 DMM". The dhcp
//   letter is "M" (DHCP off), "I" (address obtained) or "F" (DHCP failed).
// - "W<mac>": the module with that MAC address (case and blanks ignored) answers "A" and
//   is selected; every other module is deselected and stays silent.
// - Every other command is answered only by the selected module. "L" (login) and "B"
//   (flash the LEDs) answer "A". The set commands need a login first, else they answer
//   "N": "SBR<d>", "SPR<d>", "SBB<d>", "SFC<d>", "SSE<d>" (serial-side codes), "SON<owner>"
//   and "SDN<name>" (1 to 8 characters), "SIP<dotted address>", "SDH1"/"SDH0". "GIP"
//   answers "A<address>". "E" answers "A" and reboots the module: it is silent for the
//   reboot time, forgets login and selection, and reports the address and DHCP state set
//   since. Anything else answers "N".
// - The configured IP address is only reported; the module keeps serving where it is bound.
// - Meter traffic passes only while the serial side is set to the meter's line settings
//   (baud code 3, parity code 0, width code 1), as "Initialise Module" sets them.
// - Faults: setLoginExtra makes "L" answer "A" followed by more characters (a login some
//   callers accept and some refuse); failCommand makes every command that begins with the
//   prefix answer "N" without effect ("W" and "X" excepted: selection and discovery).
namespace metersim {

struct ModuleConfig
{
    QHostAddress address = QHostAddress(QStringLiteral("127.0.0.1")); // where it is bound and answers from
    quint16 dataPort = 10001;
    quint16 commandPort = 32767;
    QString mac = QStringLiteral("00-50-C2-64-50-01");
    QString owner = QStringLiteral("Velkoran");
    QString deviceName = QStringLiteral("6450 DMM");
    bool dhcp = false;
    bool dhcpFails = false;
    bool serialSideSet = true; // false: a module fresh from its maker, serial side not yet set up
};

struct ModuleTranscriptEntry
{
    qint64 atMs = 0;
    QString command;
    QString reply; // empty when the module stayed silent
};

class SimModule
{
public:
    explicit SimModule(const ModuleConfig &config = {});

    // A datagram on the command port; the reply datagram, or nothing.
    std::optional<QByteArray> command(const QByteArray &datagram, qint64 nowMs);
    // Whether meter traffic on the data port reaches the meter now.
    bool passesMeterTraffic(qint64 nowMs) const;
    // A datagram on the data port: kept, byte for byte, in dataReceived(); whether it
    // reaches the meter now.
    bool dataDatagram(const QByteArray &datagram, qint64 nowMs);

    ModuleConfig config() const;
    void setRebootMs(int ms);
    void setLoginExtra(const QString &extra);
    void failCommand(const QString &prefix);
    QByteArray discoveryReply() const;
    bool loggedIn() const;
    QString configuredAddress() const;
    QList<ModuleTranscriptEntry> transcript() const;
    QStringList commands() const;
    // Every datagram that arrived on the data port, in order (emptied with the transcript).
    QList<QByteArray> dataReceived() const;
    void clearTranscript();

private:
    std::optional<QByteArray> answer(const QString &cmd, qint64 nowMs);
    QByteArray discoveryLocked() const;

    mutable QMutex m_mutex;
    ModuleConfig m_config;
    QString m_ip;
    bool m_selected = false, m_loggedIn = false;
    bool m_pendingDhcp = false;
    QString m_pendingIp;
    int m_baudCode = 3, m_parityCode = 0, m_widthCode = 1, m_flowCode = 0, m_softEntry = 1;
    qint64 m_deafUntil = -1;
    int m_rebootMs = 2000;
    QString m_loginExtra;
    QStringList m_failingPrefixes;
    QList<ModuleTranscriptEntry> m_transcript;
    QList<QByteArray> m_dataReceived;
};

} // namespace metersim
