#include "link/platform/UdpSocketControl.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

UdpSocketControl::UdpSocketControl(QObject *parent) : QObject(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, [this] {
        if (m_socket->hasPendingDatagrams())
            Q_EMIT DataArrival(static_cast<int>(m_socket->pendingDatagramSize()));
    });
}

UdpSocketControl::~UdpSocketControl() = default;

void UdpSocketControl::noteError()
{
    switch (m_socket->error()) {
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::HostNotFoundError:
        m_lastError = HostUnreachable;
        break;
    case QAbstractSocket::AddressInUseError:
        m_lastError = 10048;
        break;
    case QAbstractSocket::SocketAccessError:
        m_lastError = 10013;
        break;
    case QAbstractSocket::DatagramTooLargeError:
        m_lastError = 10040;
        break;
    default:
        m_lastError = 10000 + static_cast<int>(m_socket->error());
        break;
    }
    m_lastErrorText = m_socket->errorString();
}

bool UdpSocketControl::SendData(const QString &text)
{
    m_lastError = 0;
    m_lastErrorText.clear();
    const QHostAddress address(RemoteHost);
    if (address.isNull() || RemotePort <= 0 || RemotePort > 65535) {
        m_lastError = HostUnreachable;
        m_lastErrorText = QStringLiteral("Host unreachable: ") + RemoteHost;
        return false;
    }
    if (address == QHostAddress::Broadcast && m_socket->state() == QAbstractSocket::UnconnectedState)
        m_socket->bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress);
    const QByteArray bytes = text.toLatin1();
    if (m_socket->writeDatagram(bytes, address, static_cast<quint16>(RemotePort)) != bytes.size()) {
        noteError();
        return false;
    }
    return true;
}

int UdpSocketControl::BytesReceived() const
{
    return m_socket->hasPendingDatagrams() ? static_cast<int>(m_socket->pendingDatagramSize()) : 0;
}

QString UdpSocketControl::GetData()
{
    if (!m_socket->hasPendingDatagrams())
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

int UdpSocketControl::State() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState ? Closed : Open;
}

bool UdpSocketControl::Bind(int localPort, const QString &localAddress)
{
    const QHostAddress address = localAddress.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(localAddress);
    if (!m_socket->bind(address, static_cast<quint16>(localPort), QUdpSocket::ShareAddress)) {
        noteError();
        return false;
    }
    return true;
}

void UdpSocketControl::Close() { m_socket->close(); }

QString UdpSocketControl::LocalIP() const
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

int UdpSocketControl::LocalPort() const { return m_socket->localPort(); }
