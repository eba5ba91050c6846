#include "settings/FormDate.h"
#include "widgets/CentreForm.h"
#include "link/MeterOperation.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "settings/MeterClock.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int ClockRefreshMs = 5000;
constexpr int ReplySeconds = 10;
const QString NotYetShown = QStringLiteral("...");

} // namespace

FormDate::FormDate(QWidget *parent)
    : SettingsWindow(QStringLiteral("FormDate"), QStringLiteral("Date and Time"), QStringLiteral("Exit"), parent)
    , Frame1(named(new QGroupBox(QStringLiteral("Computer Time"), this), QStringLiteral("Frame1")))
    , LabelDate(named(new QLabel(NotYetShown, Frame1), QStringLiteral("LabelDate")))
    , Frame2(named(new QGroupBox(QStringLiteral("Meter Time"), this), QStringLiteral("Frame2")))
    , LabelMeterDate(named(new QLabel(NotYetShown, Frame2), QStringLiteral("LabelMeterDate")))
    , Command_ReadMeterTime(named(new QPushButton(QStringLiteral("Read"), Frame2), QStringLiteral("Command_ReadMeterTime")))
    , Command_SetTime(
          named(new QPushButton(QStringLiteral("Set Meter Time to Computer Time"), this), QStringLiteral("Command_SetTime")))
    , DTPicker1(named(new QDateEdit(this), QStringLiteral("DTPicker1")))
    , DTPicker2(named(new QTimeEdit(this), QStringLiteral("DTPicker2")))
    , Command_SetOtherTime(named(new QPushButton(QStringLiteral("Set Meter Time to Specified Time"), this),
                                 QStringLiteral("Command_SetOtherTime")))
    , TimerClock(named(new QTimer(this), QStringLiteral("TimerClock")))
{
    DTPicker1->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DTPicker1->setCalendarPopup(true);
    DTPicker2->setDisplayFormat(QStringLiteral("HH:mm"));

    auto *computer = new QVBoxLayout(Frame1);
    computer->addWidget(LabelDate);
    auto *meter = new QHBoxLayout(Frame2);
    meter->addWidget(LabelMeterDate, 1);
    meter->addWidget(Command_ReadMeterTime);
    auto *pickers = new QHBoxLayout;
    pickers->addWidget(DTPicker1);
    pickers->addWidget(DTPicker2);
    pickers->addWidget(Command_SetOtherTime, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Command_SetTime);
    layout->addLayout(pickers);
    layout->addLayout(exitRow());
    setMinimumWidth(460);

    TimerClock->setInterval(ClockRefreshMs);
    connect(TimerClock, &QTimer::timeout, this, &FormDate::TimerClock_Timer);
    TimerClock->start();
    connect(Command_ReadMeterTime, &QPushButton::clicked, this, &FormDate::Command_ReadMeterTime_Click);
    connect(Command_SetTime, &QPushButton::clicked, this, &FormDate::Command_SetTime_Click);
    connect(Command_SetOtherTime, &QPushButton::clicked, this, &FormDate::Command_SetOtherTime_Click);
    new MeterControls(this, {Command_ReadMeterTime, Command_SetTime, Command_SetOtherTime});
}

void FormDate::Form_Load() { CentreForm(*this); }

void FormDate::Form_Activate()
{
    const RunGuard::Run run = guard.beginOnMeter(RunGuard::Refusal::Quiet);
    if (!run)
        return;
    TimerClock_Timer();
    Command_ReadMeterTime_Click();
    if (!run.windowOpen())
        return;
    const QDateTime now = appClock().now();
    DTPicker2->setTime(now.time());
    DTPicker1->setDate(now.date());
}

void FormDate::TimerClock_Timer() { LabelDate->setText(MeterClock::displayText(appClock().now())); }

void FormDate::Command_ReadMeterTime_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (run)
        readMeterTime(run);
}

void FormDate::readMeterTime(const RunGuard::Run &run)
{
    const Hourglass hourglass(appUi());
    const QString reply = SendToMeter(QStringLiteral("a"), ReplySeconds);
    if (run.windowOpen())
        LabelMeterDate->setText(MeterClock::meterTimeText(reply));
}

// One reading of the PC's clock: date, hour and minute of one instant.
void FormDate::Command_SetTime_Click() { setMeterClock([] { return appClock().now(); }); }

void FormDate::Command_SetOtherTime_Click()
{
    const QDateTime picked(DTPicker1->date(), DTPicker2->time());
    setMeterClock([picked] { return picked; });
}

void FormDate::setMeterClock(const std::function<QDateTime()> &when)
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    SetupModeBracket bracket;
    bracket.onRefusal = SetupModeBracket::OnRefusal::CarryOn; // the clock command goes out in any case
    run.inSetupMode(bracket, [&] {
        if (ClassifyReply(SendToMeter(MeterClock::setCommand(when()), ReplySeconds)) == ReplyStatus::Done &&
            run.windowOpen())
            readMeterTime(run);
    });
    if (run.windowOpen())
        TimerClock_Timer();
}
