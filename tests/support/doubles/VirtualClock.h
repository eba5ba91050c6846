#pragma once
#include "link/platform/Clock.h"

#include <map>

// Virtual time for tests: a sleep advances the clock at once and runs every event that
// falls due on the way, so simulated devices answer "in time" without real waiting.
class VirtualClock : public Clock
{
public:
    explicit VirtualClock(const QDateTime &start = QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0)));

    double timeOfDay() override;
    qint64 monotonicMs() override { return m_nowMs; }
    QDateTime now() override { return m_start.addMSecs(m_nowMs); }
    void sleepMs(int ms) override { advance(ms); }
    bool waitUntil(const std::function<bool()> &ready, int ms) override;

    // Runs fn when virtual time reaches atMs (absolute, on monotonicMs's scale).
    void scheduleAt(qint64 atMs, std::function<void()> fn);
    void scheduleIn(qint64 delayMs, std::function<void()> fn) { scheduleAt(m_nowMs + delayMs, std::move(fn)); }
    // Moves time forward by ms, running the due events in time order.
    void advance(qint64 ms);
    // Sum of all sleeps and waits so far.
    qint64 elapsedMs() const { return m_nowMs; }
    bool hasPendingEvents() const { return !m_events.empty(); }

protected:
    void processPendingEvents() override;

private:
    bool runNextEventUpTo(qint64 limitMs);

    QDateTime m_start;
    qint64 m_nowMs = 0;
    qint64 m_sequence = 0;
    std::multimap<std::pair<qint64, qint64>, std::function<void()>> m_events;
};
