// The Ethernet-serial setup window against simulated modules on loopback UDP: the search,
// the configuration sequences, the terminal, and the automatic search recognising a
// module renamed here. Discovery broadcasts to 255.255.255.255, so these tests run only
// inside the private network namespace (scripts/test). The modules answer in real time
// from their own thread; the window's long waits for a module's reboot pass at once on
// the fast-forward clock, which notes them.
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"
#include "link/drivers/DVM_6450.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "shell/Form_EthernetLocator.h"
#include "tests/sim/core/SimServer.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/FastForwardClock.h"
#include "tests/support/doubles/MemorySerialPort.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

using namespace metersim;

namespace {

const QString Settings = QStringLiteral("Settings");
const QString Identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31");

quint16 freePort(const QHostAddress &address)
{
    QUdpSocket probe;
    probe.bind(address, 0);
    return probe.localPort();
}

QString padded(const QString &text, int width) { return text.leftJustified(width, QLatin1Char(' '), true); }

QString boxText(const ScriptedUserInteraction::Box &box)
{
    return box.prompt + QLatin1Char('|') + QString::number(box.style) + QLatin1Char('|') + box.title;
}

QStringList boxTexts(const ScriptedUserInteraction &ui)
{
    QStringList texts;
    for (const auto &box : ui.boxes)
        texts << boxText(box);
    return texts;
}

// The commands a module received, without discovery and selection.
QStringList configCommands(const SimModule &module)
{
    QStringList commands;
    for (const QString &c : module.commands())
        if (c != QLatin1String("X") && !c.startsWith(QLatin1Char('W')))
            commands << c;
    return commands;
}

// Simulated meters with their modules at 127.0.0.2, .3, ... (modules reboot at once), the
// meter driver start-up makes, and the main window with its sockets.
struct Rig
{
    explicit Rig(int moduleCount = 1)
    {
        state().clock = &clock;
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
        main = &appWindows().form<FormMain>();
        auto ports = std::make_unique<MemorySerialPort>(env.clock);
        ports->setOpenFails(true);
        main->setCommControl(std::move(ports));
        for (int i = 0; i < moduleCount; ++i)
            add();
    }
    ~Rig() { appWindows().destroyAll(); }

    SimModule &add(ModuleConfig config = {})
    {
        const int n = int(this->modules.size());
        config.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(n + 2));
        config.dataPort = freePort(config.address);
        config.mac = QStringLiteral("00-50-C2-64-50-%1").arg(n + 1, 2, 10, QLatin1Char('0'));
        meters.push_back(std::make_unique<SimMeter>(MeterConfig{QStringLiteral("6450"), QString::number(64500123 + n)}));
        this->modules.push_back(std::make_unique<SimModule>(config));
        this->modules.back()->setRebootMs(0);
        QString why;
        if (!server.serveModule(*this->modules.back(), *meters.back(), &why))
            qFatal("%s", qPrintable(why));
        return *this->modules.back();
    }
    SimModule &module(int i = 0) { return *modules[size_t(i)]; }
    DVM_6450 &dvm() { return *dynamic_cast<DVM_6450 *>(state().DVM1.get()); }
    Form_EthernetLocator &open() { return appWindows().form<Form_EthernetLocator>(); }

    TestEnv env;
    FastForwardClock clock;
    // The server goes first: it serves the meters and modules until it is gone.
    std::vector<std::unique_ptr<SimMeter>> meters;
    std::vector<std::unique_ptr<SimModule>> modules;
    SimServer server;
    FormMain *main = nullptr;
};

} // namespace

class EthernetLocatorITest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void search_data();
    void search();
    void withoutSelection_data();
    void withoutSelection();
    void sequences_data();
    void sequences();
    void terminal_data();
    void terminal();
    void generateAndGetIP();
    void renamedModuleIsFoundByTheAutomaticSearch();
    void mainWindowOpensItModally();
};

void EthernetLocatorITest::search_data()
{
    QTest::addColumn<int>("modules");
    QTest::addColumn<bool>("silent");       // the second module's meter does not answer
    QTest::addColumn<bool>("bindPortTaken"); // the bind check's port is in use
    QTest::newRow("none") << 0 << false << false;
    QTest::newRow("one") << 1 << false << false;
    QTest::newRow("one, bind check fails") << 1 << false << true;
    QTest::newRow("two, one silent") << 2 << true << false;
}

void EthernetLocatorITest::search()
{
    REQUIRE_PRIVATE_NETWORK();
    QFETCH(int, modules);
    QFETCH(bool, silent);
    QFETCH(bool, bindPortTaken);
    Rig rig(0);
    for (int i = 0; i < modules; ++i) {
        ModuleConfig config;
        config.serialSideSet = !(silent && i == 1);
        config.dhcp = i == 1;
        rig.add(config);
    }
    QUdpSocket taken;
    if (bindPortTaken)
        QVERIFY(taken.bind(QHostAddress::Any, 12345));
    // A link stored earlier: the window shows it until a module is selected.
    rig.env.settings.SaveSetting(Settings, QStringLiteral("Ethernet_IP"), QStringLiteral("10.9.8.7"));
    rig.env.settings.SaveSetting(Settings, QStringLiteral("Ethernet_Port"), QStringLiteral("10001"));
    state().SelectedMAC = QStringLiteral("00-50-C2-64-50-09");

    Form_EthernetLocator &form = rig.open();
    QCOMPARE(form.ListView_Modules->topLevelItemCount(), modules);
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    if (modules == 0) {
        QCOMPARE(boxTexts(rig.env.ui), QStringList{"No Devices Found|64|Locate Ethernet Devices"});
        QVERIFY(state().SelectedMAC.isEmpty());
        QCOMPARE(form.Label_ActiveIP->text(), padded("10.9.8.7", 20));
        QCOMPARE(form.Label_ActivePort->text(), QStringLiteral("10001"));
        QVERIFY(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")).isEmpty());
        QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceRS232));
        return;
    }
    QVERIFY(rig.env.ui.boxes.isEmpty());

    for (int i = 0; i < modules; ++i) {
        // Each module is asked once, the query ended by the transport's one CR.
        QCOMPARE(rig.module(i).dataReceived(), QList<QByteArray>{"*IDN?\r"});
        const ModuleConfig c = rig.module(i).config();
        QTreeWidgetItem *row = form.ListView_Modules->topLevelItem(i);
        QStringList columns;
        for (int column = 0; column < 7; ++column)
            columns << row->text(column);
        const QString reply = silent && i == 1 ? QStringLiteral("TIMEOUT")
                                               : QStringLiteral("Velkorande,Model 6450,%1,2.31").arg(64500123 + i);
        QCOMPARE(columns, (QStringList{padded(c.address.toString(), 20), padded(c.mac, 30), QString::number(c.dataPort),
                                       i == 1 ? "OK" : "Off", "Velkoran", "6450 DMM", reply}));
    }

    if (modules == 1) {
        // The only module is selected at once.
        const ModuleConfig c = rig.module().config();
        QCOMPARE(state().SelectedMAC, c.mac);
        QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("Ethernet"));
        QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_IP")), padded(c.address.toString(), 20));
        QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_Port")), QString::number(c.dataPort));
        QCOMPARE(rig.env.settings.GetSetting(Settings, QStringLiteral("Ethernet_MAC")), padded(c.mac, 30));
        QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceEthernet));
        QCOMPARE(rig.dvm().link().EthernetDevice.Identity.text(), padded(Identity, 80));
        QCOMPARE(form.Label_ActiveIP->text(), padded(c.address.toString(), 20));
        QCOMPARE(form.Label_ActiveName->text(), QStringLiteral("Velkoran 6450 DMM\n") + padded(Identity, 80));
        QVERIFY(state().DVM1->SendString(QStringLiteral("v"), true, 5, 1).startsWith(QLatin1String("Model 6450\r")));
    } else {
        QVERIFY(state().SelectedMAC.isEmpty());
        QCOMPARE(form.Label_ActiveIP->text(), padded("10.9.8.7", 20));
        // Until a row is selected, the terminal talks to the module probed last: the silent one.
        form.Text2->setText(QStringLiteral("*IDN?"));
        form.Text2_KeyPress(13);
        QCOMPARE(form.terminalText(), QStringLiteral("TIMEOUT"));
        QVERIFY(rig.meters[0]->commands().size() == 1);
        // A row picked and "Select" makes it the link.
        form.ListView_Modules->setCurrentItem(form.ListView_Modules->topLevelItem(1));
        form.Command_Select->click();
        QCOMPARE(state().SelectedMAC, rig.module(1).config().mac);
        QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceEthernet));
        QCOMPARE(rig.dvm().link().EthernetDevice.Identity.text(), padded("TIMEOUT", 80));
    }
}

// Several modules and none chosen: the buttons that need a selection say so, the others
// fail at their login, and nothing goes to any module but discovery.
void EthernetLocatorITest::withoutSelection_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::newRow("Reboot") << "Command_Reboot" << "Select Target Device|64|Ethernet Setup";
    QTest::newRow("Set IP") << "Command4" << "Select Target Device|64|Ethernet Setup";
    QTest::newRow("DHCP on") << "Command7" << "Select Target Device|64|Ethernet Setup";
    QTest::newRow("DHCP Off") << "Command8" << "Select Target Device|64|Ethernet Setup";
    QTest::newRow("Setup Device Name") << "Command_SetName" << "Login Failed|48|Set Name";
    QTest::newRow("Initialise Module") << "Command_SetSerial" << "Login Failed|48|Ethernet Setup";
    QTest::newRow("Flash Status LEDs") << "Command1" << "";
}

void EthernetLocatorITest::withoutSelection()
{
    REQUIRE_PRIVATE_NETWORK();
    QFETCH(QString, button);
    QFETCH(QString, box);
    Rig rig(2);
    Form_EthernetLocator &form = rig.open();
    QCOMPARE(form.ListView_Modules->topLevelItemCount(), 2);
    form.findChild<QPushButton *>(button)->click();
    QCOMPARE(boxTexts(rig.env.ui), box.isEmpty() ? QStringList() : QStringList{box});
    for (int i = 0; i < 2; ++i)
        QCOMPARE(rig.module(i).commands(), QStringList{QStringLiteral("X")});
    QVERIFY(rig.clock.skippedSleeps.isEmpty());
}

void EthernetLocatorITest::sequences_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("ipText");
    QTest::addColumn<QString>("loginExtra"); // the module's login answers "A" and this
    QTest::addColumn<QString>("failing");    // the module refuses commands beginning so
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QList<int>>("waits"); // long waits, each followed by a new search

    const QStringList init{"L", "SBR3", "SPR0", "SBB1", "SFC0", "SSE1", "SONVelkoran", "SDN6450 DMM"};
    const QString initOk = QStringLiteral("Meter-Side Serial Port Setup OK|64|Ethernet Setup");
    QTest::newRow("Reboot") << "Command_Reboot" << "" << "" << "" << QStringList{"L", "E"} << QStringList{}
                            << QList<int>{};
    QTest::newRow("Reboot, login A..") << "Command_Reboot" << "" << "OK" << "" << QStringList{"L", "E"}
                                       << QStringList{} << QList<int>{};
    QTest::newRow("Reboot, login refused") << "Command_Reboot" << "" << "" << "L" << QStringList{"L"}
                                           << QStringList{"Login Failed|48|Ethernet Setup"} << QList<int>{};
    QTest::newRow("Setup Device Name") << "Command_SetName" << "" << "" << "" << init.mid(0, 1) + init.mid(6)
                                       << QStringList{"Device Name Set OK|64|Ethernet Setup"} << QList<int>{};
    QTest::newRow("Setup Device Name, login A..") << "Command_SetName" << "" << "OK" << "" << QStringList{"L"}
                                                  << QStringList{"Login Failed|48|Set Name"} << QList<int>{};
    QTest::newRow("Setup Device Name, device refused")
        << "Command_SetName" << "" << "" << "SDN" << init.mid(0, 1) + init.mid(6)
        << QStringList{"Set Device Name Failed|48|Set Name"} << QList<int>{};
    QTest::newRow("Initialise Module") << "Command_SetSerial" << "" << "" << "" << init + QStringList{"L", "E"}
                                       << QStringList{initOk} << QList<int>{5000};
    QTest::newRow("Initialise Module, login A..") << "Command_SetSerial" << "" << "OK" << "" << init + QStringList{"L", "E"}
                                                  << QStringList{initOk} << QList<int>{5000};
    QTest::newRow("Initialise Module, soft entry refused")
        << "Command_SetSerial" << "" << "" << "SSE" << init.mid(0, 6)
        << QStringList{"Enable Soft Entry Failed|48|Ethernet Setup"} << QList<int>{};
    QTest::newRow("Set IP") << "Command4" << " 10.0.0.7 " << "" << "" << QStringList{"L", "SIP10.0.0.7", "E"}
                            << QStringList{} << QList<int>{4000};
    QTest::newRow("Set IP, login A..") << "Command4" << "10.0.0.7" << "OK" << "" << QStringList{"L"}
                                       << QStringList{"Login Failed|16|Ethernet Setup"} << QList<int>{};
    QTest::newRow("Set IP, empty box") << "Command4" << "" << "" << "" << QStringList{"L", "SIP"}
                                       << QStringList{"Set IP Failed|16|Ethernet Setup"} << QList<int>{};
    QTest::newRow("DHCP on") << "Command7" << "" << "" << "" << QStringList{"L", "SDH1", "E"}
                             << QStringList{"DHCP Configuration Set\rDevice Rebooting|64|Ethernet Setup"}
                             << QList<int>{3000};
    QTest::newRow("DHCP Off, login A..") << "Command8" << "" << "OK" << "" << QStringList{"L"}
                                         << QStringList{"Login Failed|16|Ethernet Setup"} << QList<int>{};
    QTest::newRow("DHCP Off, refused") << "Command8" << "" << "" << "SDH" << QStringList{"L", "SDH0"}
                                       << QStringList{"Set DHCP Failed|16|Ethernet Setup"} << QList<int>{};
    QTest::newRow("Flash Status LEDs") << "Command1" << "" << "" << "" << QStringList{"B"} << QStringList{}
                                       << QList<int>{};
}

void EthernetLocatorITest::sequences()
{
    REQUIRE_PRIVATE_NETWORK();
    QFETCH(QString, button);
    QFETCH(QString, ipText);
    QFETCH(QString, loginExtra);
    QFETCH(QString, failing);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, boxes);
    QFETCH(QList<int>, waits);
    Rig rig;
    SimModule &module = rig.module();
    module.setLoginExtra(loginExtra);
    if (!failing.isEmpty())
        module.failCommand(failing);
    Form_EthernetLocator &form = rig.open();
    QCOMPARE(state().SelectedMAC, module.config().mac);
    form.Text_IP->setText(ipText);
    module.clearTranscript();

    form.findChild<QPushButton *>(button)->click();
    QCOMPARE(configCommands(module), sent);
    QCOMPARE(boxTexts(rig.env.ui), boxes);
    QCOMPARE(rig.clock.skippedSleeps, waits);
    // After a wait the list is searched anew: the module rebooted with its new settings.
    QCOMPARE(module.commands().count(QStringLiteral("X")), waits.size());
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    if (button == QLatin1String("Command7"))
        QCOMPARE(form.ListView_Modules->topLevelItem(0)->text(3), QStringLiteral("OK"));
    if (button == QLatin1String("Command4") && waits.size() == 1)
        QCOMPARE(module.configuredAddress(), QStringLiteral("10.0.0.7"));
}

void EthernetLocatorITest::terminal_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // Text1 after Enter, as received
    QTest::newRow("one line") << "*IDN?" << Identity + "\r\n";
    QTest::newRow("pa waits for the status token") << "pa" << "";
}

void EthernetLocatorITest::terminal()
{
    REQUIRE_PRIVATE_NETWORK();
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Rig rig;
    Form_EthernetLocator &form = rig.open();
    form.Command_Advanced->click();
    form.show();
    QTest::keyClicks(form.Text2, typed);
    QTest::keyClick(form.Text2, Qt::Key_Return);
    QVERIFY(form.isVisible());
    QCOMPARE(form.Text2->text(), typed);
    if (typed == QLatin1String("pa")) {
        // The whole table, one line per calibration range, up to the status token.
        QVERIFY(form.terminalText().count(QLatin1Char('\r')) > 50);
        QVERIFY(form.terminalText().endsWith(QLatin1String("*0\r\n")) || form.terminalText().endsWith(QLatin1String("*0\r")));
    } else {
        QCOMPARE(form.terminalText(), shown);
    }
    QCOMPARE(rig.meters[0]->commands().last(), typed);

    // A second Enter appends; Escape empties the command line; a click empties the output.
    const QString first = form.terminalText();
    QTest::keyClick(form.Text2, Qt::Key_Enter);
    QCOMPARE(form.terminalText().left(first.size()), first);
    QVERIFY(form.terminalText().size() > first.size());
    QTest::keyClick(form.Text2, Qt::Key_Escape);
    QVERIFY(form.Text2->text().isEmpty());
    QVERIFY(form.isVisible());
    QTest::mouseClick(form.Text1->viewport(), Qt::LeftButton);
    QVERIFY(form.terminalText().isEmpty());
    QVERIFY(form.Text1->toPlainText().isEmpty());
}

void EthernetLocatorITest::generateAndGetIP()
{
    REQUIRE_PRIVATE_NETWORK();
    Rig rig;
    Form_EthernetLocator &form = rig.open();
    // Inside the private network this machine's address is 127.0.0.1.
    for (int i = 0; i < 20; ++i) {
        form.Command9->click();
        const QString address = form.Text_IP->text();
        QVERIFY2(address.startsWith(QLatin1String("127.0.0.")), qPrintable(address));
        const int last = address.mid(8).toInt();
        QVERIFY2(last >= 2 && last <= 11, qPrintable(address));
    }
    QVERIFY(rig.env.ui.boxes.isEmpty());

    // "Get IP": two broadcasts, no selection before them.
    SimModule &module = rig.module();
    module.clearTranscript();
    form.Command5->click();
    QTRY_COMPARE(module.commands(), (QStringList{"L", "GIP"}));
}

void EthernetLocatorITest::renamedModuleIsFoundByTheAutomaticSearch()
{
    REQUIRE_PRIVATE_NETWORK();
    Rig rig(0);
    ModuleConfig config;
    config.owner = QStringLiteral("Lantroni");
    config.deviceName = QStringLiteral("UDS1100");
    rig.add(config);

    // Not a meter module by its names: the automatic search does not even probe it.
    QVERIFY(!appWindows().form<FormAutoLocate>().Locate_DVM_Ethernet());
    QVERIFY(rig.meters[0]->commands().isEmpty());

    Form_EthernetLocator &form = rig.open();
    form.Command_SetName->click();
    QCOMPARE(boxTexts(rig.env.ui), QStringList{"Device Name Set OK|64|Ethernet Setup"});
    appWindows().unload<Form_EthernetLocator>();
    state().DVM1 = CreateDVM(QStringLiteral("6450"));
    rig.module().clearTranscript();

    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    QVERIFY2(search.Locate_DVM_Ethernet(), qPrintable(search.logText()));
    // The automatic search's query carries a CR of its own before the transport's.
    QCOMPARE(rig.module().dataReceived(), QList<QByteArray>{"*IDN?\r\r"});
    QCOMPARE(state().EthernetDevice.Owner.text(), QStringLiteral("Velkoran"));
    QCOMPARE(state().EthernetDevice.DeviceName.text(), QStringLiteral("6450 DMM"));
    QCOMPARE(rig.dvm().link().InterfaceType, int(InterfaceEthernet));
}

void EthernetLocatorITest::mainWindowOpensItModally()
{
    REQUIRE_PRIVATE_NETWORK();
    Rig rig;
    bool wasModal = false;
    QTimer exit;
    connect(&exit, &QTimer::timeout, this, [&] {
        Form_EthernetLocator *form = appWindows().find<Form_EthernetLocator>();
        if (!form || !form->isVisible())
            return;
        exit.stop();
        wasModal = form->isModal();
        form->Command_Exit->click();
    });
    exit.start(10);
    rig.main->Command_SetupEthernet->click();
    QVERIFY(wasModal);
    QVERIFY(!appWindows().isLoaded<Form_EthernetLocator>());
    // The status bar shows the link the window chose.
    QCOMPARE(rig.main->Text_ConnectionStatus->toPlainText(), state().DVM1->GetDescription().replace("\r\n", "\n"));
    QVERIFY(rig.main->Text_ConnectionStatus->toPlainText().contains(QLatin1String("127.0.0.2")));
}

QTEST_MAIN(EthernetLocatorITest)
#include "ethernetlocator_itest.moc"
