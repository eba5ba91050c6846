// The plain logic of the Ethernet-serial setup window: list rows, reply tests, the
// configuration sequences as tables, and the IP address generator.
#include "tests/support/doubles/ScriptedUserInteraction.h"
#include "shell/EthernetLocator.h"

#include <QTest>

using namespace EthernetLocator;

class EthernetLocatorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void moduleRow_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("dhcp");
        QTest::newRow("M") << "M" << "Off";
        QTest::newRow("I") << "I" << "OK";
        QTest::newRow("F") << "F" << "Failed";
        QTest::newRow("lower-case m") << "m" << "Failed";
        QTest::newRow("never assigned") << QString() << "Failed";
    }
    void moduleRow()
    {
        QFETCH(QString, flag);
        QFETCH(QString, dhcp);
        EthernetDevice module;
        module.IPAddress = QStringLiteral("127.0.0.2");
        module.MACAddress = QStringLiteral("00-50-C2-64-50-01");
        module.Port = 10001;
        module.Owner = QStringLiteral("Velkoran");
        module.DeviceName = QStringLiteral("6450");
        if (!flag.isNull())
            module.Flag2 = flag;
        // Fixed-length fields keep the blanks that fill them.
        QCOMPARE(ModuleRow(module), (QStringList{QStringLiteral("127.0.0.2           "),
                                                 QStringLiteral("00-50-C2-64-50-01             "), "10001", dhcp,
                                                 "Velkoran", "6450    "}));
    }

    void replyTests_data()
    {
        QTest::addColumn<int>("test");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("passes");
        const int begins = int(ReplyTest::BeginsWithA), exactly = int(ReplyTest::ExactlyA);
        QTest::newRow("begins: A") << begins << "A" << true;
        QTest::newRow("begins: A and more") << begins << "AOK" << true;
        QTest::newRow("begins: empty") << begins << "" << false;
        QTest::newRow("exactly: A") << exactly << "A" << true;
        QTest::newRow("exactly: A and more") << exactly << "AOK" << false;
        QTest::newRow("exactly: lower-case a") << exactly << "a" << false;
        QTest::newRow("ignored: empty") << int(ReplyTest::Ignored) << "" << true;
    }
    void replyTests()
    {
        QFETCH(int, test);
        QFETCH(QString, reply);
        QFETCH(bool, passes);
        QCOMPARE(ReplyPasses(ReplyTest(test), reply), passes);
    }

    // Each sequence's commands, and which box each failing step shows; the replies come
    // from a module that acknowledges everything but the command named `failing`.
    void sequences_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("box"); // text|style|title, empty: none
        const QString setup = QStringLiteral("Ethernet Setup");
        const auto box = [](const QString &text, int style, const QString &title) {
            return text + QLatin1Char('|') + QString::number(style) + QLatin1Char('|') + title;
        };
        const QStringList init{"L", "SBR3", "SPR0", "SBB1", "SFC0", "SSE1", "SONVelkoran", "SDN6450 DMM"};
        QTest::newRow("R ok") << "R" << "" << QStringList{"L", "E"} << "";
        QTest::newRow("R login") << "R" << "L" << QStringList{"L"} << box("Login Failed", Msg::Exclamation, setup);
        QTest::newRow("R reboot ignored") << "R" << "E" << QStringList{"L", "E"} << "";
        QTest::newRow("N ok") << "N" << "" << QStringList{"L", "SONVelkoran", "SDN6450 DMM"} << "";
        QTest::newRow("N login") << "N" << "L" << QStringList{"L"} << box("Login Failed", Msg::Exclamation, "Set Name");
        QTest::newRow("N owner") << "N" << "SON" << QStringList{"L", "SONVelkoran"}
                                 << box("Set Owner Name Failed", Msg::Exclamation, "Set Name");
        QTest::newRow("N device") << "N" << "SDN" << QStringList{"L", "SONVelkoran", "SDN6450 DMM"}
                                  << box("Set Device Name Failed", Msg::Exclamation, "Set Name");
        QTest::newRow("I ok") << "I" << "" << init << "";
        const QStringList initFailures{"Set Baud Rate Failed",    "Set Parity Failed",     "Set Data Width Failed",
                                       "Set Flow Control Failed", "Enable Soft Entry Failed", "Set Owner Name Failed",
                                       "Set Device Name Failed"};
        QTest::newRow("I login") << "I" << "L" << QStringList{"L"} << box("Login Failed", Msg::Exclamation, setup);
        for (int i = 1; i < init.size(); ++i)
            QTest::addRow("I %s", qPrintable(init[i].left(3)))
                << "I" << init[i].left(3) << init.mid(0, i + 1)
                << box(initFailures[i - 1], Msg::Exclamation, i >= 6 ? QStringLiteral("Set Name") : setup);
        QTest::newRow("P ok") << "P" << "" << QStringList{"L", "SIP10.0.0.7", "E"} << "";
        QTest::newRow("P login") << "P" << "L" << QStringList{"L"} << box("Login Failed", Msg::Critical, setup);
        QTest::newRow("P address") << "P" << "SIP" << QStringList{"L", "SIP10.0.0.7"}
                                   << box("Set IP Failed", Msg::Critical, setup);
        QTest::newRow("D on ok") << "D1" << "" << QStringList{"L", "SDH1", "E"} << "";
        QTest::newRow("D off ok") << "D0" << "" << QStringList{"L", "SDH0", "E"} << "";
        QTest::newRow("D login") << "D1" << "L" << QStringList{"L"} << box("Login Failed", Msg::Critical, setup);
        QTest::newRow("D set") << "D0" << "SDH" << QStringList{"L", "SDH0"} << box("Set DHCP Failed", Msg::Critical, setup);
        QTest::newRow("LEDs ignored") << "B" << "B" << QStringList{"B"} << "";
        // The window closed during the first step: nothing more is sent, no box.
        QTest::newRow("I closed after the login") << "I" << "close" << QStringList{"L"} << "close";
    }
    void sequences()
    {
        QFETCH(QString, sequence);
        QFETCH(QString, failing);
        QFETCH(QStringList, sent);
        QFETCH(QString, box);
        const Sequence s = sequence == "R" ? Reboot()
            : sequence == "N"              ? SetNames()
            : sequence == "I"              ? Initialise()
            : sequence == "P"              ? SetIP(QStringLiteral("10.0.0.7"))
            : sequence == "B"              ? FlashLeds()
                                           : SetDhcp(sequence == "D1");
        QStringList got;
        ScriptedUserInteraction ui;
        const bool closes = failing == QLatin1String("close");
        const bool ok = RunSteps(
            s.steps,
            [&](const QString &command) {
                got << command;
                return !failing.isEmpty() && command.startsWith(failing) ? QString() : QStringLiteral("A");
            },
            ui, [&] { return !closes || got.isEmpty(); });
        QCOMPARE(got, sent);
        QCOMPARE(ok, box.isEmpty());
        if (closes) {
            QVERIFY(ui.boxes.isEmpty());
            return;
        }
        QCOMPARE(ui.boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(ui.boxes[0].prompt + '|' + QString::number(ui.boxes[0].style) + '|' + ui.boxes[0].title, box);
    }

    void generateIP_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<double>("r");
        QTest::addColumn<QString>("address"); // empty: none can be made
        QTest::newRow(".20, r 0") << "192.168.7.20" << 0.0 << "192.168.7.21";
        QTest::newRow(".20, r 0.55") << "192.168.7.20" << 0.55 << "192.168.7.26";
        QTest::newRow(".20, r just below 1") << "192.168.7.20" << 0.9999 << "192.168.7.30";
        QTest::newRow("loopback") << "127.0.0.1" << 0.0 << "127.0.0.2";
        QTest::newRow(".244 reaches 254") << "10.1.2.244" << 0.9999 << "10.1.2.254";
        QTest::newRow(".245 wraps 255 to 1") << "10.1.2.245" << 0.9999 << "10.1.2.1";
        QTest::newRow(".250 wraps") << "10.1.2.250" << 0.5 << "10.1.2.2";
        QTest::newRow(".254 wraps") << "10.1.2.254" << 0.9999 << "10.1.2.10";
        QTest::newRow("empty") << "" << 0.0 << "";
        QTest::newRow("three numbers") << "10.1.2" << 0.0 << "";
        QTest::newRow("not a number") << "10.1.2.x" << 0.0 << "";
        QTest::newRow("number too large") << "10.1.300.4" << 0.0 << "";
        QTest::newRow("IPv6") << "::1" << 0.0 << "";
    }
    void generateIP()
    {
        QFETCH(QString, own);
        QFETCH(double, r);
        QFETCH(QString, address);
        QCOMPARE(GenerateIP(own, r).value_or(QString()), address);
    }
};

QTEST_GUILESS_MAIN(EthernetLocatorTest)
#include "ethernetlocator_test.moc"
