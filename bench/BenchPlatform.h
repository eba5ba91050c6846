#pragma once
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "tests/sim/core/SimServer.h"
#include "tests/support/doubles/MemorySettingsStore.h"
#include "tests/support/doubles/ScriptedUserInteraction.h"

#include <cstdio>
#include <memory>

// What the benchmarks run on: real time, settings in memory, scripted message boxes (a
// benchmark never waits for a user), installed into the shared state for the object's life.
struct BenchPlatform
{
    BenchPlatform()
    {
        SharedState &s = state();
        s.clock = &clock;
        s.settings = &settings;
        s.host = &host;
        s.ui = &ui;
    }
    ~BenchPlatform() { resetSharedState(); }

    RealClock clock;
    MemorySettingsStore settings;
    MemoryMainWindowHost host;
    ScriptedUserInteraction ui;
};

// A simulated meter served on a pseudo-terminal, mapped to COM1 and opened through the
// real serial-port control, so the benchmark times the real RS232 exchange. Check `port`:
// empty when no pseudo-terminal could be had (the reason is printed).
struct PtyMeter
{
    PtyMeter(metersim::SimMeter &meter, SettingsStore &settings, const char *benchName)
    {
        QString why;
        tty = server.servePty(meter, &why);
        if (tty.isEmpty()) {
            std::fprintf(stderr, "%s: no pseudo-terminal: %s\n", benchName, qPrintable(why));
            return;
        }
        settings.SaveSetting(QStringLiteral("Ports"), QStringLiteral("COM1"), tty);
        port = std::make_unique<QtSerialPortControl>(settings);
        port->setCommPort(1);
    }

    metersim::SimServer server;
    QString tty;
    std::unique_ptr<QtSerialPortControl> port;
};

// The floor of a timed run: the sleeps the protocol always takes and, for every command, the
// pacing sleep before it (20 ms when the previous send left less than 0.2 s before, else
// 5 ms), the wire time of its bytes both ways (at 9600 baud, when the line has wire time)
// and the meter's reply delay (when it answers).
struct Floor
{
    static constexpr double ByteMs = 10000.0 / 9600; // 10 bits a byte at 9600 baud

    bool wireTime = true;
    int replyDelayMs = 0;
    double lastSend = -1e9; // long before the run: its first command paces 5 ms
    double now = 0, total = 0;

    void sleep(double ms)
    {
        now += ms;
        total += ms;
    }
    void exchange(const QString &command, qsizetype replyBytes)
    {
        sleep(now - lastSend < 200 ? 20 : 5);
        lastSend = now;
        if (wireTime)
            sleep(static_cast<double>(command.size() + 1 + replyBytes) * ByteMs);
        if (replyBytes > 0)
            sleep(replyDelayMs);
    }
};
