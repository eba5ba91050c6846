#pragma once
#include "link/DeviceRecords.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class IDVM;
class SerialPortControl;

// Probing a link for the meter: every window that looks for the meter (the automatic
// search, the USB and Ethernet locators, the port setup) sends "*IDN?" through these and
// only shows what comes back. Windows do not write to a port or socket themselves.
//
// Two levels:
// - one probe of one device, module or port. It hands back the reply as it came; judging
//   it (CheckIdentity, or a dialog's own rule) and choosing are the caller's.
// - FindMeterOn...: the automatic search's step for one kind of link. It walks every
//   device, judges the replies with a 6450 driver of its own (whatever model the settings
//   name), writes the step's log lines and, for USB and serial, makes the meter found the
//   link (Use...). It returns what it found.
// Use... makes a device the meter's link: the shared record, the settings store and the
// active driver DVM1 (when there is one). It is what a locator's selection does.

// Receives each log line at the moment its step happens, so a window can show it and let
// the window system run before the next step (a serial search can take half a minute).
// An empty function drops the lines.
using ProbeLog = std::function<void(const QString &line)>;

// The identification query: with a CR of its own, as the probes write it to a USB device
// and as the search sends it over Ethernet (whose transport adds one more CR); bare, as
// the Ethernet locator hands it to the transport.
inline const QString IdentityQuery = QStringLiteral("*IDN?");
inline const QString IdentityQueryCR = QStringLiteral("*IDN?\r");

// --- USB (FTDI devices, state().ftdi) ---
//
// Automatic search, one device after the other:
//     const int count = ListUSBDevicesWithRetries();
//     USBDevice device = state().USBDevices[i];
//     const UsbIdentityReply reply = ProbeUSBDevice(device, 250);
// A locator that asks all devices at once and waits once:
//     const int count = ListUSBDevicesWithRetries();
//     const QList<UsbIdentityReply> replies = ProbeUSBDevicesTogether(count, false);
namespace UsbProbe {
constexpr int ListAttempts = 5;
constexpr int ListPauseMs = 250;
// ProbeUSBDevicesTogether's one wait between the questions and the replies.
constexpr int TogetherWaitMs = 500;
} // namespace UsbProbe

// Lists the FTDI devices into state().USBDevices: up to 5 listings, each followed by a
// 250-ms sleep (the successful one too), until one finds a device. The count, 0 when all
// five found none. Does not yield.
int ListUSBDevicesWithRetries();

// Opens the device by its serial number (handle into device.Handle) and writes
// IdentityQueryCR. False when it cannot be opened: device.Handle is then -1 and nothing
// is open.
bool SendUSBIdentityQuery(USBDevice &device);

struct UsbIdentityReply
{
    bool opened = false;   // the device opened and the query went out
    bool answered = false; // bytes were waiting at the one look at the receive queue
    QString line;          // the line read, with the CR or LF that ended it; else empty
};

// After SendUSBIdentityQuery and a wait: one look at the receive queue (FT_GetStatus);
// when bytes are waiting, one line is read (UsbReadLine: at most its 5-s time-out). A
// device silent by now counts as silent, there is no second look. Closes the device.
// Does not yield.
UsbIdentityReply TakeUSBIdentityReply(const USBDevice &device);

// SendUSBIdentityQuery, a sleep of waitMs, TakeUSBIdentityReply.
UsbIdentityReply ProbeUSBDevice(USBDevice &device, int waitMs);

// The first count entries of state().USBDevices asked all at once: SendUSBIdentityQuery
// to each (a device that cannot be opened gets the handle -1), one 500-ms wait, then
// TakeUSBIdentityReply from each device with a handle above 0. One reply per device,
// in listing order (opened false for one not asked). Each asked device's Identity, and
// its reply's line, is the line as read (keepLineEnds) or with every CR and LF removed.
// No device stays open. Does not yield.
QList<UsbIdentityReply> ProbeUSBDevicesTogether(int count, bool keepLineEnds);

// The device becomes the meter's link: state().USBDevice, SaveUSBSettings, DVM1 on USB
// with this device.
void UseUSBDevice(const USBDevice &device);

struct UsbMeterSearch
{
    bool found = false;
    USBDevice device; // the meter's device
    QString reply;    // its identification line, as read
};

// The search's USB step: lists the devices, probes each in turn (250 ms wait) until one
// identifies itself as the meter, and uses it. A device that does not open keeps the
// handle -1 in state().USBDevices. Log lines: for each device its header
// (UsbDeviceHeader), then "Open Failed", the reply line or "No reply"; then "Using USB
// Device <description> (<serial number>)" for the meter; "No USB Devices Found" when none
// is listed, "No Velkorande USB DMM Devices Found" when none is the meter.
UsbMeterSearch FindMeterOnUSB(const ProbeLog &log);

// The log's header line for one device: USB Device "<description>" Found: .
QString UsbDeviceHeader(const QString &description);

// --- Ethernet (the serial-to-Ethernet module, see link/Ethernet.h) ---
//
//     if (DiscoverEthernetDevices())
//         for each module i >= 1 of state().EthernetDevices:
//             const QString reply = ProbeEthernetModule(state().EthernetDevices[i], IdentityQuery, 2);

// Whether a discovered module is the meter's: its address was filled, its owner is
// "VELKORAN" over the field's full 8 characters and its device name begins with "6450"
// (both compared in upper case).
bool IsMeterModule(const EthernetDevice &module);

// The module becomes the transport's module (state().EthernetDevice, left so afterwards)
// and gets the query (IdentityQuery or IdentityQueryCR) by EthernetSendString, waiting
// timeoutSeconds for one line. The reply as the transport gives it: the line, "TIMEOUT",
// or the empty text. Yields to the window system while it waits, as every Ethernet
// exchange does.
QString ProbeEthernetModule(const EthernetDevice &module, const QString &query, int timeoutSeconds);

// The module becomes the meter's link: state().EthernetDevice, SaveEthernetSettings,
// DVM1 on Ethernet with this module.
void UseEthernetModule(const EthernetDevice &module);

// The search's Ethernet step, up to the choice: discovery; when it finds modules,
// SelectedMAC is emptied and every meter module (IsMeterModule) is probed with
// IdentityQueryCR and a 4-s time-out. The modules that identify themselves as the meter,
// in discovery order, each with its Identity set to its reply. Nothing is used: with
// several the caller lets the user choose. Log lines: "No Reply from Ethernet  <address,
// all 20 characters>" for each probed module that did not identify itself; "No Ethernet
// Devices" when none did.
QList<EthernetDevice> FindMetersOnEthernet(const ProbeLog &log);

// --- Serial ports (COM1 to COM16 through one SerialPortControl) ---
//
//     const std::optional<QList<int>> ports = OpenableSerialPorts(*state().DVM1Comm, saved);
//     const QString id = ProbeSerialPort(*state().DVM1Comm, ports[k], *driver);

namespace SerialProbe {
constexpr int FirstPort = 1;
constexpr int LastPort = 16;
} // namespace SerialProbe

// A port's entry in a window's port list, "COM<n>", and back: the number from the
// entry's fourth character on, 0 when there is none.
QString SerialPortEntry(int number);
int PortNumberOfEntry(const QString &entry);

// A port number stored in the settings ("DVM1_CommPort", "ScannerCommPort"), default 1;
// a text that is no number, or out of range, reads as 0.
int PortNumberSetting(const QString &key);

// The port numbers from 1 to 16 that open and close again: a port that is missing, in
// use or refused by the system is left out. The port is closed first and set to
// portAfter at the end. An operation on the meter (MeterGate): nothing while another
// operation holds the meter, which the user is told in one message.
std::optional<QList<int>> OpenableSerialPorts(SerialPortControl &port, int portAfter);

// One port's identification: the port is closed, set to `number`, given to the driver
// (SetCommControl), opened, sent one bare CR to wake the meter, then asked with the
// driver's Identify (empty for an echo, "TIMEOUT" for silence), and closed again. The
// reply untrimmed. The log gets "Checking Port <number>" between the CR and the query. A
// port gone since it was listed gives no identification, only the driver's failure text.
QString ProbeSerialPort(SerialPortControl &port, int number, IDVM &driver, const ProbeLog &log = {});

// The port becomes the meter's link: "DVM1_Interface" = "RS232", "DVM1_CommPort" = the
// number; the port stays on it; DVM1 on RS232 through this port.
void UseSerialPort(SerialPortControl &port, int number);

struct SerialMeterSearch
{
    bool found = false;
    int port = 0;
    QString reply;      // the identification, trimmed
    QString resultText; // "Found <reply>On port <n>", the text the search reports
};

// The search's serial step: probes the listed ports in order (ProbeSerialPort) until one
// identifies itself as the meter, and uses it. Otherwise the port goes back to the saved
// "DVM1_CommPort". CommAbort is reset first. Log lines: per port "Checking Port <n>",
// then "Reply: <reply>" or "No Reply" (or resultText for the meter); "No Meter Found on
// serial ports" when none is the meter. A null port checks nothing.
SerialMeterSearch FindMeterOnSerial(SerialPortControl *port, const QList<int> &ports, const ProbeLog &log);
