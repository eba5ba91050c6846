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
    QString reply;
    switch (link.InterfaceType) {
    case InterfaceRS232:
        reply = SerialAwaitLateReply(link.CommControl, timeout);
        break;
    case InterfaceUSB:
        reply = AwaitOverUsb(link, timeout);
        break;
    case InterfaceEthernet:
        reply = AwaitOverEthernet(link, timeout);
        break;
    default:
        break; // GPIB never owes a reply
    }
    return reply.isEmpty() ? QStringLiteral("TIMEOUT") : reply;
}
