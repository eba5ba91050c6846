#include "link/drivers/DriverLink.h"
#include "link/Communication.h"
#include "link/IDVM.h"

QString SendOverLink(DriverLink &link, const QString &command, bool WaitForAck, int timeout, int PacketEndCondition,
                     UsbOpenFailureReply usbOpenFailure)
{
    switch (link.InterfaceType) {
    case InterfaceRS232:
        return SerialSendString(link.CommControl, command, WaitForAck, timeout, PacketEndCondition);
    case InterfaceGPIB:
        // No GPIB binding in this build: the bus answers as a system without a GPIB board.
        return QStringLiteral("False");
    case InterfaceUSB:
        return SendOverUsb(link, command, WaitForAck, timeout, PacketEndCondition, usbOpenFailure);
    case InterfaceEthernet:
        return SendOverEthernet(link, command, WaitForAck, timeout, PacketEndCondition);
    default:
        return {};
    }
}
