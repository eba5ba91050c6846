#pragma once
#include "link/platform/Ftdi.h"

#include <QByteArray>
#include <functional>

class Clock;

// The receive side of one open FTDI device. The chip hands its bytes over in USB
// transfers, and a transfer takes everything the chip holds: so the bytes a status call
// fetched to count them are kept here, and later reads take them first. Every byte the
// chip delivers is read exactly once, whatever mix of status calls and reads comes.
class FtdiReadAhead
{
public:
    // One transfer from the chip: appends what arrived (possibly nothing) to chunk. It
    // waits at most the chip's latency time.
    using Transfer = std::function<FtStatus(QByteArray &chunk)>;

    FtdiReadAhead(Clock &clock, Transfer transfer);

    // The status call: one transfer, then the number of bytes waiting to be read.
    FtStatus status(quint32 &waiting);
    // Reads up to toRead bytes into buffer (replaced), waiting up to readTimeoutMs for
    // them to arrive; what has arrived by then is returned, the rest stays with the chip.
    FtStatus read(QByteArray &buffer, quint32 toRead, quint32 &bytesRead);
    // Returns as soon as bytes are waiting (true), or after ms milliseconds, or at once
    // when a transfer fails (false).
    bool waitForData(int ms);

    quint32 readTimeoutMs = 5000;

private:
    FtStatus fill();
    // A transfer that returned at once: wait a moment instead of spinning.
    void pauseIfNoTimePassed(qint64 before);

    Clock &m_clock;
    Transfer m_transfer;
    QByteArray m_pending; // taken from the chip, not yet read by the caller
};
