#pragma once
#include "tests/sim/core/SimMeter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QThread>
#include <deque>

// Simulated meters on a GPIB bus, served to the stand-in GPIB library (tests/sim/gpib)
// over a Unix socket, so the real program can be tried on GPIB without a board.
//
// Each meter listens at the address its own state holds, so "SYST:COMM:GPIB:ADDR" moves it.
// A write is one whole message (EOI ends it); every reply the meter emits ends with EOI.
// A read ends at the end-of-string character (when one is asked for), at EOI or at the
// count, or runs into its time-out with what had arrived. A device clear drops the
// meter's pending output.
//
// The socket protocol, one request at a time, each answered before the next:
//   "LN <pad>\n"                         -> "1\n" (a listener answered) or "0\n"
//   "CLR <pad>\n"                        -> "OK\n" or "NOL\n" (no listener)
//   "WRT <pad> <n>\n" and n bytes        -> "OK\n" or "NOL\n"
//   "RD <pad> <max> <eos> <timeout ms>\n" -> "OK <n> <end>\n" and n bytes (end 1: EOI or
//                                           the end-of-string character ended it),
//                                           "TMO <n>\n" and n bytes, or "NOL\n".
//   <eos> is the end-of-string character's code, or -1 for none.
namespace metersim {

class SimGpibBus
{
public:
    // The meter must outlive the bus.
    void attach(SimMeter &meter);

    bool listener(int address) const;
    bool clear(int address);
    bool write(int address, const QByteArray &message, qint64 nowMs, const QDateTime &wallNow);

    struct Read
    {
        bool listener = true;
        bool timedOut = false;
        bool end = false;   // ended by EOI or the end-of-string character
        QByteArray bytes;
        qint64 readyAtMs = 0; // when the read returns
    };
    // A read starting at nowMs; takes the bytes it returns off the meter's output.
    Read read(int address, int maxBytes, int eos, qint64 nowMs, qint64 timeoutMs);

private:
    struct Device
    {
        SimMeter *meter = nullptr;
        std::deque<Emission> output; // emissions not yet read, in time order
    };
    Device *at(int address);
    const Device *at(int address) const;

    QList<Device> m_devices;
};

// Serves a SimGpibBus on a Unix socket, on its own thread with real time.
class GpibSocketServer
{
public:
    GpibSocketServer();
    ~GpibSocketServer();
    GpibSocketServer(const GpibSocketServer &) = delete;
    GpibSocketServer &operator=(const GpibSocketServer &) = delete;

    // Listens at the path (an old socket file there is removed). The bus must outlive the server.
    bool serve(SimGpibBus &bus, const QString &path, QString *error = nullptr);

private:
    struct Worker;
    QThread m_thread;
    Worker *m_worker = nullptr;
};

// Where the stand-in library and metersim meet unless told otherwise: the variable
// METERSIM_GPIB_SOCKET, else /tmp/metersim-gpib-<uid>.sock.
QString defaultGpibSocketPath();

} // namespace metersim
