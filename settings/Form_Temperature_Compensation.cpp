#include "settings/Form_Temperature_Compensation.h"
#include "link/MeterOperation.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/UserInteraction.h"
#include "settings/TemperatureCompensation.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace TC = TemperatureCompensation;

namespace {

const QString Degrees = QStringLiteral("\u00B0C");

} // namespace

Form_Temperature_Compensation::Form_Temperature_Compensation(QWidget *parent)
    : SettingsWindow(QStringLiteral("Form_Temperature_Compensation"), QStringLiteral("Temperature Compensation"),
                     QStringLiteral("Exit"), parent)
    , Text_AmbientTemp(named(new QLineEdit(QStringLiteral("20.0"), this), QStringLiteral("Text_AmbientTemp")))
    , Command_AmbientTemp(named(new QPushButton(QStringLiteral("Set Reference Ambient  Temperature"), this),
                                QStringLiteral("Command_AmbientTemp")))
    , Label_ReadTemp(named(new QLabel(this), QStringLiteral("Label_ReadTemp")))
    , Command_ReadTemp(
          named(new QPushButton(QStringLiteral("Read Internal Temperature"), this), QStringLiteral("Command_ReadTemp")))
    , Combo_Ranges(named(new QComboBox(this), QStringLiteral("Combo_Ranges")))
    , Text_Coeff(named(new QLineEdit(this), QStringLiteral("Text_Coeff")))
    , Command_Coeff(
          named(new QPushButton(QStringLiteral("Set Temperature Coefficient"), this), QStringLiteral("Command_Coeff")))
{
    Label_ReadTemp->setFrameShape(QFrame::StyledPanel);
    Label_ReadTemp->setMinimumWidth(120);
    Text_AmbientTemp->setMaximumWidth(90);
    Text_Coeff->setMaximumWidth(90);

    auto *grid = new QGridLayout;
    grid->addWidget(Text_AmbientTemp, 0, 1);
    grid->addWidget(new QLabel(Degrees, this), 0, 2);
    grid->addWidget(Command_AmbientTemp, 0, 3);
    grid->addWidget(Label_ReadTemp, 1, 1, 1, 2);
    grid->addWidget(Command_ReadTemp, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Range"), this), 2, 0);
    grid->addWidget(Combo_Ranges, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Temperature Coefficient"), this), 3, 0);
    grid->addWidget(Text_Coeff, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("ppm/\u00B0C"), this), 3, 2);
    grid->addWidget(Command_Coeff, 3, 3);
    grid->setVerticalSpacing(10);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(exitRow());

    connect(Combo_Ranges, &QComboBox::activated, this, &Form_Temperature_Compensation::Combo_Ranges_Click);
    connect(Command_AmbientTemp, &QPushButton::clicked, this, &Form_Temperature_Compensation::Command_AmbientTemp_Click);
    connect(Command_Coeff, &QPushButton::clicked, this, &Form_Temperature_Compensation::Command_Coeff_Click);
    connect(Command_ReadTemp, &QPushButton::clicked, this, &Form_Temperature_Compensation::Command_ReadTemp_Click);
    new MeterControls(this, {Combo_Ranges, Command_AmbientTemp, Command_Coeff, Command_ReadTemp});
}

void Form_Temperature_Compensation::Form_Load()
{
    Combo_Ranges->clear();
    Combo_Ranges->addItems(TC::rangeItems());
    Combo_Ranges->setCurrentIndex(-1); // no coefficient shown until a range is chosen
}

void Form_Temperature_Compensation::Form_Activate() { Command_ReadTemp_Click(); }

void Form_Temperature_Compensation::Combo_Ranges_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run || Combo_Ranges->currentIndex() < 0)
        return;
    const Hourglass hourglass(appUi());
    if (ClassifyReply(SendToMeter(TC::rangeCommand(Combo_Ranges->currentText()), 2)) != ReplyStatus::Done
        || !run.windowOpen())
        return; // a refused range shows nothing; a closed window asks nothing more
    const QString reply = SendToMeter(QStringLiteral("TEMPCOMP:COEFF ?"), 2);
    if (run.windowOpen())
        Text_Coeff->setText(TextConv::General(TextConv::Val(reply)));
}

void Form_Temperature_Compensation::Command_Coeff_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    if (!TC::coefficientValid(Text_Coeff->text())) {
        appUi().MsgBox(QStringLiteral("Invalid Coefficient (Max \u00B1300 ppm/\u00B0C)"), Msg::Exclamation);
        return;
    }
    const Hourglass hourglass(appUi());
    if (ClassifyReply(SendToMeter(TC::coefficientCommand(Text_Coeff->text()), 4)) != ReplyStatus::Done)
        appUi().MsgBox(QStringLiteral("Error Setting Coefficient"), Msg::Exclamation);
}

void Form_Temperature_Compensation::Command_AmbientTemp_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    if (!TC::ambientValid(Text_AmbientTemp->text())) {
        appUi().MsgBox(QStringLiteral("Invalid Temperature"), Msg::Exclamation);
        return;
    }
    const Hourglass hourglass(appUi());
    if (ClassifyReply(SendToMeter(TC::ambientCommand(Text_AmbientTemp->text()), 10)) == ReplyStatus::Done)
        appUi().MsgBox(QStringLiteral("Temperature Set OK"), Msg::Information);
    else
        appUi().MsgBox(QStringLiteral("Error Setting Temperature"), Msg::Exclamation);
}

void Form_Temperature_Compensation::Command_ReadTemp_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    const QString reply = AskMeterOneLine(QStringLiteral("TEMP?"), 4);
    if (run.windowOpen())
        Label_ReadTemp->setText(TC::internalTemperatureText(reply));
}
