#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "link/drivers/DriverLink.h"
#include "tests/support/TestEnv.h"

#include <QTest>

namespace {

QString nul(int n) { return QString(n, QChar(0)); }
QString bytes(const char *data, int size) { return QString::fromLatin1(QByteArray(data, size)); }
QString padded(const QString &text, int width) { return text.leftJustified(width, QLatin1Char(' '), true); }

} // namespace

class EthernetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fixedText()
    {
        EthernetDevice device;
        QCOMPARE(device.IPAddress.text(), nul(20));
        QCOMPARE(device.Flag1.text(), nul(1));
        device.IPAddress = QStringLiteral("10.0.0.5");
        QCOMPARE(device.IPAddress.text(), padded("10.0.0.5", 20));
        device.Owner = QStringLiteral("Velkorande");
        QCOMPARE(device.Owner.text(), QStringLiteral("Velkoran"));
        device.Flag2 = QString();
        QCOMPARE(device.Flag2.text(), QStringLiteral(" "));
        const EthernetDevice copy = device;
        QCOMPARE(copy, device);
        QCOMPARE(copy.MACAddress.text(), nul(30)); // unassigned fields travel as they are
    }

    // Which fields a discovery reply fills, by the number of "/" it holds.
    void parseDiscoveryReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("hasMac");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("flags"); // Flag1 Flag2 Flag3
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("deviceName");
        const QString none1 = nul(1) + nul(1) + nul(1);
        QTest::newRow("full") << "A0020A1B2C3D4/10001/01MIM0/t2/Velkoran/6450 DMM" << true << "0020A1B2C3D4" << 10001
                              << "MIM" << "Velkoran" << "6450 DMM";
        QTest::newRow("no slash") << "A0020A1B2C3D4" << false << nul(30) << 0 << none1 << nul(8) << nul(8);
        QTest::newRow("one slash") << "A00-20/1001" << true << "00-20" << 0 << none1 << nul(8) << nul(8);
        QTest::newRow("two slashes, short") << "AMAC/1001/0" << true << "MAC" << 1001 << "   " << nul(8) << nul(8);
        QTest::newRow("two slashes, flags") << "AMAC/1001/01MIX" << true << "MAC" << 1001 << "MIX" << nul(8) << nul(8);
        QTest::newRow("four slashes") << "AMAC/1001/01MIM/t2/Owner" << true << "MAC" << 1001 << "MIM" << nul(8) << nul(8);
        QTest::newRow("empty owner and name") << "AMAC/7/01MIM///" << true << "MAC" << 7 << "MIM" << "" << "";
        QTest::newRow("Flag3 is the third slash") << "AMAC/7/01MI/t2/own/dev" << true << "MAC" << 7 << "MI/" << "own"
                                                  << "dev";
        QTest::newRow("long fields truncated") << "A" + QString(40, 'm') + "/1/01MIM/x/OwnerName12/DeviceName12/z"
                                               << true << QString(30, 'm') << 1 << "MIM" << "OwnerNam" << "DeviceNa";
        QTest::newRow("empty MAC") << "A/5/" << true << "" << 5 << "   " << nul(8) << nul(8);
        QTest::newRow("port not a number") << "AMAC/abc/01MIM" << true << "MAC" << 0 << "MIM" << nul(8) << nul(8);
        QTest::newRow("port rounded") << "AMAC/1001.6/01MIM" << true << "MAC" << 1002 << "MIM" << nul(8) << nul(8);
        QTest::newRow("port beyond a Long") << "AMAC/99999999999/01MIM" << true << "MAC" << 0 << "MIM" << nul(8) << nul(8);
        QTest::newRow("binary bytes") << bytes("A\x01\x00\xff/1\x00/\r\n\xe4\xf4\x00", 13) << true
                                      << bytes("\x01\x00\xff", 3) << 1
                                      << bytes("\xe4\xf4\x00", 3) << nul(8) << nul(8);
    }
    void parseDiscoveryReply()
    {
        QFETCH(QString, reply);
        QFETCH(bool, hasMac);
        EthernetDevice device;
        QCOMPARE(ParseDiscoveryReply(reply, QStringLiteral("192.168.1.20"), device), hasMac);
        QCOMPARE(device.RawReply.text(), padded(reply, 80));
        QCOMPARE(device.IPAddress.text(), padded("192.168.1.20", 20));
        QFETCH(QString, mac);
        QCOMPARE(device.MACAddress.text(), mac == nul(30) ? mac : padded(mac, 30));
        QFETCH(int, port);
        QCOMPARE(device.Port, port);
        QFETCH(QString, flags);
        QCOMPARE(device.Flag1.text() + device.Flag2.text() + device.Flag3.text(), flags);
        QFETCH(QString, owner);
        QFETCH(QString, deviceName);
        QCOMPARE(device.Owner.text(), owner == nul(8) ? owner : padded(owner, 8));
        QCOMPARE(device.DeviceName.text(), deviceName == nul(8) ? deviceName : padded(deviceName, 8));
        QCOMPARE(device.Identity.text(), nul(80));
    }

    void replyComplete_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("endCondition");
        QTest::addColumn<bool>("complete");
        QTest::newRow("token") << "*0\r" << 1 << true;
        QTest::newRow("token after lines") << "Model 6450\r\n*9\r\n" << 1 << true;
        QTest::newRow("star and letter") << "*A\r" << 1 << false;
        QTest::newRow("token without CR yet") << "*0" << 1 << false;
        QTest::newRow("digit then LF") << "*0\n" << 1 << false;
        QTest::newRow("only the first star counts") << "*IDN?\r*0\r" << 1 << false;
        QTest::newRow("star at the end") << "abc*" << 1 << false;
        QTest::newRow("empty") << "" << 1 << false;
        QTest::newRow("one line") << "VELKORANDE,6450\r" << 0 << true;
        QTest::newRow("CR inside") << "ab\rcd" << 0 << true;
        QTest::newRow("no CR") << "*0\n" << 0 << false;
        QTest::newRow("other condition") << "*0\r" << 2 << false;
        QTest::newRow("negative condition") << "x\r" << -1 << false;
    }
    void replyComplete()
    {
        QFETCH(QString, reply);
        QFETCH(int, endCondition);
        QFETCH(bool, complete);
        QCOMPARE(EthernetReplyComplete(reply, endCondition), complete);
    }

    void settingsRoundTrip()
    {
        TestEnv env;
        EthernetDevice &device = state().EthernetDevice;
        device.IPAddress = QStringLiteral("192.168.0.77");
        device.Port = 10001;
        device.MACAddress = QStringLiteral("00-20-4A-12-34-56");
        SaveEthernetSettings();
        QCOMPARE(env.settings.values().value("settings/dvm1_interface"), QStringLiteral("Ethernet"));
        QCOMPARE(env.settings.values().value("settings/ethernet_ip"), padded("192.168.0.77", 20));
        QCOMPARE(env.settings.values().value("settings/ethernet_port"), QStringLiteral("10001"));
        QCOMPARE(env.settings.values().value("settings/ethernet_mac"), padded("00-20-4A-12-34-56", 30));

        device = EthernetDevice{};
        LoadEthernetSettings();
        QCOMPARE(device.IPAddress.text(), padded("192.168.0.77", 20));
        QCOMPARE(device.Port, 10001);
        QCOMPARE(device.MACAddress.text(), padded("00-20-4A-12-34-56", 30));
        QCOMPARE(device.Owner.text(), nul(8)); // only the three keys move
    }

    // The blanks that fill the fields survive the real store too.
    void settingsRoundTripThroughQSettings()
    {
        TestEnv env;
        QtSettingsStore store;
        state().settings = &store;
        state().EthernetDevice.IPAddress = QStringLiteral(" 10.1.1.1");
        state().EthernetDevice.MACAddress = QStringLiteral("AA");
        state().EthernetDevice.Port = 1001;
        SaveEthernetSettings();
        state().EthernetDevice = {};
        LoadEthernetSettings();
        QCOMPARE(state().EthernetDevice.IPAddress.text(), padded(" 10.1.1.1", 20));
        QCOMPARE(state().EthernetDevice.MACAddress.text(), padded("AA", 30));
        QCOMPARE(state().EthernetDevice.Port, 1001);
    }

    void loadSettings_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<int>("port");
        QTest::newRow("number") << "1001" << 1001;
        QTest::newRow("not a number") << "port" << 0;
        QTest::newRow("leading number") << "10001x" << 10001;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("too large") << "1e12" << 0;
        QTest::newRow("negative") << "-5" << -5;
    }
    void loadSettings()
    {
        TestEnv env;
        QFETCH(QString, portText);
        env.settings.SaveSetting("Settings", "ETHERNET_PORT", portText);
        LoadEthernetSettings();
        QFETCH(int, port);
        QCOMPARE(state().EthernetDevice.Port, port);
    }

    void loadSettings_defaults()
    {
        TestEnv env;
        LoadEthernetSettings();
        QCOMPARE(state().EthernetDevice.IPAddress.text(), QString(20, ' '));
        QCOMPARE(state().EthernetDevice.MACAddress.text(), QString(30, ' '));
        QCOMPARE(state().EthernetDevice.Port, 0);
    }

    // A field never assigned is stored as blanks, never as NUL characters.
    void saveSettings_unassignedFields()
    {
        TestEnv env;
        state().EthernetDevice.IPAddress = QStringLiteral("127.0.0.1");
        SaveEthernetSettings();
        QCOMPARE(env.settings.values().value("settings/ethernet_mac"), QString(30, ' '));
    }

    // No address, no port or no data socket: the empty text, nothing sent, no pacing.
    void sendString_withoutLink()
    {
        TestEnv env;
        EthernetDevice &device = state().EthernetDevice;
        QCOMPARE(EthernetSendString("v", true, 5, 1), QString()); // NUL address
        device.IPAddress = QStringLiteral("127.0.0.1");
        device.Port = 1001;
        QCOMPARE(EthernetSendString("v", true, 5, 1), QString()); // no data socket
        QCOMPARE(env.clock.elapsedMs(), 0);
        QCOMPARE(env.ui.boxes.size(), 0);
    }

    void sendOverLink_ethernetWithoutSocket()
    {
        TestEnv env;
        DriverLink link;
        link.InterfaceType = 3;
        link.EthernetDevice.IPAddress = QStringLiteral("127.0.0.9");
        link.EthernetDevice.Port = 7;
        QCOMPARE(SendOverLink(link, "v", true, 5, 1, UsbOpenFailureReply::EmptyText), QString());
        QCOMPARE(state().EthernetDevice, link.EthernetDevice);
    }
};

QTEST_GUILESS_MAIN(EthernetTest)
#include "ethernet_test.moc"
