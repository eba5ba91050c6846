#include "link/SharedState.h"
#include "link/IDVM.h"

namespace {
MemoryMainWindowHost &fallbackHost()
{
    static MemoryMainWindowHost host;
    return host;
}
} // namespace

SharedState &state()
{
    static SharedState shared;
    return shared;
}

MeterGate &meterGate() { return state().gate; }

void resetSharedState()
{
    SharedState &s = state();
    s.DVM1.reset();
    s.UserMode = false;
    s.OfflineMode = false;
    s.SerialRxBuffer.clear();
    s.LastLine.clear();
    s.LastSendTime = 0;
    s.CommAbort = false;
    s.SetupModeMayBeOpen = false;
    s.SetupModeOpenings = 0;
    s.lateReply = {};
    s.USBDevice = {};
    s.USBDevices.clear();
    s.EthernetDevice = {};
    s.EthernetDevices.clear();
    s.SelectedMAC.clear();
    s.UdpRxBuffer.clear();
    s.ibsta = 0;
    s.iberr = 0;
    s.ibcnt = 0;
    s.GpibGlobals = {};
    s.GpibGlobalsRegistered = false;
    s.AbortFlag = false;
    s.DVM1Comm = nullptr;
    s.UDPCommand = nullptr;
    s.UDPData = nullptr;
    s.clock = nullptr;
    s.ui = nullptr;
    s.settings = nullptr;
    s.ftdi = nullptr;
    s.gpib = nullptr;
    s.host = nullptr;
    s.EndProgramNow = nullptr;
}

Clock &appClock()
{
    Q_ASSERT(state().clock);
    return *state().clock;
}

UserInteraction &appUi()
{
    Q_ASSERT(state().ui);
    return *state().ui;
}

SettingsStore &appSettings()
{
    Q_ASSERT(state().settings);
    return *state().settings;
}

MainWindowHost &mainHost()
{
    return state().host ? *state().host : fallbackHost();
}
