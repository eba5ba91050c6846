#pragma once
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/SimulatedMeterEnv.h"
#include "widgets/WindowRegistry.h"

#include <QStringList>

// A simulated 6450 on RS232 behind the real driver, with a recorder in front of the driver
// that keeps every command's exact arguments ("command|wait|timeout|end").
struct SettingsFixture
{
    explicit SettingsFixture(const metersim::MeterConfig &config = {}) : sim(config)
    {
        driver = std::move(state().DVM1);
        auto front = std::make_unique<ScriptedDVM>();
        front->forwardTo = driver.get();
        recorder = front.get();
        state().DVM1 = std::move(front);
    }
    ~SettingsFixture()
    {
        appWindows().destroyAll();
        state().DVM1.reset();
    }

    // Every exchange with its arguments, as the dialog asked for it.
    QStringList calls() const
    {
        QStringList out;
        for (const ScriptedDVM::Call &c : recorder->calls)
            out << QStringLiteral("%1|%2|%3|%4").arg(c.command).arg(int(c.waitForAck)).arg(c.timeout).arg(c.packetEndCondition);
        return out;
    }
    // What the meter received, in order.
    QStringList commands() const { return meter.commands(); }
    // The boxes shown, as "prompt|title|style".
    QStringList boxes() const
    {
        QStringList out;
        for (const auto &box : env.ui.boxes)
            out << QStringLiteral("%1|%2|%3").arg(box.prompt, box.title).arg(box.style);
        return out;
    }
    void forget()
    {
        meter.clearTranscript();
        recorder->calls.clear();
        env.ui.boxes.clear();
    }

    SimulatedMeterEnv sim;
    TestEnv &env = sim.env;
    metersim::SimMeter &meter = sim.rig.meter;
    std::shared_ptr<IDVM> driver;
    ScriptedDVM *recorder = nullptr;
};

// The setup-mode bracket's commands.
inline const QString Access = QStringLiteral("k5820637");
inline const QString Leave = QStringLiteral("a1");

// Runs of table writes shown as one entry: "Ws×12".
inline QStringList condensed(const QStringList &commands)
{
    QStringList out;
    QString runPrefix;
    int runLength = 0;
    const auto flush = [&] {
        if (runLength > 0)
            out << QStringLiteral("%1×%2").arg(runPrefix).arg(runLength);
        runLength = 0;
    };
    for (const QString &command : commands) {
        const QString prefix = command.left(2);
        if (prefix == QLatin1String("Ws") || prefix == QLatin1String("Wi") || prefix == QLatin1String("Wc")
            || prefix == QLatin1String("Wt")) {
            if (prefix != runPrefix)
                flush();
            runPrefix = prefix;
            ++runLength;
            continue;
        }
        flush();
        runPrefix.clear();
        out << command;
    }
    flush();
    return out;
}
