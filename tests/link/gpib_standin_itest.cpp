// The real GPIB backend: the stand-in libgpib.so.0 loaded with dlopen (never linked), in
// front of metersim's GPIB bus on a Unix socket, with real time.
#include "link/SharedState.h"
#include "link/VBIB32.h"
#include "link/platform/Gpib.h"
#include "tests/support/TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class GpibStandInITest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_socket = m_folder.filePath(QStringLiteral("gpib.sock"));
        qputenv("METERSIM_GPIB_SOCKET", m_socket.toLocal8Bit());
        m_sim.setProcessChannelMode(QProcess::MergedChannels);
        m_sim.start(qEnvironmentVariable("METERSIM"), {"--no-udp", "--quiet", "--gpib", "15", "--gpib", "9",
                                                       "--serial", "64500123"});
        QVERIFY(m_sim.waitForStarted(10000));
        QByteArray output;
        QElapsedTimer timer;
        timer.start();
        while (!output.contains("ready\n") && timer.elapsed() < 10000 && m_sim.state() == QProcess::Running) {
            m_sim.waitForReadyRead(100);
            output += m_sim.readAll();
        }
        QVERIFY2(output.contains("meter 2 gpib 9\n"), output.constData());
        QVERIFY2(output.contains("ready\n"), output.constData());
    }
    void cleanupTestCase()
    {
        m_sim.terminate();
        m_sim.waitForFinished(10000);
    }

    void exchange_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        const QString standIn = qEnvironmentVariable("GPIB_STANDIN");
        QTest::newRow("no library") << "libnothing-here-gpib.so.0" << 15 << "*IDN?" << "False";
        QTest::newRow("meter 1") << standIn << 15 << "*IDN?" << "Velkorande,Model 6450,64500123,2.31\r\n";
        QTest::newRow("meter 2") << standIn << 9 << "*IDN?" << "Velkorande,Model 6450,64500124,2.31\r\n";
        QTest::newRow("nobody at 3") << standIn << 3 << "*IDN?" << "";
        QTest::newRow("first line of v") << standIn << 15 << "v" << "Model 6450\r\n";
        QTest::newRow("meter 2 moves (its answer at 9 is lost)") << standIn << 9 << "SYST:COMM:GPIB:ADDR 05" << "";
        QTest::newRow("at its new address") << standIn << 5 << "*IDN?" << "Velkorande,Model 6450,64500124,2.31\r\n";
        QTest::newRow("not at its old one") << standIn << 9 << "*IDN?" << "";
    }
    void exchange()
    {
        QFETCH(QString, library);
        QFETCH(int, address);
        QFETCH(QString, command);
        QFETCH(QString, expected);
        TestEnv env;
        RealClock clock;
        state().clock = &clock;
        LinuxGpibApi gpib(library.toLocal8Bit().constData());
        state().gpib = &gpib;
        QCOMPARE(gpib.loaded(), expected != "False");
        QCOMPARE(GpibSendString(address, command), expected);
        if (expected == "False")
            QCOMPARE(state().iberr, 7);
    }

    // Status values come from the library's thread functions after every call.
    void status()
    {
        TestEnv env;
        LinuxGpibApi gpib(qEnvironmentVariable("GPIB_STANDIN").toLocal8Bit().constData());
        state().gpib = &gpib;
        QCOMPARE(GpibFindListener(0, 15, 0), 1);
        QCOMPARE(GpibFindListener(0, 16, 0), 0);
        QCOMPARE(state().iberr, 0);
        const int descriptor = GpibOpenAt(16);
        QVERIFY(descriptor > 0);
        GpibClear(descriptor);
        QVERIFY(state().ibsta < 0);
        QCOMPARE(state().iberr, 2); // no listener
        GpibOnline(descriptor, 0);
        QCOMPARE(state().iberr, 0);
    }

private:
    QTemporaryDir m_folder;
    QString m_socket;
    QProcess m_sim;
};

QTEST_GUILESS_MAIN(GpibStandInITest)
#include "gpib_standin_itest.moc"
