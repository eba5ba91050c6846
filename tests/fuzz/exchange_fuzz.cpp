// A command exchange over RS232, USB, Ethernet or GPIB on the virtual clock, with the fuzz input as the
// reply: its bytes arrive in pieces at the times the input gives. Whatever arrives, the
// exchange ends within its time-out after the last byte.
#include "link/Communication.h"
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/VBIB32.h"
#include "link/platform/Ftdi.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/MemoryUdp.h"
#include "link/platform/SerialPortControl.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/doubles/MemoryGpib.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>

namespace {
// Delivers the reply in pieces once the command's CR has arrived (or at once, for a bus
// that frames whole messages): piece i holds the next
// (sizes[i] + 1) bytes and comes gaps[i] ms after the one before.
struct ReplyScript
{
    QByteArray reply;
    QByteArray plan; // pairs of (size, gap) bytes
    qint64 lastDeliveryMs = 0;

    void start(VirtualClock &clock, const std::function<void(const QByteArray &)> &deliver)
    {
        qint64 at = clock.monotonicMs();
        qsizetype offset = 0;
        for (qsizetype step = 0; offset < reply.size(); ++step) {
            const quint8 size = step * 2 < plan.size() ? quint8(plan[step * 2]) : 255;
            const quint8 gap = step * 2 + 1 < plan.size() ? quint8(plan[step * 2 + 1]) : 10;
            at += gap;
            const QByteArray piece = reply.mid(offset, size + 1);
            offset += piece.size();
            clock.scheduleAt(at, [deliver, piece] { deliver(piece); });
        }
        lastDeliveryMs = at;
    }
};

class ScriptedPeerForFuzz : public InMemoryPeer
{
public:
    ScriptedPeerForFuzz(VirtualClock &clock, ReplyScript &script, bool wholeMessages = false)
        : m_clock(clock), m_script(script), m_wholeMessages(wholeMessages)
    {
    }
    void receive(const QByteArray &bytes) override
    {
        if (!m_started && (m_wholeMessages || bytes.contains('\r'))) {
            m_started = true;
            m_script.start(m_clock, deliver);
        }
    }

private:
    VirtualClock &m_clock;
    ReplyScript &m_script;
    bool m_wholeMessages;
    bool m_started = false;
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The Ethernet transport takes datagrams from the event loop, as in the program.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 variant = input.takeByte();
    const int timeout = 1 + variant % 3;
    const int endCondition = (variant / 3) % 2;
    ReplyScript script;
    script.plan = input.takePart().toLatin1().left(64);
    script.reply = input.bytes();

    TestEnv env;
    const MeterGate::Operation meter = meterGate().begin(); // the input is one exchange
    const qint64 start = env.clock.monotonicMs();
    qint64 slack = 0; // waits beyond the time-out that the transport may add
    switch ((variant / 6) % 4) {
    case 0: {
        MemorySerialPort port(env.clock);
        ScriptedPeerForFuzz peer(env.clock, script);
        peer.deliver = [&port](const QByteArray &bytes) { port.deliver(bytes); };
        port.onOutput = [&peer](const QByteArray &bytes) { peer.receive(bytes); };
        SerialSendString(&port, QStringLiteral("pa"), true, timeout, endCondition);
        break;
    }
    case 1: {
        MemoryFtdiApi ftdi(env.clock);
        ScriptedPeerForFuzz peer(env.clock, script);
        ftdi.attach(QStringLiteral("USB <-> Serial"), QStringLiteral("FT6450A1"), &peer);
        state().ftdi = &ftdi;
        state().USBDevice.SerialNumber = QStringLiteral("FT6450A1");
        qint32 status = 0;
        const QString reply = UsbSendString(QStringLiteral("pa"), status, timeout, endCondition);
        FUZZ_CHECK(reply.size() <= UsbReplyLimit + 4096);
        state().ftdi = nullptr;
        break;
    }
    case 2: {
        // An instrument at GPIB address 5: one read of up to 2000 bytes, waiting up to the
        // bus time-out of 10 s for the reply's first piece.
        MemoryGpibBus bus(env.clock);
        ScriptedPeerForFuzz peer(env.clock, script, true);
        bus.attach(5, &peer);
        state().gpib = &bus;
        const QString reply = GpibSendString(5, QStringLiteral("pa"));
        FUZZ_CHECK(reply.size() <= GpibReplyLimit);
        state().gpib = nullptr;
        slack = 20000;
        break;
    }
    default: {
        // The meter behind a module at 127.0.1.10: each piece is one datagram.
        MemoryUdpNetwork net(env.clock);
        MemoryUdpSocket socket(net);
        socket.Bind();
        ConnectEthernetReceive(socket);
        state().UDPData = &socket;
        state().EthernetDevice.IPAddress = QStringLiteral("127.0.1.10");
        state().EthernetDevice.Port = 10001;
        ScriptedPeerForFuzz peer(env.clock, script);
        int replyPort = 0;
        peer.deliver = [&](const QByteArray &bytes) { net.send({"127.0.1.10", 10001, net.localIP, replyPort, bytes}); };
        net.listen(QStringLiteral("127.0.1.10"), 10001, [&](const MemoryUdpNetwork::Datagram &d) {
            replyPort = d.fromPort;
            peer.receive(d.bytes);
        });
        const QString reply = EthernetSendString(QStringLiteral("pa"), true, timeout, endCondition);
        FUZZ_CHECK(reply.size() <= Ethernet::MaxReplyChars + 65536);
        state().UDPData = nullptr;
        break;
    }
    }
    // Every line (or datagram) restarts the wait, so the bound runs from the last byte
    // delivered. A reply that begins before the command goes out (an answer to the serial
    // port's wake-up) holds the command back until the line has been quiet for 50 ms.
    const qint64 bound = script.lastDeliveryMs - start + (timeout + 2) * 1000 + 50 + slack;
    FUZZ_CHECK(env.clock.monotonicMs() - start <= bound);
    return 0;
}
