#include "shell/FormAutoLocate.h"
#include "link/DMM_Setup.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "shell/FormMain.h"
#include "shell/Look.h"
#include "widgets/CentreForm.h"
#include "widgets/Form_List_Dialogue.h"
#include "widgets/MeterControls.h"
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

void saveSetting(const QString &key, const QString &value)
{
    appSettings().SaveSetting(SettingsStore::Section, key, value);
}

} // namespace

namespace AutoLocate {

QString ModuleListEntry(const EthernetDevice &module)
{
    QString identity = TrimBlanks(module.Identity.text());
    identity.remove(CRLF);
    return identity + QStringLiteral(" (") + TrimBlanks(module.IPAddress.text()) + QLatin1Char(')');
}

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
    new MeterControls(this, {Command_Retry, Command_Locate6450});
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
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
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

ProbeLog FormAutoLocate::progressLog()
{
    return [this](const QString &line) { ShowProgress(line); };
}

bool FormAutoLocate::Locate_DVM_USB()
{
    const UsbMeterSearch result = FindMeterOnUSB(progressLog());
    if (result.found)
        AddResultDetail(QStringLiteral("Using USB Device ") + result.reply);
    return result.found;
}

bool FormAutoLocate::Locate_DVM_Ethernet()
{
    const QList<EthernetDevice> meters = FindMetersOnEthernet(progressLog());
    if (meters.isEmpty())
        return false;

    qsizetype chosen = 0;
    if (meters.size() > 1) {
        WindowRegistry &windows = appWindows();
        Form_List_Dialogue &dialog = windows.form<Form_List_Dialogue>();
        dialog.setWindowTitle(QStringLiteral("Select Instrument"));
        dialog.List1->clear();
        for (const EthernetDevice &meter : meters)
            dialog.List1->addItem(ModuleListEntry(meter));
        {
            const MeterGate::Yield setAside;
            dialog.exec();
        }
        const int selected = dialog.ItemSelected();
        windows.unload<Form_List_Dialogue>();
        // Cancelled (or anything else): the first.
        if (selected >= 0 && selected < meters.size())
            chosen = selected;
    }

    const EthernetDevice &module = meters[chosen];
    UseEthernetModule(module);
    ShowProgress(QStringLiteral("** Using Ethernet  ") + module.IPAddress.text() + QLatin1Char(' ')
                 + module.Identity.text());
    FoundText += QStringLiteral("** Using Ethernet  ") + module.Identity.text() + QLatin1Char(' ')
        + module.IPAddress.text();
    return true;
}

void FormAutoLocate::Fill_SerialPort_Lists()
{
    SharedState &s = state();
    const int scannerPort = PortNumberSetting(QStringLiteral("ScannerCommPort"));
    Check_Scanner->setChecked(scannerPort != 0);
    List_RS232S->setEnabled(scannerPort != 0);

    List_RS2321->clear();
    List_RS232S->clear();
    s.CommAbort = false;
    if (!s.DVM1Comm)
        return;
    // Refused while another operation holds the meter (the lists then stay empty); the
    // search and whoever opens this window hold the meter already.
    const std::optional<QList<int>> ports =
        OpenableSerialPorts(*s.DVM1Comm, PortNumberSetting(QStringLiteral("DVM1_CommPort")));
    for (const int port : ports.value_or(QList<int>{})) {
        const QString entry = SerialPortEntry(port);
        List_RS2321->addItem(entry);
        List_RS232S->addItem(entry);
    }
}

void FormAutoLocate::Locate_DVM_Serial()
{
    Hourglass busy(appUi());
    setWindowTitle(QStringLiteral("Automatic 6450 Location"));
    setProgressLabel(QStringLiteral("Checking Serial Ports"));

    QList<int> ports;
    for (int row = 0; row < List_RS2321->count(); ++row)
        ports.append(PortNumberOfEntry(List_RS2321->item(row)->text()));
    const SerialMeterSearch result = FindMeterOnSerial(state().DVM1Comm, ports, progressLog());
    if (result.found)
        AddResultDetail(result.resultText);
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

void FormAutoLocate::Command_Locate6450_Click()
{
    if (const MeterGate::Operation meter = meterGate().beginUserAction())
        Locate_DVM_Serial();
}

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
