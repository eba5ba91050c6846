#pragma once
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

class VirtualClock;

namespace metersim {

// The timeline a simulated device lives on: the present (monotonic milliseconds and the
// PC's date and time) and a way to run something later. Virtual for the unit tests, real
// time (on the thread that owns it) for the pseudo-terminal and UDP endpoints.
class SimScheduler
{
public:
    virtual ~SimScheduler() = default;
    virtual qint64 nowMs() = 0;
    virtual QDateTime wallNow() = 0;
    virtual void at(qint64 ms, std::function<void()> fn) = 0;
    // The same to a fraction of a millisecond, where the timeline has one.
    virtual double preciseNowMs() { return static_cast<double>(nowMs()); }
    virtual void atExact(double ms, std::function<void()> fn);
};

class VirtualScheduler : public SimScheduler
{
public:
    explicit VirtualScheduler(VirtualClock &clock) : m_clock(clock) {}
    qint64 nowMs() override;
    QDateTime wallNow() override;
    void at(qint64 ms, std::function<void()> fn) override;

private:
    VirtualClock &m_clock;
};

// Real time: one timer serves a queue ordered by due time, so events due at the same moment
// run in the order they were scheduled. Qt's timers wake to the millisecond, so the timer
// wakes a little early and the rest is slept on this thread: a reply leaves when its wire
// time is over, not up to a millisecond later. Lives on the thread that made it.
class RealTimeScheduler : public QObject, public SimScheduler
{
public:
    RealTimeScheduler();
    qint64 nowMs() override;
    QDateTime wallNow() override;
    void at(qint64 ms, std::function<void()> fn) override;
    double preciseNowMs() override;
    void atExact(double ms, std::function<void()> fn) override;

private:
    void runDue();
    void arm();

    QTimer m_timer;
    qint64 m_sequence = 0;
    std::multimap<std::pair<double, qint64>, std::function<void()>> m_queue;
};

} // namespace metersim
