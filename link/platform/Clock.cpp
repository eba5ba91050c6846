#include "link/platform/Clock.h"
#include "link/MeterGate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#ifdef __linux__
#include <sys/prctl.h>
#endif

void usePreciseTimersOnThisThread()
{
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

double RealClock::timeOfDay()
{
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    if (!m_zoneKnown || utcMs < m_zoneCheckedAtMs || utcMs - m_zoneCheckedAtMs >= 60000) {
        m_zoneOffsetMs = qint64(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
        m_zoneCheckedAtMs = utcMs;
        m_zoneKnown = true;
    }
    constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
    return static_cast<double>(((utcMs + m_zoneOffsetMs) % DayMs + DayMs) % DayMs) / 1000.0;
}

qint64 RealClock::monotonicMs()
{
    static QElapsedTimer timer = [] { QElapsedTimer t; t.start(); return t; }();
    return timer.elapsed();
}

QDateTime RealClock::now() { return QDateTime::currentDateTime(); }

void RealClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void Clock::processEvents()
{
    const MeterGate::Yield setAside;
    processPendingEvents();
}

void RealClock::processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

bool RealClock::waitUntil(const std::function<bool()> &ready, int ms)
{
    const qint64 end = monotonicMs() + ms;
    while (!ready()) {
        if (monotonicMs() >= end)
            return ready();
        QThread::msleep(1);
    }
    return true;
}
