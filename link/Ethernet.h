#pragma once
#include "link/DeviceRecords.h"

#include <QString>

// The Ethernet transport: the meter's serial-to-Ethernet module reached over UDP through
// the main window's two sockets. state().UDPCommand speaks the module's own protocol by
// broadcast to port 32767; state().UDPData carries meter commands to the module's IP
// address and data port. The module of the current exchange is state().EthernetDevice;
// discovery fills state().EthernetDevices from index 1.

namespace Ethernet {
inline const QString BroadcastAddress = QStringLiteral("255.255.255.255");
constexpr int ModuleCommandPort = 32767;
// Datagrams one discovery (or one drain of a socket) reads at most: a flood of datagrams
// must not keep it reading, nor grow the list of modules, without end.
constexpr int MaxDatagramsPerRead = 1000;
// A meter reply longer than this is no reply (the longest table is some 60 000 characters):
// a stream of data that never completes ends as "TIMEOUT" instead of growing for ever.
constexpr int MaxReplyChars = 1 << 20;
} // namespace Ethernet

// Fills a record from one discovery reply (a datagram beginning with "A") and its sender,
// by position: "A" MAC "/" port "/" two characters, Flag1, Flag2, Flag3, text "/" text "/"
// Owner "/" DeviceName. RawReply and IPAddress are always stored. With one "/" only the
// MAC address follows; with two to four, also Port and the three flags (a flag past the
// end of the reply is stored blank); Owner and DeviceName need all five "/" and stay as
// they were otherwise. A port that is no number, or outside a 32-bit Long, gives 0.
// Returns true when the reply carried a MAC address (it holds a "/").
bool ParseDiscoveryReply(const QString &datagram, const QString &senderIP, EthernetDevice &device);

// Whether the reply text gathered so far is complete. End condition 0: it holds a CR.
// 1: the first "*" is followed by a digit and a CR. Any other value never completes.
bool EthernetReplyComplete(const QString &reply, int PacketEndCondition);

// Broadcasts "X" and gathers the modules' replies into EthernetDevices (entry 0 unused).
// True when at least one reply with a MAC address was stored. When no module answers
// within about a second the list is left as it was. Does not yield.
bool DiscoverEthernetDevices();

// Selects the module SelectedMAC with "W" and its MAC address, then sends the command
// text as it stands (no CR). The module's reply when it begins with "A", else the empty
// text (no module selected, no acknowledgement, a socket fault). Does not yield.
QString SendConfigCommand(const QString &command);

// Sends a text unchanged by broadcast to every module's command port (no module selected
// first, no answer read). False when it could not be sent.
bool BroadcastModuleCommand(const QString &command);

class UdpSocketControl;

// The receive path of the data socket: from now on every datagram arriving on UDPData is
// appended to UdpRxBuffer, where EthernetSendString gathers its reply (the data-arrival
// handler). Whoever makes the data socket calls this once.
void ConnectEthernetReceive(UdpSocketControl &UDPData);

// One meter command exchange with the global EthernetDevice: the command and a CR go to
// its IP address and data port on UDPData; the reply gathers from UdpRxBuffer, yielding
// to the window system at every 50-ms step. Returns the reply, "TIMEOUT" when no complete
// reply came within timeout x 20 steps after the last data, or the empty text (no reply
// awaited, no address or port, a socket error - which is also shown in a message box).
QString EthernetSendString(const QString &Commandstring, bool WaitForAck, int timeout, int PacketEndCondition);

// After an exchange with the module of state().EthernetDevice gave up: waits, sending
// nothing, for its reply (see LateReply); the window system runs meanwhile. The reply, or
// the empty text when it did not come.
QString EthernetAwaitLateReply(int timeout);

// The global EthernetDevice's IPAddress, Port and MACAddress from/to the settings store
// ("Ethernet_IP", "Ethernet_Port", "Ethernet_MAC"); saving writes "DVM1_Interface" =
// "Ethernet" first and keeps the fixed-length fields at their full width, blanks and all.
void LoadEthernetSettings();
void SaveEthernetSettings();
