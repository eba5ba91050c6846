// The Ethernet-serial setup window without a network: its controls and bands, selecting a
// listed module, and what it does when there are no sockets to search with. Searches over
// real UDP are in ethernetlocator_itest.cpp.
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"
#include "widgets/Twips.h"
#include "link/drivers/DVM_6450.h"
#include "shell/Form_EthernetLocator.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QGroupBox>
#include <QScopeGuard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString Settings = QStringLiteral("Settings");

EthernetDevice module(const QString &ip, const QString &mac, int port)
{
    EthernetDevice m;
    m.IPAddress = ip;
    m.MACAddress = mac;
    m.Port = port;
    m.Owner = QStringLiteral("Velkoran");
    m.DeviceName = QStringLiteral("6450 DMM");
    m.Identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31");
    return m;
}

} // namespace

class EthernetLocatorGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("find") << "Command_BroadcastFind" << "Find Modules" << "";
        QTest::newRow("select") << "Command_Select" << "Select" << "";
        QTest::newRow("advanced") << "Command_Advanced" << "Advanced >>" << "";
        QTest::newRow("exit") << "Command_Exit" << "Exit" << "";
        QTest::newRow("initialise") << "Command_SetSerial" << "Initialise Module"
                                    << "Set communication parameters and identity to default";
        QTest::newRow("name") << "Command_SetName" << "Setup Device Name" << "";
        QTest::newRow("generate") << "Command9" << "Generate" << "Generate a random IP address based on that of this machine";
        QTest::newRow("set ip") << "Command4" << "Set IP" << "Set IP address of module";
        QTest::newRow("get ip") << "Command5" << "Get IP" << "";
        QTest::newRow("dhcp on") << "Command7" << "DHCP on" << "Automatically Set IP Address of Module ";
        QTest::newRow("dhcp off") << "Command8" << "DHCP Off" << "Manual IP Address - set above";
        QTest::newRow("reboot") << "Command_Reboot" << "Reboot" << "";
        QTest::newRow("leds") << "Command1" << "Flash Status LEDs" << "";
        QTest::newRow("modules frame") << "Frame_Modules" << "Ethernet Modules" << "";
        QTest::newRow("setup frame") << "Frame_Setup" << "Setup Commands" << "";
        QTest::newRow("active frame") << "Frame4" << "Active Module" << "";
        QTest::newRow("terminal frame") << "Frame2" << "Test Communication" << "";
        QTest::newRow("send label") << "Label3" << "Send Data" << "";
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        TestEnv env;
        Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Ethernet-Serial Setup"));
        QWidget *control = form.findChild<QWidget *>(name);
        QVERIFY(control);
        QString text;
        if (auto *button = qobject_cast<QPushButton *>(control))
            text = button->text();
        else if (auto *frame = qobject_cast<QGroupBox *>(control))
            text = frame->title();
        else if (auto *label = qobject_cast<QLabel *>(control))
            text = label->text();
        QCOMPARE(text, caption);
        QCOMPARE(control->toolTip(), toolTip);
        // Every control fits inside its parent, collapsed or not.
        form.Command_Advanced_Click();
        const QRect inside = control->parentWidget()->rect();
        QVERIFY2(inside.contains(control->geometry()), qPrintable(name));
    }

    // "Send Data" takes its text's size in the font at hand, a larger one too, and the
    // command line starts after it.
    void sendLabelFitsItsFont_data()
    {
        QTest::addColumn<int>("points"); // 0: the application's font as it is
        QTest::newRow("application font") << 0;
        QTest::newRow("14 points") << 14;
    }
    void sendLabelFitsItsFont()
    {
        QFETCH(int, points);
        const QFont before = QApplication::font();
        const auto restoreFont = qScopeGuard([before] { QApplication::setFont(before); });
        QFont font = before;
        if (points)
            font.setPointSize(points);
        QApplication::setFont(font);
        TestEnv env;
        Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
        const QLabel *label = form.Label3;
        const QFontMetrics metrics = label->fontMetrics();
        QVERIFY(label->contentsRect().width() >= metrics.horizontalAdvance(label->text()));
        QVERIFY(label->contentsRect().height() >= metrics.height());
        QVERIFY(form.Text2->x() > label->geometry().right());
        QVERIFY(form.Text2->geometry().right() < form.Frame2->width());
    }

    // Loading searches; without sockets nothing answers. The stored link is shown, the list
    // has its seven columns, and the window is collapsed until "Advanced >>".
    void loadAndBands()
    {
        TestEnv env;
        env.settings.SaveSetting(Settings, QStringLiteral("Ethernet_IP"), QStringLiteral("10.9.8.7"));
        env.settings.SaveSetting(Settings, QStringLiteral("Ethernet_Port"), QStringLiteral("10001"));
        env.settings.SaveSetting(Settings, QStringLiteral("Ethernet_MAC"), QStringLiteral("00-50-C2-64-50-01"));
        Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("No Devices Found"));
        QCOMPARE(env.ui.boxes[0].title, QStringLiteral("Locate Ethernet Devices"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::Information));
        QCOMPARE(form.Label_ActiveIP->text(), QStringLiteral("10.9.8.7            "));
        QCOMPARE(form.Label_ActiveMAC->text(), QStringLiteral("00-50-C2-64-50-01").leftJustified(30));
        QCOMPARE(form.Label_ActivePort->text(), QStringLiteral("10001"));
        QCOMPARE(form.Text_IP->text(), QStringLiteral("192.168.1.200"));
        QStringList headers;
        for (int c = 0; c < form.ListView_Modules->columnCount(); ++c)
            headers << form.ListView_Modules->headerItem()->text(c);
        QCOMPARE(headers, (QStringList{"IP", "MAC", "Port", "DHCP", "Owner", "Device", "Reply"}));
        QVERIFY(!form.Text_Debug->isVisible());

        // Heights in twips: the modules band plus 500, and with the setup band.
        form.show();
        const int frame = 450; // what caption and borders take of a window's outer height
        QCOMPARE(form.height(), Twips::toPixels(2880 + 500 - frame));
        QVERIFY(!form.Frame_Setup->isVisible());
        form.Command_Advanced->click();
        QCOMPARE(form.Command_Advanced->text(), QStringLiteral("Advanced <<"));
        QCOMPARE(form.height(), Twips::toPixels(2880 + 1875 + 500 - frame));
        QVERIFY(form.Frame_Setup->isVisible() && form.Frame2->isVisible() && form.Command1->isVisible());
        QCOMPARE(form.Frame_Modules->height(), Twips::toPixels(2880));
        form.Command_Advanced->click();
        QCOMPARE(form.Command_Advanced->text(), QStringLiteral("Advanced >>"));
        QCOMPARE(form.height(), Twips::toPixels(2880 + 500 - frame));

        // Escape does not close it; Exit unloads it.
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        form.Command_Exit->click();
        QVERIFY(!appWindows().isLoaded<Form_EthernetLocator>());
    }

    void selectEthernetModule_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("selects");
        QTest::newRow("0: unused entry") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("2") << 2 << true;
        QTest::newRow("3: past the end") << 3 << false;
        QTest::newRow("-1") << -1 << false;
    }
    void selectEthernetModule()
    {
        QFETCH(int, index);
        QFETCH(bool, selects);
        TestEnv env;
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
        Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
        state().EthernetDevices = {EthernetDevice(), module("127.0.0.2", " 00-50-C2-64-50-01", 10001),
                                   module("127.0.0.3", "00-50-C2-64-50-02", 10002)};
        const QString labelBefore = form.Label_ActiveIP->text();
        form.SelectEthernetModule(index);
        auto *dvm = dynamic_cast<DVM_6450 *>(state().DVM1.get());
        if (!selects) {
            QVERIFY(state().SelectedMAC.isEmpty());
            QCOMPARE(form.Label_ActiveIP->text(), labelBefore);
            QVERIFY(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")).isEmpty());
            QCOMPARE(dvm->link().InterfaceType, int(InterfaceRS232));
            return;
        }
        const EthernetDevice &chosen = state().EthernetDevices[index];
        QCOMPARE(state().SelectedMAC, QStringLiteral("00-50-C2-64-50-0%1").arg(index)); // trimmed
        QCOMPARE(state().EthernetDevice, chosen);
        QCOMPARE(dvm->link().InterfaceType, int(InterfaceEthernet));
        QCOMPARE(dvm->link().EthernetDevice, chosen);
        QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("DVM1_Interface")), QStringLiteral("Ethernet"));
        QCOMPARE(env.settings.GetSetting(Settings, QStringLiteral("Ethernet_Port")), QString::number(10000 + index));
        QCOMPARE(form.Label_ActiveIP->text(), chosen.IPAddress.text());
        QCOMPARE(form.Label_ActivePort->text(), QString::number(10000 + index));
        QCOMPARE(form.Label_ActiveName->text(), QStringLiteral("Velkoran 6450 DMM\n") + chosen.Identity.text());
    }

    // Without a command socket there is no own address to start from.
    void generateWithoutAddress()
    {
        TestEnv env;
        Form_EthernetLocator &form = appWindows().form<Form_EthernetLocator>();
        env.ui.boxes.clear();
        form.Command9_Click();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error Generating IP Address"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(form.Text_IP->text(), QStringLiteral("192.168.1.200"));
    }
};

QTEST_MAIN(EthernetLocatorGuiTest)
#include "ethernetlocator_guitest.moc"
