#pragma once
#include "link/MeterWriteResult.h"
#include "tables/prt/Temperature.h"
#include "widgets/RunGuard.h"

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class FlexGrid;

// The PRT table editor: generates the meter's resistance-to-temperature table from ITS-90
// or IEC 60751 coefficients, reads it from the meter ("pt") and writes it back ("Wt").
// The grid is the only store; row 0 and column 0 are its heading row and column.
class FormPRTTable : public QWidget
{
    Q_OBJECT

public:
    explicit FormPRTTable(QWidget *parent = nullptr);

    // Handlers.
    void Form_Load();
    void Option_HighTemp_Click(int Index);
    void Option_LowTemp_Click(int Index);
    void Command_GenerateITS90_Click();
    void Command1_Click();
    void Command_Single_Click();
    void Command_LoadAllCalFactors_Click();
    void Command_SaveAll_Click();

    // Controls, from the top of the window down.
    QPushButton *Command_LoadAllCalFactors;
    QPushButton *Command_SaveAll;
    QPushButton *Command_GenerateITS90;
    QPushButton *Command1;
    QPushButton *Command_Single;
    QLineEdit *Text_R0;
    QGroupBox *Frame1;
    QLabel *Label7;
    std::array<QRadioButton *, 4> Option_LowTemp;
    QLabel *LabelA1;
    QLineEdit *Text_ITS90A;
    QLabel *LabelB;
    QLineEdit *Text_ITS90B;
    std::array<QLabel *, 5> LabelC;
    std::array<QLineEdit *, 5> Text_ITS90C;
    QGroupBox *Frame2;
    QLabel *LabelAH;
    QLineEdit *Text_ITS90AH;
    QLabel *LabelBH;
    QLineEdit *Text_ITS90BH;
    QLabel *LabelCH;
    QLineEdit *Text_ITS90CH;
    QLabel *LabelDH;
    QLineEdit *Text_ITS90DH;
    QLabel *LabelWAl;
    QLineEdit *Text_ITS90AlFp;
    std::array<QRadioButton *, 6> Option_HighTemp;
    QGroupBox *Frame3;
    QLabel *Label1;
    QLineEdit *Text_IECA;
    QLabel *Label2;
    QLineEdit *Text_IECB;
    QLabel *Label3;
    QLineEdit *Text_IECC;
    QPushButton *Command_ClassA;
    QPushButton *Command_ClassB;
    QProgressBar *ProgressBar1;
    FlexGrid *CalGrid;

protected:
    // The close box stops a load or save under way and unloads the window once it has wound
    // up, so that opening it again shows a fresh window.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // The coefficient set from the boxes: a shown box gives its number, a hidden one 0.
    ITS90_Coefficients readITS90Coefficients() const;
    // R0 from its box, or nothing (after telling the user) when it is not above 0.
    std::optional<double> readR0();
    // Fills the 350 x 10 grid with the temperatures of 0.0 to 349.9 ohms.
    void generateTable(const std::function<double(double R)> &temperature);
    // The cell-by-cell write of Save All, inside the setup-mode bracket, counting in
    // `result` what the meter took. Returns at the end of the table or when the save stops
    // (the first value the meter does not answer, even once its late answer was waited
    // for, ends it), and as soon as the window is
    // found unloaded after a yield, touching nothing of it any more.
    void writeAllCells(const RunGuard::Run &run, MeterWriteResult &result);
    // The cells Save All would send: every value with an index the meter keeps.
    int cellsToSend() const;

    // Loads and saves yield while they wait for the meter.
    RunGuard m_guard{this};
};
