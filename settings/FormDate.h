#pragma once
#include "settings/SettingsWindow.h"

#include <QDateTime>
#include <functional>

class QDateEdit;
class QGroupBox;
class QLabel;
class QTimeEdit;
class QTimer;

// "Date and Time": the PC's date and time beside the meter's, and the setting of the
// meter's clock to the PC's clock or to a picked date and time. Each activation reads the
// meter again and resets the pickers to the present.
class FormDate : public SettingsWindow
{
    Q_OBJECT
public:
    explicit FormDate(QWidget *parent = nullptr);

    QGroupBox *Frame1;
    QLabel *LabelDate;
    QGroupBox *Frame2;
    QLabel *LabelMeterDate;
    QPushButton *Command_ReadMeterTime;
    QPushButton *Command_SetTime;
    QDateEdit *DTPicker1; // day, month and year to set
    QTimeEdit *DTPicker2; // hour and minute to set
    QPushButton *Command_SetOtherTime;
    QTimer *TimerClock;

    void Form_Load();
    void Form_Activate() override;
    void TimerClock_Timer();
    void Command_ReadMeterTime_Click();
    void Command_SetTime_Click();
    void Command_SetOtherTime_Click();

private:
    void readMeterTime(const RunGuard::Run &run);
    // Sets the meter's clock inside setup mode to the date and time `when` gives once
    // setup mode has been asked for.
    void setMeterClock(const std::function<QDateTime()> &when);
};
