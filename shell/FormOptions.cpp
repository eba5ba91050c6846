#include "shell/FormOptions.h"
#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/Utility.h"
#include "link/VBIB32.h"
#include "link/platform/Clock.h"
#include "link/platform/Gpib.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UserInteraction.h"
#include "widgets/CentreForm.h"
#include "widgets/Named.h"
#include "widgets/WindowRegistry.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int FirstListedAddress = 1;
constexpr int LastListedAddress = 24;
constexpr int LastSearchedAddress = 30;
constexpr int ReopenPauseMs = 300;
constexpr int AddressChangePauseMs = 250;
constexpr int ReplyLength = 30; // the most a question to the meter reads back

const QString Settings = SettingsStore::Section;

QString arrayName(const char *name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

QString setting(const QString &key, const QString &defaultValue)
{
    return appSettings().GetSetting(Settings, key, defaultValue);
}

void saveSetting(const QString &key, const QString &value) { appSettings().SaveSetting(Settings, key, value); }

// Opens the board's descriptor at address 1 and takes it off line again; when the opening
// fails, shows why (critical, under the title) and answers false.
bool BoardOpens(UserInteraction &ui, const QString &title)
{
    const int descriptor = GpibOpenAt(1);
    const QString failure = GpibOpeningFailure(descriptor);
    if (!failure.isEmpty()) {
        ui.MsgBox(failure, Msg::Critical, title);
        return false;
    }
    GpibOnline(descriptor, 0);
    return true;
}

// Whether a listener answers at the address (non-zero when one did); nothing after a bus
// error, which is shown (critical, under the title).
std::optional<int> ListenerAt(UserInteraction &ui, int address, const QString &title)
{
    const int listener = GpibFindListener(GpibDevice::Board, address, GpibDevice::SecondaryAddress);
    if (state().iberr == Gpib::EBUS) {
        ui.MsgBox(QStringLiteral("No GPIB Devices on Bus"), Msg::Critical, title);
        return std::nullopt;
    }
    return listener;
}

} // namespace

namespace PortSetup {

int SavedPortRow(const QList<int> &openablePorts, int savedPort)
{
    int row = -1;
    for (int i = 0; i < openablePorts.size() && openablePorts[i] <= savedPort; ++i)
        row = i;
    return row;
}

std::optional<int> ChosenGpibAddress(const QString &text)
{
    const double value = TextConv::Val(text);
    if (value < FirstListedAddress || value > LastListedAddress || value != TextConv::Int(value))
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace PortSetup

using namespace PortSetup;

FormOptions::FormOptions(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    buildControls();
}

void FormOptions::buildControls()
{
    auto button = [this](const QString &name, const QString &caption) {
        return named(new QPushButton(caption, this), name);
    };
    // Typed numbers count as well as the listed ones, so OK's checks see what was typed.
    auto combo = [this](const QString &name) {
        QComboBox *box = named(new QComboBox(this), name);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        return box;
    };

    Frame_DVMa = named(new QGroupBox(QStringLiteral("Communication Port Setup"), this), QStringLiteral("Frame_DVMa"));
    Command_DVM1_Locate[0] = button(arrayName("Command_DVM1_Locate", 0), QStringLiteral("Find DMM"));
    Option_DVM1_Interface[1] = named(new QRadioButton(QStringLiteral("GPIB"), this), arrayName("Option_DVM1_Interface", 1));
    Option_DVM1_Interface[0] = named(new QRadioButton(QStringLiteral("RS232"), this), arrayName("Option_DVM1_Interface", 0));
    Combo_DVM1 = combo(QStringLiteral("Combo_DVM1"));
    Frame_GPIB1 = named(new QGroupBox(QStringLiteral("GPIB Address"), this), QStringLiteral("Frame_GPIB1"));
    Combo_GPIB_NewAddress = combo(QStringLiteral("Combo_GPIB_NewAddress"));
    Command_SetGPIB = button(QStringLiteral("Command_SetGPIB"), QStringLiteral("Change Address"));
    Combo_GPIB1 = combo(QStringLiteral("Combo_GPIB1"));
    Frame_RS2321 = named(new QGroupBox(QStringLiteral("Available RS232 Ports"), this), QStringLiteral("Frame_RS2321"));
    List_RS2321 = named(new QListWidget(this), QStringLiteral("List_RS2321"));
    Command_Cancel = button(QStringLiteral("Command_Cancel"), QStringLiteral("Cancel"));
    Command_OK = button(QStringLiteral("Command_OK"), QStringLiteral("OK"));
    Command_OK->setDefault(true);

    auto *gpibLayout = new QGridLayout(Frame_GPIB1);
    gpibLayout->addWidget(Combo_GPIB1, 0, 0);
    gpibLayout->addWidget(Combo_GPIB_NewAddress, 1, 0);
    gpibLayout->addWidget(Command_SetGPIB, 1, 1);
    auto *serialLayout = new QVBoxLayout(Frame_RS2321);
    serialLayout->addWidget(List_RS2321);
    List_RS2321->setMinimumHeight(120);

    auto *choices = new QVBoxLayout;
    choices->addWidget(Command_DVM1_Locate[0]);
    choices->addWidget(Option_DVM1_Interface[1]);
    choices->addWidget(Option_DVM1_Interface[0]);
    choices->addWidget(Combo_DVM1);
    choices->addStretch();
    // The two frames share one place and keep their size while hidden, so the window does
    // not change size when the interface changes.
    auto *frames = new QGridLayout;
    for (QGroupBox *frame : {Frame_GPIB1, Frame_RS2321}) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(policy);
        frames->addWidget(frame, 0, 0);
    }
    gpibLayout->setRowStretch(2, 1);
    auto *frameLayout = new QHBoxLayout(Frame_DVMa);
    frameLayout->addLayout(choices);
    frameLayout->addLayout(frames, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command_Cancel);
    buttons->addWidget(Command_OK);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame_DVMa);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < 2; ++i)
        connect(Option_DVM1_Interface[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option_DVM1_Interface_Click(i);
        });
    connect(Command_DVM1_Locate[0], &QPushButton::clicked, this, [this] { Command_DVM1_Locate_Click(0); });
    connect(Command_SetGPIB, &QPushButton::clicked, this, &FormOptions::Command_SetGPIB_Click);
    connect(Command_OK, &QPushButton::clicked, this, &FormOptions::Command_OK_Click);
    connect(Command_Cancel, &QPushButton::clicked, this, &FormOptions::Command_Cancel_Click);
}

void FormOptions::Form_Load()
{
    adjustSize();
    CentreForm(*this);
    Combo_DVM1->addItem(QStringLiteral("6450"));
    for (int address = FirstListedAddress; address <= LastListedAddress; ++address) {
        Combo_GPIB1->addItem(QString::number(address));
        Combo_GPIB_NewAddress->addItem(QString::number(address));
    }
    // The new address opens unchosen, so Change Address does nothing until one is picked.
    Combo_GPIB_NewAddress->setCurrentIndex(-1);
    Combo_DVM1->setCurrentText(setting(QStringLiteral("DVM1"), QStringLiteral("6450")));
    const bool gpib = setting(QStringLiteral("DVM1_Interface"), QStringLiteral("RS232")) == QLatin1String("GPIB");
    Option_DVM1_Interface[gpib ? 1 : 0]->setChecked(true);
    Option_DVM1_Interface_Click(gpib ? 1 : 0); // as the click the selection makes, also when it was selected already
    // Listing the ports closes the meter's port: while another operation holds the meter
    // the dialog does not open (the user has been told why).
    if (!List_Available_Comm_Ports()) {
        appWindows().unloadWindow(this);
        return;
    }
    Combo_GPIB1->setCurrentText(setting(QStringLiteral("DVM1_GPIBPort"), QStringLiteral("15")));
}

bool FormOptions::List_Available_Comm_Ports()
{
    List_RS2321->clear();
    SerialPortControl *comm = state().DVM1Comm;
    if (!comm)
        return true;
    const int saved = PortNumberSetting(QStringLiteral("DVM1_CommPort"));
    const std::optional<QList<int>> openable = OpenableSerialPorts(*comm, saved);
    if (!openable)
        return false;
    for (int port : *openable)
        List_RS2321->addItem(SerialPortEntry(port));
    List_RS2321->setCurrentRow(SavedPortRow(*openable, saved));
    return true;
}

void FormOptions::Option_DVM1_Interface_Click(int Index)
{
    Frame_RS2321->setVisible(Index == 0);
    Frame_GPIB1->setVisible(Index != 0);
}

void FormOptions::Command_DVM1_Locate_Click(int)
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    if (Option_DVM1_Interface[0]->isChecked())
        LocateOnSerialPorts();
    else
        LocateOnGpib();
}

void FormOptions::LocateOnSerialPorts()
{
    UserInteraction &ui = appUi();
    // Without a driver for the model (3458, 8508) or a serial control nothing can answer.
    const std::shared_ptr<IDVM> driver = CreateDVM(Combo_DVM1->currentText());
    SerialPortControl *comm = state().DVM1Comm;
    Hourglass busy(ui);
    for (int row = 0; row < List_RS2321->count(); ++row) {
        const QString entry = List_RS2321->item(row)->text();
        QString identification;
        if (driver && comm)
            identification = ProbeSerialPort(*comm, PortNumberOfEntry(entry), *driver);
        // A silent port gives the time-out text, which names no instrument.
        if (!identification.isEmpty() && identification != QLatin1String("TIMEOUT")) {
            const QString question = entry + QStringLiteral(": ") + identification + QLatin1Char('\r')
                                     + QStringLiteral("Use this instrument?");
            if (ui.MsgBox(question, Msg::Question | Msg::YesNo, IdentificationTitle) == Msg::Yes) {
                List_RS2321->setCurrentRow(row);
                break;
            }
        } else {
            ui.MsgBox(entry + QStringLiteral(": No response"));
        }
    }
}

void FormOptions::LocateOnGpib()
{
    UserInteraction &ui = appUi();
    const int first = GpibOpenAt(1);
    appClock().sleepMs(ReopenPauseMs);
    GpibOnline(first, 0);
    if (!BoardOpens(ui, IdentificationTitle))
        return;

    QString found;
    for (int address = 1; address <= LastSearchedAddress; ++address) {
        const std::optional<int> listener = ListenerAt(ui, address, IdentificationTitle);
        if (!listener)
            return;
        if (!*listener)
            continue;
        found += QStringLiteral("Instrument found at address ") + QString::number(address) + QLatin1Char('\r');
        QString identification = GpibQuery(address, IdentityQuery, ReplyLength);
        if (identification.isEmpty())
            identification = QStringLiteral("(No Identification)");
        found += QStringLiteral("  ") + identification + QLatin1Char('\r');
        const QString question = found + QLatin1Char('\r') + QStringLiteral("Use this instrument?");
        if (ui.MsgBox(question, Msg::Question | Msg::YesNo, IdentificationTitle) == Msg::Yes) {
            Combo_GPIB1->setCurrentText(QString::number(address));
            return;
        }
    }
    ui.MsgBox(found.isEmpty() ? QStringLiteral("No GPIB Devices Found") : found, Msg::Information);
}

void FormOptions::Command_SetGPIB_Click()
{
    UserInteraction &ui = appUi();
    const std::optional<int> current = ChosenGpibAddress(Combo_GPIB1->currentText());
    const std::optional<int> wanted = ChosenGpibAddress(Combo_GPIB_NewAddress->currentText());
    if (!current || !wanted) {
        ui.MsgBox(QStringLiteral("Select a new GPIB address"), Msg::Information);
        return;
    }
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Hourglass busy(ui);
    if (!BoardOpens(ui, AddressChangeTitle))
        return;
    if (!ListenerAt(ui, *current, AddressChangeTitle))
        return;
    // The meter answers at its old address or not at all; only the check below counts.
    GpibQuery(*current, QStringLiteral("SYST:COMM:GPIB:ADDR ") + TextConv::Format(*wanted, QStringLiteral("00")),
              ReplyLength);
    appClock().sleepMs(AddressChangePauseMs);

    const std::optional<int> listener = ListenerAt(ui, *wanted, IdentificationTitle);
    if (!listener)
        return;
    if (!*listener) {
        ui.MsgBox(QStringLiteral("No GPIB Devices Listening"));
        return;
    }
    if (GpibQuery(*wanted, IdentityQuery, ReplyLength).isEmpty()) {
        ui.MsgBox(QStringLiteral("GPIB Address change failed"));
        return;
    }
    Combo_GPIB1->setCurrentText(QString::number(*wanted));
    ui.MsgBox(QStringLiteral("GPIB Address changed to ") + QString::number(*wanted));
}

void FormOptions::Command_OK_Click()
{
    // Closing the meter's port and replacing its driver: not under another operation's feet.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    SharedState &s = state();
    if (s.DVM1Comm && s.DVM1Comm->PortOpen())
        s.DVM1Comm->setPortOpen(false);
    QString errors;
    saveSetting(QStringLiteral("DVM1"), Combo_DVM1->currentText());
    if (Option_DVM1_Interface[0]->isChecked()) {
        saveSetting(QStringLiteral("DVM1_Interface"), QStringLiteral("RS232"));
        const QListWidgetItem *selected = List_RS2321->currentItem();
        const int port = selected && selected->isSelected() ? PortNumberOfEntry(selected->text()) : 0;
        if (port > 0) {
            saveSetting(QStringLiteral("DVM1_CommPort"), QString::number(port));
            if (s.DVM1Comm)
                s.DVM1Comm->setCommPort(port);
        } else {
            errors += QStringLiteral("DVM1: Invalid Serial Port\r");
        }
    } else {
        saveSetting(QStringLiteral("DVM1_Interface"), QStringLiteral("GPIB"));
        const double address = TextConv::Val(Combo_GPIB1->currentText());
        if (address > 0 && address < 25)
            saveSetting(QStringLiteral("DVM1_GPIBPort"), Combo_GPIB1->currentText());
        else
            errors += QStringLiteral("DVM1: Invalid GPIB Address\r");
    }
    LoadDVMSetting();
    if (!errors.isEmpty()) {
        appUi().MsgBox(errors, Msg::Critical, QStringLiteral("Error Saving Settings"));
        return;
    }
    unloadWith(QDialog::Accepted);
}

void FormOptions::Command_Cancel_Click() { unloadWith(QDialog::Rejected); }

void FormOptions::unloadWith(int result)
{
    done(result);
    appWindows().unloadWindow(this);
}
