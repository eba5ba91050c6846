#pragma once
#include "link/MeterGate.h"
#include "link/MeterOperation.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <type_traits>

// Keeps a window's operations that yield to the window system (a wait for the meter, a
// pause between cells) safe against what the user does meanwhile: a second click, Stop,
// Exit, the close box, or the main window closing and unloading every window.
//
// A handler starts a Run and keeps it on its stack. While any run is under way the guard
// is busy; Exit and the close box then hide the window, take it out of the registry and
// ask the runs to stop, and the window is deleted once the last run has ended. After every yield the handler asks its
// Run whether the window is still open: once it is not (closed by the user, unloaded
// under the run, or destroyed), the handler must return without touching the window and
// without sending anything more for it - the Run itself stays usable, since it does not
// live in the window.
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
//         const RunGuard::Run run = m_guard.beginOnMeter();
//         if (!run)
//             return; // the meter is busy with another operation (the user was told)
//         for (const QString &command : commands) {
//             const QString reply = SendToMeter(command, 10); // may yield
//             if (!run.windowOpen())
//                 return; // unloaded meanwhile: touch nothing of this window
//             Label_Status->setText(reply);
//             if (run.stopRequested())
//                 break;
//         }
//     }
//
// A write inside setup mode goes through the run, which opens and closes the bracket for
// the window (see Run::inSetupMode):
//     run.inSetupMode(SetupModeBracket{}, [&] { ... });
//
// The window is told when its meter runs start and end (MeterRunsEvent), so that what they
// work on stays as it was meanwhile (TableControls, widgets/MeterControls.h).
class RunGuard
{
    struct Shared;

public:
    // Sent to the window when its first meter run (beginOnMeter) starts, and when the last
    // one has ended while the window still exists.
    class MeterRunsEvent : public QEvent
    {
    public:
        explicit MeterRunsEvent(bool underWay) : QEvent(type()), m_underWay(underWay) {}
        static QEvent::Type type();
        bool underWay() const { return m_underWay; }

    private:
        bool m_underWay;
    };

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

        // False when the run did not start (the meter was held by another operation).
        explicit operator bool() const { return m_shared != nullptr; }
        // True while the window is loaded and open: created, and neither closed by the user
        // (Exit, the close box) nor unloaded or destroyed since. A closed window stays
        // loaded, hidden, until its runs have ended; they must send nothing more for it.
        bool windowOpen() const;
        // Whether Stop, Exit or the close box asked the runs to stop since this one started.
        bool stopRequested() const;

        // Runs `work` inside setup mode as the bracket says, for the run's window: a window
        // already closed sends nothing (Skipped); one that closes while setup mode is
        // entered gets no refusal message and its work does not start (Skipped, after
        // setup mode is left). The work runs with the hourglass showing. `work` returns
        // whether it succeeded, or nothing (done). Setup mode is left afterwards as the
        // bracket says, whatever became of the window: callers check windowOpen()
        // before touching it.
        SetupModeRun inSetupMode(SetupModeBracket bracket, const std::function<bool()> &work) const;
        template <class Work>
            requires std::is_void_v<std::invoke_result_t<Work &>>
        SetupModeRun inSetupMode(SetupModeBracket bracket, Work &&work) const
        {
            return inSetupMode(std::move(bracket), std::function<bool()>([&work] {
                                   work();
                                   return true;
                               }));
        }

    private:
        friend class RunGuard;
        Run(std::shared_ptr<Shared> shared, MeterGate::Operation meter = {});
        std::shared_ptr<Shared> m_shared;
        MeterGate::Operation m_meter; // the meter, for a run that talks to it
    };

    // Starts a run; other runs may be under way. Clears a stop asked for earlier when no
    // run is under way.
    [[nodiscard]] Run begin();
    // Starts a run that talks to the meter: it holds the meter (MeterGate) for its life, or
    // is a nested part of the operation holding it (a setup-task run driving the window).
    // Refused (an empty Run) while another operation holds the meter: `refusal` says
    // whether the user is told. The gate keeps a second meter run of the window from
    // starting inside the first one's waits.
    enum class Refusal { Tell, Quiet };
    [[nodiscard]] Run beginOnMeter(Refusal refusal = Refusal::Tell);

    bool stopRequested() const;
    // Asks the runs under way to stop at their next check.
    void requestStop();
    // Unloads the window now when no run is under way; otherwise hides it and takes it out
    // of the registry at once (it counts as unloaded, and its runs find it closed), and
    // deletes it once the last run has ended.
    void unloadWhenIdle();

private:
    // True while any run is under way.
    bool busy() const;

    std::shared_ptr<Shared> m_shared;
};
