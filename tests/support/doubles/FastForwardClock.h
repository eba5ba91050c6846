#pragma once
#include "link/platform/Clock.h"

#include <QList>

// Real time for the short steps of an exchange, so devices served on their own thread
// (the simulated modules on loopback UDP) answer in time; but a sleep of a second or more
// (a window's fixed wait for a module to reboot) is noted in skippedSleeps and passes at
// once: the clock jumps ahead by it instead.
class FastForwardClock : public RealClock
{
public:
    static constexpr int LongSleepMs = 1000;

    double timeOfDay() override { return RealClock::timeOfDay() + m_skippedMs / 1000.0; }
    qint64 monotonicMs() override { return RealClock::monotonicMs() + m_skippedMs; }
    QDateTime now() override { return RealClock::now().addMSecs(m_skippedMs); }
    void sleepMs(int ms) override
    {
        if (ms < LongSleepMs) {
            RealClock::sleepMs(ms);
            return;
        }
        skippedSleeps << ms;
        m_skippedMs += ms;
    }

    QList<int> skippedSleeps;

private:
    qint64 m_skippedMs = 0;
};
