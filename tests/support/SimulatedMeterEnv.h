#pragma once
#include "tests/sim/core/MeterLink.h"
#include "tests/support/TestEnv.h"

// A test's platform with a simulated 6450 on RS232 as the active driver: the real meter
// driver (CreateDVM) on the rig's MemorySerialPort, so every command goes through
// SerialSendString to the simulated meter and back on the virtual clock.
//
//   SimulatedMeterEnv sim;
//   ... drive a window ...
//   QCOMPARE(sim.rig.meter.commands(), (QStringList{"k5820637", "Wwa1,5", "a1"}));
struct SimulatedMeterEnv
{
    explicit SimulatedMeterEnv(const metersim::MeterConfig &config = {});
    // Unloads the windows and drops the driver while the port it uses still exists.
    ~SimulatedMeterEnv();
    SimulatedMeterEnv(const SimulatedMeterEnv &) = delete;
    SimulatedMeterEnv &operator=(const SimulatedMeterEnv &) = delete;

    TestEnv env;
    metersim::SerialMeterRig rig;
};
