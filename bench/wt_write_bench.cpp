// Writes 500 PRT entries ("Wt") inside one setup-mode bracket through the real RS232
// exchange to a simulated meter on a pseudo-terminal (9600-baud wire time, no extra reply
// delay), in real time, and prints the total time divided by the floor: the wire time of
// every byte both ways plus the protocol's fixed sleeps (pacing and the bracket's sleeps).
// A ratio near 1 means no poll step is lost waiting for a reply that has already arrived.
// With --no-wire-time the meter answers 5 ms after each command instead, as in the second
// run of window_write_bench: the link's own share of that benchmark's ratios.
#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "bench/BenchPlatform.h"
#include "tests/support/ScriptedDVM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

constexpr int Writes = 500;
constexpr int NoWireReplyDelayMs = 5;

// The meter driver's RS232 path: every command through the serial exchange, LF removed.
class SerialDVM : public ScriptedDVM
{
public:
    explicit SerialDVM(SerialPortControl &port) : m_port(port) {}

protected:
    QString IDVM_SendString(const QString &command, bool wait, int timeout, int end) override
    {
        return SerialSendString(&m_port, command, wait, timeout, end).remove(QLatin1Char('\n'));
    }

private:
    SerialPortControl &m_port;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchPlatform platform;
    SharedState &s = state();

    const bool wireTime = !app.arguments().contains(QStringLiteral("--no-wire-time"));
    metersim::SimMeter meter;
    meter.setWireTime(wireTime, 9600);
    meter.setReplyDelayMs(wireTime ? 0 : NoWireReplyDelayMs);
    PtyMeter served(meter, platform.settings, "wt_write_bench");
    if (!served.port)
        return 1;
    QtSerialPortControl &port = *served.port;
    const QString &tty = served.tty;
    s.DVM1Comm = &port;
    s.DVM1 = std::make_unique<SerialDVM>(port);
    const MeterGate::Operation writing = meterGate().begin(); // the benchmark is one operation

    // Opening the port (wake-up CR and its 200 ms) is not part of the timed run.
    const QString id = SerialSendString(&port, QStringLiteral("*IDN?"), true, 2, 0);
    if (!id.startsWith(QLatin1String("Velkorande"))) {
        std::fprintf(stderr, "wt_write_bench: the simulated meter does not answer on %s\n", qPrintable(tty));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    int accepted = 0;
    const bool entered = EnterSetupMode();
    for (int i = 0; i < Writes; ++i) {
        const QString reply = SerialSendString(&port, QStringLiteral("Wt%1,%2").arg(i).arg(2000000 + i), true, 10, 1);
        accepted += reply.startsWith(QLatin1String("*0"));
    }
    const bool left = ExitSetupMode();
    const double elapsed = timer.nsecsElapsed() / 1e6;

    Floor floor;
    floor.wireTime = wireTime;
    floor.replyDelayMs = wireTime ? 0 : NoWireReplyDelayMs;
    floor.lastSend = 0; // the warm-up's send is the last one before the run starts, at about 0
    floor.sleep(150);
    floor.exchange(QStringLiteral("k5820637"), 4);
    floor.sleep(50);
    for (int i = 0; i < Writes; ++i)
        floor.exchange(QStringLiteral("Wt%1,%2").arg(i).arg(2000000 + i), 4);
    floor.sleep(150);
    floor.exchange(QStringLiteral("a1"), 4);
    floor.sleep(50);

    std::printf("wt_write_bench: %d Wt writes over %s %s, %d accepted, bracket %s/%s\n", Writes, qPrintable(tty),
                wireTime ? "at 9600 baud" : "without wire time, 5-ms replies", accepted, entered ? "opened" : "FAILED",
                left ? "closed" : "FAILED");
    std::printf("total %.0f ms, floor %.0f ms (%s and the fixed sleeps)\n", elapsed, floor.total,
                wireTime ? "wire time of every byte" : "the meter's reply delays");
    std::printf("ratio total/floor: %.3f\n", elapsed / floor.total);
    s.DVM1.reset();
    s.DVM1Comm = nullptr;
    return accepted == Writes && entered && left ? 0 : 1;
}
