#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <memory>

// The GPIB (IEEE 488) calls the program makes, in the form the common GPIB libraries
// publish them: device-level calls that return the status word, with the status, error
// code and byte counts of the last call kept per thread. Registered status values (below)
// are filled by the backend after every call.

namespace Gpib {
// Status-word bits.
constexpr int ERR = 0x8000;  // the call failed; the error code says why
constexpr int TIMO = 0x4000; // the call's time-out ran out
constexpr int END = 0x2000;  // a read ended at EOI or the end-of-string character
constexpr int CMPL = 0x0100; // the call completed

// Error codes.
constexpr int EDVR = 0;  // system error
constexpr int ENOL = 2;  // no listener took the bytes
constexpr int EARG = 4;  // bad argument
constexpr int EABO = 6;  // the transfer was aborted (time-out)
constexpr int ENEB = 7;  // no GPIB board
constexpr int EBUS = 14; // bus error
constexpr int ELCK = 21; // the board is locked by another program

// ibdev arguments the program uses.
constexpr int T10s = 13;    // time-out code: 10 seconds
constexpr int REOS = 0x400; // end-of-string mode: end a read at the character in the low byte
} // namespace Gpib

// The status values of the calling thread as the library leaves them after a call:
// status word, error code, byte count and long byte count.
struct GpibThreadGlobals
{
    qint32 status = 0;
    qint32 error = 0;
    qint32 count = 0;
    qint32 longCount = 0;
};

class GpibApi
{
public:
    virtual ~GpibApi() = default;

    // Registers the thread's status values: after every later call the backend writes the
    // call's status into *globals. Results: 0 registered; 1 already registered (unregister
    // and register again); 2 the system is not multi-threaded; 3 cannot register; other
    // values are unknown failures.
    virtual int RegisterGpibGlobalsForThread(GpibThreadGlobals *globals) = 0;
    virtual int UnregisterGpibGlobalsForThread() = 0;

    // A device descriptor for the instrument at this primary address on board boardIndex,
    // or -1. tmo is a time-out code, eot 1 asserts EOI with the last byte written, eos the
    // end-of-string mode.
    virtual int ibdev(int boardIndex, int pad, int sad, int tmo, int eot, int eos) = 0;
    // Sends the selected device clear.
    virtual int ibclr(int ud) = 0;
    // Checks for a listener at the address on the board of ud; listener non-zero when one answered.
    virtual int ibln(int ud, int pad, int sad, short &listener) = 0;
    // Writes all the bytes, EOI as the descriptor says.
    virtual int ibwrt(int ud, const QByteArray &bytes) = 0;
    // Reads at most buffer.size() bytes into the start of buffer (the rest is untouched);
    // the read ends at EOI, at the end-of-string character, at the count or at the time-out.
    virtual int ibrd(int ud, QByteArray &buffer) = 0;
    // 0 takes the descriptor off line (releases it), 1 brings it back.
    virtual int ibonl(int ud, int v) = 0;
};

// The system's GPIB library, loaded at run time on the first call: libgpib.so.0
// (linux-gpib or anything exporting the same calls, such as the stand-in the simulator
// builds). It keeps its status per thread behind ThreadIbsta/ThreadIberr/ThreadIbcnt/
// ThreadIbcntl and has no registration call, so registration always succeeds and the
// status is copied after every call. Without the library every call fails as on a system
// without a board (ERR, error 7).
class LinuxGpibApi : public GpibApi
{
public:
    // The library is found by the dynamic linker's search path (LD_LIBRARY_PATH included).
    explicit LinuxGpibApi(const char *library = "libgpib.so.0");
    ~LinuxGpibApi() override;
    LinuxGpibApi(const LinuxGpibApi &) = delete;
    LinuxGpibApi &operator=(const LinuxGpibApi &) = delete;

    // True when the library and every call it needs were found (loads it if not yet done).
    bool loaded();

    int RegisterGpibGlobalsForThread(GpibThreadGlobals *globals) override;
    int UnregisterGpibGlobalsForThread() override;
    int ibdev(int boardIndex, int pad, int sad, int tmo, int eot, int eos) override;
    int ibclr(int ud) override;
    int ibln(int ud, int pad, int sad, short &listener) override;
    int ibwrt(int ud, const QByteArray &bytes) override;
    int ibrd(int ud, QByteArray &buffer) override;
    int ibonl(int ud, int v) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
