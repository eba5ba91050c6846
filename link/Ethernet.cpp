#include "link/Ethernet.h"
#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UdpSocketControl.h"
#include "link/platform/UserInteraction.h"

#include <QPointer>
#include <optional>
#include <utility>

namespace {

const QChar CR = QLatin1Char('\r');
const QChar Slash = QLatin1Char('/');
const QChar ReplyMark = QLatin1Char('A');

// Polls of 50 ms for the module's answer to "X" or to one configuration command.
constexpr int ModuleAnswerPolls = 20;

// A number read from text (a reply, a stored setting): the number it begins with,
// rounded to a whole number; 0 when there is none or it does not fit a Long.
qint32 wholeNumber(const QString &text)
{
    return TextConv::CLng(TextConv::Val(text)).value_or(0);
}

// A fixed-length field with nothing in it: blanks, or NULs when never assigned.
bool isBlank(const QString &field)
{
    for (const QChar c : field)
        if (c != QLatin1Char(' ') && c != QChar(0))
            return false;
    return true;
}

// A fixed-length field as it goes into the settings store: its full width, with the
// blanks that fill it. A field never assigned holds NULs, which not every store keeps
// (the Windows registry ends the text at the first one); it is stored as blanks, which
// load back as the same empty field.
QString storedField(const QString &field)
{
    QString text = field;
    return text.replace(QChar(0), QLatin1Char(' '));
}

// Reads and drops what is waiting on a socket (bounded, see MaxDatagramsPerRead); returns
// the text dropped.
QString dropPending(UdpSocketControl &socket)
{
    QString dropped;
    for (int n = 0; n < Ethernet::MaxDatagramsPerRead && socket.BytesReceived() >= 1; ++n)
        dropped += socket.GetData();
    return dropped;
}

// Waits for the module's answer: up to 20 steps of at most 50 ms, each ended early by a
// datagram. True when one is waiting.
bool waitForModuleAnswer(UdpSocketControl &socket)
{
    Clock &clock = appClock();
    for (int poll = 0; poll < ModuleAnswerPolls; ++poll) {
        if (socket.BytesReceived() >= 1)
            return true;
        clock.waitUntil([&socket] { return socket.BytesReceived() >= 1; }, 50);
    }
    return false;
}

QString linkName(const UdpSocketControl &socket)
{
    return QStringLiteral("UDP ") + socket.RemoteHost + QLatin1Char(':') + QString::number(socket.RemotePort);
}

// Before a command goes out, and for a caller waiting for a given-up reply: what waits on
// the data socket answers an earlier command; a reply still owed is waited for (LateReply).
// The window system runs meanwhile, as in the wait for a reply.
QString settleOwedReply(const QPointer<UdpSocketControl> &socket, int timeout)
{
    SharedState &s = state();
    const auto read = [&socket, &s](int maxMs) -> std::optional<QString> {
        Clock &clock = appClock();
        if (maxMs > 0) {
            clock.processEvents(); // the data-arrival handler fills UdpRxBuffer here
            if (socket && s.UdpRxBuffer.isEmpty())
                clock.waitUntil([&socket] { return !socket || socket->BytesReceived() >= 1; }, maxMs);
        }
        if (!socket)
            return std::nullopt;
        QString arrived = std::exchange(s.UdpRxBuffer, {});
        if (socket->State() > 0)
            arrived += dropPending(*socket);
        return arrived;
    };
    return s.lateReply.settle(linkName(*socket), timeout, read, &LateReply::tokenReplyLength);
}

void reportSocketError(int error)
{
    if (error == UdpSocketControl::HostUnreachable)
        appUi().MsgBox(QString::number(error) + CR + QStringLiteral("PC and Meter must be in the same subnet"),
                       Msg::Exclamation);
    else
        appUi().MsgBox(QString::number(error), Msg::OKOnly);
}

} // namespace

bool ParseDiscoveryReply(const QString &datagram, const QString &senderIP, EthernetDevice &device)
{
    device.RawReply = datagram;
    device.IPAddress = senderIP;

    const qsizetype first = datagram.indexOf(Slash);
    if (first < 0)
        return false;
    device.MACAddress = datagram.mid(1, first - 1);

    const qsizetype second = datagram.indexOf(Slash, first + 1);
    if (second < 0)
        return true;
    device.Port = wholeNumber(datagram.mid(first + 1, second - first - 1));
    // After the second "/": two characters not used, then the three status letters.
    device.Flag1 = datagram.mid(second + 3, 1);
    device.Flag2 = datagram.mid(second + 4, 1);
    device.Flag3 = datagram.mid(second + 5, 1);

    // The third "/" is sought from the position of Flag3 on.
    const qsizetype third = datagram.indexOf(Slash, second + 5);
    const qsizetype fourth = third < 0 ? -1 : datagram.indexOf(Slash, third + 1);
    const qsizetype fifth = fourth < 0 ? -1 : datagram.indexOf(Slash, fourth + 1);
    if (fifth >= 0) {
        device.Owner = datagram.mid(fourth + 1, fifth - fourth - 1);
        device.DeviceName = datagram.mid(fifth + 1);
    }
    return true;
}

bool EthernetReplyComplete(const QString &reply, int PacketEndCondition)
{
    switch (PacketEndCondition) {
    case 0:
        return reply.contains(CR);
    case 1:
        return StatusTokenEnd(reply) > 0;
    default:
        return false;
    }
}

bool DiscoverEthernetDevices()
{
    SharedState &s = state();
    UdpSocketControl *socket = s.UDPCommand;
    if (!socket)
        return false;
    // Whatever waits on the socket now was sent before this "X" and answers something else.
    dropPending(*socket);
    if (!BroadcastModuleCommand(QStringLiteral("X")))
        return false;

    // Plain 50-ms sleeps, not a wait that ends at the first datagram: the other modules'
    // answers come in meanwhile and are taken with the first.
    Clock &clock = appClock();
    bool heard = false;
    for (int poll = 0; poll < ModuleAnswerPolls && !heard; ++poll) {
        heard = socket->BytesReceived() >= 1;
        if (!heard)
            clock.sleepMs(50);
    }
    if (!heard)
        return false;

    s.EthernetDevices = QList<EthernetDevice>(2);
    qsizetype module = 1;
    bool found = false;
    for (int n = 0; n < Ethernet::MaxDatagramsPerRead && socket->BytesReceived() >= 1; ++n) {
        const QString datagram = socket->GetData();
        if (!datagram.startsWith(ReplyMark))
            continue;
        if (module >= s.EthernetDevices.size())
            s.EthernetDevices.append(EthernetDevice{});
        found = ParseDiscoveryReply(datagram, socket->RemoteHostIP(), s.EthernetDevices[module]) || found;
        ++module;
    }
    return found;
}

QString SendConfigCommand(const QString &command)
{
    SharedState &s = state();
    UdpSocketControl *socket = s.UDPCommand;
    if (s.SelectedMAC.isEmpty() || !socket)
        return {};

    // Each send first drops what is waiting, so a late answer to an earlier datagram is not
    // taken for this one's acknowledgement.
    const auto exchange = [socket](const QString &datagram) -> QString {
        if (!meterGate().mayExchange(datagram))
            return {};
        dropPending(*socket);
        socket->RemoteHost = Ethernet::BroadcastAddress;
        if (!socket->SendData(datagram) || !waitForModuleAnswer(*socket))
            return {};
        const QString reply = socket->GetData();
        return reply.startsWith(ReplyMark) ? reply : QString();
    };
    if (exchange(QLatin1Char('W') + s.SelectedMAC.trimmed()).isEmpty())
        return {};
    return exchange(command);
}

bool BroadcastModuleCommand(const QString &command)
{
    UdpSocketControl *socket = state().UDPCommand;
    if (!socket || !meterGate().mayExchange(command))
        return false;
    socket->RemoteHost = Ethernet::BroadcastAddress;
    socket->RemotePort = Ethernet::ModuleCommandPort;
    return socket->SendData(command);
}

void ConnectEthernetReceive(UdpSocketControl &UDPData)
{
    QObject::connect(&UDPData, &UdpSocketControl::DataArrival, &UDPData, [socket = &UDPData](int bytesTotal) {
        if (bytesTotal > 0)
            state().UdpRxBuffer += socket->GetData();
    });
}

QString EthernetSendString(const QString &Commandstring, bool WaitForAck, int timeout, int PacketEndCondition)
{
    SharedState &s = state();
    const EthernetDevice &device = s.EthernetDevice;
    if (isBlank(device.IPAddress) || device.Port < 1 || !s.UDPData)
        return {};
    // Handlers run while the reply is awaited: hold the socket by a guard, not a bare pointer.
    const QPointer<UdpSocketControl> socket = s.UDPData;
    if (socket->RemoteHost != device.IPAddress.text())
        socket->RemoteHost = device.IPAddress;
    if (socket->RemotePort != device.Port)
        socket->RemotePort = device.Port;
    if (socket->RemoteHost.isEmpty() || socket->RemotePort <= 0)
        return {};
    if (!meterGate().mayExchange(Commandstring))
        return WaitForAck ? MeterGate::Refused : QString();

    PaceTransmission();
    // Replies to earlier commands (sent without waiting, or given up on) are dropped here,
    // once a reply still owed has come or its wait has passed.
    const QString link = linkName(*socket);
    settleOwedReply(socket, timeout);
    if (!socket)
        return {}; // the main window and its sockets went while the owed reply was awaited
    NoteTransmission();
    if (!socket->SendData(Commandstring + CR)) {
        reportSocketError(socket->lastError());
        return {};
    }
    s.lateReply.sending(link);
    if (!WaitForAck)
        return {}; // its reply, if any, is dropped before the next command goes out

    Clock &clock = appClock();
    const qint64 fullCount = static_cast<qint64>(timeout) * 20;
    qint64 counter = fullCount;
    QString reply;
    bool complete = false;
    for (;;) {
        if (complete)
            return reply;
        if (counter < 1 || reply.size() > Ethernet::MaxReplyChars) {
            s.lateReply.gaveUp(link, timeout, PacketEndCondition, reply);
            return QStringLiteral("TIMEOUT");
        }
        clock.processEvents(); // the data-arrival handler (ConnectEthernetReceive) fills UdpRxBuffer here
        if (!socket)
            return {}; // the main window and its sockets are gone
        const bool gotData = !s.UdpRxBuffer.isEmpty();
        if (gotData) {
            reply += s.UdpRxBuffer;
            s.UdpRxBuffer.clear();
            ShowActivity(reply);
            counter = fullCount;
        }
        --counter;
        complete = EthernetReplyComplete(reply, PacketEndCondition);
        if (complete)
            continue;
        // The step's 50 ms end early when a datagram comes, so the next yield takes it at
        // once. A datagram that the last yield left waiting (nobody takes it) must not
        // shorten the count: then the step sleeps its full 50 ms.
        if (!gotData && socket->BytesReceived() >= 1)
            clock.sleepMs(50);
        else
            clock.waitUntil([&socket] { return !socket || socket->BytesReceived() >= 1; }, 50);
    }
}

QString EthernetAwaitLateReply(int timeout)
{
    SharedState &s = state();
    const EthernetDevice &device = s.EthernetDevice;
    const QPointer<UdpSocketControl> socket = s.UDPData;
    if (isBlank(device.IPAddress) || device.Port < 1 || !socket || socket->RemoteHost != device.IPAddress.text()
        || socket->RemotePort != device.Port || !s.lateReply.owes(linkName(*socket)))
        return {};
    return settleOwedReply(socket, timeout);
}

void LoadEthernetSettings()
{
    SettingsStore &store = appSettings();
    EthernetDevice &device = state().EthernetDevice;
    device.IPAddress = store.GetSetting(SettingsStore::Section, QStringLiteral("Ethernet_IP"));
    device.Port = wholeNumber(store.GetSetting(SettingsStore::Section, QStringLiteral("Ethernet_Port"), QStringLiteral("0")));
    device.MACAddress = store.GetSetting(SettingsStore::Section, QStringLiteral("Ethernet_MAC"));
}

void SaveEthernetSettings()
{
    SettingsStore &store = appSettings();
    const EthernetDevice &device = state().EthernetDevice;
    store.SaveSetting(SettingsStore::Section, QStringLiteral("DVM1_Interface"), QStringLiteral("Ethernet"));
    store.SaveSetting(SettingsStore::Section, QStringLiteral("Ethernet_IP"), storedField(device.IPAddress));
    store.SaveSetting(SettingsStore::Section, QStringLiteral("Ethernet_Port"), QString::number(device.Port));
    store.SaveSetting(SettingsStore::Section, QStringLiteral("Ethernet_MAC"), storedField(device.MACAddress));
}
