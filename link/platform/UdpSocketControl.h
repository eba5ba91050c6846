#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QUdpSocket;

// A UDP socket control: a remote host and port to send to, an optional local binding,
// datagrams read one at a time as Latin-1 text, and the sender of the last one read.
// Socket errors are numbered as the program reports them (Winsock numbers): 10065 for
// "host unreachable" (the operating system's host or network unreachable), others as
// listed in the .cpp. Empty datagrams carry no text and are dropped on arrival, so they
// can neither block the queue nor announce themselves with a size of 0.
class UdpSocketControl : public QObject
{
    Q_OBJECT
public:
    enum State { Closed = 0, Open = 1 };
    static constexpr int HostUnreachable = 10065;
    static constexpr int AddressNotAvailable = 10049; // remote port outside 1 to 65535
    static constexpr int DatagramTooLarge = 10040;
    static constexpr int HostNotFound = 11001; // remote host is not an IPv4 address

    using QObject::QObject;

    QString RemoteHost;
    int RemotePort = 0;

    // Sends one datagram (the text as Latin-1) to RemoteHost:RemotePort; blanks and NULs
    // around the host are ignored. An unbound socket is first bound to an ephemeral port.
    // False on failure (see lastError()).
    virtual bool SendData(const QString &text) = 0;
    // Bytes of the next datagram waiting, 0 when none.
    virtual int BytesReceived() = 0;
    // Takes the next datagram as text (the empty text when none) and notes its sender.
    virtual QString GetData() = 0;
    // The sender address of the datagram last taken.
    QString RemoteHostIP() const { return m_senderAddress; }
    virtual int State() const = 0;
    // Binds to a local port (0 = any) on a local address (empty = any). False on failure.
    virtual bool Bind(int localPort = 0, const QString &localAddress = {}) = 0;
    virtual void Close() = 0;
    // The host's own IP address on its first up, non-loopback interface (else 127.0.0.1).
    virtual QString LocalIP() const = 0;
    virtual int LocalPort() const = 0;

    int lastError() const { return m_lastError; }

Q_SIGNALS:
    // A datagram has arrived; bytesTotal is the size of the next one waiting.
    void DataArrival(int bytesTotal);

protected:
    // RemoteHost without blanks and NULs when it is an IPv4 address and RemotePort is a
    // port; else the empty text, with the error noted.
    QString checkedRemoteHost();

    QString m_senderAddress;
    int m_lastError = 0;
};

// The real socket: QUdpSocket, IPv4 only.
class QtUdpSocketControl : public UdpSocketControl
{
    Q_OBJECT
public:
    explicit QtUdpSocketControl(QObject *parent = nullptr);
    ~QtUdpSocketControl() override;

    bool SendData(const QString &text) override;
    int BytesReceived() override;
    QString GetData() override;
    int State() const override;
    bool Bind(int localPort = 0, const QString &localAddress = {}) override;
    void Close() override;
    QString LocalIP() const override;
    int LocalPort() const override;

private:
    void noteError();
    void dropEmptyDatagrams();

    QUdpSocket *m_socket;
};
