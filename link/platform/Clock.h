#pragma once
#include <QDateTime>
#include <QtGlobal>
#include <functional>

// Time, sleeping and "let the window system run" behind one interface, so the whole
// program can run on real time and the tests on virtual time.
class Clock
{
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions: the time of day that pacing compares.
    virtual double timeOfDay() = 0;
    // Milliseconds on a clock that never jumps back (used by every time-out and Wait).
    virtual qint64 monotonicMs() = 0;
    // Local date and time (dates written into the meter and into file names).
    virtual QDateTime now() = 0;
    // Blocks the thread; window messages are not processed meanwhile.
    virtual void sleepMs(int ms) = 0;
    // Lets the window system process pending events (the places where a handler yields).
    // The operation holding the meter is set aside meanwhile (MeterGate::Yield), so the
    // handlers that run here cannot talk to the meter in the middle of its exchange.
    void processEvents();
    // Waits until ready() holds or ms milliseconds have passed, whichever comes first;
    // returns ready(). Devices call this for their bounded waits.
    virtual bool waitUntil(const std::function<bool()> &ready, int ms) = 0;

protected:
    // Processes the pending events (called by processEvents only).
    virtual void processPendingEvents() = 0;
};

// Lets the calling thread's sleeps and timers end on time: by default the kernel may let
// each run up to 50 us long.
void usePreciseTimersOnThisThread();

class RealClock : public Clock
{
public:
    // The thread that makes the clock (the one that talks to the meter) sleeps precisely.
    RealClock() { usePreciseTimersOnThisThread(); }
    double timeOfDay() override;
    qint64 monotonicMs() override;
    QDateTime now() override;
    void sleepMs(int ms) override;
    bool waitUntil(const std::function<bool()> &ready, int ms) override;

protected:
    void processPendingEvents() override;

private:
    // The local zone's offset from UTC, looked up at most once a minute: each look-up reads
    // the zone's file, and the time of day is read twice for every command to the meter.
    qint64 m_zoneOffsetMs = 0;
    qint64 m_zoneCheckedAtMs = 0;
    bool m_zoneKnown = false;
};
