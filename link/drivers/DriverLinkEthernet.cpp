#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "link/drivers/DriverLink.h"

// The transport works on the global record only: the driver's own module goes there
// first, so the exchange always serves the driver that calls it.
QString SendOverEthernet(DriverLink &link, const QString &command, bool WaitForAck, int timeout,
                         int PacketEndCondition)
{
    state().EthernetDevice = link.EthernetDevice;
    return EthernetSendString(command, WaitForAck, timeout, PacketEndCondition);
}

QString AwaitOverEthernet(DriverLink &link, int timeout)
{
    state().EthernetDevice = link.EthernetDevice;
    return EthernetAwaitLateReply(timeout);
}
