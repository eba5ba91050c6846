#pragma once
#include "link/DeviceRecords.h"
#include "link/MeterProbes.h"

#include <QWidget>
#include <QString>

class QCheckBox;
class QCloseEvent;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// Texts and tests of the automatic search, kept apart from the window.
namespace AutoLocate {

// Window heights in twips, the window's outer height as laid out: the log hidden (the
// window ends just below the buttons) and shown.
constexpr int CollapsedHeight = 2200;
constexpr int FullHeight = 5200;
// What the caption and borders of such a window take of its height; the rest is the
// client area Qt sizes.
constexpr int FrameHeight = 450;
constexpr int WindowWidth = 6585;
constexpr int FrameWidth = 120;

// The dialog's entry for an accepted module: its identity with blanks trimmed and every
// CR LF removed, then " (", the trimmed address and ")".
QString ModuleListEntry(const EthernetDevice &module);
// A log or result text as a text widget shows it: CR LF, a CR before CR LF and a lone CR
// each make one line break.
QString DisplayText(QString text);

} // namespace AutoLocate

// "Automatic 6400 Location": finds the meter without asking anything. It tries USB, then
// Ethernet, then the serial ports, stops at the first meter that identifies itself, gives
// the active driver DVM1 that link and stores it in the settings. Each step shows on the
// two labels and in the log. Loaded through the window registry; callers show it, call
// SetShowDetails(false) and Locate_All.
class FormAutoLocate : public QWidget
{
    Q_OBJECT
public:
    explicit FormAutoLocate(QWidget *parent = nullptr);
    ~FormAutoLocate() override;

    // --- public procedures ---
    // Probes the Ethernet modules that discovery finds; true when one was selected.
    bool Locate_DVM_Ethernet();
    void SetShowDetails(bool show);
    // The whole search, USB, Ethernet, serial; true when a meter was found (FoundText).
    bool Locate_All();
    // Probes every FTDI device; true when one was selected.
    bool Locate_DVM_USB();

    // --- the window's own procedures (public so that tests can drive them) ---
    // Saves "ScannerCommPort" = "0" (nothing calls it).
    void Locate_Scanner();
    void ShowProgress(const QString &text);
    void AddResultDetail(const QString &text);
    void ApplyDetailsLayout();
    // Lists the serial ports COM1 to COM16 that open.
    void Fill_SerialPort_Lists();
    // Probes each listed serial port; success shows only in FoundText.
    void Locate_DVM_Serial();

    // --- handlers ---
    void Form_Load();
    void Command_Details_Click();
    void Command_Locate6450_Click();
    void Command_OK_Click();
    void Command_Retry_Click();

    // A search is under way (the window must not be unloaded meanwhile).
    bool isSearching() const { return m_searching; }
    // The main window asked to close during a search: it is closed when the search ends.
    void closeMainWindowWhenDone() { m_closeMainWhenDone = true; }
    // The log exactly as written (CR LF line ends); read by the tests only.
    QString logText() const { return m_log; }

    // --- form-level state ---
    QString FoundText;
    bool ShowDetails = false;

    // --- controls ---
    QLabel *Image1 = nullptr;
    QLabel *Label_Result = nullptr;
    QLabel *Label_Progress = nullptr;
    QPushButton *Command_Details = nullptr;
    QPushButton *Command_Retry = nullptr;
    QPushButton *Command_OK = nullptr;
    QPlainTextEdit *Text_Status = nullptr;
    // Hidden by the layout; nothing shows them.
    QListWidget *List_RS2321 = nullptr;
    QListWidget *List_RS232S = nullptr;
    QCheckBox *Check_Scanner = nullptr;
    QPushButton *Command_Locate6450 = nullptr;
    QPushButton *Command_LocateScanner = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // The search's log: each line shown as its step happens.
    ProbeLog progressLog();
    void setProgressLabel(const QString &text);

    QString m_log;
    bool m_searching = false;
    bool m_closeMainWhenDone = false;
};
