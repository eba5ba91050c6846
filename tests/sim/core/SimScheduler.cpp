#include "tests/sim/core/SimScheduler.h"
#include "link/platform/Clock.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <ctime>

namespace metersim {

void SimScheduler::atExact(double ms, std::function<void()> fn)
{
    at(static_cast<qint64>(std::ceil(ms - 1e-9)), std::move(fn));
}

qint64 VirtualScheduler::nowMs() { return m_clock.monotonicMs(); }

QDateTime VirtualScheduler::wallNow() { return m_clock.now(); }

void VirtualScheduler::at(qint64 ms, std::function<void()> fn) { m_clock.scheduleAt(ms, std::move(fn)); }

namespace {

// What is left of a wait shorter than the timer's millisecond is slept here, at most this long.
constexpr double SleptHereMs = 2.0;

void sleepPrecisely(double ms)
{
    const double ns = ms * 1e6;
    timespec t{static_cast<time_t>(ns / 1e9), static_cast<long>(std::fmod(ns, 1e9))};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &t, &t) != 0) {
    }
}

} // namespace

RealTimeScheduler::RealTimeScheduler()
{
    usePreciseTimersOnThisThread();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { runDue(); });
}

double RealTimeScheduler::preciseNowMs()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

qint64 RealTimeScheduler::nowMs() { return static_cast<qint64>(std::floor(preciseNowMs())); }

QDateTime RealTimeScheduler::wallNow() { return QDateTime::currentDateTime(); }

void RealTimeScheduler::at(qint64 ms, std::function<void()> fn) { atExact(static_cast<double>(ms), std::move(fn)); }

void RealTimeScheduler::atExact(double ms, std::function<void()> fn)
{
    m_queue.emplace(std::make_pair(ms, m_sequence++), std::move(fn));
    arm();
}

void RealTimeScheduler::runDue()
{
    while (!m_queue.empty()) {
        const double wait = m_queue.begin()->first.first - preciseNowMs();
        if (wait > SleptHereMs)
            break;
        if (wait > 0)
            sleepPrecisely(wait);
        auto node = m_queue.extract(m_queue.begin());
        node.mapped()();
    }
    arm();
}

void RealTimeScheduler::arm()
{
    if (m_queue.empty()) {
        m_timer.stop();
        return;
    }
    // Wakes up to a millisecond early; runDue sleeps the rest.
    const double wait = m_queue.begin()->first.first - preciseNowMs();
    m_timer.start(static_cast<int>(std::clamp(std::floor(wait) - 1, 0.0, 1e6)));
}

} // namespace metersim
