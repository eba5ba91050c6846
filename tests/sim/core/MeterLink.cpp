#include "tests/sim/core/MeterLink.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/VirtualClock.h"

namespace metersim {

MeterPeer::MeterPeer(SimMeter &meter, SimScheduler &scheduler, Framing framing)
    : m_meter(meter), m_scheduler(scheduler), m_framing(framing)
{
}

MeterPeer::MeterPeer(SimMeter &meter, VirtualClock &clock, Framing framing)
    : m_meter(meter), m_ownScheduler(std::make_unique<VirtualScheduler>(clock)), m_scheduler(*m_ownScheduler),
      m_framing(framing)
{
}

MeterPeer::~MeterPeer() { *m_alive = false; }

void MeterPeer::receive(const QByteArray &bytes)
{
    const qint64 now = m_scheduler.nowMs();
    const QList<Emission> out = m_framing == Framing::Stream ? m_meter.receive(bytes, now, m_scheduler.wallNow())
                                                             : m_meter.receiveMessage(bytes, now, m_scheduler.wallNow());
    for (const Emission &e : out) {
        std::weak_ptr<bool> alive = m_alive;
        m_scheduler.at(e.atMs, [this, alive, e] {
            const auto guard = alive.lock();
            if (!guard || !*guard)
                return;
            if (!e.bytes.isEmpty() && deliver)
                deliver(e.bytes);
            if (e.disconnect && onDisconnect)
                onDisconnect();
        });
    }
}

std::unique_ptr<MeterPeer> attachToSerialPort(SimMeter &meter, MemorySerialPort &port, VirtualClock &clock)
{
    auto peer = std::make_unique<MeterPeer>(meter, clock);
    MeterPeer *p = peer.get();
    port.onOutput = [p](const QByteArray &bytes) { p->receive(bytes); };
    peer->deliver = [&port](const QByteArray &bytes) { port.deliver(bytes); };
    peer->onDisconnect = [&port] { port.vanish(); };
    return peer;
}

SerialMeterRig::SerialMeterRig(VirtualClock &clock, const MeterConfig &config)
    : meter(config), port(clock), link(attachToSerialPort(meter, port, clock))
{
}

ModuleOnNetwork::ModuleOnNetwork(SimModule &module, SimMeter &meter, MemoryUdpNetwork &network)
    : m_module(module), m_network(network), m_meterLink(meter, network.clock()),
      m_address(module.config().address.toString())
{
    const ModuleConfig config = module.config();
    const int commandPort = config.commandPort, dataPort = config.dataPort;
    network.listen(m_address, commandPort, [this, commandPort](const MemoryUdpNetwork::Datagram &d) {
        if (const std::optional<QByteArray> reply = m_module.command(d.bytes, m_network.clock().monotonicMs()))
            m_network.send({m_address, commandPort, d.fromAddress, d.fromPort, *reply});
    });
    network.listen(m_address, dataPort, [this](const MemoryUdpNetwork::Datagram &d) {
        if (d.toAddress == MemoryUdpNetwork::Broadcast || !m_module.dataDatagram(d.bytes, m_network.clock().monotonicMs()))
            return;
        m_lastSender = d;
        m_meterLink.receive(d.bytes);
    });
    m_meterLink.deliver = [this, dataPort](const QByteArray &bytes) {
        m_network.send({m_address, dataPort, m_lastSender.fromAddress, m_lastSender.fromPort, bytes});
    };
}

} // namespace metersim
