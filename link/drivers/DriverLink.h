#pragma once
#include "link/DeviceRecords.h"

#include <QString>

class SerialPortControl;

// The link a driver keeps: what the connection dialogs give it, and its own copies of the
// USB and Ethernet device records.
struct DriverLink
{
    int InterfaceType = 0; // InterfaceTypeCode
    SerialPortControl *CommControl = nullptr;
    int GPIBAddress = 0;
    struct USBDevice USBDevice;
    struct EthernetDevice EthernetDevice;
};

// What a driver answers when its USB device cannot be opened: the meter gives the empty
// text, the calibrators "TIMEOUT".
enum class UsbOpenFailureReply { EmptyText, Timeout };

// Sends one command over the driver's link by its interface type; the one transport
// dispatch every driver shares. The reply keeps any LF; failures come back as text.
QString SendOverLink(DriverLink &link, const QString &command, bool WaitForAck, int timeout, int PacketEndCondition,
                     UsbOpenFailureReply usbOpenFailure);

// After SendOverLink gave up on a reply: waits over the same link, sending nothing, for
// that reply (see LateReply). The reply (LFs kept), or "TIMEOUT" when it did not come or
// the link never owes one (GPIB).
QString AwaitLateReplyOverLink(DriverLink &link, int timeout);

// The USB and Ethernet branches of the dispatch (one file each, beside their transports).
QString SendOverUsb(DriverLink &link, const QString &command, bool WaitForAck, int timeout, int PacketEndCondition,
                    UsbOpenFailureReply usbOpenFailure);
QString SendOverEthernet(DriverLink &link, const QString &command, bool WaitForAck, int timeout,
                         int PacketEndCondition);
QString AwaitOverUsb(DriverLink &link, int timeout);
QString AwaitOverEthernet(DriverLink &link, int timeout);
