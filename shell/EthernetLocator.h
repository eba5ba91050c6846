#pragma once
#include "link/DeviceRecords.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class UserInteraction;

// The plain logic of the "Ethernet-Serial Setup" window, kept apart from it: the module
// list's rows, the module configuration sequences as tables of commands, reply tests and
// messages, and the IP address generator.
namespace EthernetLocator {

// Window heights in twips: the modules band alone (collapsed) or with the setup band
// below it ("Advanced <<"), each plus the margin the caption and borders take.
constexpr int ModulesBandHeight = 2880;
constexpr int SetupBandHeight = 1875;
constexpr int HeightMargin = 500;

// What Text_IP offers before the user types or generates one: an example private address.
inline const QString ExampleIP = QStringLiteral("192.168.1.200");

// The "DHCP" column: "Off" for "M", "OK" for "I", "Failed" for any other letter.
QString DhcpText(const QString &Flag2);

// A module's row of the list without its "Reply": IP, MAC, Port, DHCP, Owner, Device,
// the fixed-length fields as stored (with their filling blanks).
QStringList ModuleRow(const EthernetDevice &module);

// How a configuration step judges the module's reply (the transport hands back the reply
// only when it begins with "A", else the empty text).
enum class ReplyTest {
    BeginsWithA, // any acknowledgement, "A" with or without more characters
    ExactlyA,    // the one-character acknowledgement only
    Ignored,     // the module reboots or flashes: whatever comes back
};
bool ReplyPasses(ReplyTest test, const QString &reply);

// A message box: its text, style (buttons and icon, Msg::Style) and title.
struct Message
{
    QString text;
    int style = 0;
    QString title;
    bool operator==(const Message &) const = default;
};

// One command of a sequence: what is sent, how the reply is judged, and the box shown
// when it fails (the sequence then ends; nothing is undone).
struct Step
{
    QString command;
    ReplyTest test = ReplyTest::Ignored;
    Message failure;
};

// A configuration sequence and what follows its last step.
struct Sequence
{
    bool checksSelection = false; // "Select Target Device" and nothing sent when no module is selected
    bool hourglass = false;       // the pointer shows the hourglass until the sequence ends
    QList<Step> steps;
    bool thenReboot = false;          // the reboot sequence follows, with its own check and login
    std::optional<Message> doneMessage; // shown after the last step (before any wait)
    int waitMs = 0;                     // then a wait for the module's reboot and a new search
    std::optional<Message> finalMessage; // shown at the very end (after the search)
};

// The sequences of the setup buttons.
Sequence Reboot();                       // "Reboot"
Sequence SetNames();                     // "Setup Device Name"
Sequence Initialise();                   // "Initialise Module"
Sequence SetIP(const QString &address);  // "Set IP": the address as it stands, even empty
Sequence SetDhcp(bool on);               // "DHCP on" / "DHCP Off"
Sequence FlashLeds();                    // "Flash Status LEDs": one "B", nothing judged

// The box shown when a sequence needs a selected module and none is.
Message SelectTargetDevice();
// The search's box when no module answered.
Message NoDevicesFound();
// The generator's box when no address can be made.
Message GenerateFailed();

// Sends the steps in order through `send`; at the first reply that fails its test, shows
// that step's box and returns false (later steps are not sent). Once `carryOn` answers
// false (the window closed), returns false at once, sending and showing nothing more.
bool RunSteps(const QList<Step> &steps, const std::function<QString(const QString &)> &send, UserInteraction &ui,
              const std::function<bool()> &carryOn = {});

// Shows a message box.
void Show(const Message &message, UserInteraction &ui);

// An address 1 to 10 above this machine's own (ownAddress, dotted IPv4): the first three
// numbers kept, the last one n + 1 + Int(r x 10) with 0 <= r < 1. A last number above
// 254 wraps round to the bottom (255 gives 1; 255 itself is the broadcast address), so no
// impossible address is offered. Nothing when ownAddress is no dotted IPv4 address.
std::optional<QString> GenerateIP(const QString &ownAddress, double r);

} // namespace EthernetLocator
