#include "tables/thermocouple/ThermocoupleWindow.h"
#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocoupleTables.h"
#include "widgets/CentreForm.h"
#include "widgets/LoadedWindow.h"
#include "widgets/Named.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

namespace {

// The reply of DVM1, or the empty text (a failed try) when no driver is set.
QString send(const QString &command, int timeoutSeconds)
{
    IDVM *dvm = state().DVM1.get();
    return dvm ? dvm->SendString(command, true, timeoutSeconds, 1) : QString();
}

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

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_writeButton);
    buttons->addWidget(Command_Stop);
    buttons->addWidget(Command_Exit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label_Thermostatus);
    resize(width, 130);

    connect(Command_Stop, &QPushButton::clicked, this, &ThermocoupleWindow::Command_Stop_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &ThermocoupleWindow::Command_Exit_Click);
}

void ThermocoupleWindow::Form_Load() { CentreForm(*this); }

void ThermocoupleWindow::Command_Stop_Click() { StopFlag = true; }

void ThermocoupleWindow::Command_Exit_Click()
{
    StopFlag = true;
    if (m_writing) {
        // The run still has its own code on the stack: let it wind up, then unload.
        m_unloadAfterRun = true;
        hide();
        return;
    }
    appWindows().unloadWindow(this);
}

void ThermocoupleWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window during a run stops it; the run winds up hidden.
    if (m_writing)
        StopFlag = true;
    QWidget::closeEvent(event);
}

void ThermocoupleWindow::runInSetupMode(const std::function<void()> &writes)
{
    if (m_writing)
        return;
    if (!EnterSetupMode()) {
        appUi().MsgBox(QStringLiteral("Error entering setup mode"));
        return;
    }
    const LoadedWindow<ThermocoupleWindow> alive(this);
    {
        const Hourglass hourglass(appUi());
        m_writing = true;
        m_writeButton->setEnabled(false);
        StopFlag = false;
        writes();
    }
    if (alive) {
        ProgressBar1->setValue(0);
        Label_Thermostatus->clear();
        m_writeButton->setEnabled(true);
    }
    ExitSetupMode();
    if (!alive)
        return;
    m_writing = false;

    if (m_unloadAfterRun) {
        // Unload once this handler (and whatever called it) has returned.
        QMetaObject::invokeMethod(
            this, [alive] { if (alive) appWindows().unloadWindow(alive.data()); }, Qt::QueuedConnection);
    }
}

ThermocoupleWindow::PointOutcome ThermocoupleWindow::writePoint(qint32 E, double T, const QString &type,
                                                                const QString &temperatureText, int timeoutSeconds)
{
    if (!Thermocouple::withinLimits(E, type, T))
        return PointOutcome::Skipped;
    const QString command = Thermocouple::pointCommand(type, E, temperatureText);
    const LoadedWindow<ThermocoupleWindow> alive(this);
    for (;;) {
        Label_Thermostatus->setText(Thermocouple::writingStatus(type, E));
        for (int tries = 2; tries > 0; --tries) {
            const QString token = send(command, timeoutSeconds).left(2);
            std::optional<PointOutcome> ended;
            if (token == QLatin1String("*0")) {
                ended = PointOutcome::Written;
            } else if (token == QLatin1String("*6")) {
                appUi().MsgBox(QStringLiteral("Password needed"), Msg::Exclamation, QStringLiteral("Authentication Failure"));
                ended = PointOutcome::PasswordNeeded;
            }
            appClock().processEvents();
            if (!alive)
                return PointOutcome::Unloaded;
            if (ended)
                return *ended;
            if (StopFlag)
                return PointOutcome::Stopped;
        }
        const Msg::Answer answer = appUi().MsgBox(QStringLiteral("Error writing value"), Msg::AbortRetryIgnore | Msg::Critical);
        if (!alive)
            return PointOutcome::Unloaded;
        if (answer == Msg::Abort)
            return PointOutcome::Aborted;
        if (answer != Msg::Retry)
            return PointOutcome::Ignored;
    }
}
