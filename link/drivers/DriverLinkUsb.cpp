#include "link/SharedState.h"
#include "link/USB.h"
#include "link/drivers/DriverLink.h"

QString SendOverUsb(DriverLink &link, const QString &command, bool WaitForAck, int timeout, int PacketEndCondition,
                    UsbOpenFailureReply usbOpenFailure)
{
    // The driver's own record guards against a second exchange of the same driver.
    if (link.USBDevice.Busy)
        return QStringLiteral("BUSY");
    link.USBDevice.Busy = -1;
    // The transport works on the global record: point it at this driver's device.
    state().USBDevice = link.USBDevice;

    qint32 status = UsbReplyComplete;
    QString reply;
    if (WaitForAck) {
        reply = UsbSendString(command, status, timeout, PacketEndCondition);
    } else {
        // Even a command sent without waiting waits up to a second for one line; its text
        // is dropped.
        UsbSendString(command, status, 1, 0, /*awaited*/ false);
    }
    if (status == UsbTimedOut || (status == UsbOpenFailed && usbOpenFailure == UsbOpenFailureReply::Timeout))
        reply = QStringLiteral("TIMEOUT");

    link.USBDevice.Busy = 0;
    return reply;
}

QString AwaitOverUsb(DriverLink &link, int timeout)
{
    if (link.USBDevice.Busy)
        return QStringLiteral("BUSY");
    link.USBDevice.Busy = -1;
    state().USBDevice = link.USBDevice;
    const QString reply = UsbAwaitLateReply(timeout);
    link.USBDevice.Busy = 0;
    return reply;
}
