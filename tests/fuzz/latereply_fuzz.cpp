// A few exchanges in a row with the meter driver over RS232, USB or Ethernet, on the virtual
// clock, against a meter that answers every command in order: each command's reply is its
// own text, coming after a delay the input gives (in pieces, with CR or CR LF line ends),
// or never. Between exchanges the input may pause, or wait on purpose for a given-up
// command's reply (AwaitLateReply).
//
// A reply later than its exchange's time-out comes within the wait of whatever next waits
// on that link (the longer of the two time-outs, counted from the give-up): the meter
// moves a later reply into that window, as a meter that answers at all answers then.
//
// What must hold:
//  - an exchange returns its own reply whole (LFs removed) or no reply ("TIMEOUT" or the
//    empty text), never another command's reply or a piece of one;
//  - an exchange whose reply is whole well within its time-out gets it, whatever was owed
//    before (a reply that never came costs a wait, not the next reply);
//  - nothing is sent while a reply that will still come is owed;
//  - AwaitLateReply returns the given-up command's reply when it comes, else "TIMEOUT";
//  - the whole sequence ends in bounded virtual time.
//
// Input: one byte for the link (RS232, USB, Ethernet), then up to 8 steps of 5 bytes:
//  flags (bit 0: end condition; bits 1-2: time-out 1-4 s; bit 3: AwaitLateReply instead of
//  a command; bit 4: the reply never comes; bit 5: CR LF line ends), the reply's delay
//  (40 ms units), the pause after the step (25 ms units), how the reply is cut (bits 0-1:
//  pieces - 1; the rest: where), and the gap between pieces (ms, up to 80).
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/MemoryUdp.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

namespace {

constexpr int MaxSteps = 8;
constexpr int StepBytes = 5;
// How far before the end of the next wait a late reply has come whole at the latest.
constexpr qint64 LateMarginMs = 500;
// How far within its time-out a reply comes for its exchange to be sure of it.
constexpr qint64 OnTimeMarginMs = 1000;

const QString UsbSerial = QStringLiteral("FT6450A1");
const QString ModuleAddress = QStringLiteral("127.0.1.10");
constexpr int ModulePort = 10001;

struct Step
{
    bool await = false;
    int endCondition = 1;
    int timeout = 1; // seconds
    bool dropped = false;
    bool crlf = false;
    qint64 delayMs = 0;
    qint64 pauseMs = 0;
    int pieces = 1;
    int cutSeed = 0;
    qint64 gapMs = 0;
};

// The reply the meter gives to step i's command, as sent on the wire.
QByteArray replyText(int i, const Step &step)
{
    const QByteArray end = step.crlf ? "\r\n" : "\r";
    const QByteArray n = QByteArray::number(i);
    if (step.endCondition == 0)
        return "ID" + n + end;
    return "L" + n + "a" + end + "L" + n + "b" + end + "*0" + end;
}

// A reply on its way: its pieces, when each comes, and how many have come.
struct Reply
{
    QByteArray text;
    QList<QByteArray> pieces;
    QList<qint64> at;
    qsizetype delivered = 0;
    int generation = 0; // a moved reply's earlier deliveries are void
    bool dropped = true;
    bool sent = false;
    qint64 sentMs = 0;

    // Come whole: up to its last CR. An LF after it ends no line; the link drops it with
    // the next reply's leading LFs.
    bool whole() const
    {
        qsizetype come = 0;
        for (qsizetype k = 0; k < delivered; ++k)
            come += pieces[k].size();
        return !dropped && come > text.lastIndexOf('\r');
    }
    qint64 lastMs() const { return at.isEmpty() ? 0 : at.last(); }
};

// The meter: takes the commands "C<i>" and answers each in order, after the reply before
// it, at the times the steps give.
class InOrderMeter : public InMemoryPeer
{
public:
    InOrderMeter(VirtualClock &clock, const std::vector<Step> &steps)
        : replies(steps.size()), m_clock(clock), m_steps(steps)
    {
    }

    void receive(const QByteArray &bytes) override
    {
        m_input += bytes;
        for (qsizetype cr; (cr = m_input.indexOf('\r')) >= 0;) {
            const QByteArray line = m_input.left(cr).trimmed();
            m_input.remove(0, cr + 1);
            if (line.isEmpty())
                continue;
            bool ok = false;
            const int i = line.mid(1).toInt(&ok);
            FUZZ_CHECK(line.startsWith('C') && ok && i >= 0 && i < int(replies.size()));
            FUZZ_CHECK(!m_steps[i].await && !replies[i].sent); // each command goes out once
            // Nothing goes out while a reply that will still come is owed.
            if (owed >= 0)
                FUZZ_CHECK(replies[owed].dropped || replies[owed].whole());
            owed = -1;
            answer(i);
        }
    }

    // Exchange i gave up at `gaveUpMs`; whatever waits next on the link waits `waitMs` from
    // then. A reply still to come that would come later is moved into that wait.
    void gaveUp(int i, qint64 gaveUpMs, qint64 waitMs)
    {
        owed = i;
        Reply &reply = replies[i];
        if (reply.dropped || reply.whole() || reply.lastMs() <= gaveUpMs + waitMs - LateMarginMs)
            return;
        const qint64 window = waitMs - LateMarginMs;
        const qint64 last = gaveUpMs + (reply.lastMs() - gaveUpMs) % window;
        const qint64 shift = reply.lastMs() - last;
        for (qsizetype k = reply.delivered; k < reply.pieces.size(); ++k)
            reply.at[k] = std::max(m_clock.monotonicMs(), reply.at[k] - shift);
        ++reply.generation;
        schedule(i);
    }

    std::vector<Reply> replies;
    int owed = -1; // the step whose exchange gave up last, while nothing went out since

private:
    void answer(int i)
    {
        const Step &step = m_steps[i];
        Reply &reply = replies[i];
        reply.sent = true;
        reply.sentMs = m_clock.monotonicMs();
        reply.dropped = step.dropped;
        reply.text = replyText(i, step);
        if (reply.dropped)
            return;
        // Where the reply is cut: up to three places, from the seed.
        QList<qsizetype> cuts;
        for (int k = 1; k < step.pieces; ++k)
            cuts << 1 + (step.cutSeed * (2 * k + 1) + 5 * k) % (reply.text.size() - 1);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        cuts << reply.text.size();
        // In order: never before the reply before it has come.
        qint64 at = reply.sentMs + step.delayMs;
        for (int j = 0; j < i; ++j)
            if (replies[j].sent && !replies[j].dropped)
                at = std::max(at, replies[j].lastMs() + 1);
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            reply.pieces << reply.text.mid(from, cut - from);
            reply.at << at;
            at += step.gapMs;
            from = cut;
        }
        schedule(i);
    }

    void schedule(int i)
    {
        Reply &reply = replies[i];
        for (qsizetype k = reply.delivered; k < reply.pieces.size(); ++k) {
            m_clock.scheduleAt(reply.at[k], [this, i, k, generation = reply.generation] {
                Reply &r = replies[i];
                if (r.generation != generation || r.delivered != k)
                    return;
                ++r.delivered;
                deliver(r.pieces[k]);
            });
        }
    }

    VirtualClock &m_clock;
    const std::vector<Step> &m_steps;
    QByteArray m_input;
};

std::vector<Step> readSteps(FuzzInput &input)
{
    std::vector<Step> steps;
    while (steps.size() < MaxSteps && input.bytes().size() >= StepBytes) {
        Step step;
        const quint8 flags = input.takeByte();
        step.endCondition = flags & 1;
        step.timeout = 1 + ((flags >> 1) & 3);
        step.await = flags & 8;
        step.dropped = flags & 16;
        step.crlf = flags & 32;
        step.delayMs = input.takeByte() * qint64(40);
        step.pauseMs = input.takeByte() * qint64(25);
        const quint8 cut = input.takeByte();
        step.pieces = 1 + (cut & 3);
        step.cutSeed = cut >> 2;
        step.gapMs = input.takeByte() % 81;
        steps.push_back(step);
    }
    return steps;
}

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
    const int link = input.takeByte() % 3;
    const std::vector<Step> steps = readSteps(input);
    if (steps.empty())
        return 0;

    TestEnv env;
    const MeterGate::Operation operation = meterGate().begin(); // the sequence is one operation
    InOrderMeter meter(env.clock, steps);
    DVM_6450 driver;

    // RS232: a port that is open.
    MemorySerialPort port(env.clock);
    // USB: a device whose chip keeps what comes while it is closed between exchanges.
    MemoryFtdiApi ftdi(env.clock);
    // Ethernet: the meter behind a module; each piece of a reply is one datagram.
    MemoryUdpNetwork net(env.clock);
    MemoryUdpSocket socket(net);
    int replyPort = 0;
    switch (link) {
    case 0:
        port.setPortOpen(true);
        meter.deliver = [&port](const QByteArray &bytes) { port.deliver(bytes); };
        port.onOutput = [&meter](const QByteArray &bytes) { meter.receive(bytes); };
        driver.SetInterfaceType(InterfaceRS232);
        driver.SetCommControl(&port);
        break;
    case 1:
        ftdi.attach(QStringLiteral("USB <-> Serial"), UsbSerial, &meter).holdsWhileClosed = true;
        state().ftdi = &ftdi;
        state().USBDevice.SerialNumber = UsbSerial;
        driver.SetInterfaceType(InterfaceUSB);
        driver.SetUSBDevice();
        break;
    default:
        socket.Bind();
        ConnectEthernetReceive(socket);
        state().UDPData = &socket;
        state().EthernetDevice.IPAddress = ModuleAddress;
        state().EthernetDevice.Port = ModulePort;
        meter.deliver = [&](const QByteArray &bytes) {
            net.send({ModuleAddress, ModulePort, net.localIP, replyPort, bytes});
        };
        net.listen(ModuleAddress, ModulePort, [&](const MemoryUdpNetwork::Datagram &d) {
            replyPort = d.fromPort;
            meter.receive(d.bytes);
        });
        driver.SetInterfaceType(InterfaceEthernet);
        driver.SetEthernetDevice();
        break;
    }

    const QString timedOut = QStringLiteral("TIMEOUT");
    const qint64 start = env.clock.monotonicMs();
    qint64 bound = 0;
    for (int i = 0; i < int(steps.size()); ++i) {
        const Step &step = steps[i];
        // A wait of up to the longer time-out, an exchange of its own time-out (renewed by
        // each line), whole-second rounding and the serial line reads' two seconds.
        bound += step.pauseMs + 16000;
        if (step.await) {
            const int owed = meter.owed;
            const QString reply = driver.AwaitLateReply(step.timeout);
            const bool comes = owed >= 0 && !meter.replies[owed].dropped;
            if (comes) {
                FUZZ_CHECK(reply == QString::fromLatin1(meter.replies[owed].text).remove(QLatin1Char('\n')));
                meter.owed = -1;
            } else {
                FUZZ_CHECK(reply == timedOut);
            }
        } else {
            const QString reply = driver.SendString(QStringLiteral("C%1").arg(i), true, step.timeout,
                                                    step.endCondition);
            const Reply &own = meter.replies[i];
            FUZZ_CHECK(own.sent);
            const QString whole = QString::fromLatin1(own.text).remove(QLatin1Char('\n'));
            FUZZ_CHECK(reply == whole || reply == timedOut || reply.isEmpty());
            if (!own.dropped && own.lastMs() <= own.sentMs + step.timeout * 1000 - OnTimeMarginMs)
                FUZZ_CHECK(reply == whole);
            if (reply == timedOut) {
                const int nextTimeout = i + 1 < int(steps.size()) ? steps[i + 1].timeout : step.timeout;
                meter.gaveUp(i, env.clock.monotonicMs(), std::max(step.timeout, nextTimeout) * qint64(1000));
            } else {
                meter.owed = -1;
            }
        }
        env.clock.sleepMs(int(step.pauseMs));
    }
    FUZZ_CHECK(env.clock.monotonicMs() - start <= bound);

    state().ftdi = nullptr;
    state().UDPData = nullptr;
    return 0;
}
