#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemorySettingsStore.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <pty.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// A scripted device on the master side of a pseudo-terminal, served by its own thread in
// real time. `answer` gives, for each CR-ended command, the chunks to write back, each
// after a pause.
class PtyPeer
{
public:
    struct Chunk
    {
        int delayMs;
        QByteArray bytes;
    };

    PtyPeer()
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_name = QString::fromLocal8Bit(name);
    }
    ~PtyPeer()
    {
        stop();
        if (m_slave >= 0)
            ::close(m_slave);
        closeMaster();
    }
    QString deviceName() const { return m_name; }

    void start(std::function<QList<Chunk>(const QByteArray &)> answer)
    {
        m_answer = std::move(answer);
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // The far end disappears (as a USB serial adapter pulled out).
    void closeMaster()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    QList<QByteArray> commands()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_commands;
    }

private:
    void run()
    {
        QByteArray pending;
        while (!m_stop) {
            int fd;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                fd = m_master;
            }
            if (fd < 0)
                return;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            pending.append(buffer, n);
            for (qsizetype cr = pending.indexOf('\r'); cr >= 0; cr = pending.indexOf('\r')) {
                const QByteArray command = pending.left(cr);
                pending.remove(0, cr + 1);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_commands << command;
                }
                for (const Chunk &chunk : m_answer(command)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(chunk.delayMs));
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_master >= 0 && !chunk.bytes.isEmpty())
                        (void)!::write(m_master, chunk.bytes.constData(), static_cast<size_t>(chunk.bytes.size()));
                }
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_name;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QList<QByteArray> m_commands;
    std::function<QList<Chunk>(const QByteArray &)> m_answer;
};

QList<PtyPeer::Chunk> meterAnswer(const QByteArray &command)
{
    if (command == "v")
        return {{20, "Model 6450\r\nVersion 2.01\r\n"}, {30, "Serial 12345\r\n"}, {30, "*0\r\n"}};
    if (command == "*IDN?")
        return {{15, "Velkorande,6450,12345,2.01\r\n"}};
    if (command == "latin")
        return {{10, QByteArray("\xE4\xF4\0x\r\n*0\r\n", 10)}};
    if (command == "k5820637" || command == "a1")
        return {{10, "*0\r\n"}};
    if (command == "nowait")
        return {{5, "*9\r\nleft over\r\n"}};
    if (command == "long")
        return {{5, QByteArray(6000, 'x')}}; // no line end
    return {};
}

} // namespace

// The RS232 exchange against a scripted device over a real pseudo-terminal, in real time,
// through the QSerialPort backend with COM1 mapped to the terminal.
class SerialPtyTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }

private:
    struct Setup
    {
        TestEnv env;
        RealClock realClock;
        MemorySettingsStore settings;
        PtyPeer peer;
        QtSerialPortControl port{settings};
        Setup()
        {
            state().clock = &realClock;
            settings.SaveSetting("Ports", "COM1", peer.deviceName());
            port.setCommPort(1);
            auto dvm = std::make_unique<DVM_6450>();
            dvm->SetCommControl(&port);
            state().DVM1 = std::move(dvm);
        }
    };

private Q_SLOTS:
    void exchangesWithAMeter()
    {
        Setup setup;
        QVERIFY(!setup.peer.deviceName().isEmpty());
        setup.peer.start(meterAnswer);
        IDVM &dvm = *state().DVM1;
        QVERIFY(!setup.port.PortOpen());
        QCOMPARE(dvm.SendString("v", true, 5, 1), QString("Model 6450\rVersion 2.01\rSerial 12345\r*0\r"));
        QVERIFY(setup.port.PortOpen());
        QCOMPARE(dvm.GetDescription(), QString("Velkorande 6450\r\nRS232 Port 1"));
        const QString id = dvm.Identify();
        QCOMPARE(id, QString("Velkorande,6450,12345,2.01\r"));
        QVERIFY(dvm.CheckIdentity(id));
        const QString latin = dvm.SendString("latin", true, 5, 1);
        QCOMPARE(latin, QString(QChar(228)) + QChar(244) + QChar(0) + "x\r*0\r");
        QVERIFY(EnterSetupMode());
        QVERIFY(ExitSetupMode());
        QCOMPARE(dvm.SendString("nowait"), QString());
        QTest::qWait(200); // its reply arrives and waits in the input
        QCOMPARE(dvm.SendString("v", true, 5, 1), QString("Model 6450\rVersion 2.01\rSerial 12345\r*0\r"));
        QCOMPARE(dvm.SendString("silent", true, 1, 1), QString("TIMEOUT"));
        QCOMPARE(dvm.SendString("long", true, 1, 1), QString("TIMEOUT"));
        QCOMPARE(setup.peer.commands(),
                 QList<QByteArray>({"", "v", "*IDN?", "latin", "k5820637", "a1", "nowait", "v", "silent", "long"}));
    }

    void portThatCannotBeOpened()
    {
        Setup setup;
        setup.settings.SaveSetting("Ports", "COM1", "/nonexistent/ttyX");
        QCOMPARE(state().DVM1->SendString("v", true, 5, 1), QString());
        QVERIFY(!setup.port.PortOpen());
    }

    void deviceVanishesMidExchange()
    {
        Setup setup;
        setup.peer.start([&](const QByteArray &command) -> QList<PtyPeer::Chunk> {
            if (command == "v")
                return {{20, "Model 6450\r\n"}, {50, {}}};
            return {};
        });
        IDVM &dvm = *state().DVM1;
        std::thread unplug([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            setup.peer.closeMaster();
        });
        const QString reply = dvm.SendString("v", true, 30, 1);
        unplug.join();
        QCOMPARE(reply, QString());
        QVERIFY(!setup.port.PortOpen());
        QCOMPARE(dvm.SendString("v", true, 1, 1), QString()); // cannot be opened again
    }
};

QTEST_GUILESS_MAIN(SerialPtyTest)
#include "serial_pty_itest.moc"
