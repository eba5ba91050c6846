#include "shell/FormAutoLocate.h"
#include "link/DMM_Setup.h"
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/USB.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "shell/FormMain.h"
#include "shell/Look.h"
#include "widgets/CentreForm.h"
#include "widgets/Form_List_Dialogue.h"
#include "widgets/Twips.h"
#include "widgets/WindowRegistry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// Ports the serial search can name: COM1 to COM16.
constexpr int FirstPort = 1;
constexpr int LastPort = 16;
// FTDI listing attempts, and the pause after each and after the probe of a device.
constexpr int UsbListAttempts = 5;
constexpr int UsbPauseMs = 250;
// An Ethernet probe waits this long for the meter's one-line reply.
constexpr int EthernetProbeSeconds = 4;

QString setting(const QString &key, const QString &defaultValue = {})
{
    return appSettings().GetSetting(SettingsStore::Section, key, defaultValue);
}

void saveSetting(const QString &key, const QString &value)
{
    appSettings().SaveSetting(SettingsStore::Section, key, value);
}

// A stored port number; a text that is no number, or out of range, reads as 0.
int portSetting(const QString &key)
{
    return TextConv::CInt(TextConv::Val(setting(key, QStringLiteral("1")))).value_or(0);
}

// Each search judges replies with a meter driver of its own, whatever model the settings name.
std::unique_ptr<IDVM> temporaryDriver() { return CreateDVM(QStringLiteral("6450")); }

} // namespace

namespace AutoLocate {

QString UsbDeviceHeader(const QString &description)
{
    return QStringLiteral("USB Device \"") + description + QStringLiteral("\" Found: ");
}

bool IsMeterModule(const EthernetDevice &module)
{
    const QString &address = module.IPAddress.text();
    const bool addressFilled = !TrimBlanks(address).isEmpty() && address.at(0) != QChar(0);
    return addressFilled && module.Owner.text().toUpper() == QLatin1String("VELKORAN")
        && module.DeviceName.text().left(4).toUpper() == QLatin1String("6450");
}

QString ModuleListEntry(const EthernetDevice &module)
{
    QString identity = TrimBlanks(module.Identity.text());
    identity.remove(CRLF);
    return identity + QStringLiteral(" (") + TrimBlanks(module.IPAddress.text()) + QLatin1Char(')');
}

int PortNumberOfEntry(const QString &entry) { return TextConv::CInt(TextConv::Val(entry.mid(3))).value_or(0); }

QString DisplayText(QString text)
{
    text.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"));
    text.replace(CRLF, QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace AutoLocate

using namespace AutoLocate;

FormAutoLocate::FormAutoLocate(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormAutoLocate"));
    setWindowTitle(QStringLiteral("Automatic 6400 Location"));
    buildControls();
}

FormAutoLocate::~FormAutoLocate() = default;

void FormAutoLocate::buildControls()
{
    auto label = [this](const QString &name, const QString &text, int left, int top, int width, int height) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Twips::place(*l, left, top, width, height);
        return l;
    };
    auto button = [this](const QString &name, const QString &caption, int left, int top, int width, int height) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        Twips::place(*b, left, top, width, height);
        return b;
    };

    Image1 = label(QStringLiteral("Image1"), QString(), 330, 75, 1200, 1125);
    const QPixmap picture(Look::meterPicture());
    Image1->setPixmap(picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image1->setAlignment(Qt::AlignCenter);
    Label_Result = label(QStringLiteral("Label_Result"), QStringLiteral("Searching..."), 1650, 75, 4500, 570);
    Label_Result->setFont(Look::font(QStringLiteral("Arial"), 14.25));
    Label_Progress = label(QStringLiteral("Label_Progress"), QStringLiteral("Label1"), 1650, 630, 4500, 570);

    Command_Details = button(QStringLiteral("Command_Details"), QStringLiteral("Details >>"), 330, 1275, 1215, 360);
    Command_Retry = button(QStringLiteral("Command_Retry"), QStringLiteral("Retry"), 2715, 1260, 1600, 375);
    Command_OK = button(QStringLiteral("Command_OK"), QStringLiteral("OK"), 4530, 1260, 1600, 375);
    QFont bold = Command_OK->font();
    bold.setBold(true);
    Command_OK->setFont(bold);

    Text_Status = new QPlainTextEdit(this);
    Text_Status->setObjectName(QStringLiteral("Text_Status"));
    Text_Status->setReadOnly(true);
    Text_Status->setLineWrapMode(QPlainTextEdit::NoWrap);
    Twips::place(*Text_Status, 330, 1800, 5805, 2505);

    // The controls the layout hides: the serial port lists the serial search walks, and
    // the scanner's and the serial search's own buttons.
    List_RS2321 = new QListWidget(this);
    List_RS2321->setObjectName(QStringLiteral("List_RS2321"));
    List_RS232S = new QListWidget(this);
    List_RS232S->setObjectName(QStringLiteral("List_RS232S"));
    Check_Scanner = new QCheckBox(QStringLiteral("Use Scanner"), this);
    Check_Scanner->setObjectName(QStringLiteral("Check_Scanner"));
    Command_Locate6450 = new QPushButton(QStringLiteral("Find 6450"), this);
    Command_Locate6450->setObjectName(QStringLiteral("Command_Locate6450"));
    Command_LocateScanner = new QPushButton(QStringLiteral("Find Scanner"), this);
    Command_LocateScanner->setObjectName(QStringLiteral("Command_LocateScanner"));
    for (QWidget *hidden : {static_cast<QWidget *>(List_RS2321), static_cast<QWidget *>(List_RS232S),
                            static_cast<QWidget *>(Check_Scanner), static_cast<QWidget *>(Command_Locate6450),
                            static_cast<QWidget *>(Command_LocateScanner)})
        hidden->setVisible(false);

    connect(Command_Details, &QPushButton::clicked, this, &FormAutoLocate::Command_Details_Click);
    connect(Command_Retry, &QPushButton::clicked, this, &FormAutoLocate::Command_Retry_Click);
    connect(Command_OK, &QPushButton::clicked, this, &FormAutoLocate::Command_OK_Click);
    connect(Command_Locate6450, &QPushButton::clicked, this, &FormAutoLocate::Command_Locate6450_Click);

    // The window opens with the log hidden, as its Details caption says.
    ApplyDetailsLayout();
}

void FormAutoLocate::Form_Load()
{
    CentreForm(*this);
    Fill_SerialPort_Lists();
}

void FormAutoLocate::setProgressLabel(const QString &text) { Label_Progress->setText(DisplayText(text)); }

void FormAutoLocate::ShowProgress(const QString &text)
{
    setProgressLabel(text);
    m_log += text + CRLF;
    Text_Status->setPlainText(DisplayText(m_log));
    appClock().processEvents();
}

void FormAutoLocate::AddResultDetail(const QString &text) { FoundText += text + CRLF; }

bool FormAutoLocate::Locate_All()
{
    // Only one search at a time: the main window's button can be pressed while the
    // search yields to the window system.
    if (m_searching)
        return false;
    m_searching = true;

    FoundText.clear();
    m_log.clear();
    Text_Status->clear();
    Command_OK->setEnabled(false);
    Command_Retry->setEnabled(false);
    Label_Result->setText(QStringLiteral("Searching..."));

    ShowProgress(QStringLiteral("Checking USB"));
    appClock().processEvents();
    if (!Locate_DVM_USB()) {
        ShowProgress(QStringLiteral("Checking Ethernet Network"));
        appClock().processEvents();
        if (!Locate_DVM_Ethernet()) {
            Fill_SerialPort_Lists();
            ShowProgress(QStringLiteral("Checking Serial Ports"));
            appClock().processEvents();
            Locate_DVM_Serial();
        }
    }

    const bool found = !FoundText.isEmpty();
    if (found) {
        Label_Result->setText(QStringLiteral("Instrument Found"));
        setProgressLabel(FoundText);
    } else {
        Label_Result->setText(QStringLiteral("No Instrument Found"));
        setProgressLabel(QStringLiteral("No instruments found."));
    }
    // OK keeps its bold caption after a find and loses it after a failed search.
    QFont font = Command_OK->font();
    font.setBold(found);
    Command_OK->setFont(font);

    Command_OK->setEnabled(true);
    Command_Retry->setEnabled(true);
    Command_OK->setFocus();
    raise();
    activateWindow();
    m_searching = false;

    if (m_closeMainWhenDone) {
        m_closeMainWhenDone = false;
        if (FormMain *main = appWindows().find<FormMain>())
            QTimer::singleShot(0, main, &QWidget::close);
    }
    return found;
}

bool FormAutoLocate::Locate_DVM_USB()
{
    SharedState &s = state();
    const std::unique_ptr<IDVM> probe = temporaryDriver();

    int count = 0;
    for (int attempt = 0; attempt < UsbListAttempts && count == 0; ++attempt) {
        count = ListUSBDevices();
        appClock().sleepMs(UsbPauseMs);
    }
    if (count == 0) {
        ShowProgress(QStringLiteral("No USB Devices Found"));
        return false;
    }

    // A copy: the probes yield to the window system, and a handler run there may list the
    // devices anew, replacing the shared list under the loop.
    const QList<USBDevice> devices = s.USBDevices.mid(0, count);
    bool accepted = false;
    for (qsizetype i = 0; i < devices.size() && !accepted; ++i) {
        USBDevice device = devices[i];
        ShowProgress(UsbDeviceHeader(device.Description));
        if (!OpenUSBDevice(device.SerialNumber, device.Handle)) {
            ShowProgress(QStringLiteral("Open Failed"));
            // The listed device keeps the handle -1, as long as the list is the one walked.
            if (i < s.USBDevices.size() && s.USBDevices[i].SerialNumber == device.SerialNumber)
                s.USBDevices[i].Handle = -1;
            continue;
        }
        UsbWrite(QStringLiteral("*IDN?\r"), device.Handle);
        appClock().sleepMs(UsbPauseMs);

        // One look at the receive queue: a device that has sent nothing by now is silent.
        QString reply;
        quint32 waiting = 0, txQueue = 0, events = 0;
        if (s.ftdi->GetStatus(device.Handle, waiting, txQueue, events) == Ft::Ok && waiting > 0) {
            reply = UsbReadLine(device.Handle);
            ShowProgress(reply);
        } else {
            ShowProgress(QStringLiteral("No reply"));
        }

        if (probe->CheckIdentity(reply)) {
            s.USBDevice = device;
            ShowProgress(QStringLiteral("Using USB Device ") + device.Description + QStringLiteral(" (")
                         + device.SerialNumber + QLatin1Char(')'));
            AddResultDetail(QStringLiteral("Using USB Device ") + reply);
            SaveUSBSettings();
            if (IDVM *dvm = s.DVM1.get()) {
                dvm->SetInterfaceType(InterfaceUSB);
                dvm->SetUSBDevice();
            }
            accepted = true;
        }
        s.ftdi->Close(device.Handle);
    }
    if (!accepted)
        ShowProgress(QStringLiteral("No Velkorande USB DMM Devices Found"));
    return accepted;
}

bool FormAutoLocate::Locate_DVM_Ethernet()
{
    SharedState &s = state();
    const std::unique_ptr<IDVM> probe = temporaryDriver();
    QList<EthernetDevice> candidates(1); // used from index 1

    if (DiscoverEthernetDevices()) {
        s.SelectedMAC.clear();
        // A copy: the probes yield to the window system, and nothing there may change the
        // list under the loop.
        const QList<EthernetDevice> modules = s.EthernetDevices;
        for (qsizetype i = 1; i < modules.size(); ++i) {
            const EthernetDevice &module = modules[i];
            if (!IsMeterModule(module))
                continue;
            s.EthernetDevice = module;
            const QString reply =
                EthernetSendString(QStringLiteral("*IDN?\r"), true, EthernetProbeSeconds, /*one line*/ 0);
            if (probe->CheckIdentity(reply)) {
                EthernetDevice candidate = module;
                candidate.Identity = reply;
                candidates.append(candidate);
            } else {
                ShowProgress(QStringLiteral("No Reply from Ethernet  ") + module.IPAddress.text());
            }
        }
    }

    const qsizetype count = candidates.size() - 1;
    if (count == 0) {
        ShowProgress(QStringLiteral("No Ethernet Devices"));
        return false;
    }

    qsizetype chosen = 1;
    if (count > 1) {
        WindowRegistry &windows = appWindows();
        Form_List_Dialogue &dialog = windows.form<Form_List_Dialogue>();
        dialog.setWindowTitle(QStringLiteral("Select Instrument"));
        dialog.List1->clear();
        for (qsizetype k = 1; k <= count; ++k)
            dialog.List1->addItem(ModuleListEntry(candidates[k]));
        dialog.exec();
        const int selected = dialog.ItemSelected();
        windows.unload<Form_List_Dialogue>();
        if (selected >= 0 && selected < count)
            chosen = selected + 1;
    }

    const EthernetDevice &module = candidates[chosen];
    s.EthernetDevice = module;
    SaveEthernetSettings();
    if (IDVM *dvm = s.DVM1.get()) {
        dvm->SetInterfaceType(InterfaceEthernet);
        dvm->SetEthernetDevice();
    }
    ShowProgress(QStringLiteral("** Using Ethernet  ") + module.IPAddress.text() + QLatin1Char(' ')
                 + module.Identity.text());
    FoundText += QStringLiteral("** Using Ethernet  ") + module.Identity.text() + QLatin1Char(' ')
        + module.IPAddress.text();
    return true;
}

void FormAutoLocate::Fill_SerialPort_Lists()
{
    SharedState &s = state();
    SerialPortControl *comm = s.DVM1Comm;
    if (comm && comm->PortOpen())
        comm->setPortOpen(false);

    const int commPort = portSetting(QStringLiteral("DVM1_CommPort"));
    const int scannerPort = portSetting(QStringLiteral("ScannerCommPort"));
    Check_Scanner->setChecked(scannerPort != 0);
    List_RS232S->setEnabled(scannerPort != 0);

    List_RS2321->clear();
    List_RS232S->clear();
    s.CommAbort = false;
    if (!comm)
        return;

    // A port that is missing, in use or refused by the system does not open: it is left out.
    for (int port = FirstPort; port <= LastPort; ++port) {
        if (!comm->setCommPort(port) || !comm->setPortOpen(true))
            continue;
        if (!comm->setPortOpen(false))
            continue;
        const QString entry = QStringLiteral("COM") + QString::number(port);
        List_RS2321->addItem(entry);
        List_RS232S->addItem(entry);
    }
    comm->setCommPort(commPort);
}

void FormAutoLocate::Locate_DVM_Serial()
{
    SharedState &s = state();
    const std::unique_ptr<IDVM> probe = temporaryDriver();
    SerialPortControl *comm = s.DVM1Comm;
    s.CommAbort = false;
    Hourglass busy(appUi());
    setWindowTitle(QStringLiteral("Automatic 6450 Location"));
    setProgressLabel(QStringLiteral("Checking Serial Ports"));

    // A port that fails at any step (gone since the list was filled, refusing to open) is
    // simply not a meter: the probe's reply is then empty or "TIMEOUT".
    bool found = false;
    for (int row = 0; comm && row < List_RS2321->count() && !found; ++row) {
        const int port = PortNumberOfEntry(List_RS2321->item(row)->text());
        comm->setPortOpen(false);
        comm->setCommPort(port);
        probe->SetCommControl(comm);
        comm->setPortOpen(true);
        comm->Output(QStringLiteral("\r"));
        ShowProgress(QStringLiteral("Checking Port ") + QString::number(port));

        const QString reply = TrimBlanks(probe->Identify());
        comm->setPortOpen(false);

        if (probe->CheckIdentity(reply)) {
            const QString text = QStringLiteral("Found ") + reply + QStringLiteral("On port ") + QString::number(port);
            AddResultDetail(text);
            ShowProgress(text);
            saveSetting(QStringLiteral("DVM1_Interface"), QStringLiteral("RS232"));
            saveSetting(QStringLiteral("DVM1_CommPort"), QString::number(port));
            if (IDVM *dvm = s.DVM1.get()) {
                dvm->SetInterfaceType(InterfaceRS232);
                dvm->SetCommControl(comm);
            }
            found = true;
        } else if (!reply.isEmpty()) {
            ShowProgress(QStringLiteral("Reply: ") + reply);
        } else {
            ShowProgress(QStringLiteral("No Reply"));
        }
    }

    if (!found) {
        if (comm) {
            comm->setPortOpen(false);
            comm->setCommPort(portSetting(QStringLiteral("DVM1_CommPort")));
        }
        ShowProgress(QStringLiteral("No Meter Found on serial ports"));
    }
}

void FormAutoLocate::Locate_Scanner() { saveSetting(QStringLiteral("ScannerCommPort"), QStringLiteral("0")); }

void FormAutoLocate::SetShowDetails(bool show)
{
    ShowDetails = show;
    ApplyDetailsLayout();
}

void FormAutoLocate::ApplyDetailsLayout()
{
    Command_Details->setText(ShowDetails ? QStringLiteral("Details <<") : QStringLiteral("Details >>"));
    Text_Status->setVisible(ShowDetails);
    const int height = ShowDetails ? FullHeight : CollapsedHeight;
    setFixedSize(Twips::toPixels(WindowWidth - FrameWidth), Twips::toPixels(height - FrameHeight));
}

void FormAutoLocate::Command_Details_Click() { SetShowDetails(!ShowDetails); }

void FormAutoLocate::Command_Locate6450_Click() { Locate_DVM_Serial(); }

void FormAutoLocate::Command_OK_Click()
{
    if (!m_searching)
        appWindows().unload<FormAutoLocate>();
}

// The result is not passed on: a retry does not refresh the main window's information.
void FormAutoLocate::Command_Retry_Click() { Locate_All(); }

void FormAutoLocate::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window, except during a search, which runs inside it.
    if (m_searching) {
        event->ignore();
        return;
    }
    event->accept();
    appWindows().unloadWindow(this);
}
