#pragma once
#include "link/MainWindowHost.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "tests/support/doubles/MemorySettingsStore.h"
#include "tests/support/doubles/ScriptedUserInteraction.h"
#include "tests/support/doubles/VirtualClock.h"

// One test's platform: virtual clock, scripted boxes, settings in memory and an in-memory
// main-window host, installed into the shared state for the life of the object (the
// shared state is reset before and after). Construct one per test function.
struct TestEnv
{
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    VirtualClock clock;
    ScriptedUserInteraction ui;
    MemorySettingsStore settings;
    MemoryMainWindowHost host;
    // Unless set, the test fails when any exchange with the meter was tried outside every
    // operation (MeterGate): the whole suite checks that no path forgets the gate.
    bool allowStrayExchanges = false;

private:
    // The gate's count of such exchanges when the TestEnv was made.
    const quint64 strayExchangesBefore;
};

// Points XDG_CONFIG_HOME at a fresh temporary folder, once per process, before any
// QSettings is made. TestEnv calls it; tests that use the real store call it first.
void useFreshConfigFolder();
