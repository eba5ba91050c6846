#include "widgets/PacedDisplay.h"

#include "link/SharedState.h"
#include "link/platform/Clock.h"

PacedDisplay::~PacedDisplay() { flush(); }

void PacedDisplay::show(std::function<void()> state)
{
    if (!m_shownBefore || appClock().monotonicMs() - m_lastShownMs >= IntervalMs) {
        m_pending = nullptr;
        showNow(state);
    } else {
        m_pending = std::move(state);
    }
}

void PacedDisplay::flush()
{
    if (!m_pending)
        return;
    const std::function<void()> state = std::move(m_pending);
    m_pending = nullptr;
    showNow(state);
}

void PacedDisplay::showNow(const std::function<void()> &state)
{
    if (!m_run.windowOpen())
        return;
    state();
    m_shownBefore = true;
    m_lastShownMs = appClock().monotonicMs();
}
