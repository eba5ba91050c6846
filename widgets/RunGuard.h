#pragma once
#include <QPointer>
#include <QWidget>
#include <memory>

// Keeps a window's operations that yield to the window system (a wait for the meter, a
// pause between cells) safe against what the user does meanwhile: a second click, Stop,
// Exit, the close box, or the main window closing and unloading every window.
//
// A handler starts a Run and keeps it on its stack. While any run is under way the guard
// is busy; Exit and the close box then only hide the window and ask the runs to stop, and
// the window unloads once the last run has ended. After every yield the handler asks its
// Run whether the window is still loaded: once it is not (unloaded under the run, or
// destroyed), the handler must return without touching the window - the Run itself stays
// usable, since it does not live in the window.
//
//     class FormExample : public QWidget {
//         RunGuard m_guard{this};
//         void Command_Write_Click();
//         void Command_Stop_Click() { m_guard.requestStop(); }
//         void Command_Exit_Click() { m_guard.requestStop(); m_guard.unloadWhenIdle(); }
//         void closeEvent(QCloseEvent *event) override { event->accept(); Command_Exit_Click(); }
//     };
//
//     void FormExample::Command_Write_Click()
//     {
//         const RunGuard::Run run = m_guard.beginExclusive();
//         if (!run)
//             return; // a write is already under way
//         for (const QString &command : commands) {
//             const QString reply = SendToMeter(command, 10); // may yield
//             if (!run.windowLoaded())
//                 return; // unloaded meanwhile: touch nothing of this window
//             Label_Status->setText(reply);
//             if (run.stopRequested())
//                 break;
//         }
//     }
//
// For a write inside setup mode, give the bracket the run's check, so a window unloaded
// while the meter enters setup mode shows no message:
//     bracket.ownerLoaded = [&run] { return run.windowLoaded(); };
class RunGuard
{
    struct Shared;

public:
    // Guards `window`, which must be one of the window registry's windows.
    explicit RunGuard(QWidget *window);
    ~RunGuard();
    RunGuard(const RunGuard &) = delete;
    RunGuard &operator=(const RunGuard &) = delete;

    // One operation under way, from its start to the end of the Run's life.
    class Run
    {
    public:
        Run(Run &&other) noexcept = default;
        Run &operator=(Run &&) = delete;
        Run(const Run &) = delete;
        Run &operator=(const Run &) = delete;
        ~Run();

        // False when the run did not start (another exclusive run was under way).
        explicit operator bool() const { return m_shared != nullptr; }
        // True while the window is loaded: created and not unloaded or destroyed since.
        bool windowLoaded() const;
        // Whether Stop, Exit or the close box asked the runs to stop since this one started.
        bool stopRequested() const;

    private:
        friend class RunGuard;
        Run(std::shared_ptr<Shared> shared, bool exclusive);
        std::shared_ptr<Shared> m_shared;
        bool m_exclusive = false;
    };

    // Starts a run; other runs may be under way. Clears a stop asked for earlier when no
    // run is under way.
    [[nodiscard]] Run begin();
    // Starts a run unless another exclusive run is under way (then the Run is empty and
    // nothing starts). Clears a stop asked for earlier.
    [[nodiscard]] Run beginExclusive();

    // True while any run is under way.
    bool busy() const;
    bool stopRequested() const;
    // Asks the runs under way to stop at their next check.
    void requestStop();
    // Unloads the window now when no run is under way; otherwise hides it and unloads it
    // once the last run has ended.
    void unloadWhenIdle();
    // True while the window is loaded.
    bool windowLoaded() const;

private:
    std::shared_ptr<Shared> m_shared;
};
