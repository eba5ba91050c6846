#include "tests/sim/core/SimServer.h"
#include "tests/sim/core/SimScheduler.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace metersim {

namespace {

// A meter behind the master side of a pseudo-terminal. The sim keeps the slave side open
// itself, so the program can open and close the port as often as it likes.
class PtyEndpoint
{
public:
    PtyEndpoint(SimMeter &meter, SimScheduler &scheduler) : m_meter(meter), m_scheduler(scheduler) {}
    ~PtyEndpoint() { drop(); }

    QString open(QString &error)
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
            error = QStringLiteral("openpty: ") + QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::cfsetispeed(&raw, B9600);
        ::cfsetospeed(&raw, B9600);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        char name[128] = {};
        if (::ptsname_r(m_master, name, sizeof name) != 0) {
            error = QStringLiteral("ptsname: ") + QString::fromLocal8Bit(std::strerror(errno));
            drop();
            return {};
        }
        m_reader = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_reader.get(), &QSocketNotifier::activated, [this] { readCommands(); });
        m_writer = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        m_writer->setEnabled(false);
        QObject::connect(m_writer.get(), &QSocketNotifier::activated, [this] { flush(); });
        return QString::fromLocal8Bit(name);
    }

private:
    void readCommands()
    {
        char buffer[4096];
        QByteArray bytes;
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.append(buffer, n);
        }
        if (bytes.isEmpty())
            return;
        // The meter's timeline is in whole milliseconds; the emissions are put back at the
        // fraction of a millisecond the command really arrived at.
        const double now = m_scheduler.preciseNowMs();
        const qint64 whole = static_cast<qint64>(std::floor(now));
        for (const Emission &e : m_meter.receive(bytes, whole, m_scheduler.wallNow()))
            m_scheduler.atExact(e.exactMs + (now - whole), [this, e] {
                if (m_master < 0)
                    return;
                m_pending += e.bytes;
                flush();
                if (e.disconnect)
                    drop();
            });
    }

    void flush()
    {
        while (m_master >= 0 && !m_pending.isEmpty()) {
            const ssize_t n = ::write(m_master, m_pending.constData(), static_cast<size_t>(m_pending.size()));
            if (n <= 0)
                break;
            m_pending.remove(0, static_cast<int>(n));
        }
        if (m_writer)
            m_writer->setEnabled(!m_pending.isEmpty());
    }

    // The line drops: both sides close and the device disappears.
    void drop()
    {
        m_reader.reset();
        m_writer.reset();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
        m_pending.clear();
    }

    SimMeter &m_meter;
    SimScheduler &m_scheduler;
    int m_master = -1, m_slave = -1;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_reader, m_writer;
};

class ModuleEndpoint
{
public:
    ModuleEndpoint(SimModule &module, SimMeter &meter, SimScheduler &scheduler)
        : m_module(module), m_meter(meter), m_scheduler(scheduler)
    {
    }

    bool open(QString &error)
    {
        const ModuleConfig c = m_module.config();
        const auto shared = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
        if (!c.address.isLoopback()) {
            error = QStringLiteral("the module must be bound to an address in 127.0.0.0/8");
            return false;
        }
        if (!m_broadcast.bind(QHostAddress(QHostAddress::Broadcast), c.commandPort, shared) ||
            !m_command.bind(c.address, c.commandPort, shared) || !m_data.bind(c.address, c.dataPort)) {
            error = QStringLiteral("cannot bind the module's sockets on ") + c.address.toString() + QStringLiteral(": ") +
                    m_broadcast.errorString() + QStringLiteral(" / ") + m_command.errorString() + QStringLiteral(" / ") +
                    m_data.errorString();
            return false;
        }
        QObject::connect(&m_broadcast, &QUdpSocket::readyRead, [this] { readCommands(m_broadcast); });
        QObject::connect(&m_command, &QUdpSocket::readyRead, [this] { readCommands(m_command); });
        QObject::connect(&m_data, &QUdpSocket::readyRead, [this] { readData(); });
        return true;
    }

private:
    void readCommands(QUdpSocket &socket)
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            if (!d.senderAddress().isLoopback())
                continue;
            if (const auto reply = m_module.command(d.data(), m_scheduler.nowMs()))
                m_command.writeDatagram(*reply, d.senderAddress(), static_cast<quint16>(d.senderPort()));
        }
    }

    // Meter traffic: the module passes the datagram to the meter's serial port and sends
    // each reply line back, as a datagram, to whoever sent the command.
    void readData()
    {
        while (m_data.hasPendingDatagrams()) {
            const QNetworkDatagram d = m_data.receiveDatagram();
            if (!d.senderAddress().isLoopback() || !m_module.dataDatagram(d.data(), m_scheduler.nowMs()))
                continue;
            const QHostAddress peer = d.senderAddress();
            const quint16 port = static_cast<quint16>(d.senderPort());
            for (const Emission &e : m_meter.receive(d.data(), m_scheduler.nowMs(), m_scheduler.wallNow()))
                if (!e.bytes.isEmpty())
                    m_scheduler.at(e.atMs, [this, e, peer, port] { m_data.writeDatagram(e.bytes, peer, port); });
        }
    }

    SimModule &m_module;
    SimMeter &m_meter;
    SimScheduler &m_scheduler;
    QUdpSocket m_broadcast, m_command, m_data;
};

} // namespace

struct SimServer::Worker : QObject
{
    std::unique_ptr<RealTimeScheduler> scheduler;
    std::vector<std::unique_ptr<PtyEndpoint>> ptys;
    std::vector<std::unique_ptr<ModuleEndpoint>> modules;

    void stop()
    {
        scheduler.reset();
        ptys.clear();
        modules.clear();
    }
};

SimServer::SimServer()
{
    m_worker = new Worker;
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("metersim"));
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->scheduler = std::make_unique<RealTimeScheduler>(); },
                              Qt::BlockingQueuedConnection);
}

SimServer::~SimServer()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString SimServer::servePty(SimMeter &meter, QString *error)
{
    QString path, why;
    QMetaObject::invokeMethod(
        m_worker,
        [&] {
            auto endpoint = std::make_unique<PtyEndpoint>(meter, *m_worker->scheduler);
            path = endpoint->open(why);
            if (!path.isEmpty())
                m_worker->ptys.push_back(std::move(endpoint));
        },
        Qt::BlockingQueuedConnection);
    if (error)
        *error = why;
    return path;
}

bool SimServer::serveModule(SimModule &module, SimMeter &meter, QString *error)
{
    bool ok = false;
    QString why;
    QMetaObject::invokeMethod(
        m_worker,
        [&] {
            auto endpoint = std::make_unique<ModuleEndpoint>(module, meter, *m_worker->scheduler);
            ok = endpoint->open(why);
            if (ok)
                m_worker->modules.push_back(std::move(endpoint));
        },
        Qt::BlockingQueuedConnection);
    if (error)
        *error = why;
    return ok;
}

} // namespace metersim
