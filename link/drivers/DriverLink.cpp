#include "link/drivers/DriverLink.h"
#include "link/Communication.h"
#include "link/IDVM.h"
#include "link/VBIB32.h"

QString SendOverLink(DriverLink &link, const QString &command, bool WaitForAck, int timeout, int PacketEndCondition,
                     UsbOpenFailureReply usbOpenFailure)
{
    switch (link.InterfaceType) {
    case InterfaceRS232:
        return SerialSendString(link.CommControl, command, WaitForAck, timeout, PacketEndCondition);
    case InterfaceGPIB:
        // The other three arguments do not apply: one read always follows the write.
        return GpibSendString(link.GPIBAddress, command);
    case InterfaceUSB:
        return SendOverUsb(link, command, WaitForAck, timeout, PacketEndCondition, usbOpenFailure);
    case InterfaceEthernet:
        return SendOverEthernet(link, command, WaitForAck, timeout, PacketEndCondition);
    default:
        return {};
    }
}

QString AwaitLateReplyOverLink(DriverLink &link, int timeout)
{
    switch (link.InterfaceType) {
    case InterfaceRS232:
        return SerialAwaitLateReply(link.CommControl, timeout);
    case InterfaceUSB:
        return AwaitOverUsb(link, timeout);
    case InterfaceEthernet:
        return AwaitOverEthernet(link, timeout);
    default:
        return QStringLiteral("TIMEOUT");
    }
}
