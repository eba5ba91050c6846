#include "link/MeterProbes.h"
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/USB.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"

#include <algorithm>

namespace {

// The search's USB probe waits this long for the meter's reply.
constexpr int SearchUsbWaitMs = 250;
// The search's Ethernet probe waits this long for the meter's one-line reply.
constexpr int SearchEthernetSeconds = 4;

void logLine(const ProbeLog &log, const QString &line)
{
    if (log)
        log(line);
}

// Each search judges replies with a meter driver of its own, whatever model the settings name.
std::unique_ptr<IDVM> searchJudge() { return CreateDVM(QStringLiteral("6450")); }

} // namespace

// --- USB ---

int ListUSBDevicesWithRetries()
{
    int count = 0;
    for (int attempt = 0; attempt < UsbProbe::ListAttempts && count == 0; ++attempt) {
        count = ListUSBDevices();
        appClock().sleepMs(UsbProbe::ListPauseMs);
    }
    return count;
}

bool SendUSBIdentityQuery(USBDevice &device)
{
    if (!OpenUSBDevice(device.SerialNumber, device.Handle)) {
        device.Handle = -1;
        return false;
    }
    UsbSettleBeforeWrite(device.SerialNumber, device.Handle, /*seconds*/ 1);
    UsbWrite(IdentityQueryCR, device.Handle);
    return true;
}

UsbIdentityReply TakeUSBIdentityReply(const USBDevice &device)
{
    FtdiApi &ftdi = *state().ftdi;
    UsbIdentityReply reply;
    reply.opened = true;
    quint32 waiting = 0, txQueue = 0, events = 0;
    if (ftdi.GetStatus(device.Handle, waiting, txQueue, events) == Ft::Ok && waiting > 0) {
        reply.answered = true;
        reply.line = UsbReadLine(device.Handle);
    }
    ftdi.Close(device.Handle);
    return reply;
}

UsbIdentityReply ProbeUSBDevice(USBDevice &device, int waitMs)
{
    if (!SendUSBIdentityQuery(device))
        return {};
    appClock().sleepMs(waitMs);
    return TakeUSBIdentityReply(device);
}

QList<UsbIdentityReply> ProbeUSBDevicesTogether(int count, bool keepLineEnds)
{
    QList<USBDevice> &devices = state().USBDevices;
    const int n = static_cast<int>(std::clamp<qsizetype>(count, 0, devices.size()));
    QList<UsbIdentityReply> replies(n);
    for (int i = 0; i < n; ++i)
        SendUSBIdentityQuery(devices[i]);
    appClock().sleepMs(UsbProbe::TogetherWaitMs);
    for (int i = 0; i < n; ++i) {
        USBDevice &device = devices[i];
        if (device.Handle <= 0)
            continue;
        UsbIdentityReply reply = TakeUSBIdentityReply(device);
        if (!keepLineEnds) {
            reply.line.remove(QLatin1Char('\r'));
            reply.line.remove(QLatin1Char('\n'));
        }
        device.Identity = reply.line;
        replies[i] = reply;
    }
    return replies;
}

void UseUSBDevice(const USBDevice &device)
{
    SharedState &s = state();
    s.USBDevice = device;
    SaveUSBSettings();
    if (IDVM *dvm = s.DVM1.get()) {
        dvm->SetInterfaceType(InterfaceUSB);
        dvm->SetUSBDevice();
    }
}

QString UsbDeviceHeader(const QString &description)
{
    return QStringLiteral("USB Device \"") + description + QStringLiteral("\" Found: ");
}

UsbMeterSearch FindMeterOnUSB(const ProbeLog &log)
{
    SharedState &s = state();
    const std::unique_ptr<IDVM> judge = searchJudge();

    const int count = ListUSBDevicesWithRetries();
    if (count == 0) {
        logLine(log, QStringLiteral("No USB Devices Found"));
        return {};
    }

    // A copy: the log lets the window system run, and a handler run there may list the
    // devices anew, replacing the shared list under the loop.
    const QList<USBDevice> devices = s.USBDevices.mid(0, count);
    for (qsizetype i = 0; i < devices.size(); ++i) {
        USBDevice device = devices[i];
        logLine(log, UsbDeviceHeader(device.Description));
        const UsbIdentityReply reply = ProbeUSBDevice(device, SearchUsbWaitMs);
        if (!reply.opened) {
            logLine(log, QStringLiteral("Open Failed"));
            // The listed device keeps the handle -1, as long as the list is the one walked.
            if (i < s.USBDevices.size() && s.USBDevices[i].SerialNumber == device.SerialNumber)
                s.USBDevices[i].Handle = -1;
            continue;
        }
        logLine(log, reply.answered ? reply.line : QStringLiteral("No reply"));
        if (judge->CheckIdentity(reply.line)) {
            logLine(log, QStringLiteral("Using USB Device ") + device.Description + QStringLiteral(" (")
                             + device.SerialNumber + QLatin1Char(')'));
            UseUSBDevice(device);
            return {true, device, reply.line};
        }
    }
    logLine(log, QStringLiteral("No Velkorande USB DMM Devices Found"));
    return {};
}

// --- Ethernet ---

bool IsMeterModule(const EthernetDevice &module)
{
    const QString &address = module.IPAddress.text();
    const bool addressFilled = !TrimBlanks(address).isEmpty() && address.at(0) != QChar(0);
    return addressFilled && module.Owner.text().toUpper() == QLatin1String("VELKORAN")
        && module.DeviceName.text().left(4).toUpper() == QLatin1String("6450");
}

QString ProbeEthernetModule(const EthernetDevice &module, const QString &query, int timeoutSeconds)
{
    state().EthernetDevice = module;
    return EthernetSendString(query, true, timeoutSeconds, /*one line*/ 0);
}

void UseEthernetModule(const EthernetDevice &module)
{
    SharedState &s = state();
    s.EthernetDevice = module;
    SaveEthernetSettings();
    if (IDVM *dvm = s.DVM1.get()) {
        dvm->SetInterfaceType(InterfaceEthernet);
        dvm->SetEthernetDevice();
    }
}

QList<EthernetDevice> FindMetersOnEthernet(const ProbeLog &log)
{
    SharedState &s = state();
    const std::unique_ptr<IDVM> judge = searchJudge();
    QList<EthernetDevice> meters;

    if (DiscoverEthernetDevices()) {
        s.SelectedMAC.clear();
        // A copy: the probes yield to the window system, and nothing there may change the
        // list under the loop.
        const QList<EthernetDevice> modules = s.EthernetDevices;
        for (qsizetype i = 1; i < modules.size(); ++i) {
            const EthernetDevice &module = modules[i];
            if (!IsMeterModule(module))
                continue;
            const QString reply = ProbeEthernetModule(module, IdentityQueryCR, SearchEthernetSeconds);
            if (judge->CheckIdentity(reply)) {
                EthernetDevice meter = module;
                meter.Identity = reply;
                meters.append(meter);
            } else {
                logLine(log, QStringLiteral("No Reply from Ethernet  ") + module.IPAddress.text());
            }
        }
    }
    if (meters.isEmpty())
        logLine(log, QStringLiteral("No Ethernet Devices"));
    return meters;
}

// --- Serial ports ---

QString SerialPortEntry(int number) { return QStringLiteral("COM") + QString::number(number); }

int PortNumberOfEntry(const QString &entry) { return TextConv::CInt(TextConv::Val(entry.mid(3))).value_or(0); }

int PortNumberSetting(const QString &key)
{
    const QString text = appSettings().GetSetting(SettingsStore::Section, key, QStringLiteral("1"));
    return TextConv::CInt(TextConv::Val(text)).value_or(0);
}

std::optional<QList<int>> OpenableSerialPorts(SerialPortControl &port, int portAfter)
{
    // Closing the meter's port and trying each port in turn would cut the link of an
    // operation under way.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return std::nullopt;
    if (port.PortOpen())
        port.setPortOpen(false);
    QList<int> openable;
    for (int number = SerialProbe::FirstPort; number <= SerialProbe::LastPort; ++number) {
        if (port.setCommPort(number) && port.setPortOpen(true) && port.setPortOpen(false))
            openable.append(number);
    }
    port.setCommPort(portAfter);
    return openable;
}

QString ProbeSerialPort(SerialPortControl &port, int number, IDVM &driver, const ProbeLog &log)
{
    if (!meterGate().mayExchange(IdentityQueryCR))
        return MeterGate::Refused;
    port.setPortOpen(false);
    port.setCommPort(number);
    driver.SetCommControl(&port);
    port.setPortOpen(true);
    port.Output(QStringLiteral("\r"));
    logLine(log, QStringLiteral("Checking Port ") + QString::number(number));
    const QString reply = driver.Identify();
    port.setPortOpen(false);
    return reply;
}

void UseSerialPort(SerialPortControl &port, int number)
{
    SettingsStore &settings = appSettings();
    settings.SaveSetting(SettingsStore::Section, QStringLiteral("DVM1_Interface"), QStringLiteral("RS232"));
    settings.SaveSetting(SettingsStore::Section, QStringLiteral("DVM1_CommPort"), QString::number(number));
    if (IDVM *dvm = state().DVM1.get()) {
        dvm->SetInterfaceType(InterfaceRS232);
        dvm->SetCommControl(&port);
    }
}

SerialMeterSearch FindMeterOnSerial(SerialPortControl *port, const QList<int> &ports, const ProbeLog &log)
{
    const std::unique_ptr<IDVM> judge = searchJudge();
    state().CommAbort = false;

    for (int k = 0; port && k < ports.size(); ++k) {
        const int number = ports[k];
        const QString reply = TrimBlanks(ProbeSerialPort(*port, number, *judge, log));
        if (judge->CheckIdentity(reply)) {
            const QString text = QStringLiteral("Found ") + reply + QStringLiteral("On port ") + QString::number(number);
            logLine(log, text);
            UseSerialPort(*port, number);
            return {true, number, reply, text};
        }
        logLine(log, reply.isEmpty() ? QStringLiteral("No Reply") : QStringLiteral("Reply: ") + reply);
    }

    if (port) {
        port->setPortOpen(false);
        port->setCommPort(PortNumberSetting(QStringLiteral("DVM1_CommPort")));
    }
    logLine(log, QStringLiteral("No Meter Found on serial ports"));
    return {};
}
