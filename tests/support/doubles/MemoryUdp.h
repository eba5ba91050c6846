#pragma once
#include "link/platform/UdpSocketControl.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class VirtualClock;
class MemoryUdpSocket;

// An IPv4 network in memory, on the virtual clock: the program's sockets and simulated
// hosts exchange datagrams by address and port. A datagram to 255.255.255.255 reaches
// everything on its port; a socket bound to no particular address receives on every
// address. Nothing touches a real socket, so the Ethernet transport and the module
// protocol can be tested and fuzzed at memory speed.
//
//   MemoryUdpNetwork net(env.clock);
//   MemoryUdpSocket command(net), data(net);
//   state().UDPCommand = &command;
//   net.listen("127.0.1.7", 32767, [&](const MemoryUdpNetwork::Datagram &d) {
//       net.send({"127.0.1.7", 32767, d.fromAddress, d.fromPort, "A00-50-C2-64-50-01/10001/01RMSV6.2"}, 3);
//   });
class MemoryUdpNetwork
{
public:
    struct Datagram
    {
        QString fromAddress;
        int fromPort = 0;
        QString toAddress;
        int toPort = 0;
        QByteArray bytes;
    };
    using Receiver = std::function<void(const Datagram &)>;

    static inline const QString Broadcast = QStringLiteral("255.255.255.255");

    // machineIP: the address the program's sockets send from (and report as LocalIP).
    explicit MemoryUdpNetwork(VirtualClock &clock, const QString &machineIP = QStringLiteral("127.0.0.1"));
    MemoryUdpNetwork(const MemoryUdpNetwork &) = delete;
    MemoryUdpNetwork &operator=(const MemoryUdpNetwork &) = delete;

    // A simulated host listening at address:port (broadcasts to the port reach it too).
    void listen(const QString &address, int port, Receiver receiver);
    // Sends a datagram; it arrives delayMs later on the virtual clock (lost when nobody
    // listens there then).
    void send(const Datagram &datagram, int delayMs = 0);

    VirtualClock &clock() { return m_clock; }
    const QString localIP;

    // Fault switches: sending to these addresses fails with "host unreachable"; binding
    // these local ports fails as "address in use".
    QSet<QString> unreachableHosts;
    QSet<int> portsInUse;
    // Every datagram sent, in order.
    QList<Datagram> sent;

private:
    friend class MemoryUdpSocket;
    struct Endpoint
    {
        QString address; // empty: any address
        int port;
        Receiver receiver;
        MemoryUdpSocket *socket;
    };
    int bind(MemoryUdpSocket *socket, const QString &address, int port);
    void unbind(MemoryUdpSocket *socket);
    void arrive(const Datagram &datagram);

    VirtualClock &m_clock;
    std::vector<Endpoint> m_endpoints;
    int m_nextEphemeralPort = 49152;
};

// A UDP socket control on a MemoryUdpNetwork. Arrivals are announced (DataArrival) from
// the event loop, as a real socket announces them.
class MemoryUdpSocket : public UdpSocketControl
{
    Q_OBJECT
public:
    explicit MemoryUdpSocket(MemoryUdpNetwork &network, QObject *parent = nullptr);
    ~MemoryUdpSocket() override;

    bool SendData(const QString &text) override;
    int BytesReceived() override;
    QString GetData() override;
    int State() const override { return m_port > 0 ? Open : Closed; }
    bool Bind(int localPort = 0, const QString &localAddress = {}) override;
    void Close() override;
    QString LocalIP() const override { return m_network.localIP; }
    int LocalPort() const override { return m_port; }

private:
    friend class MemoryUdpNetwork;
    void receive(const MemoryUdpNetwork::Datagram &datagram);

    MemoryUdpNetwork &m_network;
    int m_port = 0;
    std::deque<MemoryUdpNetwork::Datagram> m_queue;
};
