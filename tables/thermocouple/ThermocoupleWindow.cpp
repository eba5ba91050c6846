#include "tables/thermocouple/ThermocoupleWindow.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocoupleTables.h"
#include "widgets/CentreForm.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <optional>

namespace {
// Free space on each side of a caption, in pixels.
constexpr int CaptionRoom = 16;
} // namespace

ThermocoupleWindow::ThermocoupleWindow(const QString &objectName, const QString &writeButtonName,
                                       const QString &writeButtonCaption, int width, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Command_Stop(named(new QPushButton(QStringLiteral("Stop"), this), QStringLiteral("Command_Stop")))
    , Command_Exit(named(new QPushButton(QStringLiteral("Exit"), this), QStringLiteral("Command_Exit")))
    , ProgressBar1(named(new QProgressBar(this), QStringLiteral("ProgressBar1")))
    , Label_Thermostatus(named(new QLabel(this), QStringLiteral("Label_Thermostatus")))
    , m_writeButton(named(new QPushButton(writeButtonCaption, this), writeButtonName))
{
    setObjectName(objectName);
    setWindowTitle(QStringLiteral("Thermocouple Data"));
    ProgressBar1->setValue(0);

    // The long caption of the write button keeps some room on each side.
    m_writeButton->setMinimumWidth(m_writeButton->fontMetrics().horizontalAdvance(writeButtonCaption)
                                   + 2 * CaptionRoom);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_writeButton, 1);
    buttons->addWidget(Command_Stop);
    buttons->addWidget(Command_Exit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label_Thermostatus);
    resize(width, 130);

    connect(Command_Stop, &QPushButton::clicked, this, &ThermocoupleWindow::Command_Stop_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &ThermocoupleWindow::Command_Exit_Click);
    new MeterControls(this, {m_writeButton});
}

void ThermocoupleWindow::Form_Load() { CentreForm(*this); }

void ThermocoupleWindow::Command_Stop_Click() { m_guard.requestStop(); }

void ThermocoupleWindow::Command_Exit_Click()
{
    // A run still has its own code on the stack: it winds up, then the window unloads.
    m_guard.requestStop();
    m_guard.unloadWhenIdle();
}

void ThermocoupleWindow::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window as Exit does (a run under way stops first), so that
    // opening it again shows a fresh window rather than the old one.
    event->accept();
    Command_Exit_Click();
}

MeterWriteResult ThermocoupleWindow::runInSetupMode(WriteFor writeFor, int pointsToWrite,
                                                    const std::function<void(const RunGuard::Run &run)> &writes)
{
    MeterWriteResult written;
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (run) {
        run.inSetupMode(SetupModeBracket{}, [&] {
            {
                m_writeButton->setEnabled(false);
                PacedDisplay display(run);
                m_display = &display;
                m_writeFor = writeFor;
                m_tally = &written;
                // The window may be destroyed under the run (the main window closing).
                const auto unpaced = qScopeGuard([window = QPointer<ThermocoupleWindow>(this)] {
                    if (window) {
                        window->m_display = nullptr;
                        window->m_tally = nullptr;
                    }
                });
                writes(run);
                display.discard(); // the final state follows
            }
            if (run.windowOpen()) {
                ProgressBar1->setValue(0);
                Label_Thermostatus->clear();
                m_writeButton->setEnabled(true);
            }
        });
    }
    written.endWrite(pointsToWrite, writeFor == WriteFor::User && run.windowOpen());
    return written;
}

MeterWriteResult &ThermocoupleWindow::tally()
{
    Q_ASSERT(m_tally);
    return *m_tally;
}

ThermocoupleWindow::PointOutcome ThermocoupleWindow::writePoint(qint32 E, double T, const QString &type,
                                                                const QString &temperatureText, int timeoutSeconds)
{
    if (!Thermocouple::withinLimits(E, type, T))
        return PointOutcome::Skipped;
    const QString command = Thermocouple::pointCommand(type, E, temperatureText);
    const RunGuard::Run run = m_guard.begin();
    MeterWriteResult outsideARun;
    MeterWriteResult &counted = m_tally ? *m_tally : outsideARun; // lives as long as the run's write
    const WriteFor writeFor = m_writeFor;
    ++counted.sent;
    for (;;) {
        showStatus(Thermocouple::writingStatus(type, E));
        for (int tries = 2; tries > 0; --tries) {
            std::optional<PointOutcome> ended;
            // A try given up on is waited for: the second is sent only once the first's
            // answer came (a failed try) or surely will not (the write ends).
            const QString reply = SendTableValue(command, timeoutSeconds);
            const bool answered = counted.noteReply(reply);
            // The exchange may have let the window system run: the window may be gone.
            if (!run.windowOpen())
                return PointOutcome::Unloaded;
            if (!answered)
                return PointOutcome::NoReply;
            switch (ClassifyReply(reply)) {
            case ReplyStatus::Done:
                ended = PointOutcome::Written;
                break;
            case ReplyStatus::PasswordNeeded:
                flushDisplay();
                appUi().MsgBox(QStringLiteral("Password needed"), Msg::Exclamation, QStringLiteral("Authentication Failure"));
                ended = PointOutcome::PasswordNeeded;
                break;
            case ReplyStatus::Rejected:
            case ReplyStatus::Other:
                break; // a failed try
            }
            appClock().processEvents();
            if (!run.windowOpen())
                return PointOutcome::Unloaded;
            if (ended)
                return *ended;
            if (run.stopRequested())
                return PointOutcome::Stopped;
        }
        if (writeFor == WriteFor::Run)
            return PointOutcome::Aborted; // the run reports the table as not loaded and stops
        flushDisplay();
        const Msg::Answer answer = appUi().MsgBox(QStringLiteral("Error writing value"), Msg::AbortRetryIgnore | Msg::Critical);
        if (!run.windowOpen())
            return PointOutcome::Unloaded;
        if (answer == Msg::Abort)
            return PointOutcome::Aborted;
        if (answer != Msg::Retry)
            return PointOutcome::Ignored;
    }
}

void ThermocoupleWindow::showStatus(const QString &text)
{
    if (m_display)
        m_display->show([this, text] { Label_Thermostatus->setText(text); });
    else
        Label_Thermostatus->setText(text);
}

void ThermocoupleWindow::flushDisplay()
{
    if (m_display)
        m_display->flush();
}
