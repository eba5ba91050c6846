// The simulated meter on real endpoints: a pseudo-terminal opened as a serial port, and two
// Ethernet modules on loopback UDP (discovery by broadcast, selection, login, meter traffic).
#include "link/platform/SerialPortControl.h"
#include "tests/support/PrivateNetwork.h"
#include "link/platform/SettingsStore.h"
#include "tests/sim/core/SimServer.h"
#include "tests/support/doubles/MemorySettingsStore.h"

#include <QNetworkDatagram>
#include <QSerialPort>
#include <QUdpSocket>
#include <QtTest>

using namespace metersim;

namespace {

// Broadcasts must stay inside the private network namespace the test script makes.
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

QList<QNetworkDatagram> receiveAll(QUdpSocket &socket, int ms)
{
    QList<QNetworkDatagram> got;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        socket.waitForReadyRead(20);
        while (socket.hasPendingDatagrams())
            got << socket.receiveDatagram();
    }
    return got;
}

QByteArray readLine(QSerialPort &port)
{
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    while (!reply.endsWith("\r\n") && timer.elapsed() < 3000)
        if (port.waitForReadyRead(100))
            reply += port.readAll();
    return reply;
}

} // namespace

class EndpointsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ptyExchange()
    {
        SimMeter meter;
        SimServer server;
        QString why;
        const QString path = server.servePty(meter, &why);
        QVERIFY2(!path.isEmpty(), qPrintable(why));

        QSerialPort port(path);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.setBaudRate(9600);
        port.write("\r*IDN?\r");
        QVERIFY(port.waitForBytesWritten(1000));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(readLine(port), QByteArray("Velkorande,Model 6450,64500123,2.31\r\n"));
        QVERIFY(timer.elapsed() >= 12); // 6 bytes in and 37 out at 9600 baud
        QCOMPARE(meter.commands(), QStringList{"*IDN?"});

        // The port can be closed and opened again; the meter is still there.
        port.close();
        QVERIFY(port.open(QIODevice::ReadWrite));
        port.write("a1\r");
        QCOMPARE(readLine(port), QByteArray("*0\r\n"));
    }

    // The program's serial control on the pseudo-terminal: reading an empty input (as every
    // exchange does before it sends) must not make the next send fail.
    void serialControlAfterEmptyRead()
    {
        SimMeter meter;
        SimServer server;
        MemorySettingsStore settings;
        settings.SaveSetting("Ports", "COM3", server.servePty(meter));
        QtSerialPortControl port(settings);
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setPortOpen(true));
        QCOMPARE(port.Input(), QString());
        QVERIFY(port.Output("a1\r"));
        QVERIFY(port.waitForInput(2000));
        QTRY_VERIFY(port.InBufferCount() == 4);
        QCOMPARE(port.Input(), QStringLiteral("*0\r\n"));
    }

    void udpModules()
    {
        REQUIRE_PRIVATE_NETWORK();
        SimMeter first, second(MeterConfig{"6440", "64400077", "2.31", 20, 15});
        const quint16 port1 = freePort(), port2 = freePort();
        SimModule a({QHostAddress("127.0.0.1"), port1, 32767, "00-50-C2-64-50-01", "Velkoran", "6450 DMM"});
        SimModule b({QHostAddress("127.0.0.2"), port2, 32767, "00-50-C2-64-50-02", "Velkoran", "6440 DMM"});
        SimServer server;
        QString why;
        QVERIFY2(server.serveModule(a, first, &why), qPrintable(why));
        QVERIFY2(server.serveModule(b, second, &why), qPrintable(why));

        QUdpSocket command;
        QVERIFY(command.bind(QHostAddress::LocalHost, 0));
        command.writeDatagram("X", QHostAddress::Broadcast, 32767);
        QMap<QString, QString> found; // sender -> datagram
        for (const QNetworkDatagram &d : receiveAll(command, 500))
            found[d.senderAddress().toString()] = QString::fromLatin1(d.data());
        QCOMPARE(found.value("127.0.0.1"), QStringLiteral("A00-50-C2-64-50-01/%1/01RMSV6.2/9600/Velkoran/6450 DMM").arg(port1));
        QVERIFY(found.value("127.0.0.2").startsWith("A00-50-C2-64-50-02/"));

        // Select the second module and log in: only it answers.
        command.writeDatagram("W00-50-C2-64-50-02", QHostAddress::Broadcast, 32767);
        QList<QNetworkDatagram> acks = receiveAll(command, 300);
        QCOMPARE(acks.size(), 1);
        QCOMPARE(acks[0].data(), QByteArray("A"));
        QCOMPARE(acks[0].senderAddress(), QHostAddress("127.0.0.2"));
        command.writeDatagram("L", QHostAddress::Broadcast, 32767);
        QCOMPARE(receiveAll(command, 300).value(0).data(), QByteArray("A"));
        QVERIFY(b.loggedIn() && !a.loggedIn());

        // Meter commands on the data port; each reply line is one datagram.
        QUdpSocket data;
        QVERIFY(data.bind(QHostAddress::LocalHost, 0));
        data.writeDatagram("*IDN?\r", QHostAddress("127.0.0.2"), port2);
        const QList<QNetworkDatagram> replies = receiveAll(data, 500);
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies[0].data(), QByteArray("Velkorande,Model 6440,64400077,2.31\r\n"));
        QCOMPARE(second.commands(), QStringList{"*IDN?"});
        QVERIFY(first.commands().isEmpty());
    }
};

QTEST_GUILESS_MAIN(EndpointsTest)
#include "endpoints_itest.moc"
