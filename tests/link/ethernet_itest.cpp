// The Ethernet transport over real UDP on loopback. The discovery and configuration tests
// broadcast to 255.255.255.255; they run only inside a private network namespace whose
// broadcast route points at lo, and are skipped elsewhere so nothing leaves the machine.
#include "link/AppTitle.h"
#include "tests/support/PrivateNetwork.h"
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "link/drivers/DriverLink.h"
#include "link/platform/UdpSocketControl.h"
#include "tests/support/TestEnv.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

#include <atomic>
#include <functional>

namespace {

const QString CR = QStringLiteral("\r");

// Fake peers on loopback, served by their own thread (discovery and the configuration
// commands do not yield, so a peer on the test's thread could never answer). Each
// listener hands what it receives to a handler, which answers with datagrams sent from
// one of the source addresses (or from the listener itself), after an optional pause.
class FakePeers : public QThread
{
public:
    struct Reply
    {
        QByteArray bytes;
        int from = -1; // index into the source addresses; -1: the listening socket
        int delayMs = 0;
    };
    using Handler = std::function<QList<Reply>(const QByteArray &)>;

    explicit FakePeers(QList<QHostAddress> sources = {}) : m_sources(std::move(sources)) {}
    ~FakePeers() override
    {
        m_stop = true;
        wait();
    }

    // Adds a listener before start(); returns its index.
    int listen(const QHostAddress &address, quint16 port, Handler handler)
    {
        m_listeners.append({address, port, std::move(handler)});
        return static_cast<int>(m_listeners.size() - 1);
    }
    // Starts serving; returns the ports the listeners were bound to.
    QList<quint16> serve()
    {
        start();
        m_ready.acquire();
        return m_ports;
    }
    QList<QByteArray> received(int listener)
    {
        QMutexLocker lock(&m_mutex);
        return m_received.value(listener);
    }

protected:
    void run() override
    {
        std::vector<std::unique_ptr<QUdpSocket>> sources, listeners;
        for (const QHostAddress &address : m_sources) {
            sources.push_back(std::make_unique<QUdpSocket>());
            if (!sources.back()->bind(address, 0))
                qWarning() << "fake peer cannot bind" << address;
        }
        for (const Listener &l : m_listeners) {
            listeners.push_back(std::make_unique<QUdpSocket>());
            const bool bound = listeners.back()->bind(l.address, l.port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
            if (!bound)
                qWarning() << "fake peer cannot bind" << l.address << l.port;
            m_ports.append(listeners.back()->localPort());
        }
        m_received.resize(m_listeners.size());
        m_ready.release();
        while (!m_stop) {
            bool idle = true;
            for (size_t i = 0; i < listeners.size(); ++i) {
                QUdpSocket &socket = *listeners[i];
                while (socket.hasPendingDatagrams()) {
                    idle = false;
                    const QNetworkDatagram datagram = socket.receiveDatagram();
                    {
                        QMutexLocker lock(&m_mutex);
                        m_received[static_cast<qsizetype>(i)].append(datagram.data());
                    }
                    for (const Reply &reply : m_listeners[static_cast<qsizetype>(i)].handler(datagram.data())) {
                        if (reply.delayMs > 0)
                            QThread::msleep(static_cast<unsigned long>(reply.delayMs));
                        QUdpSocket &out = reply.from < 0 ? socket : *sources[static_cast<size_t>(reply.from)];
                        out.writeDatagram(reply.bytes, datagram.senderAddress(), datagram.senderPort());
                    }
                }
            }
            if (idle)
                QThread::msleep(1);
        }
    }

private:
    struct Listener
    {
        QHostAddress address;
        quint16 port;
        Handler handler;
    };
    QList<QHostAddress> m_sources;
    QList<Listener> m_listeners;
    QList<quint16> m_ports;
    QList<QList<QByteArray>> m_received;
    QMutex m_mutex;
    QSemaphore m_ready;
    std::atomic<bool> m_stop{false};
};

// The two sockets of the main window, published in the shared state, with the Ethernet
// transport's receive path on UDPData.
struct Sockets
{
    explicit Sockets(bool realTime = true)
    {
        if (realTime)
            state().clock = &realClock;
        state().UDPCommand = &command;
        state().UDPData = &data;
        command.RemoteHost = Ethernet::BroadcastAddress;
        command.RemotePort = Ethernet::ModuleCommandPort;
        data.RemotePort = 1001;
        ConnectEthernetReceive(data);
    }
    RealClock realClock;
    QtUdpSocketControl command;
    QtUdpSocketControl data;
};

const QHostAddress ModuleA(QStringLiteral("127.0.0.2"));
const QHostAddress ModuleB(QStringLiteral("127.0.0.3"));

QString padded(const QString &text, int width) { return text.leftJustified(width, QLatin1Char(' '), true); }

// Points the global record at a peer on loopback.
void selectModule(const QString &ip, int port)
{
    state().EthernetDevice = EthernetDevice{};
    state().EthernetDevice.IPAddress = ip;
    state().EthernetDevice.Port = port;
}

// A fake meter answering every command with the given datagrams.
FakePeers::Handler answer(QList<QByteArray> datagrams)
{
    return [datagrams](const QByteArray &) {
        QList<FakePeers::Reply> replies;
        for (const QByteArray &d : datagrams)
            replies.append({d, -1, 2});
        return replies;
    };
}

FakePeers::Handler silent()
{
    return [](const QByteArray &) { return QList<FakePeers::Reply>{}; };
}

} // namespace

class EthernetITest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    // --- the socket control ---

    void socket_datagramsAsLatin1WithSender()
    {
        TestEnv env;
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress(QStringLiteral("127.0.0.5")), 0));
        QtUdpSocketControl control;
        QCOMPARE(control.State(), int(UdpSocketControl::Closed));
        QVERIFY(control.Bind(0, QStringLiteral("127.0.0.1")));
        QCOMPARE(control.State(), int(UdpSocketControl::Open));
        int announced = 0;
        connect(&control, &UdpSocketControl::DataArrival, this, [&](int bytes) {
            QVERIFY(bytes > 0);
            ++announced;
        });
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QHostAddress to(QStringLiteral("127.0.0.1"));
        peer.writeDatagram(QByteArray(), to, control.LocalPort()); // empty: dropped
        peer.writeDatagram(all, to, control.LocalPort());
        QTRY_VERIFY(control.BytesReceived() == 256);
        QTRY_VERIFY(announced >= 1);
        QCOMPARE(control.GetData(), QString::fromLatin1(all));
        QCOMPARE(control.RemoteHostIP(), QStringLiteral("127.0.0.5"));
        QCOMPARE(control.BytesReceived(), 0);
        QCOMPARE(control.GetData(), QString());

        // Sending: Latin-1 bytes to RemoteHost (blanks around it ignored) and RemotePort.
        control.RemoteHost = QStringLiteral("127.0.0.5          ");
        control.RemotePort = peer.localPort();
        QVERIFY(control.SendData(QString::fromLatin1(all)));
        QTRY_VERIFY(peer.hasPendingDatagrams());
        QCOMPARE(peer.receiveDatagram().data(), all);
        control.Close();
        QCOMPARE(control.State(), int(UdpSocketControl::Closed));
    }

    void socket_sendErrors_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("error");
        QTest::newRow("host name") << "meter.local" << 1001 << 1 << 11001;
        QTest::newRow("empty host") << "" << 1001 << 1 << 11001;
        QTest::newRow("IPv6") << "::1" << 1001 << 1 << 11001;
        QTest::newRow("port 0") << "127.0.0.1" << 0 << 1 << 10049;
        QTest::newRow("port too large") << "127.0.0.1" << 70000 << 1 << 10049;
        QTest::newRow("datagram too large") << "127.0.0.1" << 9 << 70000 << 10040;
    }
    void socket_sendErrors()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(int, size);
        QFETCH(int, error);
        QtUdpSocketControl control;
        control.RemoteHost = host;
        control.RemotePort = port;
        QVERIFY(!control.SendData(QString(size, QLatin1Char('x'))));
        QCOMPARE(control.lastError(), error);
    }

    // --- discovery ---

    void discovery_twoModulesAndAStray()
    {
        REQUIRE_PRIVATE_NETWORK();
        TestEnv env;
        Sockets sockets;
        FakePeers peers({ModuleA, ModuleB});
        const int listener = peers.listen(QHostAddress::AnyIPv4, Ethernet::ModuleCommandPort, [](const QByteArray &d) {
            if (d != "X")
                return QList<FakePeers::Reply>{};
            return QList<FakePeers::Reply>{{"A00-20-4A-00-00-01/10001/01MIM0/t2/Velkoran/6450 DMM", 0, 5},
                                           {"hello", 1, 0},
                                           {"A00-20-4A-00-00-02/10002/01MIM0/t2/Other/Box", 1, 0}};
        });
        peers.serve();
        state().EthernetDevices = QList<EthernetDevice>(5);

        QVERIFY(DiscoverEthernetDevices());
        QCOMPARE(peers.received(listener), QList<QByteArray>{"X"});
        QCOMPARE(sockets.command.RemoteHost, Ethernet::BroadcastAddress);
        QCOMPARE(sockets.command.RemotePort, 32767);
        const QList<EthernetDevice> &list = state().EthernetDevices;
        QCOMPARE(list.size(), 3); // indices 0 to 2; entry 0 unused
        QCOMPARE(list[0], EthernetDevice{});
        QCOMPARE(list[1].IPAddress.text(), padded("127.0.0.2", 20));
        QCOMPARE(list[1].MACAddress.text(), padded("00-20-4A-00-00-01", 30));
        QCOMPARE(list[1].Port, 10001);
        QCOMPARE(list[1].Flag2.text(), QStringLiteral("I"));
        QCOMPARE(list[1].Owner.text(), QStringLiteral("Velkoran"));
        QCOMPARE(list[1].DeviceName.text(), QStringLiteral("6450 DMM"));
        QCOMPARE(list[2].IPAddress.text(), padded("127.0.0.3", 20));
        QCOMPARE(list[2].MACAddress.text(), padded("00-20-4A-00-00-02", 30));
        QCOMPARE(list[2].Owner.text(), padded("Other", 8));
    }

    void discovery_replyWithoutMac()
    {
        REQUIRE_PRIVATE_NETWORK();
        TestEnv env;
        Sockets sockets;
        FakePeers peers({ModuleA});
        peers.listen(QHostAddress::AnyIPv4, Ethernet::ModuleCommandPort,
                     [](const QByteArray &) { return QList<FakePeers::Reply>{{"A", 0, 5}}; });
        peers.serve();
        QVERIFY(!DiscoverEthernetDevices());
        const QList<EthernetDevice> &list = state().EthernetDevices;
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].RawReply.text(), padded("A", 80));
        QCOMPARE(list[1].IPAddress.text(), padded("127.0.0.2", 20));
        EthernetDevice expected;
        expected.RawReply = list[1].RawReply;
        expected.IPAddress = list[1].IPAddress;
        QCOMPARE(list[1], expected);
    }

    // Nobody answers (or only late, or only empty datagrams): false, the list as it was.
    void discovery_silence()
    {
        REQUIRE_PRIVATE_NETWORK();
        TestEnv env;
        Sockets sockets;
        FakePeers peers({ModuleA});
        peers.listen(QHostAddress::AnyIPv4, Ethernet::ModuleCommandPort, [](const QByteArray &) {
            return QList<FakePeers::Reply>{{"", 0, 0}, {"Alate/1/01MIM", 0, 1300}};
        });
        peers.serve();
        QList<EthernetDevice> before(2);
        before[1].IPAddress = QStringLiteral("10.0.0.9");
        state().EthernetDevices = before;
        QVERIFY(!DiscoverEthernetDevices());
        QCOMPARE(state().EthernetDevices, before);
    }

    // --- configuration commands ---

    void configCommand_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QByteArray>("ackOfW");
        QTest::addColumn<QByteArray>("ackOfCommand");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("sent"); // datagrams the module received
        QTest::newRow("accepted") << " 00-20-4A-00-00-01 " << QByteArray("A") << QByteArray("A") << "A" << 2;
        QTest::newRow("reply with more") << "00-20-4A-00-00-01" << QByteArray("A") << QByteArray("AOK") << "AOK" << 2;
        QTest::newRow("no module selected") << "" << QByteArray("A") << QByteArray("A") << "" << 0;
        QTest::newRow("selection refused") << "00-20-4A-00-00-01" << QByteArray("N") << QByteArray("A") << "" << 1;
        QTest::newRow("no selection answer") << "00-20-4A-00-00-01" << QByteArray() << QByteArray("A") << "" << 1;
        QTest::newRow("command refused") << "00-20-4A-00-00-01" << QByteArray("A") << QByteArray("E1") << "" << 2;
        QTest::newRow("no command answer") << "00-20-4A-00-00-01" << QByteArray("A") << QByteArray() << "" << 2;
    }
    void configCommand()
    {
        REQUIRE_PRIVATE_NETWORK();
        TestEnv env;
        Sockets sockets;
        QFETCH(QString, selected);
        QFETCH(QByteArray, ackOfW);
        QFETCH(QByteArray, ackOfCommand);
        FakePeers peers({ModuleA});
        const int listener = peers.listen(QHostAddress::AnyIPv4, Ethernet::ModuleCommandPort, [=](const QByteArray &d) {
            const QByteArray reply = d.startsWith('W') ? ackOfW : ackOfCommand;
            QList<FakePeers::Reply> replies;
            if (!reply.isEmpty())
                replies.append({reply, 0, 2});
            return replies;
        });
        peers.serve();
        state().SelectedMAC = selected;
        // An answer left from an earlier exchange must not be taken for this one's.
        QVERIFY(sockets.command.Bind(0, QStringLiteral("127.0.0.1")));
        QUdpSocket earlier;
        earlier.writeDatagram("Astale", QHostAddress(QStringLiteral("127.0.0.1")), sockets.command.LocalPort());
        QTRY_VERIFY(sockets.command.BytesReceived() > 0);
        sockets.command.RemoteHost = QStringLiteral("127.0.0.1");
        QTEST(SendConfigCommand(QStringLiteral("SDN6450 DMM")), "result");
        QFETCH(int, sent);
        QTRY_COMPARE(peers.received(listener).size(), sent);
        QTest::qWait(50);
        QCOMPARE(peers.received(listener).size(), sent);
        if (sent >= 1) {
            QCOMPARE(peers.received(listener)[0], QByteArray("W00-20-4A-00-00-01"));
            QCOMPARE(sockets.command.RemoteHost, Ethernet::BroadcastAddress);
        }
        if (sent == 2)
            QCOMPARE(peers.received(listener)[1], QByteArray("SDN6450 DMM"));
    }

    // --- meter exchange ---

    void sendString_endConditions_data()
    {
        QTest::addColumn<QList<QByteArray>>("datagrams");
        QTest::addColumn<int>("endCondition");
        QTest::addColumn<QString>("reply");
        QTest::newRow("token") << QList<QByteArray>{"*0\r"} << 1 << "*0\r";
        QTest::newRow("token with LF") << QList<QByteArray>{"*0\r\n"} << 1 << "*0\r\n";
        QTest::newRow("lines in pieces") << QList<QByteArray>{"Model 6450\r\nVer", "sion 1.2\r\n", "*", "0", "\r\n"} << 1
                                         << "Model 6450\r\nVersion 1.2\r\n*0\r\n";
        QTest::newRow("star and a letter") << QList<QByteArray>{"*A\r"} << 1 << "TIMEOUT";
        QTest::newRow("first CR ends one line") << QList<QByteArray>{"VELKORANDE,6450\rmore"} << 0
                                                << "VELKORANDE,6450\rmore";
        QTest::newRow("no CR") << QList<QByteArray>{"*0\n"} << 0 << "TIMEOUT";
        QTest::newRow("binary bytes") << QList<QByteArray>{QByteArray("\0\xff\xe4*9\r", 6)} << 1
                                      << QString::fromLatin1(QByteArray("\0\xff\xe4*9\r", 6));
        QTest::newRow("empty datagram between") << QList<QByteArray>{"*", "", "1\r"} << 1 << "*1\r";
    }
    void sendString_endConditions()
    {
        TestEnv env;
        Sockets sockets;
        QFETCH(QList<QByteArray>, datagrams);
        FakePeers meter;
        const int listener = meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, answer(datagrams));
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        QFETCH(int, endCondition);
        QTEST(EthernetSendString(QStringLiteral("v"), true, 1, endCondition), "reply");
        QCOMPARE(meter.received(listener), QList<QByteArray>{"v\r"});
        QCOMPARE(sockets.data.RemoteHost, padded("127.0.0.1", 20));
        QCOMPARE(sockets.data.RemotePort, state().EthernetDevice.Port);
        QCOMPARE(state().UdpRxBuffer, QString());
        QVERIFY(!env.host.statusPanelText(2).isEmpty()); // progress shown as data came
    }

    // Replies to earlier commands and text left in the buffer are dropped before the send.
    void sendString_dropsEarlierData()
    {
        TestEnv env;
        Sockets sockets;
        FakePeers meter;
        const int listener = meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, [](const QByteArray &d) {
            return QList<FakePeers::Reply>{{d == "a\r" ? QByteArray("old\r") : QByteArray("*0\r"), -1, 0}};
        });
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        sockets.data.blockSignals(true); // the window does not take it: the old reply waits, unread
        QCOMPARE(EthernetSendString(QStringLiteral("a"), false, 1, 1), QString());
        QTRY_COMPARE(sockets.data.BytesReceived(), 4);
        sockets.data.blockSignals(false);
        state().UdpRxBuffer = QStringLiteral("junk");
        QCOMPARE(EthernetSendString(QStringLiteral("b"), true, 1, 1), QStringLiteral("*0\r"));
        QCOMPARE(meter.received(listener), (QList<QByteArray>{"a\r", "b\r"}));
    }

    // Port 0 or no address: the empty text, nothing sent, the socket never used.
    void sendString_noPortOrAddress_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<bool>("withPort");
        QTest::newRow("port 0") << "127.0.0.1" << false;
        QTest::newRow("blank address") << "" << true;
    }
    void sendString_noPortOrAddress()
    {
        TestEnv env;
        Sockets sockets;
        FakePeers meter;
        const int listener = meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, answer({"*0\r"}));
        const quint16 port = meter.serve()[0];
        QFETCH(QString, ip);
        QFETCH(bool, withPort);
        selectModule(ip, withPort ? port : 0);
        QCOMPARE(EthernetSendString(QStringLiteral("v"), true, 5, 1), QString());
        QCOMPARE(sockets.data.State(), int(UdpSocketControl::Closed));
        QCOMPARE(state().LastSendTime, 0.0);
        QTest::qWait(50);
        QCOMPARE(meter.received(listener).size(), 0);
        QCOMPARE(env.ui.boxes.size(), 0);
    }

    // Time-out 4: 80 steps of 50 ms, counted again from the last data (virtual time, real UDP).
    void sendString_timeoutCountsSteps()
    {
        TestEnv env;
        Sockets sockets(false);
        FakePeers meter;
        meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, silent());
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        QCOMPARE(EthernetSendString(QStringLiteral("READ?"), true, 4, 0), QStringLiteral("TIMEOUT"));
        QCOMPARE(env.clock.elapsedMs(), 5 + 80 * 50); // pacing, then 80 steps

        // Data at 1 s restarts the count; the partial text is dropped. (The module owes
        // nothing here: the first reply is forgotten, so the command goes out at once.)
        state().lateReply = {};
        QUdpSocket late;
        const qint64 start = env.clock.elapsedMs();
        env.clock.scheduleIn(1000, [&] {
            late.writeDatagram("12", QHostAddress(QStringLiteral("127.0.0.1")), sockets.data.LocalPort());
        });
        QCOMPARE(EthernetSendString(QStringLiteral("READ?"), true, 4, 0), QStringLiteral("TIMEOUT"));
        const qint64 took = env.clock.elapsedMs() - start;
        QVERIFY2(took >= 20 + 1000 + 79 * 50 && took <= 20 + 1000 + 81 * 50, qPrintable(QString::number(took)));
    }

    // A datagram that nobody takes from the socket does not shorten the count.
    void sendString_unreadDatagramKeepsTheCount()
    {
        TestEnv env;
        Sockets sockets(false);
        QObject::disconnect(&sockets.data, &UdpSocketControl::DataArrival, nullptr, nullptr);
        FakePeers meter;
        meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, silent());
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        QUdpSocket peer;
        env.clock.scheduleIn(100, [&] {
            peer.writeDatagram("*0\r", QHostAddress(QStringLiteral("127.0.0.1")), sockets.data.LocalPort());
        });
        QCOMPARE(EthernetSendString(QStringLiteral("v"), true, 1, 1), QStringLiteral("TIMEOUT"));
        QCOMPARE(sockets.data.BytesReceived(), 3);
        // Steps 1 and 2 from 5 ms to the arrival at 100 ms; the 18 left take their full 50 ms.
        QCOMPARE(env.clock.elapsedMs(), 100 + 18 * 50);
    }

    void sendString_withoutWaiting()
    {
        TestEnv env;
        Sockets sockets;
        FakePeers meter;
        const int listener = meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, answer({"*0\r"}));
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(EthernetSendString(QStringLiteral("CONF:VOLTAGE:DC 10"), false, 10, 1), QString());
        QVERIFY(timer.elapsed() < 1000);
        QTRY_COMPARE(meter.received(listener), QList<QByteArray>{"CONF:VOLTAGE:DC 10\r"});
    }

    // Any socket error: a box with its number; the empty text.
    void sendString_socketError()
    {
        TestEnv env;
        Sockets sockets;
        selectModule(QStringLiteral("127.0.0.1"), 9);
        QCOMPARE(EthernetSendString(QString(70000, QLatin1Char('x')), true, 1, 1), QString());
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("10040"));
        QCOMPARE(env.ui.boxes[0].style, 0);
    }

    // An address no route leads to (only inside the namespace, where nothing can leave).
    void sendString_hostUnreachable()
    {
        REQUIRE_PRIVATE_NETWORK();
        TestEnv env;
        Sockets sockets;
        selectModule(QStringLiteral("10.254.0.1"), 1001);
        QCOMPARE(EthernetSendString(QStringLiteral("v"), true, 1, 1), QString());
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, "10065" + CR + "PC and Meter must be in the same subnet");
        QCOMPARE(env.ui.boxes[0].style, 48);
        QCOMPARE(env.ui.boxes[0].title, AppTitle);
    }

    // The driver's own module goes into the global record before the exchange.
    void sendOverEthernet()
    {
        TestEnv env;
        Sockets sockets;
        FakePeers meter;
        const int listener = meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, answer({"VELKORANDE,6450\r\n"}));
        const quint16 port = meter.serve()[0];
        selectModule(QStringLiteral("127.0.0.7"), 1234);
        DriverLink link;
        link.InterfaceType = 3;
        link.EthernetDevice.IPAddress = QStringLiteral("127.0.0.1");
        link.EthernetDevice.Port = port;
        link.EthernetDevice.Owner = QStringLiteral("Velkoran");
        QCOMPARE(SendOverLink(link, QStringLiteral("*IDN?"), true, 2, 0, UsbOpenFailureReply::EmptyText),
                 QStringLiteral("VELKORANDE,6450\r\n"));
        QCOMPARE(state().EthernetDevice, link.EthernetDevice);
        QCOMPARE(meter.received(listener), QList<QByteArray>{"*IDN?\r"});
    }

    // Garbage of any size and content that never completes a reply: "TIMEOUT", no crash.
    void sendString_garbage()
    {
        TestEnv env;
        Sockets sockets;
        FakePeers meter;
        meter.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0, [](const QByteArray &) {
            QList<FakePeers::Reply> replies;
            QRandomGenerator random(11);
            for (int i = 0; i < 300; ++i) {
                QByteArray bytes(static_cast<int>(random.bounded(i % 30 == 0 ? 60000 : 200)), Qt::Uninitialized);
                for (char &c : bytes)
                    c = static_cast<char>(random.bounded(256));
                bytes.replace('*', '#');
                replies.append({bytes, -1, 0});
            }
            return replies;
        });
        selectModule(QStringLiteral("127.0.0.1"), meter.serve()[0]);
        QCOMPARE(EthernetSendString(QStringLiteral("pa"), true, 1, 1), QStringLiteral("TIMEOUT"));
    }
};

QTEST_GUILESS_MAIN(EthernetITest)
#include "ethernet_itest.moc"
