#pragma once
#include <QString>
#include <QtGlobal>

// The meter's USB port: an FTDI USB-to-serial bridge reached through state().ftdi. The
// device is opened and closed around every command exchange. Commands and replies cross
// as Latin-1, one byte per character.

// Status values of UsbSendString.
enum UsbExchangeStatus : qint32 { UsbReplyComplete = 0, UsbOpenFailed = 1, UsbTimedOut = 2 };

// Lists the attached devices into state().USBDevices: entries 0 to n-1 hold them and one
// empty entry follows. Returns n; 0 when none is attached or the listing failed (a failed
// count leaves the list as it was; a failure half-way keeps the entries filled so far).
int ListUSBDevices();

// Opens the device with this serial number at 9600 baud, 8N1, no flow control, 5-s read
// time-out. True with the handle set; false (no handle left open, handle untouched)
// when the serial number is empty or opening or a line setting fails.
bool OpenUSBDevice(const QString &serialNumber, qint32 &handle);

// Before a text is written to an open device outside UsbSendString (a probe): drops what
// the device holds and first waits for a reply it still owes (see LateReply), so the
// probe's answer is its own.
void UsbSettleBeforeWrite(const QString &serialNumber, qint32 handle, int timeout);

// Writes the text; true only when every character was written.
bool UsbWrite(const QString &text, qint32 handle);

// One command exchange with the device of state().USBDevice: open, send the command and
// a CR, poll for the reply, close. PacketEndCondition 0 ends the reply at a read whose
// last byte is CR or LF; 1 when the first "*" of the reply is followed by a digit and a
// CR. The exchange gives up after timeout x 20 polls of 50 ms without new data (status
// UsbTimedOut, the text received so far), and at once on a library error or a reply that
// grows past UsbReplyLimit without completing. A device that cannot be opened gives
// UsbOpenFailed and sets CommAbort. An empty serial number returns the empty text and
// leaves status as it was.
// Nothing goes out while the device owes a reply (see LateReply): the exchange first waits
// for it. A command sent without waiting (awaited false) owes nothing when it gives up.
QString UsbSendString(const QString &command, qint32 &status, int timeout, int PacketEndCondition,
                      bool awaited = true);

// After an exchange with the device of state().USBDevice gave up: waits, sending nothing,
// for its reply (see LateReply). The reply, or the empty text when it did not come.
QString UsbAwaitLateReply(int timeout);

// The longest reply an exchange gathers: far above the meter's largest table, so only a
// device that streams without end reaches it.
constexpr qsizetype UsbReplyLimit = 256 * 1024;

// One line from an open device, with the CR or LF that ended it, or the first 101
// characters of a longer one; the empty text when nothing came within the read time-out
// or the device failed (a partial line is discarded).
QString UsbReadLine(qint32 handle);

// Stores state().USBDevice as the chosen device ("DVM1_Interface" = "USB", "USB_Name",
// "USB_SerialNumber"), and reads it back (handle 0, no identity, not busy).
void SaveUSBSettings();
void LoadUSBSettings();

// For the main window's close: when an exchange is under way on state().USBDevice,
// closes its handle so the device is released.
void CloseUSBDeviceIfOpen();
