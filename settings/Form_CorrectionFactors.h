#pragma once
#include "settings/SettingsWindow.h"

#include <array>

class QLabel;
class QLineEdit;

// "Correction Factors": reads and sets the meter's AC linearity correction (ppm at half
// scale), without setup mode. It has no load handler: it opens where the window system
// puts it, with an empty value box.
class Form_CorrectionFactors : public SettingsWindow
{
    Q_OBJECT
public:
    explicit Form_CorrectionFactors(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *Text_ACLIN;
    std::array<QPushButton *, 2> Command_ACLIN{}; // 0 "Read", 1 "Set"

    void Command_ACLIN_Click(int Index);
};
