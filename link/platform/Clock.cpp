#include "link/platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

double RealClock::timeOfDay()
{
    const QTime t = QTime::currentTime();
    return t.msecsSinceStartOfDay() / 1000.0;
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

void RealClock::processEvents()
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
