#include "tests/sim/core/SimGpib.h"

#include <QDateTime>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

namespace metersim {

void SimGpibBus::attach(SimMeter &meter) { m_devices.append(Device{&meter, {}}); }

SimGpibBus::Device *SimGpibBus::at(int address)
{
    for (Device &device : m_devices)
        if (device.meter->state().gpibAddress == address)
            return &device;
    return nullptr;
}

const SimGpibBus::Device *SimGpibBus::at(int address) const
{
    return const_cast<SimGpibBus *>(this)->at(address);
}

bool SimGpibBus::listener(int address) const { return at(address) != nullptr; }

bool SimGpibBus::clear(int address)
{
    Device *device = at(address);
    if (!device)
        return false;
    device->output.clear();
    return true;
}

bool SimGpibBus::write(int address, const QByteArray &message, qint64 nowMs, const QDateTime &wallNow)
{
    Device *device = at(address);
    if (!device)
        return false;
    for (const Emission &e : device->meter->receiveMessage(message, nowMs, wallNow))
        if (!e.bytes.isEmpty())
            device->output.push_back(e);
    return true;
}

SimGpibBus::Read SimGpibBus::read(int address, int maxBytes, int eos, qint64 nowMs, qint64 timeoutMs)
{
    Read result;
    Device *device = at(address);
    if (!device) {
        result.listener = false;
        return result;
    }
    // Every emission ends with EOI, so the first one due within the time-out ends the read.
    if (device->output.empty() || device->output.front().atMs > nowMs + timeoutMs) {
        result.timedOut = true;
        result.readyAtMs = nowMs + timeoutMs;
        return result;
    }
    Emission &first = device->output.front();
    qsizetype taken = 0;
    while (taken < first.bytes.size() && taken < maxBytes) {
        const char byte = first.bytes[taken++];
        if (eos >= 0 && static_cast<unsigned char>(byte) == eos)
            break;
    }
    result.bytes = first.bytes.left(taken);
    result.end = taken == first.bytes.size()
                 || (eos >= 0 && taken > 0 && static_cast<unsigned char>(first.bytes[taken - 1]) == eos);
    result.readyAtMs = std::max(nowMs, first.atMs);
    first.bytes.remove(0, taken);
    if (first.bytes.isEmpty())
        device->output.pop_front();
    return result;
}

struct GpibSocketServer::Worker : QObject
{
    SimGpibBus *bus = nullptr;
    QLocalServer *server = nullptr;
    QElapsedTimer clock;

    struct Connection
    {
        QByteArray pending;
        bool busy = false; // a read is being answered later
    };

    void accept()
    {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            auto *connection = new Connection;
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, connection] {
                connection->pending += socket->readAll();
                handle(socket, *connection);
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [connection] { delete connection; });
        }
    }

    // Answers every complete request waiting on the connection, in order.
    void handle(QLocalSocket *socket, Connection &connection)
    {
        while (!connection.busy) {
            const qsizetype newline = connection.pending.indexOf('\n');
            if (newline < 0)
                return;
            const QList<QByteArray> words = connection.pending.left(newline).split(' ');
            const QByteArray verb = words.value(0);
            const int address = words.value(1).toInt();
            if (verb == "WRT") {
                const qsizetype size = words.value(2).toLongLong();
                if (connection.pending.size() < newline + 1 + size)
                    return; // the message is not all here yet
                const QByteArray message = connection.pending.mid(newline + 1, size);
                connection.pending.remove(0, newline + 1 + size);
                socket->write(bus->write(address, message, clock.elapsed(), QDateTime::currentDateTime()) ? "OK\n"
                                                                                                          : "NOL\n");
                continue;
            }
            connection.pending.remove(0, newline + 1);
            if (verb == "LN") {
                socket->write(bus->listener(address) ? "1\n" : "0\n");
            } else if (verb == "CLR") {
                socket->write(bus->clear(address) ? "OK\n" : "NOL\n");
            } else if (verb == "RD") {
                const qint64 now = clock.elapsed();
                const SimGpibBus::Read read = bus->read(address, words.value(2).toInt(), words.value(3).toInt(), now,
                                                        words.value(4).toLongLong());
                QByteArray reply;
                if (!read.listener)
                    reply = "NOL\n";
                else if (read.timedOut)
                    reply = "TMO " + QByteArray::number(read.bytes.size()) + "\n" + read.bytes;
                else
                    reply = "OK " + QByteArray::number(read.bytes.size()) + (read.end ? " 1\n" : " 0\n") + read.bytes;
                connection.busy = true;
                QPointer<QLocalSocket> guarded(socket);
                QTimer::singleShot(std::max<qint64>(0, read.readyAtMs - now), this,
                                   [this, guarded, reply, &connection] {
                                       if (!guarded)
                                           return;
                                       guarded->write(reply);
                                       connection.busy = false;
                                       handle(guarded, connection);
                                   });
            } else {
                socket->write("ERR\n");
            }
        }
    }
};

GpibSocketServer::GpibSocketServer()
{
    m_thread.setObjectName(QStringLiteral("metersim gpib"));
    m_thread.start();
}

GpibSocketServer::~GpibSocketServer()
{
    if (m_worker)
        QMetaObject::invokeMethod(
            m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool GpibSocketServer::serve(SimGpibBus &bus, const QString &path, QString *error)
{
    if (m_worker)
        return false;
    bool ok = false;
    QString why;
    m_worker = new Worker;
    m_worker->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_worker,
        [&] {
            m_worker->bus = &bus;
            m_worker->clock.start();
            m_worker->server = new QLocalServer(m_worker);
            QLocalServer::removeServer(path);
            ok = m_worker->server->listen(path);
            if (!ok)
                why = m_worker->server->errorString();
            QObject::connect(m_worker->server, &QLocalServer::newConnection, m_worker, [w = m_worker] { w->accept(); });
        },
        Qt::BlockingQueuedConnection);
    if (!ok && error)
        *error = QStringLiteral("GPIB socket ") + path + QStringLiteral(": ") + why;
    return ok;
}

QString defaultGpibSocketPath()
{
    const QString fromEnvironment = qEnvironmentVariable("METERSIM_GPIB_SOCKET");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral("/tmp/metersim-gpib-%1.sock").arg(::getuid());
}

} // namespace metersim
