#pragma once
#include <QDialog>
#include <QList>
#include <QString>

class QCloseEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
namespace Locators {
struct TerminalCommand;
}
struct UsbIdentityReply;

// "USB Device Detection": lists the FTDI devices with their reply to "*IDN?", makes one of
// them the meter's USB link (picked by hand or by Autolocate) and, in its advanced view,
// sends typed commands to the active device. Shown modally by the main window's
// "Configure USB" button through the window registry; loading it lists and probes at once.
// Probes and terminal commands run to completion without letting window events in.
class Form_USBLocator : public QDialog
{
    Q_OBJECT
public:
    explicit Form_USBLocator(QWidget *parent = nullptr);

    // --- public procedures ---
    // Shows the active device (state().USBDevice) in the "Active Module" labels.
    void DisplayActiveUSBModule();
    // Always false; nothing calls it.
    bool OpenUSBBackup(const QString &, const QString &);

    // --- handlers ---
    void Form_Load();
    void Command_Locate_Click();
    void Command_Autodetect_Click();
    void Command_SelectUSB_Click();
    void Command_AutomaticUSB_Click();
    void Command_Advanced_Click();
    void Command_Exit_Click();
    void Command_testID_Click();
    void Command1_Click();
    void Command_Clear_Click();
    // Enter (13) sends Text1's text; Escape (27) empties Text2.
    void Text1_KeyPress(int KeyAscii);
    void Text2_Click();

    // The terminal's text exactly as received (line ends kept); read by the tests only.
    QString terminalText() const { return m_terminal; }

    // --- controls ---
    QGroupBox *Frame_USB = nullptr;
    QTreeWidget *ListView_USBDevices = nullptr;
    QPushButton *Command_Autodetect = nullptr;
    QPushButton *Command_Locate = nullptr;
    QPushButton *Command_SelectUSB = nullptr;
    QPushButton *Command_Advanced = nullptr;
    QPushButton *Command_Exit = nullptr;
    QPushButton *Command_AutomaticUSB = nullptr; // hidden by the layout; nothing shows it
    QGroupBox *Frame_Test = nullptr;
    QPushButton *Command_testID = nullptr;
    QPushButton *Command1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command_Clear = nullptr;
    QPlainTextEdit *Text2 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLabel *Label_ActiveName = nullptr;
    QLabel *Label_ActiveSerialNumber = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void applyView(bool advanced);
    // Fills the list from the last listing.
    void showListing(bool trimSerialNumbers);
    void setReplyColumn(int entry, const QString &text);
    // Each probed device that opened shows its reply (or "No Reply") in its row.
    void showReplies(const QList<UsbIdentityReply> &results);
    // The second probe of Autolocate.
    void Identify_Listed_USBDevices();
    // The active device becomes the meter's link: shown, stored, given to the driver.
    void completeSelection();
    void runTerminalCommand(const Locators::TerminalCommand &command, bool typed);

    QString m_terminal;
    int m_listedCount = 0; // devices found by the last listing
};
