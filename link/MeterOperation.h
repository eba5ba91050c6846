#pragma once
#include "link/platform/UserInteraction.h"

#include <QString>
#include <functional>
#include <type_traits>

// One command to the meter and what its answer means, and a piece of work run inside the
// meter's setup mode. Every window that writes into the meter goes through these.

// What the status token at the start of a reply says.
enum class ReplyStatus {
    Done,           // "*0": the command was carried out
    Rejected,       // "*9": the meter refused the value
    PasswordNeeded, // "*6": the meter wants setup mode or the calibration password
    Other,          // anything else: a time-out, a failure text, noise, no driver
};

// The status of a reply by its first two characters.
ReplyStatus ClassifyReply(const QString &reply);

// True when a reply line is a status token as a whole: "*" and one digit.
bool IsStatusTokenLine(QStringView line);
// Where a reply gathered as text (USB, Ethernet) ends at its status token: just after the
// first "*" when a digit and a CR follow it; 0 while it has not.
qsizetype StatusTokenEnd(QStringView reply);

// True when the reply's last non-empty line is a status token: the meter finished its
// answer. A time-out, a failure text or a reply cut short ends otherwise.
bool EndsWithStatusToken(const QString &reply);

// True when "*0" stands anywhere in the reply: for commands whose reply may carry text
// in front of the token.
bool ReplyHoldsDone(const QString &reply);

// Sends a command to the active driver DVM1 and waits up to `timeoutSeconds` for the reply
// up to its status token. Returns the reply, or the empty text when no driver is set.
// The exchange may let the window system run (an Ethernet wait).
QString SendToMeter(const QString &command, int timeoutSeconds);

// One value of a table write: sends it like SendToMeter and, when the exchange gives up,
// waits once more, sending nothing, for that value's own answer (see IDVM::AwaitLateReply).
// An answer that comes counts as the meter meant it; "TIMEOUT" only when none came.
QString SendTableValue(const QString &command, int timeoutSeconds);

// A query the meter answers with one line and no status token ("*IDN?", "TEMP?"): the reply
// ends after its first line. The empty text when no driver is set.
QString AskMeterOneLine(const QString &command, int timeoutSeconds);

// A command whose reply is not awaited (the meter's answer is dropped with the next command).
void SendWithoutReply(const QString &command);

// How a piece of work is bracketed by setup mode, and what happens when the meter refuses
// to enter it. The defaults are the usual bracket: EnterSetupMode; when refused, "Error
// entering setup mode" (OK, no icon, the application's title) and nothing more.
struct SetupModeBracket
{
    enum class Opening {
        SetupMode,         // EnterSetupMode
        CalibratePassword, // SendCalibratePassword: writes of calibration data
    };
    enum class OnRefusal {
        Stop,      // the message, then nothing: the work does not run, setup mode is not left
        AskCarryOn, // the message (give it OK and Cancel): OK runs the work without setup mode
                   // and leaves it afterwards, Cancel stops as above
        CarryOn,   // the result is not looked at: the work runs and setup mode is left after it
    };

    Opening opening = Opening::SetupMode;
    OnRefusal onRefusal = OnRefusal::Stop;
    // Shown when the meter refuses (not with CarryOn); nothing is shown when empty.
    QString refusalMessage = QStringLiteral("Error entering setup mode");
    int refusalStyle = Msg::OKOnly;
    QString refusalTitle; // empty: the application's title
    // Whether ExitSetupMode follows work that reports failure (returns false).
    bool leaveAfterFailedWork = true;
    // Set by a window that may be unloaded while the opening exchange yields: when it
    // answers false after the meter refused, no message is shown and the work does not
    // run. (Work that must not run for a window unloaded meanwhile checks that itself.)
    std::function<bool()> ownerLoaded;
};

// How a bracketed run ended.
enum class SetupModeRun {
    NotRun,     // refused: the work did not run
    Completed,  // the work ran and reported success
    WorkFailed, // the work ran and reported failure
    Skipped,    // the work did not run: the window it was for had closed (setup mode was
                // left if it had been entered)
};

// Opens setup mode as the bracket says, runs `work` and closes with ExitSetupMode. `work`
// returns whether it succeeded; it may yield to the window system, and its window may be
// unloaded meanwhile: nothing here touches a window, and ExitSetupMode is still sent.
SetupModeRun RunInSetupMode(const SetupModeBracket &bracket, const std::function<bool()> &work);

// The same for work that returns nothing: it always counts as done.
template <class Work>
    requires std::is_void_v<std::invoke_result_t<Work &>>
SetupModeRun RunInSetupMode(const SetupModeBracket &bracket, Work &&work)
{
    return RunInSetupMode(bracket, std::function<bool()>([&work] {
                              work();
                              return true;
                          }));
}
