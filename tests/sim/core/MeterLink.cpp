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

} // namespace metersim
