#pragma once
#include "tests/sim/core/MeterLink.h"
#include "tests/support/doubles/MemoryGpib.h"

// Puts a simulated meter on the in-memory GPIB bus (give its peer Message framing): it
// listens at the address its own state holds, so "SYST:COMM:GPIB:ADDR" moves it.
inline MemoryGpibBus::Instrument &attachMeter(MemoryGpibBus &bus, metersim::MeterPeer &peer)
{
    metersim::SimMeter *meter = &peer.meter();
    return bus.attach([meter] { return meter->state().gpibAddress; }, &peer);
}
