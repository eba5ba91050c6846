#include "shell/Form_EthernetLocator.h"
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/UdpSocketControl.h"
#include "link/platform/UserInteraction.h"
#include "shell/FormAutoLocate.h"
#include "shell/Locators.h"
#include "widgets/CentreForm.h"
#include "widgets/Named.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTreeWidget>

#include <optional>

using namespace EthernetLocator;

namespace {

const QString CRLF = QStringLiteral("\r\n");

// Client width in pixels; the heights follow from the bands' heights in twips.
constexpr int ClientWidth = 700;
// The identification probe of each listed module waits this long for one line.
constexpr int IdentityProbeSeconds = 2;
// The bind check's port, on a socket used for nothing else.
constexpr int BindCheckPort = 12345;

constexpr int KeyEnter = 13;
constexpr int KeyEscape = 27;

// A fixed-length field as a label shows it: a field never assigned holds NULs, which show
// as nothing; CR LF makes a line break.
QString shown(QString text) { return AutoLocate::DisplayText(text.remove(QChar(0))); }

int clientHeight(bool advanced)
{
    const int twips = ModulesBandHeight + (advanced ? SetupBandHeight : 0) + HeightMargin - AutoLocate::FrameHeight;
    return Twips::toPixels(twips);
}

} // namespace

Form_EthernetLocator::Form_EthernetLocator(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_EthernetLocator"));
    setWindowTitle(QStringLiteral("Ethernet-Serial Setup"));
    buildControls();
    setBandHeight(false);
}

Form_EthernetLocator::~Form_EthernetLocator() = default;

void Form_EthernetLocator::buildControls()
{
    auto frame = [](const QString &name, const QString &caption, QWidget *parent, const QRect &place) {
        auto *f = named(new QGroupBox(caption, parent), name);
        f->setGeometry(place);
        return f;
    };
    auto button = [this](const QString &name, const QString &caption, QWidget *parent, const QRect &place,
                         void (Form_EthernetLocator::*handler)()) {
        auto *b = named(new QPushButton(caption, parent), name);
        b->setGeometry(place);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    auto label = [](const QString &name, const QString &text, QWidget *parent, const QRect &place) {
        auto *l = named(new QLabel(text, parent), name);
        l->setGeometry(place);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };

    // Upper band: the module list and its buttons.
    Frame_Modules = frame(QStringLiteral("Frame_Modules"), QStringLiteral("Ethernet Modules"), this,
                          {4, 0, ClientWidth - 8, Twips::toPixels(ModulesBandHeight)});
    ListView_Modules = named(new QTreeWidget(Frame_Modules), QStringLiteral("ListView_Modules"));
    ListView_Modules->setGeometry(8, 18, ClientWidth - 24, 136);
    ListView_Modules->setHeaderLabels({QStringLiteral("IP"), QStringLiteral("MAC"), QStringLiteral("Port"),
                                       QStringLiteral("DHCP"), QStringLiteral("Owner"), QStringLiteral("Device"),
                                       QStringLiteral("Reply")});
    ListView_Modules->setRootIsDecorated(false);
    ListView_Modules->setUniformRowHeights(true);
    ListView_Modules->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Modules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The fixed-length fields end in blanks: they are cut, not elided; the reply column
    // takes what its longest reply needs.
    ListView_Modules->setTextElideMode(Qt::ElideNone);
    const int widths[] = {100, 118, 44, 44, 62, 62};
    for (int column = 0; column < 6; ++column)
        ListView_Modules->setColumnWidth(column, widths[column]);
    ListView_Modules->header()->setStretchLastSection(false);
    ListView_Modules->header()->setSectionResizeMode(6, QHeaderView::ResizeToContents);
    connect(ListView_Modules, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        ListView_Modules_ItemClick(ListView_Modules->indexOfTopLevelItem(item) + 1);
    });

    Command_BroadcastFind = button(QStringLiteral("Command_BroadcastFind"), QStringLiteral("Find Modules"),
                                   Frame_Modules, {8, 160, 100, 26}, &Form_EthernetLocator::Command_BroadcastFind_Click);
    Command_Select = button(QStringLiteral("Command_Select"), QStringLiteral("Select"), Frame_Modules,
                            {112, 160, 100, 26}, &Form_EthernetLocator::Command_Select_Click);
    Command_Advanced = button(QStringLiteral("Command_Advanced"), Locators::AdvancedCaption(false), Frame_Modules,
                              {216, 160, 100, 26}, &Form_EthernetLocator::Command_Advanced_Click);
    Command_Exit = button(QStringLiteral("Command_Exit"), QStringLiteral("Exit"), Frame_Modules,
                          {ClientWidth - 116, 160, 100, 26}, &Form_EthernetLocator::Command_Exit_Click);

    // Lower band: the setup commands, the active module and the terminal.
    const int bandTop = clientHeight(false) - 1;
    const int bandHeight = Twips::toPixels(SetupBandHeight) - 2;
    Frame_Setup = frame(QStringLiteral("Frame_Setup"), QStringLiteral("Setup Commands"), this,
                        {4, bandTop, 262, bandHeight});
    Command_SetSerial = button(QStringLiteral("Command_SetSerial"), QStringLiteral("Initialise Module"), Frame_Setup,
                               {8, 18, 120, 24}, &Form_EthernetLocator::Command_SetSerial_Click);
    Command_SetSerial->setToolTip(QStringLiteral("Set communication parameters and identity to default"));
    Command_SetName = button(QStringLiteral("Command_SetName"), QStringLiteral("Setup Device Name"), Frame_Setup,
                             {132, 18, 122, 24}, &Form_EthernetLocator::Command_SetName_Click);
    Text_IP = named(new QLineEdit(ExampleIP, Frame_Setup), QStringLiteral("Text_IP"));
    Text_IP->setGeometry(8, 48, 92, 22);
    Command9 = button(QStringLiteral("Command9"), QStringLiteral("Generate"), Frame_Setup, {104, 47, 54, 24},
                      &Form_EthernetLocator::Command9_Click);
    Command9->setToolTip(QStringLiteral("Generate a random IP address based on that of this machine"));
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Set IP"), Frame_Setup, {162, 47, 44, 24},
                      &Form_EthernetLocator::Command4_Click);
    Command4->setToolTip(QStringLiteral("Set IP address of module"));
    Command5 = button(QStringLiteral("Command5"), QStringLiteral("Get IP"), Frame_Setup, {210, 47, 44, 24},
                      &Form_EthernetLocator::Command5_Click);
    Command7 = button(QStringLiteral("Command7"), QStringLiteral("DHCP on"), Frame_Setup, {8, 76, 78, 24},
                      &Form_EthernetLocator::Command7_Click);
    Command7->setToolTip(QStringLiteral("Automatically Set IP Address of Module "));
    Command8 = button(QStringLiteral("Command8"), QStringLiteral("DHCP Off"), Frame_Setup, {90, 76, 78, 24},
                      &Form_EthernetLocator::Command8_Click);
    Command8->setToolTip(QStringLiteral("Manual IP Address - set above"));
    Command_Reboot = button(QStringLiteral("Command_Reboot"), QStringLiteral("Reboot"), Frame_Setup, {172, 76, 82, 24},
                            &Form_EthernetLocator::Command_Reboot_Click);

    Frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("Active Module"), this, {270, bandTop, 236, 94});
    Label_ActiveIP = label(QStringLiteral("Label_ActiveIP"), QString(), Frame4, {8, 20, 222, 14});
    Label_ActiveMAC = label(QStringLiteral("Label_ActiveMAC"), QString(), Frame4, {8, 34, 222, 14});
    Label_ActivePort = label(QStringLiteral("Label_ActivePort"), QString(), Frame4, {8, 48, 222, 14});
    Label_ActiveName = label(QStringLiteral("Label_ActiveName"), QString(), Frame4, {8, 62, 222, 28});
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Flash Status LEDs"), this,
                      {270, bandTop + 98, 236, bandHeight - 98}, &Form_EthernetLocator::Command1_Click);

    const int terminalWidth = ClientWidth - 514;
    Frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("Test Communication"), this,
                   {510, bandTop, terminalWidth, bandHeight});
    // The label takes the size its text needs in the font at hand; the command line fills
    // the rest of the row.
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("Send Data"), Frame2, {8, 21, 54, 16});
    Label3->resize(Label3->sizeHint());
    const int commandLeft = Label3->x() + Label3->width() + 4;
    Text2 = named(new QLineEdit(Frame2), QStringLiteral("Text2"));
    Text2->setGeometry(commandLeft, 17, terminalWidth - 8 - commandLeft, 22);
    Text2->installEventFilter(this);
    Text1 = named(new QPlainTextEdit(Frame2), QStringLiteral("Text1"));
    Text1->setGeometry(8, 44, terminalWidth - 16, bandHeight - 52);
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->viewport()->installEventFilter(this);
    Text_Debug = named(new QLineEdit(Frame2), QStringLiteral("Text_Debug"));
    Text_Debug->setVisible(false);

    DummySock = new QtUdpSocketControl(this);
    DummySock->setObjectName(QStringLiteral("DummySock"));
}

bool Form_EthernetLocator::isAdvanced() const { return !Locators::OpensAdvancedView(Command_Advanced->text()); }

void Form_EthernetLocator::setBandHeight(bool advanced)
{
    Command_Advanced->setText(Locators::AdvancedCaption(advanced));
    for (QWidget *lower : {static_cast<QWidget *>(Frame_Setup), static_cast<QWidget *>(Frame4),
                           static_cast<QWidget *>(Command1), static_cast<QWidget *>(Frame2)})
        lower->setVisible(advanced);
    setFixedSize(ClientWidth, clientHeight(advanced));
}

void Form_EthernetLocator::Form_Load()
{
    CentreForm(*this);
    setBandHeight(false);
    LoadEthernetSettings();
    DisplayActiveEthernetModule();
    Command_BroadcastFind_Click();
}

void Form_EthernetLocator::DisplayActiveEthernetModule()
{
    const EthernetDevice &module = state().EthernetDevice;
    Label_ActiveIP->setText(shown(module.IPAddress));
    Label_ActiveMAC->setText(shown(module.MACAddress));
    Label_ActivePort->setText(QString::number(module.Port));
    Label_ActiveName->setText(shown(module.Owner.text() + QLatin1Char(' ') + module.DeviceName.text() + CRLF
                                    + module.Identity.text()));
}

void Form_EthernetLocator::SelectEthernetModule(int index)
{
    SharedState &s = state();
    if (index < 1 || index > s.EthernetDevices.size() - 1)
        return;
    const EthernetDevice module = s.EthernetDevices[index];
    // A MAC field never filled holds NULs: that is no address to select.
    s.SelectedMAC = TrimBlanks(QString(module.MACAddress.text()).remove(QChar(0)));
    UseEthernetModule(module);
    DisplayActiveEthernetModule();
}

void Form_EthernetLocator::Command_BroadcastFind_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (run)
        search(run);
}

void Form_EthernetLocator::bindCheck()
{
    // Whether the port can be bound does not matter to the search: a failure is passed over.
    DummySock->RemoteHost = Ethernet::BroadcastAddress;
    DummySock->RemotePort = BindCheckPort;
    DummySock->Bind(BindCheckPort);
    DummySock->Close();
}

void Form_EthernetLocator::search(const RunGuard::Run &run)
{
    SharedState &s = state();
    Hourglass busy(appUi());
    bindCheck();

    if (!DiscoverEthernetDevices()) {
        Show(NoDevicesFound(), appUi());
        if (!run.windowOpen())
            return;
        ListView_Modules->clear();
        s.SelectedMAC.clear();
        return;
    }
    ListView_Modules->clear();
    s.SelectedMAC.clear();

    // A copy: the probes yield to the window system, where the list may be replaced.
    const QList<EthernetDevice> modules = s.EthernetDevices;
    for (qsizetype i = 1; i < modules.size(); ++i) {
        const EthernetDevice &module = modules[i];
        if (module.IPAddress.text().at(0) == QChar(0))
            continue;
        auto *row = new QTreeWidgetItem(ListView_Modules, ModuleRow(module));
        for (int column = 0; column < 6; ++column)
            row->setToolTip(column, shown(row->text(column)));

        // The transport addresses this module; it stays so after the search.
        QString identity = ProbeEthernetModule(module, IdentityQuery, IdentityProbeSeconds);
        if (!run.windowOpen())
            return;
        identity.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        // The record keeps its meter's identification, unless the list was replaced meanwhile.
        if (i < s.EthernetDevices.size() && s.EthernetDevices[i].MACAddress == module.MACAddress)
            s.EthernetDevices[i].Identity = identity;
        row->setText(6, TrimBlanks(decltype(EthernetDevice::Identity)(identity).text()));
        row->setToolTip(6, row->text(6));
    }
    if (s.EthernetDevices.size() - 1 == 1)
        SelectEthernetModule(1);
}

void Form_EthernetLocator::Command_Select_Click()
{
    // A new link for the driver: not under another operation's feet.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    QTreeWidgetItem *row = ListView_Modules->currentItem();
    if (row && row->isSelected())
        SelectEthernetModule(ListView_Modules->indexOfTopLevelItem(row) + 1);
}

void Form_EthernetLocator::ListView_Modules_ItemClick(int index)
{
    if (const MeterGate::Operation meter = meterGate().beginUserAction())
        SelectEthernetModule(index);
}

void Form_EthernetLocator::Command_Advanced_Click() { setBandHeight(!isAdvanced()); }

void Form_EthernetLocator::Command_Exit_Click()
{
    m_guard.requestStop();
    m_guard.unloadWhenIdle();
}

void Form_EthernetLocator::runSequence(const Sequence &sequence)
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (run)
        runSequence(sequence, run);
}

void Form_EthernetLocator::runSequence(const Sequence &sequence, const RunGuard::Run &run)
{
    UserInteraction &ui = appUi();
    if (sequence.checksSelection && state().SelectedMAC.isEmpty()) {
        Show(SelectTargetDevice(), ui);
        return;
    }
    std::optional<Hourglass> busy;
    if (sequence.hourglass)
        busy.emplace(ui);
    const auto windowOpen = [&run] { return run.windowOpen(); };
    if (!RunSteps(sequence.steps, [](const QString &command) { return SendConfigCommand(command); }, ui, windowOpen))
        return;
    if (sequence.thenReboot)
        runSequence(Reboot(), run);
    if (!run.windowOpen())
        return; // closed meanwhile: nothing more is sent or shown
    if (sequence.doneMessage)
        Show(*sequence.doneMessage, ui);
    if (sequence.waitMs > 0) {
        // The module reboots meanwhile; then the list shows it as it came back.
        appClock().sleepMs(sequence.waitMs);
        if (!run.windowOpen())
            return;
        search(run);
    }
    if (sequence.finalMessage && run.windowOpen())
        Show(*sequence.finalMessage, ui);
}

void Form_EthernetLocator::Command_Reboot_Click() { runSequence(Reboot()); }

void Form_EthernetLocator::Command_SetName_Click() { runSequence(SetNames()); }

void Form_EthernetLocator::Command_SetSerial_Click() { runSequence(Initialise()); }

void Form_EthernetLocator::Command4_Click() { runSequence(SetIP(Text_IP->text().trimmed())); }

void Form_EthernetLocator::Command7_Click() { runSequence(SetDhcp(true)); }

void Form_EthernetLocator::Command8_Click() { runSequence(SetDhcp(false)); }

void Form_EthernetLocator::Command1_Click() { runSequence(FlashLeds()); }

void Form_EthernetLocator::Command9_Click()
{
    const UdpSocketControl *socket = state().UDPCommand;
    const std::optional<QString> address =
        GenerateIP(socket ? socket->LocalIP() : QString(), QRandomGenerator::global()->generateDouble());
    if (!address) {
        Show(GenerateFailed(), appUi());
        return;
    }
    Text_IP->setText(*address);
}

void Form_EthernetLocator::Command5_Click()
{
    // Every module hears these: no module is selected first and no answer is read.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    BroadcastModuleCommand(QStringLiteral("L"));
    BroadcastModuleCommand(QStringLiteral("GIP"));
}

void Form_EthernetLocator::Text2_KeyPress(int KeyAscii)
{
    if (KeyAscii == KeyEscape) {
        Text2->clear();
        return;
    }
    if (KeyAscii != KeyEnter)
        return;
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    Hourglass busy(appUi());
    const Locators::TerminalCommand command = Locators::TypedCommand(Text2->text());
    const QString reply = EthernetSendString(command.text, true, IdentityProbeSeconds, command.endCondition);
    if (!run.windowOpen())
        return;
    Locators::AppendToTerminal(m_terminal, *Text1, reply);
}

void Form_EthernetLocator::Text1_Click()
{
    m_terminal.clear();
    Text1->clear();
}

bool Form_EthernetLocator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text2_KeyPress(KeyEnter);
            return true;
        }
        if (key == Qt::Key_Escape) {
            Text2_KeyPress(KeyEscape);
            return true;
        }
    }
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonPress)
        Text1_Click();
    return QDialog::eventFilter(watched, event);
}

void Form_EthernetLocator::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close this window; only Exit and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form_EthernetLocator::reject() { Command_Exit_Click(); }

void Form_EthernetLocator::closeEvent(QCloseEvent *event)
{
    event->accept();
    Command_Exit_Click();
}
