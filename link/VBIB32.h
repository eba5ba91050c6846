#pragma once
#include <QString>
#include <QtGlobal>

// The GPIB binding: wrappers around the library calls of state().gpib that register the
// thread's status values on first use and copy them into state().ibsta, iberr and ibcnt
// after every call; and one complete command exchange with an instrument. Without a
// library installed (state().gpib empty) every call fails as without a board (iberr 7).
// Texts cross the bus as Latin-1, one byte per character.

// The settings the program opens every device with: board 0, no secondary address,
// 10-s time-out, EOI with the last byte written, reads end at LF.
namespace GpibDevice {
constexpr int Board = 0;
constexpr int SecondaryAddress = 0;
constexpr int TimeoutCode = 13; // 10 seconds
constexpr int EoiMode = 1;
constexpr int EosMode = 0x40A; // end reads at the character 10 (LF)
} // namespace GpibDevice

// The low 16 bits, sign-extended: bit 15 set gives a negative value.
int LowWordToInteger(qint32 value);
// ibsta, iberr and ibcnt from the registered values.
void CopyGpibStatus();
// Registers the status values with the library. A failure shows its message (critical)
// and ends the program through state().EndProgramNow; the flag then stays clear.
void RegisterGpibGlobals();

// The wrappers, one per library call.
int GpibOpenDevice(int boardIndex, int primaryAddress, int secondaryAddress, int timeoutCode, int eoiMode,
                   int eosMode);
void GpibClear(int descriptor);
// Non-zero when a listener answered at the address.
int GpibFindListener(int boardIndex, int primaryAddress, int secondaryAddress);
void GpibWrite(int descriptor, const QString &text);
// Reads at most buffer.size() characters over the start of buffer.
void GpibRead(int descriptor, QString &buffer);
void GpibOnline(int descriptor, int value);

// A descriptor for the instrument at the address with the program's device settings.
int GpibOpenAt(int primaryAddress);

// Why opening a descriptor failed, judged from iberr after the open: "GPIB Interface Not
// Installed" (no board), "No GPIB Devices on Bus" (bus error), "GPIB Already Locked" (board
// locked) or "Error initalising GPIB" (descriptor -1 for another reason); the empty text
// when the descriptor is usable.
QString GpibOpeningFailure(int descriptor);

// A short question to the instrument at the address: open, device clear, write the command
// and LF, and, when the write went through, read at most maxChars characters; the
// descriptor is taken off line again. Returns the reply trimmed of blanks, or the empty text
// when the write failed. No retries and no pauses, unlike GpibSendString.
QString GpibQuery(int address, const QString &command, int maxChars);

// The longest reply GpibSendString reads.
constexpr int GpibReplyLimit = 2000;

// One command exchange with the instrument at the address: open, clear, write the command
// unchanged (EOI marks its end), read one reply, take the descriptor off line. Returns the
// reply trimmed of blanks only (CR and LF stay), cut at GpibReplyLimit; "False" when no
// descriptor was obtained (GpibOpeningFailure names a failure); the empty text when no
// listener answered or the write failed. opened turns true once a descriptor is obtained,
// written once the write phase is passed.
QString GpibSendString(int address, const QString &command, bool &written, bool &opened);
QString GpibSendString(int address, const QString &command);
