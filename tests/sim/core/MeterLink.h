#pragma once
#include "link/platform/Clock.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "link/platform/SerialPortControl.h"
#include "tests/sim/core/SimMeter.h"
#include "tests/sim/core/SimModule.h"
#include "tests/sim/core/SimScheduler.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/MemoryUdp.h"
#include "tests/support/doubles/VirtualClock.h"

#include <memory>

// Simulated meters on in-memory links, for tests on the virtual clock.
//
//   TestEnv env;
//   SerialMeterRig rig(env.clock);            // a 6450 on a MemorySerialPort
//   state().... = &rig.port;                  // hand the port to the code under test
//   ... run the code under test ...
//   QCOMPARE(rig.meter.commands().last(), QStringLiteral("a1"));
//   QCOMPARE(rig.meter.state().info[4], QStringLiteral("Spec ___ 14/03/26"));
//
// For the in-memory FTDI and GPIB backends give them a MeterPeer (an InMemoryPeer):
//   metersim::SimMeter meter;
//   metersim::MeterPeer usb(meter, env.clock);
//   MemoryFtdiApi ftdi(env.clock);
//   ftdi.attach("USB <-> Serial", "FT6450A1", &usb);  // sets usb.deliver
//   usb.onDisconnect = [&] { ftdi.unplug("FT6450A1"); };
//   metersim::MeterPeer gpib(meter, env.clock, metersim::MeterPeer::Framing::Message);
// Timing and faults are set on the meter (setReplyDelayMs, setWireTime, addFault, ...).
namespace metersim {

// A simulated meter as the far end of an in-memory link: the link calls receive() with
// what the program wrote, and the peer calls deliver() with the reply bytes at the times
// the meter's timing gives, from events on the scheduler.
class MeterPeer : public InMemoryPeer
{
public:
    // Stream: a serial byte stream (RS232, USB), commands end with CR. Message: every
    // receive() is one whole command (GPIB), no wire time.
    enum class Framing { Stream, Message };

    MeterPeer(SimMeter &meter, SimScheduler &scheduler, Framing framing = Framing::Stream);
    MeterPeer(SimMeter &meter, VirtualClock &clock, Framing framing = Framing::Stream);
    ~MeterPeer() override;

    void receive(const QByteArray &bytes) override;
    // Called when a Disconnect fault drops the link.
    std::function<void()> onDisconnect;

    SimMeter &meter() { return m_meter; }

private:
    SimMeter &m_meter;
    std::unique_ptr<SimScheduler> m_ownScheduler;
    SimScheduler &m_scheduler;
    Framing m_framing;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Wires a meter to a MemorySerialPort: the port's output goes to the meter, the replies
// into the port's input; a dropped link makes the port vanish. Keep the result alive as
// long as the port is used.
std::unique_ptr<MeterPeer> attachToSerialPort(SimMeter &meter, MemorySerialPort &port, VirtualClock &clock);

// A meter on a MemorySerialPort, ready for a test.
struct SerialMeterRig
{
    explicit SerialMeterRig(VirtualClock &clock, const MeterConfig &config = {});
    SimMeter meter;
    MemorySerialPort port;
    std::unique_ptr<MeterPeer> link;
};

// A module and its meter on a MemoryUdpNetwork, as SimServer serves them on real UDP: the
// module answers its command port (broadcasts included) from its own address; datagrams
// on its data port reach the meter while the module passes meter traffic, and the
// meter's replies go back to the sender at the times the meter's timing gives.
//
//   MemoryUdpNetwork net(env.clock);
//   metersim::SimMeter meter;
//   metersim::SimModule module;
//   metersim::ModuleOnNetwork served(module, meter, net);
class ModuleOnNetwork
{
public:
    ModuleOnNetwork(SimModule &module, SimMeter &meter, MemoryUdpNetwork &network);

private:
    SimModule &m_module;
    MemoryUdpNetwork &m_network;
    MeterPeer m_meterLink;
    QString m_address;
    MemoryUdpNetwork::Datagram m_lastSender;
};

} // namespace metersim
