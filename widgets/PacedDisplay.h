#pragma once
#include "widgets/RunGuard.h"

#include <QtGlobal>
#include <functional>

// Shows a long run's progress (the current cell, a progress bar, a status text) at most once
// every IntervalMs on the clock seam: five times a second, which the eye follows easily.
// Painting the window after every command would hold each command up by about a millisecond
// (moving the current cell scrolls and repaints the whole grid), to show changes no one
// could read. The latest state handed in is kept and shown when the next one is due, before a
// message box (flush) and when the run ends (flush, or the end of the display's life), so
// the final state is always on screen. Nothing is shown once the window is no longer loaded.
//
//     PacedDisplay display(run);
//     for (...) {
//         ... write the cell, colour it ...
//         display.show([this, row, col, percent] { Grid->setRow(row); Grid->setCol(col); Bar->setValue(percent); });
//         appClock().processEvents();
//     }
class PacedDisplay
{
public:
    static constexpr int IntervalMs = 200;

    // Shows while the run's window is loaded.
    explicit PacedDisplay(const RunGuard::Run &run) : m_run(run) {}
    ~PacedDisplay();
    PacedDisplay(const PacedDisplay &) = delete;
    PacedDisplay &operator=(const PacedDisplay &) = delete;

    // Shows `state` now when the last showing is IntervalMs old (or there was none);
    // otherwise keeps it, in place of what was kept before, to show later.
    void show(std::function<void()> state);
    // Shows the kept state now, if any.
    void flush();
    // Forgets the kept state (the run is about to show its own final state).
    void discard() { m_pending = nullptr; }

private:
    void showNow(const std::function<void()> &state);

    const RunGuard::Run &m_run;
    std::function<void()> m_pending;
    bool m_shownBefore = false;
    qint64 m_lastShownMs = 0;
};
