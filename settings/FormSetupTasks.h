#pragma once
#include "settings/SetupTasks.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// "Setup Tasks": the technician picks the tasks of one run and the new calibration
// password. Run closes the dialog accepted (the main window then runs the tasks with
// inputs()), Cancel closes it rejected.
class FormSetupTasks : public QDialog
{
    Q_OBJECT
public:
    explicit FormSetupTasks(QWidget *parent = nullptr);

    // The run the dialog describes.
    SetupTaskInputs inputs() const;

    void Command_Run_Click();
    void Command_Cancel_Click();

    QCheckBox *Check_SetDate;
    QCheckBox *Check_SetCalPassword;
    QLineEdit *Text_CalPassword;
    QCheckBox *Check_ClearCalFactors;
    QCheckBox *Check_LoadDefaultSpecs;
    QCheckBox *Check_LoadDefaultUncerts;
    QCheckBox *Check_LoadThermocouple;
    QPushButton *Command_Run;
    QPushButton *Command_Cancel;
};
