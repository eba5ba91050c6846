// A command exchange over RS232 or USB on the virtual clock, with the fuzz input as the
// reply: its bytes arrive in pieces at the times the input gives. Whatever arrives, the
// exchange ends within its time-out after the last byte.
#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/platform/Ftdi.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "link/platform/SerialPortControl.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/TestEnv.h"

namespace {
// Delivers the reply in pieces once the command's CR has arrived: piece i holds the next
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
    ScriptedPeerForFuzz(VirtualClock &clock, ReplyScript &script) : m_clock(clock), m_script(script) {}
    void receive(const QByteArray &bytes) override
    {
        if (!m_started && bytes.contains('\r')) {
            m_started = true;
            m_script.start(m_clock, deliver);
        }
    }

private:
    VirtualClock &m_clock;
    ReplyScript &m_script;
    bool m_started = false;
};
} // namespace

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
    const qint64 start = env.clock.monotonicMs();
    if ((variant / 6) % 2 == 0) {
        MemorySerialPort port(env.clock);
        ScriptedPeerForFuzz peer(env.clock, script);
        peer.deliver = [&port](const QByteArray &bytes) { port.deliver(bytes); };
        port.onOutput = [&peer](const QByteArray &bytes) { peer.receive(bytes); };
        SerialSendString(&port, QStringLiteral("pa"), true, timeout, endCondition);
    } else {
        MemoryFtdiApi ftdi(env.clock);
        ScriptedPeerForFuzz peer(env.clock, script);
        ftdi.attach(QStringLiteral("USB <-> Serial"), QStringLiteral("FT6450A1"), &peer);
        state().ftdi = &ftdi;
        state().USBDevice.SerialNumber = QStringLiteral("FT6450A1");
        qint32 status = 0;
        const QString reply = UsbSendString(QStringLiteral("pa"), status, timeout, endCondition);
        FUZZ_CHECK(reply.size() <= UsbReplyLimit + 4096);
        state().ftdi = nullptr;
    }
    // Every line restarts an RS232 wait, so the bound runs from the last byte delivered.
    const qint64 bound = script.lastDeliveryMs - start + (timeout + 2) * 1000;
    FUZZ_CHECK(env.clock.monotonicMs() - start <= bound);
    return 0;
}
