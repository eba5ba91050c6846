#pragma once
#include "link/DeviceRecords.h"
#include "shell/Locators.h"

#include <QList>
#include <QString>

// The rules of the USB locator, kept apart from its window: its heights, the rows of its
// device list, which reply names the meter, which row Select Device takes, and the
// commands and output of its test terminal.
namespace USBLocator {

// Heights in twips: the device band (the frame "USB"), the terminal band (the frame
// "Test Communication"), and what the window adds to them.
constexpr int UsbBandHeight = 2415;
constexpr int TestBandHeight = 2355;
constexpr int HeightMargin = 500;
// The window's width in twips, and what its caption and borders take of the heights
// above (the rest is the client area Qt sizes).
constexpr int WindowWidth = 8280;
constexpr int BorderWidth = 120;
constexpr int CaptionHeight = 375;

// The window's outer height: the device band alone, or both bands.
int WindowHeight(bool advanced);
// The Advanced button's caption, as the Ethernet locator has it too.
using Locators::AdvancedCaption;
using Locators::OpensAdvancedView;

// One row of the device list: the columns "Name", "Serial Number" and "Reply".
struct Row
{
    QString name;
    QString serialNumber;
    QString reply;
    bool operator==(const Row &) const = default;
};

// The text of the single row shown when no device is attached.
inline const QString NoDevicesRow = QStringLiteral("No USB Devices Detected");
// The reply column of a probed device that sent nothing.
inline const QString NoReply = QStringLiteral("No Reply");
// The reply column before a probe.
inline const QString NotProbed = QStringLiteral("-");

// The rows for the first count devices of a listing, in listing order, their replies not
// yet probed; the serial numbers with blanks trimmed unless told otherwise. No device:
// the single row "No USB Devices Detected".
QList<Row> ListRows(const QList<USBDevice> &devices, int count, bool trimSerialNumbers = true);
// A probe's reply as the reply column shows it: "No Reply" when empty.
QString ReplyColumn(const QString &reply);
// Whether Autolocate takes a device with this identification reply: the maker's name (in
// any case) together with "6450", or "6440" with or without the maker's name.
bool NamesTheMeter(const QString &identity);
// The first device from 0 to the list's upper bound - 1 whose identity names the meter;
// -1 when none does.
int FirstMeter(const QList<USBDevice> &devices);
// Autolocate's message for the device it selected.
QString AutolocateMessage(const USBDevice &device);
// Whether the adapter-ID search takes a device by its description: it holds the maker's
// name (in any case) or "232".
bool IsAdapter(const QString &description);

// Which entry of the listing Select Device takes. rowCount and selectedRow describe the
// list (rows numbered from 1, 0 when none is selected); listedCount is how many devices
// the listing found. A single row is taken whether selected or not; with no device
// listed (the row "No USB Devices Detected") there is nothing to take.
struct Selection
{
    bool refused = false; // "No Device Selected"
    int entry = -1;
};
Selection SelectedEntry(int rowCount, int selectedRow, int listedCount);

// The commands of the test terminal; a typed one is sent as the Ethernet locator's is.
using Locators::TerminalCommand;
using Locators::TypedCommand;
// Every terminal command gives up after this many seconds without data.
constexpr int TerminalTimeoutSeconds = 2;
TerminalCommand IdentifyCommand(); // "ID?": "*IDN?", one line
TerminalCommand DateCommand();     // "Date?": "a", up to the status token
// What a typed command appends to the terminal: the reply as received, then the failure
// text of the exchange's status (1 "Error Opening Device", 2 "Read Timeout") and a CR.
QString TypedCommandOutput(const QString &reply, int status);

} // namespace USBLocator
