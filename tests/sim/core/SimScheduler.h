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

// Real time: one precise timer serves a queue ordered by due time, so events due at the
// same millisecond run in the order they were scheduled. Lives on the thread that made it.
class RealTimeScheduler : public QObject, public SimScheduler
{
public:
    RealTimeScheduler();
    qint64 nowMs() override;
    QDateTime wallNow() override;
    void at(qint64 ms, std::function<void()> fn) override;

private:
    void runDue();
    void arm();

    QTimer m_timer;
    qint64 m_sequence = 0;
    std::multimap<std::pair<qint64, qint64>, std::function<void()>> m_queue;
};

} // namespace metersim
