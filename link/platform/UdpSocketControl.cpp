#include "link/platform/UdpSocketControl.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

QtUdpSocketControl::QtUdpSocketControl(QObject *parent) : UdpSocketControl(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, [this] {
        dropEmptyDatagrams();
        if (m_socket->hasPendingDatagrams())
            Q_EMIT DataArrival(static_cast<int>(m_socket->pendingDatagramSize()));
    });
}

QtUdpSocketControl::~QtUdpSocketControl() = default;

void QtUdpSocketControl::noteError()
{
    switch (m_socket->error()) {
    case QAbstractSocket::NetworkError: // ENETUNREACH, EHOSTUNREACH
        m_lastError = HostUnreachable;
        break;
    case QAbstractSocket::HostNotFoundError:
        m_lastError = HostNotFound;
        break;
    case QAbstractSocket::AddressInUseError:
        m_lastError = 10048;
        break;
    case QAbstractSocket::SocketAddressNotAvailableError:
        m_lastError = AddressNotAvailable;
        break;
    case QAbstractSocket::SocketAccessError:
        m_lastError = 10013;
        break;
    case QAbstractSocket::DatagramTooLargeError:
        m_lastError = DatagramTooLarge;
        break;
    case QAbstractSocket::SocketResourceError:
        m_lastError = 10055; // no buffer space
        break;
    default:
        m_lastError = 10000 + static_cast<int>(m_socket->error());
        break;
    }
}

// A zero-length datagram has no text. Left in the queue it would hide every datagram
// behind it from BytesReceived, and Qt would not announce further arrivals until it
// was read, so it is taken out here.
void QtUdpSocketControl::dropEmptyDatagrams()
{
    if (m_socket->state() != QAbstractSocket::BoundState)
        return;
    while (m_socket->hasPendingDatagrams() && m_socket->pendingDatagramSize() == 0)
        m_socket->readDatagram(nullptr, 0);
}

QString UdpSocketControl::checkedRemoteHost()
{
    m_lastError = 0;
    QString host = RemoteHost;
    host.remove(QChar(0));
    host = host.trimmed();
    const QHostAddress address(host);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        m_lastError = HostNotFound;
        return {};
    }
    if (RemotePort <= 0 || RemotePort > 65535) {
        m_lastError = AddressNotAvailable;
        return {};
    }
    return address.toString();
}

bool QtUdpSocketControl::SendData(const QString &text)
{
    const QString host = checkedRemoteHost();
    if (host.isEmpty())
        return false;
    const QHostAddress address(host);
    // All traffic is IPv4 (the module's broadcasts included): bind an IPv4 socket rather
    // than the dual-stack one writeDatagram would pick.
    if (m_socket->state() == QAbstractSocket::UnconnectedState
        && !m_socket->bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress)) {
        noteError();
        return false;
    }
    const QByteArray bytes = text.toLatin1();
    if (m_socket->writeDatagram(bytes, address, static_cast<quint16>(RemotePort)) != bytes.size()) {
        noteError();
        return false;
    }
    return true;
}

int QtUdpSocketControl::BytesReceived()
{
    dropEmptyDatagrams();
    if (m_socket->state() != QAbstractSocket::BoundState || !m_socket->hasPendingDatagrams())
        return 0;
    return std::max(0, static_cast<int>(m_socket->pendingDatagramSize()));
}

QString QtUdpSocketControl::GetData()
{
    dropEmptyDatagrams();
    if (m_socket->state() != QAbstractSocket::BoundState || !m_socket->hasPendingDatagrams())
        return {};
    const QNetworkDatagram datagram = m_socket->receiveDatagram();
    QHostAddress sender = datagram.senderAddress();
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    if (isV4)
        sender = QHostAddress(v4);
    m_senderAddress = sender.toString();
    return QString::fromLatin1(datagram.data());
}

int QtUdpSocketControl::State() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState ? Closed : Open;
}

bool QtUdpSocketControl::Bind(int localPort, const QString &localAddress)
{
    m_lastError = 0;
    const QHostAddress address = localAddress.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(localAddress);
    if (address.isNull() || localPort < 0 || localPort > 65535) {
        m_lastError = AddressNotAvailable;
        return false;
    }
    if (!m_socket->bind(address, static_cast<quint16>(localPort), QUdpSocket::ShareAddress)) {
        noteError();
        return false;
    }
    return true;
}

void QtUdpSocketControl::Close() { m_socket->close(); }

QString QtUdpSocketControl::LocalIP() const
{
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        if (!(iface.flags() & QNetworkInterface::IsUp) || (iface.flags() & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
    }
    return QStringLiteral("127.0.0.1");
}

int QtUdpSocketControl::LocalPort() const { return m_socket->localPort(); }
