#pragma once
#include "shell/EthernetLocator.h"
#include "widgets/RunGuard.h"

#include <QDialog>
#include <QString>

class QCloseEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class UdpSocketControl;

// "Ethernet-Serial Setup": finds every serial-to-Ethernet module on the network, lists it
// with its meter's identification, makes one of them the meter's link, and configures the
// chosen module (meter-side serial port, names, IP address, DHCP, reboot, status LEDs).
// A small terminal sends meter commands to the active module. The upper band (the module
// list) is always shown; "Advanced >>" shows the lower band (setup, active module,
// terminal). Loaded through the window registry, whose load runs Form_Load (a search);
// the main window then shows it modally.
class Form_EthernetLocator : public QDialog
{
    Q_OBJECT
public:
    explicit Form_EthernetLocator(QWidget *parent = nullptr);
    ~Form_EthernetLocator() override;

    // --- public procedures ---
    // Shows the global EthernetDevice on the four "Active Module" labels.
    void DisplayActiveEthernetModule();
    // Makes entry `index` (from 1) of EthernetDevices the meter's link: the global record,
    // SelectedMAC, the labels, the settings store and the driver (interface type 3, its
    // own copy of the record). Nothing outside 1 to the list's upper bound.
    void SelectEthernetModule(int index);

    // --- handlers ---
    void Form_Load();
    // The search: discovery, one row per module with its meter's "*IDN?" reply, and the
    // module selected at once when it is the only one.
    void Command_BroadcastFind_Click();
    void Command_Select_Click();
    // A row clicked; index counted from 1.
    void ListView_Modules_ItemClick(int index);
    void Command_Advanced_Click();
    void Command_Exit_Click();
    void Command_Reboot_Click();    // "Reboot"
    void Command_SetName_Click();   // "Setup Device Name"
    void Command_SetSerial_Click(); // "Initialise Module"
    void Command4_Click();          // "Set IP"
    void Command7_Click();          // "DHCP on"
    void Command8_Click();          // "DHCP Off"
    void Command1_Click();          // "Flash Status LEDs"
    void Command9_Click();          // "Generate"
    void Command5_Click();          // "Get IP"
    // The terminal's command line: 13 (Enter) sends Text2, 27 (Escape) empties it.
    void Text2_KeyPress(int KeyAscii);
    // A click into the terminal's output empties it.
    void Text1_Click();

    // The terminal's output exactly as received (the replies' own CRs kept); read by the
    // tests only.
    QString terminalText() const { return m_terminal; }
    // Whether the lower band is shown.
    bool isAdvanced() const;

    // --- controls ---
    QGroupBox *Frame_Modules = nullptr;
    QTreeWidget *ListView_Modules = nullptr;
    QPushButton *Command_BroadcastFind = nullptr;
    QPushButton *Command_Select = nullptr;
    QPushButton *Command_Advanced = nullptr;
    QPushButton *Command_Exit = nullptr;
    QGroupBox *Frame_Setup = nullptr;
    QPushButton *Command_SetSerial = nullptr;
    QPushButton *Command_SetName = nullptr;
    QLineEdit *Text_IP = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command_Reboot = nullptr;
    QPushButton *Command1 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLabel *Label_ActiveIP = nullptr;
    QLabel *Label_ActiveMAC = nullptr;
    QLabel *Label_ActivePort = nullptr;
    QLabel *Label_ActiveName = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    QLineEdit *Text_Debug = nullptr; // hidden; nothing uses it
    // Used only by the search's bind check.
    UdpSocketControl *DummySock = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void setBandHeight(bool advanced);
    void search(const RunGuard::Run &run);
    void bindCheck();
    void runSequence(const EthernetLocator::Sequence &sequence);
    void runSequence(const EthernetLocator::Sequence &sequence, const RunGuard::Run &run);

    RunGuard m_guard{this};
    QString m_terminal;
};
