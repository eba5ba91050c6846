#pragma once
#include "settings/SettingsWindow.h"

class QLabel;
class QLineEdit;
class QSlider;
class UpDown;

// "Display": the brightness of the meter's primary and secondary display, sent from two
// sliders without setup mode and without awaiting a reply. The dim and switch-off time
// boxes are shown, but their buttons send nothing.
class FormDisplaySetup : public SettingsWindow
{
    Q_OBJECT
public:
    explicit FormDisplaySetup(QWidget *parent = nullptr);

    QSlider *Slider1;
    QPushButton *Command_SetDisplay1;
    QSlider *Slider2;
    QPushButton *Command_SetDisplay2;
    QLineEdit *Text_DimTime;
    UpDown *UpDown1;
    QPushButton *Command_SetDimTimeout;
    QLineEdit *Text_OffTime;
    UpDown *UpDown2;
    QPushButton *Command_SetOffTimeout;
    QLabel *Label1;

    void Form_Load();
    void Command_SetDisplay1_Click();
    void Command_SetDisplay2_Click();
    void Command_SetDimTimeout_Click() {}
    void Command_SetOffTimeout_Click() {}
};

// An up-down control: two arrow buttons that step the whole number in a buddy text box
// within a range (a text that is not a number steps from the range's low end).
class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, int minimum, int maximum, QWidget *parent);
    void stepBy(int steps);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

private:
    QLineEdit *m_buddy;
    int m_minimum, m_maximum;
};
