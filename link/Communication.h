#pragma once
#include <QString>

class SerialPortControl;

// The meter's command protocol: the RS232 exchange, the pacing shared by every transport,
// and the setup-mode bracket around every sequence of writes.

// Sleeps before a transmission: 20 ms when the last one left less than 0.2 s ago, else 5 ms.
void PaceTransmission();
// Notes the time of a transmission for the next pacing.
void NoteTransmission();

// One command exchange over RS232. Nothing goes out while the port owes a reply (see
// LateReply): the exchange first waits for it. Returns the reply lines each followed by CR,
// "TIMEOUT", or the empty text (nothing awaited, or the port could not be used).
QString SerialSendString(SerialPortControl *port, const QString &Commandstring, bool WaitForAck, int timeout,
                         int PacketEndCondition);
// After an RS232 exchange gave up: waits, sending nothing, for its reply (see LateReply).
// The reply as the exchange would have given it, or the empty text when it did not come.
QString SerialAwaitLateReply(SerialPortControl *port, int timeout);
// One line from the RS232 input within the given seconds, without CR or LF, or the empty text.
QString ReadSerialLine(SerialPortControl *port, int seconds);

// Stores one of the meter's information lines ("&", the two-digit slot, the text) inside
// a setup-mode bracket; true when the meter answers "*0".
bool SendInformationLine(const QString &line);

// The setup-mode bracket; each is true when the meter answers "*0".
bool EnterSetupMode();
bool SendCalibratePassword();
bool ExitSetupMode();
