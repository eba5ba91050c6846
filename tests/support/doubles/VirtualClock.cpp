#include "tests/support/doubles/VirtualClock.h"

#include <QCoreApplication>

#include <algorithm>

VirtualClock::VirtualClock(const QDateTime &start) : m_start(start) {}

double VirtualClock::timeOfDay()
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

void VirtualClock::processPendingEvents()
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
