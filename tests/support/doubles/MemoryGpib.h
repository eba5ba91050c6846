#pragma once
#include "link/platform/Gpib.h"

#include <QByteArray>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>

class Clock;
class InMemoryPeer;

// An in-memory GPIB bus for tests: instruments at primary addresses, each an InMemoryPeer
// that takes every write as one whole message (EOI ends it) and answers through its
// `deliver`; every delivered piece ends with EOI. Reads end at the end-of-string character
// (when the descriptor's mode asks for it), at EOI or at the buffer's size, and wait on the
// clock up to the descriptor's time-out. A device clear drops the instrument's pending
// output. Calls fill the registered status values as a GPIB library does.
class MemoryGpibBus : public GpibApi
{
public:
    struct Instrument
    {
        InMemoryPeer *peer = nullptr; // not owned
        std::function<int()> address; // where it listens now (a simulated meter can move)
        bool listening = true;        // false: present but takes nothing, finds no listener

        // What the program did with it.
        QList<QByteArray> written;
        int clears = 0;

        // Internal: output waiting to be read, and the positions where EOI came with a byte.
        QByteArray output;
        std::deque<qsizetype> eoiAfter;
    };

    explicit MemoryGpibBus(Clock &clock) : m_clock(clock) {}

    // An instrument at a fixed address; the reference stays valid for the life of the bus.
    Instrument &attach(int address, InMemoryPeer *peer);
    // An instrument that listens wherever address() says now (a simulated meter whose
    // "SYST:COMM:GPIB:ADDR" moves it: see tests/support/GpibMeter.h).
    Instrument &attach(std::function<int()> address, InMemoryPeer *peer);
    Instrument *at(int address);

    // Fault switches.
    bool noBoard = false;      // every call fails with error 7
    bool busError = false;     // opening and listener checks fail with error 14
    bool locked = false;       // opening fails with error 21
    bool readTimesOut = false; // every read runs into its time-out with nothing read
    int registrationResult = 0; // the first registration's result; later ones give 0

    // Every call, as "ibdev 15", "ibclr 15", "ibln 15", "ibwrt 15 <text>", "ibrd 15",
    // "ibonl 15 0" (device calls name the descriptor's address).
    QStringList calls;
    int registrations = 0;
    int unregistrations = 0;
    // Descriptors not yet taken off line.
    int openDescriptors() const { return static_cast<int>(m_descriptors.size()); }

    int RegisterGpibGlobalsForThread(GpibThreadGlobals *globals) override;
    int UnregisterGpibGlobalsForThread() override;
    int ibdev(int boardIndex, int pad, int sad, int tmo, int eot, int eos) override;
    int ibclr(int ud) override;
    int ibln(int ud, int pad, int sad, short &listener) override;
    int ibwrt(int ud, const QByteArray &bytes) override;
    int ibrd(int ud, QByteArray &buffer) override;
    int ibonl(int ud, int v) override;

private:
    struct Descriptor
    {
        int address = 0;
        int timeoutMs = 0;
        int eos = 0;
    };
    int report(int status, int error, qint32 count = 0);
    Instrument *listenerAt(int address);
    Descriptor *descriptor(int ud);

    Clock &m_clock;
    std::deque<Instrument> m_instruments;
    std::map<int, Descriptor> m_descriptors;
    int m_nextDescriptor = 32;
    GpibThreadGlobals *m_registered = nullptr;
};
