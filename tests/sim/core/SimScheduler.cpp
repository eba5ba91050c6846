#include "tests/sim/core/SimScheduler.h"
#include "tests/support/doubles/VirtualClock.h"

namespace metersim {

qint64 VirtualScheduler::nowMs() { return m_clock.monotonicMs(); }

QDateTime VirtualScheduler::wallNow() { return m_clock.now(); }

void VirtualScheduler::at(qint64 ms, std::function<void()> fn) { m_clock.scheduleAt(ms, std::move(fn)); }

RealTimeScheduler::RealTimeScheduler()
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { runDue(); });
}

qint64 RealTimeScheduler::nowMs() { return RealClock().monotonicMs(); }

QDateTime RealTimeScheduler::wallNow() { return QDateTime::currentDateTime(); }

void RealTimeScheduler::at(qint64 ms, std::function<void()> fn)
{
    m_queue.emplace(std::make_pair(ms, m_sequence++), std::move(fn));
    arm();
}

void RealTimeScheduler::runDue()
{
    while (!m_queue.empty() && m_queue.begin()->first.first <= nowMs()) {
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
    const qint64 wait = std::max<qint64>(0, m_queue.begin()->first.first - nowMs());
    m_timer.start(static_cast<int>(std::min<qint64>(wait, 1000000)));
}

} // namespace metersim
