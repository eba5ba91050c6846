#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"

#include <algorithm>

void Wait(double seconds)
{
    Clock &clock = appClock();
    const qint64 start = clock.monotonicMs();
    const double limitMs = seconds * 1000.0;
    for (qint64 elapsed = 0; elapsed <= limitMs; elapsed = clock.monotonicMs() - start)
        clock.sleepMs(std::max(1, static_cast<int>(limitMs - elapsed)));
}

void ShowActivity(const QString &text)
{
    mainHost().replyActivity(text);
}
