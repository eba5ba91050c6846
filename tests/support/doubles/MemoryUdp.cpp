#include "tests/support/doubles/MemoryUdp.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>

namespace {
constexpr int AddressInUse = 10048;
}

MemoryUdpNetwork::MemoryUdpNetwork(VirtualClock &clock, const QString &machineIP) : localIP(machineIP), m_clock(clock) {}

void MemoryUdpNetwork::listen(const QString &address, int port, Receiver receiver)
{
    m_endpoints.push_back({address, port, std::move(receiver), nullptr});
}

void MemoryUdpNetwork::send(const Datagram &datagram, int delayMs)
{
    sent << datagram;
    m_clock.scheduleIn(delayMs, [this, datagram] { arrive(datagram); });
}

void MemoryUdpNetwork::arrive(const Datagram &datagram)
{
    const bool broadcast = datagram.toAddress == Broadcast;
    // A receiver may bind or close sockets: walk a copy.
    const std::vector<Endpoint> endpoints = m_endpoints;
    for (const Endpoint &endpoint : endpoints) {
        if (endpoint.port != datagram.toPort)
            continue;
        if (!broadcast && !endpoint.address.isEmpty() && endpoint.address != datagram.toAddress)
            continue;
        if (endpoint.socket) {
            const bool stillBound = std::any_of(m_endpoints.begin(), m_endpoints.end(),
                                                [&](const Endpoint &e) { return e.socket == endpoint.socket; });
            if (stillBound)
                endpoint.socket->receive(datagram);
        } else {
            endpoint.receiver(datagram);
        }
    }
}

int MemoryUdpNetwork::bind(MemoryUdpSocket *socket, const QString &address, int port)
{
    if (port == 0)
        port = m_nextEphemeralPort++;
    else if (portsInUse.contains(port))
        return 0;
    m_endpoints.push_back({address, port, {}, socket});
    return port;
}

void MemoryUdpNetwork::unbind(MemoryUdpSocket *socket)
{
    std::erase_if(m_endpoints, [socket](const Endpoint &endpoint) { return endpoint.socket == socket; });
}

MemoryUdpSocket::MemoryUdpSocket(MemoryUdpNetwork &network, QObject *parent) : UdpSocketControl(parent), m_network(network) {}

MemoryUdpSocket::~MemoryUdpSocket() { m_network.unbind(this); }

bool MemoryUdpSocket::SendData(const QString &text)
{
    const QString host = checkedRemoteHost();
    if (host.isEmpty())
        return false;
    if (m_port == 0 && !Bind())
        return false;
    if (m_network.unreachableHosts.contains(host)) {
        m_lastError = HostUnreachable;
        return false;
    }
    m_network.send({m_network.localIP, m_port, host, RemotePort, text.toLatin1()});
    return true;
}

int MemoryUdpSocket::BytesReceived() { return m_queue.empty() ? 0 : int(m_queue.front().bytes.size()); }

QString MemoryUdpSocket::GetData()
{
    if (m_queue.empty())
        return {};
    const MemoryUdpNetwork::Datagram datagram = m_queue.front();
    m_queue.pop_front();
    m_senderAddress = datagram.fromAddress;
    return QString::fromLatin1(datagram.bytes);
}

bool MemoryUdpSocket::Bind(int localPort, const QString &localAddress)
{
    m_lastError = 0;
    if (localPort < 0 || localPort > 65535 || (!localAddress.isEmpty() && QHostAddress(localAddress).isNull())) {
        m_lastError = AddressNotAvailable;
        return false;
    }
    if (m_port > 0) {
        // A bound socket cannot be bound again (Winsock's "invalid argument").
        m_lastError = 10022;
        return false;
    }
    m_port = m_network.bind(this, localAddress, localPort);
    if (m_port == 0) {
        m_lastError = AddressInUse;
        return false;
    }
    return true;
}

void MemoryUdpSocket::Close()
{
    m_network.unbind(this);
    m_port = 0;
    m_queue.clear();
}

void MemoryUdpSocket::receive(const MemoryUdpNetwork::Datagram &datagram)
{
    if (datagram.bytes.isEmpty())
        return; // an empty datagram carries no text, as the real socket drops it
    m_queue.push_back(datagram);
    if (!QCoreApplication::instance()) {
        Q_EMIT DataArrival(BytesReceived());
        return;
    }
    QMetaObject::invokeMethod(
        this, [self = QPointer<MemoryUdpSocket>(this)] {
            if (self && self->BytesReceived() > 0)
                Q_EMIT self->DataArrival(self->BytesReceived());
        },
        Qt::QueuedConnection);
}
