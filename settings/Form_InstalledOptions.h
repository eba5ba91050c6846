#pragma once
#include "settings/InstalledOptions.h"
#include "settings/SettingsWindow.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QRadioButton;

// "Installed Options": reads and sets the meter's model type and its installed options
// (21 check boxes over the options mask), fills in a model's default options, checks the
// dependencies between options before writing, and resets the meter's user options.
// Options the meter last reported as installed show in bold, with "Installed" as their
// tool tip and accessible description.
class Form_InstalledOptions : public SettingsWindow
{
    Q_OBJECT
public:
    explicit Form_InstalledOptions(QWidget *parent = nullptr);

    QGroupBox *ModelFrame;
    std::array<QRadioButton *, InstalledOptions::ModelCount> Option_Model{};
    QPushButton *Command_SelectDefaults;
    QGroupBox *Frame1;
    std::array<QCheckBox *, InstalledOptions::OptionCount> Check_Options{};
    QPushButton *Command_Read;
    QPushButton *Command_Set;
    QPushButton *Command_ResetOptions;
    std::array<QPushButton *, 2> Command_6450{}; // not visible

    void Form_Load();
    void Command_Read_Click();
    void Command_SelectDefaults_Click();
    void Option_Model_Click(int Index);
    void Command_Set_Click();
    void Command_6450_Click(int Index);
    void Command_ResetOptions_Click();

    // Whether Read last marked the box of `bit` as an installed option; read by the tests only.
    bool isMarkedInstalled(int bit) const;

private:
    bool CheckOptionDependencies();
    void readOptions(const RunGuard::Run &run);
    InstalledOptions::Ticks ticks() const;
    void showTicks(qint32 mask);
    void markInstalled(int bit, bool installed);
    // The model number of the selected button; 0 when none is selected.
    int selectedModel() const;
};
