#include "link/drivers/DriverLink.h"

// The USB transport is not built yet: a driver on USB has no link.
QString SendOverUsb(DriverLink &, const QString &, bool, int, int, UsbOpenFailureReply) { return {}; }
