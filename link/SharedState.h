#pragma once
#include "link/DeviceRecords.h"
#include "link/LateReply.h"
#include "link/MainWindowHost.h"
#include "link/MeterGate.h"
#include "link/platform/Gpib.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class IDVM;
class Clock;
class UserInteraction;
class SettingsStore;
class SerialPortControl;
class UdpSocketControl;
class FtdiApi;
class GpibApi;

// Everything the program shares between its modules, in one place. Fields named as the
// meter's protocol code names them; the platform services the code runs on sit beside them.
// The one piece kept elsewhere is the registry of loaded windows: windows are widgets, so
// it lives with them (appWindows() in widgets/WindowRegistry.h), and resetProgramState()
// there unloads the windows before it resets this state.
struct SharedState
{
    // --- the link ---
    // The one active driver; replaced by LoadDVMSetting. May be empty. Shared only so that
    // an operation under way keeps its driver until it returns (see IDVM).
    std::shared_ptr<IDVM> DVM1;
    // Set by Main: hides the editors' clear button and locks their version box.
    bool UserMode = false;
    // Nothing sets it; when set, start-up skips the search and the editors do not read on opening.
    bool OfflineMode = false;
    // RS232 receive text waiting for a whole line, and the line last taken from it.
    QString SerialRxBuffer;
    QString LastLine;
    // Time of day (seconds) of the last transmission on RS232, USB or Ethernet: pacing.
    double LastSendTime = 0;
    // Set when a USB device cannot be opened; ends a serial line read under way.
    bool CommAbort = false;
    // Whether the meter may be in setup mode: the access command or the calibration
    // password went out and no "a1" was accepted since (a refused opening counts too: the
    // meter may have taken it). The count of openings sent lets a run tell its own.
    bool SetupModeMayBeOpen = false;
    quint64 SetupModeOpenings = 0;
    // A reply the meter still owes after an exchange gave up on it (RS232, USB, Ethernet).
    LateReply lateReply;
    // The FTDI device of the current exchange, and the devices last listed.
    struct USBDevice USBDevice;
    QList<struct USBDevice> USBDevices;
    // The Ethernet module of the current exchange, and the modules found (from index 1).
    struct EthernetDevice EthernetDevice;
    QList<struct EthernetDevice> EthernetDevices;
    // The MAC address the module configuration commands address.
    QString SelectedMAC;
    // Text received on the data socket, appended by the main window's data-arrival handler.
    QString UdpRxBuffer;
    // GPIB: the status word, error code and byte count of the last call as the program
    // reads them (copied by CopyGpibStatus), the values registered with the library, which
    // it fills after every call, and whether they are registered (once per process).
    int ibsta = 0;
    int iberr = 0;
    int ibcnt = 0;
    GpibThreadGlobals GpibGlobals;
    bool GpibGlobalsRegistered = false;

    // Set by the main window's Set_Abort_Flag; nothing reads it.
    bool AbortFlag = false;
    // The one operation at a time that may talk to the meter (see MeterGate).
    MeterGate gate;

    // --- controls the main window owns and the transports use (not owned here) ---
    SerialPortControl *DVM1Comm = nullptr;
    UdpSocketControl *UDPCommand = nullptr;
    UdpSocketControl *UDPData = nullptr;

    // --- platform services (not owned here; installed by main() or a test) ---
    Clock *clock = nullptr;
    UserInteraction *ui = nullptr;
    SettingsStore *settings = nullptr;
    FtdiApi *ftdi = nullptr;
    GpibApi *gpib = nullptr;
    MainWindowHost *host = nullptr;
    // Ends the program at once, saving nothing (a failed GPIB registration). main() installs
    // the real end; without one nothing happens, so no test can end its own process.
    std::function<void()> EndProgramNow;
};

// The program's shared state.
SharedState &state();

// Puts every field back to its start value (the services are cleared too). With windows
// loaded, use resetProgramState() (widgets/WindowRegistry.h), which unloads them first.
void resetSharedState();

// Shortcuts to the installed services.
Clock &appClock();
UserInteraction &appUi();
SettingsStore &appSettings();
MainWindowHost &mainHost();
