#pragma once
#include "link/MeterWriteResult.h"
#include "widgets/PacedDisplay.h"
#include "widgets/RunGuard.h"

#include <QWidget>
#include <QtGlobal>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// What the two "Thermocouple Data" windows share: their controls (a write button, Stop, Exit,
// the progress bar and the status line), the run around their writes and the sending of one
// point. Each window adds its write button's handler and where its points come from.
class ThermocoupleWindow : public QWidget
{
    Q_OBJECT
public:
    QPushButton *Command_Stop;
    QPushButton *Command_Exit;
    QProgressBar *ProgressBar1;
    QLabel *Label_Thermostatus;

    // Set by Stop and Exit, cleared when a run starts.
    bool StopFlag() const { return m_guard.stopRequested(); }

    void Command_Stop_Click();
    // Stops a run; the window unloads at once, or when a run under way has wound up.
    void Command_Exit_Click();
    void Form_Load();

protected:
    // The window with its write button (objectName and caption) first in the row of buttons.
    ThermocoupleWindow(const QString &objectName, const QString &writeButtonName, const QString &writeButtonCaption,
                       int width, QWidget *parent);

    QPushButton *writeButton() const { return m_writeButton; }

    // A run: StopFlag cleared, setup mode entered ("Error entering setup mode" when
    // refused, and nothing more), the hourglass and the write button disabled while
    // `writes` runs; then the progress bar and status line cleared, the button enabled
    // again and setup mode left. The window may be unloaded while setup mode is entered or
    // while `writes` yields (the main window closing), or closed by the user: `writes` must
    // then return without touching it, as its run tells it, and so does the run.
    // Returns what the meter took of the `pointsToWrite` points; the user's own write that
    // the meter stopped answering says how many were not written. While `writes` runs, the
    // points it sends are counted in tally().
    MeterWriteResult runInSetupMode(WriteFor writeFor, int pointsToWrite,
                                    const std::function<void(const RunGuard::Run &run)> &writes);
    // What the meter took of the write under way; only while runInSetupMode runs `writes`
    // and the window is open.
    MeterWriteResult &tally();

    // How the sending of one point ended; each window decides what its run does next.
    enum class PointOutcome {
        Written,        // the meter answered "*0"
        Skipped,        // outside the limits: nothing sent, nothing shown
        PasswordNeeded, // "*6": "Password needed" was shown
        Stopped,        // a try failed and StopFlag was found set after it
        Aborted,        // two failed tries, and the user chose Abort (a run's write asks nothing)
        Ignored,        // two failed tries, the user chose Ignore
        NoReply,        // the meter did not answer a try: nothing more may be sent
        Unloaded,       // the window was unloaded or closed while the point yielded: touch nothing of it
    };
    // True for the outcomes that end the whole write, not just the point.
    static bool endsWrite(PointOutcome outcome)
    {
        return outcome == PointOutcome::PasswordNeeded || outcome == PointOutcome::Aborted
               || outcome == PointOutcome::NoReply || outcome == PointOutcome::Unloaded;
    }

    // Sends one point "Wc<type> <E>,<temperatureText>" through DVM1 unless it is outside the
    // limits, counting it in the run's tally. Shows "Writing Type <type> EMF <E>", then
    // grants two tries, each awaiting the status token for `timeoutSeconds`, and yields to
    // the window system after every try so Stop can be clicked; a failed try ends the point
    // early when StopFlag is set. A try given up on is waited for once more (SendTableValue):
    // an answer that comes is the try's own; a try still unanswered ends the point. After two
    // refused tries the user chooses Abort, Retry (the point starts over) or Ignore; a run's
    // write asks nothing and aborts.
    PointOutcome writePoint(qint32 E, double T, const QString &type, const QString &temperatureText,
                            int timeoutSeconds);

    void closeEvent(QCloseEvent *event) override;

    // The runs of the window; a point or a table within a run joins it.
    RunGuard m_guard{this};

    // Shows the point being written: at the display's pace during a run in setup mode,
    // at once otherwise.
    void showStatus(const QString &text);

private:
    // Shows what is kept for the display now (before a message box).
    void flushDisplay();

    QPushButton *m_writeButton;
    // The pace of the status text while runInSetupMode runs.
    PacedDisplay *m_display = nullptr;
    // Who asked for the write under way, and its tally, while runInSetupMode runs.
    WriteFor m_writeFor = WriteFor::User;
    MeterWriteResult *m_tally = nullptr;
};
