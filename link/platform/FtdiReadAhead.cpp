#include "link/platform/FtdiReadAhead.h"
#include "link/platform/Clock.h"

#include <algorithm>

FtdiReadAhead::FtdiReadAhead(Clock &clock, Transfer transfer) : m_clock(clock), m_transfer(std::move(transfer)) {}

FtStatus FtdiReadAhead::fill() { return m_transfer(m_pending); }

void FtdiReadAhead::pauseIfNoTimePassed(qint64 before)
{
    if (m_clock.monotonicMs() == before)
        m_clock.sleepMs(1);
}

FtStatus FtdiReadAhead::status(quint32 &waiting)
{
    const FtStatus status = fill();
    waiting = static_cast<quint32>(m_pending.size());
    return status;
}

FtStatus FtdiReadAhead::read(QByteArray &buffer, quint32 toRead, quint32 &bytesRead)
{
    buffer.clear();
    bytesRead = 0;
    const qint64 end = m_clock.monotonicMs() + readTimeoutMs;
    while (static_cast<quint32>(m_pending.size()) < toRead) {
        const qint64 before = m_clock.monotonicMs();
        if (before >= end)
            break;
        const FtStatus status = fill();
        if (status != Ft::Ok)
            return status;
        pauseIfNoTimePassed(before);
    }
    const qsizetype n = std::min<qsizetype>(m_pending.size(), toRead);
    buffer = m_pending.left(n);
    m_pending.remove(0, n);
    bytesRead = static_cast<quint32>(n);
    return Ft::Ok;
}

bool FtdiReadAhead::waitForData(int ms)
{
    const qint64 end = m_clock.monotonicMs() + ms;
    while (m_pending.isEmpty()) {
        const qint64 before = m_clock.monotonicMs();
        if (before >= end)
            return false;
        if (fill() != Ft::Ok)
            return false;
        if (m_pending.isEmpty())
            pauseIfNoTimePassed(before);
    }
    return true;
}
