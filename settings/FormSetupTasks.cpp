#include "settings/FormSetupTasks.h"
#include "widgets/CentreForm.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QCheckBox *checkBox(const QString &caption, const char *name, QWidget *parent)
{
    return named(new QCheckBox(caption, parent), QString::fromLatin1(name));
}

} // namespace

FormSetupTasks::FormSetupTasks(QWidget *parent)
    : QDialog(parent)
    , Check_SetDate(checkBox(QStringLiteral("Set the meter's date and time from this computer"), "Check_SetDate", this))
    , Check_SetCalPassword(checkBox(QStringLiteral("Set the calibration password to:"), "Check_SetCalPassword", this))
    , Text_CalPassword(named(new QLineEdit(this), QStringLiteral("Text_CalPassword")))
    , Check_ClearCalFactors(checkBox(QStringLiteral("Clear the calibration factors"), "Check_ClearCalFactors", this))
    , Check_LoadDefaultSpecs(checkBox(QStringLiteral("Load the default specifications file"), "Check_LoadDefaultSpecs", this))
    , Check_LoadDefaultUncerts(
          checkBox(QStringLiteral("Load the default imported uncertainties file"), "Check_LoadDefaultUncerts", this))
    , Check_LoadThermocouple(
          checkBox(QStringLiteral("Load the thermocouple tables (types B, E, J, K, N, R, S, T)"), "Check_LoadThermocouple", this))
    , Command_Run(named(new QPushButton(QStringLiteral("Run"), this), QStringLiteral("Command_Run")))
    , Command_Cancel(named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command_Cancel")))
{
    setObjectName(QStringLiteral("FormSetupTasks"));
    setWindowTitle(QStringLiteral("Setup Tasks"));
    setModal(true);

    // The files the two loads write, so the technician sees which ones before running.
    Check_LoadDefaultSpecs->setToolTip(SetupTasks::defaultFilePath(SetupTasks::DefaultFile::Specifications));
    Check_LoadDefaultUncerts->setToolTip(SetupTasks::defaultFilePath(SetupTasks::DefaultFile::Uncertainties));
    Text_CalPassword->setPlaceholderText(QStringLiteral("up to 9 digits"));
    Text_CalPassword->setEnabled(false);
    connect(Check_SetCalPassword, &QCheckBox::toggled, Text_CalPassword, &QLineEdit::setEnabled);

    auto *password = new QHBoxLayout;
    password->addWidget(Check_SetCalPassword);
    password->addWidget(Text_CalPassword);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command_Run);
    buttons->addWidget(Command_Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(named(new QLabel(QStringLiteral("Tasks run in this order; each one puts the meter in setup mode."), this),
                            QStringLiteral("Label_Order")));
    layout->addWidget(Check_SetDate);
    layout->addLayout(password);
    layout->addWidget(Check_ClearCalFactors);
    layout->addWidget(Check_LoadDefaultSpecs);
    layout->addWidget(Check_LoadDefaultUncerts);
    layout->addWidget(Check_LoadThermocouple);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    Command_Cancel->setDefault(true);
    connect(Command_Run, &QPushButton::clicked, this, &FormSetupTasks::Command_Run_Click);
    connect(Command_Cancel, &QPushButton::clicked, this, &FormSetupTasks::Command_Cancel_Click);
    adjustSize();
    CentreForm(*this);
}

SetupTaskInputs FormSetupTasks::inputs() const
{
    SetupTaskInputs in;
    in.SetDate = Check_SetDate->isChecked();
    in.SetCalPassword = Check_SetCalPassword->isChecked();
    in.CalPassword = Text_CalPassword->text();
    in.ClearCalFactors = Check_ClearCalFactors->isChecked();
    in.LoadDefaultSpecs = Check_LoadDefaultSpecs->isChecked();
    in.LoadDefaultUncerts = Check_LoadDefaultUncerts->isChecked();
    in.LoadThermocouple = Check_LoadThermocouple->isChecked();
    return in;
}

void FormSetupTasks::Command_Run_Click() { accept(); }

void FormSetupTasks::Command_Cancel_Click() { reject(); }
