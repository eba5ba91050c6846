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

VirtualClock::VirtualClock(const QDateTime &start) : m_start(start) {}

double VirtualClock::timeOfDay()
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

void VirtualClock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void VirtualClock::scheduleAt(qint64 atMs, std::function<void()> fn)
{
    m_events.emplace(std::make_pair(std::max(atMs, m_nowMs), m_sequence++), std::move(fn));
}

bool VirtualClock::runNextEventUpTo(qint64 limitMs)
{
    if (m_events.empty() || m_events.begin()->first.first > limitMs)
        return false;
    auto node = m_events.extract(m_events.begin());
    m_nowMs = std::max(m_nowMs, node.key().first);
    node.mapped()();
    return true;
}

void VirtualClock::advance(qint64 ms)
{
    const qint64 target = m_nowMs + std::max<qint64>(ms, 0);
    while (runNextEventUpTo(target)) {
    }
    // An event may itself have slept past the target: time never runs back.
    m_nowMs = std::max(m_nowMs, target);
}

bool VirtualClock::waitUntil(const std::function<bool()> &ready, int ms)
{
    const qint64 target = m_nowMs + std::max(ms, 0);
    while (!ready()) {
        if (!runNextEventUpTo(target)) {
            m_nowMs = std::max(m_nowMs, target);
            return ready();
        }
    }
    return true;
}
