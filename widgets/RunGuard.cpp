#include "widgets/RunGuard.h"
#include "widgets/WindowRegistry.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"

#include <QCoreApplication>

// What the guard and its runs share. It outlives the window when a run is still on the
// stack after the window has been destroyed.
struct RunGuard::Shared
{
    QPointer<QWidget> window;
    int runs = 0;
    int meterRuns = 0;   // the runs that talk to the meter
    int holdingRuns = 0; // those that hold it themselves (not a part of a setup-task run)
    bool stopRequested = false;
    bool unloadWhenIdle = false;

    bool windowLoaded() const { return window && appWindows().holds(window.data()); }
    // Loaded and not closed by the user: a closed window stays loaded (hidden) only until
    // its runs have wound up, and they send nothing more for it.
    bool windowOpen() const { return windowLoaded() && !unloadWhenIdle; }

    void tellWindow(bool meterRunsUnderWay) const
    {
        if (!window)
            return;
        MeterRunsEvent event(meterRunsUnderWay);
        QCoreApplication::sendEvent(window.data(), &event);
    }
};

QEvent::Type RunGuard::MeterRunsEvent::type()
{
    static const auto registered = QEvent::Type(QEvent::registerEventType());
    return registered;
}

RunGuard::RunGuard(QWidget *window) : m_shared(std::make_shared<Shared>())
{
    m_shared->window = window;
}

RunGuard::~RunGuard() = default;

RunGuard::Run::Run(std::shared_ptr<Shared> shared, MeterGate::Operation meter)
    : m_shared(std::move(shared)), m_meter(std::move(meter))
{
    if (!m_shared)
        return; // not started
    ++m_shared->runs;
    if (m_meter.holdsMeter())
        ++m_shared->holdingRuns;
    if (m_meter && ++m_shared->meterRuns == 1)
        m_shared->tellWindow(true);
}

RunGuard::Run::~Run()
{
    if (!m_shared)
        return;
    Shared &shared = *m_shared;
    const bool onMeter = static_cast<bool>(m_meter);
    if (m_meter.holdsMeter())
        --shared.holdingRuns;
    m_meter.release(); // the meter is free before the window may unload
    if (onMeter && --shared.meterRuns == 0)
        shared.tellWindow(false);
    if (--shared.runs > 0 || !shared.unloadWhenIdle || !shared.window)
        return;
    // The closed window was released from the registry: delete it once the handler that
    // ended the run, and whatever called it, has returned.
    QMetaObject::invokeMethod(
        shared.window.data(),
        [keep = m_shared] {
            if (keep->window)
                keep->window->deleteLater();
        },
        Qt::QueuedConnection);
}

bool RunGuard::Run::windowOpen() const { return m_shared && m_shared->windowOpen(); }

bool RunGuard::Run::stopRequested() const { return m_shared && m_shared->stopRequested; }

RunGuard::Run RunGuard::begin()
{
    if (m_shared->runs == 0)
        m_shared->stopRequested = false;
    return Run(m_shared);
}

RunGuard::Run RunGuard::beginOnMeter(Refusal refusal)
{
    MeterGate::Operation meter = refusal == Refusal::Tell ? meterGate().beginUserAction() : meterGate().begin();
    if (!meter)
        return Run(nullptr);
    if (m_shared->runs == 0)
        m_shared->stopRequested = false;
    return Run(m_shared, std::move(meter));
}

SetupModeRun RunGuard::Run::inSetupMode(SetupModeBracket bracket, const std::function<bool()> &work) const
{
    if (!windowOpen())
        return SetupModeRun::Skipped; // closed before the run came to it: nothing is sent
    bracket.ownerLoaded = [this] { return windowOpen(); };
    bool skipped = false;
    const SetupModeRun ran = RunInSetupMode(bracket, [this, &work, &skipped] {
        // Entering setup mode may let the window system run, and the window close.
        if (!windowOpen()) {
            skipped = true;
            return true;
        }
        const Hourglass hourglass(appUi());
        return work();
    });
    return skipped ? SetupModeRun::Skipped : ran;
}

bool RunGuard::busy() const { return m_shared->runs > 0; }

bool RunGuard::stopRequested() const { return m_shared->stopRequested; }

void RunGuard::requestStop() { m_shared->stopRequested = true; }

void RunGuard::unloadWhenIdle()
{
    if (!busy()) {
        appWindows().unloadWindow(m_shared->window.data());
        return;
    }
    m_shared->unloadWhenIdle = true;
    // Closed under its runs: they send nothing more for it but what leaves setup mode. For
    // an operation of the window's own the gate sees to that, whatever its code still
    // tries; a setup-task run that drives the window is not wound up with it (its window
    // stops at its next check, and the run reports what the meter took). The window counts
    // as unloaded at once, so that opening it again makes a new one; it is deleted when
    // the last run has ended.
    if (m_shared->holdingRuns > 0)
        meterGate().windUp();
    appWindows().release(m_shared->window.data());
}

