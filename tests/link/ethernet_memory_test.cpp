// The Ethernet transport's logic on the in-memory network and virtual clock: discovery,
// the module's configuration exchange and meter commands against simulated modules and
// meters, with exact virtual timings. The same paths over real UDP are in ethernet_itest.
#include "link/AppTitle.h"
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/ProgramSockets.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryUdp.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QString CR = QStringLiteral("\r");

metersim::ModuleConfig moduleAt(const QString &address, const QString &mac, const QString &owner)
{
    metersim::ModuleConfig config;
    config.address = QHostAddress(address);
    config.mac = mac;
    config.owner = owner;
    return config;
}

// The program's two sockets on a network of simulated modules, each with its meter.
struct Network
{
    explicit Network(VirtualClock &clock, int moduleCount) : net(clock), sockets(net)
    {
        for (int i = 0; i < moduleCount; ++i) {
            const QString address = QStringLiteral("127.0.1.%1").arg(10 + i);
            meters.push_back(std::make_unique<metersim::SimMeter>());
            modules.push_back(std::make_unique<metersim::SimModule>(
                moduleAt(address, QStringLiteral("00-50-C2-64-50-0%1").arg(i + 1), QStringLiteral("Owner%1").arg(i + 1))));
            served.push_back(std::make_unique<metersim::ModuleOnNetwork>(*modules.back(), *meters.back(), net));
        }
    }
    void select(int module)
    {
        state().EthernetDevice = state().EthernetDevices.at(module);
    }

    MemoryUdpNetwork net;
    ProgramSockets sockets;
    std::vector<std::unique_ptr<metersim::SimMeter>> meters;
    std::vector<std::unique_ptr<metersim::SimModule>> modules;
    std::vector<std::unique_ptr<metersim::ModuleOnNetwork>> served;
};

} // namespace

class EthernetMemoryTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void discovery_data()
    {
        QTest::addColumn<int>("modules");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("entries"); // EthernetDevices' size, entry 0 unused
        QTest::newRow("none keeps the list") << 0 << false << 5;
        QTest::newRow("one") << 1 << true << 2;
        QTest::newRow("three") << 3 << true << 4;
    }
    void discovery()
    {
        QFETCH(int, modules);
        QFETCH(bool, found);
        QFETCH(int, entries);
        TestEnv env;
        Network network(env.clock, modules);
        state().EthernetDevices = QList<EthernetDevice>(5);
        QCOMPARE(DiscoverEthernetDevices(), found);
        QCOMPARE(state().EthernetDevices.size(), entries);
        for (int i = 1; i <= modules; ++i) {
            const EthernetDevice &device = state().EthernetDevices[i];
            QCOMPARE(device.IPAddress.text().trimmed(), QStringLiteral("127.0.1.%1").arg(9 + i));
            QCOMPARE(device.MACAddress.text().trimmed(), QStringLiteral("00-50-C2-64-50-0%1").arg(i));
            QCOMPARE(device.Owner.text().trimmed(), QStringLiteral("Owner%1").arg(i));
            QCOMPARE(device.Port, 10001);
        }
        // One "X", then 50-ms sleeps until the first answer; silence takes all 20.
        QCOMPARE(network.net.sent.first().bytes, QByteArray("X"));
        QCOMPARE(env.clock.elapsedMs(), modules == 0 ? 20 * 50 : 50);
    }

    // Any bytes, any length, and far more datagrams than one discovery takes, still pouring
    // in while it reads.
    void discovery_flood()
    {
        TestEnv env;
        Network network(env.clock, 0);
        QRandomGenerator random(7);
        network.net.listen(QStringLiteral("127.0.1.10"), Ethernet::ModuleCommandPort, [&](const MemoryUdpNetwork::Datagram &d) {
            for (int i = 0; i < 100000; ++i) {
                QByteArray bytes(static_cast<int>(random.bounded(i % 500 == 0 ? 9000 : 60)), Qt::Uninitialized);
                for (char &c : bytes)
                    c = static_cast<char>(random.bounded(256));
                if (i % 2 == 0 && !bytes.isEmpty())
                    bytes[0] = 'A';
                network.net.send({QStringLiteral("127.0.1.10"), Ethernet::ModuleCommandPort, d.fromAddress, d.fromPort, bytes},
                                 5 + i / 100);
            }
        });
        DiscoverEthernetDevices();
        QVERIFY(state().EthernetDevices.size() >= 2);
        QVERIFY(state().EthernetDevices.size() <= Ethernet::MaxDatagramsPerRead + 1);
        for (const EthernetDevice &device : state().EthernetDevices)
            QVERIFY(device.RawReply.text().size() == 80 && device.MACAddress.text().size() == 30);
    }

    // The configuration exchange: "W" and the MAC address, then the command; only an answer
    // beginning with "A" is returned, and only the addressed module acts on the command.
    void configCommand_data()
    {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QString>("owner"); // the second module's owner afterwards
        QTest::newRow("login, then set the owner")
            << "00-50-C2-64-50-02" << QStringList{"L", "SONLab"} << QStringList{"A", "A"} << "Lab";
        QTest::newRow("a set without login is refused") << "00-50-C2-64-50-02" << QStringList{"SONLab"} << QStringList{""} << "Owner2";
        QTest::newRow("an unknown MAC address selects nobody")
            << "00-50-C2-64-50-09" << QStringList{"L", "SONLab"} << QStringList{"", ""} << "Owner2";
    }
    void configCommand()
    {
        QFETCH(QString, mac);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, replies);
        QFETCH(QString, owner);
        TestEnv env;
        Network network(env.clock, 2);
        state().SelectedMAC = mac;
        QStringList got;
        for (const QString &command : commands)
            got << SendConfigCommand(command);
        QCOMPARE(got, replies);
        QCOMPARE(network.modules[1]->config().owner, owner);
        QCOMPARE(network.modules[0]->config().owner, QStringLiteral("Owner1"));
    }

    // Meter commands through a module's data port: replies, end conditions, and time-outs
    // counted in 50-ms steps from the last data.
    void sendString_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("reply");
        QTest::newRow("identity, one line") << "*IDN?" << 0 << false
                                            << "Velkorande,Model 6450,64500123,2.31\r\n";
        QTest::newRow("status token ends the reply") << "a1" << 1 << false << "*0\r\n";
        QTest::newRow("silent meter times out") << "*IDN?" << 0 << true << "TIMEOUT";
    }
    void sendString()
    {
        QFETCH(QString, command);
        QFETCH(int, end);
        QFETCH(bool, silent);
        QFETCH(QString, reply);
        TestEnv env;
        Network network(env.clock, 1);
        QVERIFY(DiscoverEthernetDevices());
        network.select(1);
        if (silent)
            network.meters[0]->addFault(metersim::Fault::Silence, command, 1);
        const qint64 start = env.clock.elapsedMs();
        QCOMPARE(EthernetSendString(command, true, 2, end), reply);
        QCOMPARE(network.meters[0]->commands(), QStringList{command});
        if (silent)
            QCOMPARE(env.clock.elapsedMs() - start, 5 + 2 * 20 * 50); // pacing, then 40 steps
    }

    void sendString_hostUnreachable()
    {
        TestEnv env;
        Network network(env.clock, 1);
        network.net.unreachableHosts.insert(QStringLiteral("127.0.1.10"));
        QVERIFY(DiscoverEthernetDevices());
        network.select(1);
        QCOMPARE(EthernetSendString(QStringLiteral("v"), true, 1, 1), QString());
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, "10065" + CR + "PC and Meter must be in the same subnet");
        QCOMPARE(env.ui.boxes[0].title, AppTitle);
    }
};

QTEST_MAIN(EthernetMemoryTest)
#include "ethernet_memory_test.moc"
