#include "settings/Form_CorrectionFactors.h"
#include "link/MeterOperation.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"
#include "settings/AcLinearity.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ReadIndex = 0, SetIndex = 1;
constexpr int ReplySeconds = 10;

} // namespace

Form_CorrectionFactors::Form_CorrectionFactors(QWidget *parent)
    : SettingsWindow(QStringLiteral("Form_CorrectionFactors"), QStringLiteral("Correction Factors"),
                     QStringLiteral("Exit"), parent)
    , Label1(named(new QLabel(QStringLiteral("AC Linearity Correction (ppm at half scale)"), this),
                   QStringLiteral("Label1")))
    , Text_ACLIN(named(new QLineEdit(this), QStringLiteral("Text_ACLIN")))
{
    const QString captions[] = {QStringLiteral("Read"), QStringLiteral("Set")};
    auto *row = new QHBoxLayout;
    row->addWidget(Text_ACLIN);
    for (int index : {ReadIndex, SetIndex}) {
        Command_ACLIN[index] = named(new QPushButton(captions[index], this), QStringLiteral("Command_ACLIN(%1)").arg(index));
        row->addWidget(Command_ACLIN[index]);
        connect(Command_ACLIN[index], &QPushButton::clicked, this, [this, index] { Command_ACLIN_Click(index); });
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(row);
    layout->addLayout(exitRow());
    new MeterControls(this, {Command_ACLIN[0], Command_ACLIN[1]});
}

void Form_CorrectionFactors::Command_ACLIN_Click(int Index)
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    if (Index == ReadIndex) {
        const QString reply = SendToMeter(AcLinearity::Query, ReplySeconds);
        if (run.windowOpen())
            Text_ACLIN->setText(AcLinearity::valueText(reply));
    } else if (Index == SetIndex) {
        if (!ReplyHoldsDone(SendToMeter(AcLinearity::setCommand(Text_ACLIN->text()), ReplySeconds)))
            appUi().MsgBox(QStringLiteral("error setting factor"), Msg::Critical);
    }
}
