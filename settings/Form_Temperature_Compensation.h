#pragma once
#include "settings/SettingsWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;

// "Temperature Compensation": the temperature coefficient of each DC voltage and resistance
// range, the reference ambient temperature and the meter's internal temperature. None of its
// commands needs setup mode. The internal temperature is read each time the window becomes
// active.
class Form_Temperature_Compensation : public SettingsWindow
{
    Q_OBJECT
public:
    explicit Form_Temperature_Compensation(QWidget *parent = nullptr);

    QLineEdit *Text_AmbientTemp;
    QPushButton *Command_AmbientTemp;
    QLabel *Label_ReadTemp;
    QPushButton *Command_ReadTemp;
    QComboBox *Combo_Ranges;
    QLineEdit *Text_Coeff;
    QPushButton *Command_Coeff;

    void Form_Load();
    void Form_Activate() override;
    void Combo_Ranges_Click();
    void Command_AmbientTemp_Click();
    void Command_Coeff_Click();
    void Command_ReadTemp_Click();
};
