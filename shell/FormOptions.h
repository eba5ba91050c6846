#pragma once
#include <QDialog>
#include <QString>
#include <QList>
#include <array>
#include <optional>

class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace PortSetup {
// The messages of the GPIB search and address change, as the dialog shows them.
inline const QString IdentificationTitle = QStringLiteral("Instrument Identification");
inline const QString AddressChangeTitle = QStringLiteral("GPIB Address Change");
// The list row the saved port selects: the last openable port at or below it, -1 when
// none (the list holds the openable ports in ascending order).
int SavedPortRow(const QList<int> &openablePorts, int savedPort);
// A GPIB address typed or chosen in a combo box, when it is a whole number from 1 to 24.
std::optional<int> ChosenGpibAddress(const QString &text);
} // namespace PortSetup

// "Options": the meter's model and its RS232 or GPIB link. Searches the serial ports or
// the GPIB bus for an instrument, changes the meter's GPIB address, and on OK saves the
// choice and makes a new active driver DVM1 for the model (without a link: the searches
// and locators give it one). Modal, loaded through the window registry; its load lists
// the serial ports, and while another operation holds the meter it unloads itself at once.
class FormOptions : public QDialog
{
    Q_OBJECT
public:
    explicit FormOptions(QWidget *parent = nullptr);

    // --- handlers ---
    void Form_Load();
    void Option_DVM1_Interface_Click(int Index);
    void Command_DVM1_Locate_Click(int Index);
    void Command_SetGPIB_Click();
    void Command_OK_Click();
    void Command_Cancel_Click();

    // --- controls, in the order a user meets them ---
    QGroupBox *Frame_DVMa = nullptr;
    std::array<QPushButton *, 1> Command_DVM1_Locate{};
    std::array<QRadioButton *, 2> Option_DVM1_Interface{}; // 0 RS232, 1 GPIB
    QComboBox *Combo_DVM1 = nullptr;
    QGroupBox *Frame_GPIB1 = nullptr;
    QComboBox *Combo_GPIB_NewAddress = nullptr;
    QPushButton *Command_SetGPIB = nullptr;
    QComboBox *Combo_GPIB1 = nullptr;
    QGroupBox *Frame_RS2321 = nullptr;
    QListWidget *List_RS2321 = nullptr;
    QPushButton *Command_Cancel = nullptr;
    QPushButton *Command_OK = nullptr;

private:
    void buildControls();
    // False when another operation holds the meter: nothing listed.
    bool List_Available_Comm_Ports();
    void LocateOnSerialPorts();
    void LocateOnGpib();
    void unloadWith(int result);
};
