#include "link/USBProbe.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"

#include <algorithm>

namespace {

constexpr int ListAttempts = 5;
constexpr int PauseAfterListingMs = 250;
// One pause for all devices between the question and the replies.
constexpr int ReplyPauseMs = 500;

} // namespace

int ListUSBDevicesPatiently()
{
    int count = 0;
    for (int attempt = 0; attempt < ListAttempts && count == 0; ++attempt) {
        count = ListUSBDevices();
        appClock().sleepMs(PauseAfterListingMs);
    }
    return count;
}

QList<USBProbeResult> ProbeUSBDevicesTogether(int count, bool keepLineEnds)
{
    SharedState &s = state();
    const int n = static_cast<int>(std::clamp<qsizetype>(count, 0, s.USBDevices.size()));
    QList<USBProbeResult> results(n);
    for (int i = 0; i < n; ++i) {
        USBDevice &device = s.USBDevices[i];
        if (OpenUSBDevice(device.SerialNumber, device.Handle))
            UsbWrite(QStringLiteral("*IDN?\r"), device.Handle);
        else
            device.Handle = -1;
    }
    appClock().sleepMs(ReplyPauseMs);
    for (int i = 0; i < n; ++i) {
        USBDevice &device = s.USBDevices[i];
        if (device.Handle <= 0)
            continue;
        QString reply;
        quint32 waiting = 0, txQueue = 0, events = 0;
        if (s.ftdi->GetStatus(device.Handle, waiting, txQueue, events) == Ft::Ok && waiting > 0)
            reply = UsbReadLine(device.Handle);
        if (!keepLineEnds) {
            reply.remove(QLatin1Char('\r'));
            reply.remove(QLatin1Char('\n'));
        }
        device.Identity = reply;
        results[i] = {true, reply};
        s.ftdi->Close(device.Handle);
    }
    return results;
}
