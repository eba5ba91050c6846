#pragma once
#include <QList>
#include <QString>

// Probes of the FTDI devices for the meter, on the USB transport's own calls.

// Lists the attached devices into state().USBDevices: up to five listings, each followed
// by a 250-ms pause, until one finds a device. Returns the number found (0: none).
int ListUSBDevicesPatiently();

// What the probe of one device found.
struct USBProbeResult
{
    bool opened = false; // false: the device could not be opened and was not asked
    QString reply;       // the line it sent; empty when it sent nothing in time
};

// Asks the first count entries of state().USBDevices for their identification all at
// once: opens each and sends "*IDN?" with a CR (a device that cannot be opened gets
// handle -1), pauses 500 ms once for all, then from each opened device that has bytes
// waiting reads one line, and closes it. The line is stored in the device's Identity
// either as read (keepLineEnds) or with every CR and LF removed. No device stays open.
QList<USBProbeResult> ProbeUSBDevicesTogether(int count, bool keepLineEnds);
