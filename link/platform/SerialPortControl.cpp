#include "link/platform/SerialPortControl.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"

#include <QSerialPort>

QString serialDeviceFor(int port, SettingsStore &settings)
{
    const QString key = QStringLiteral("COM") + QString::number(port);
    const QString mapped = settings.GetSetting(QStringLiteral("Ports"), key);
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return key;
#else
    return QStringLiteral("/dev/ttyS") + QString::number(port - 1);
#endif
}

struct QtSerialPortControl::Impl
{
    QSerialPort port;
};

QtSerialPortControl::QtSerialPortControl(SettingsStore &settings) : d(std::make_unique<Impl>()), m_settings(settings) {}

QtSerialPortControl::~QtSerialPortControl() = default;

bool QtSerialPortControl::setCommPort(int port)
{
    if (d->port.isOpen() || port < 1 || port > 16)
        return false;
    m_port = port;
    return true;
}

bool QtSerialPortControl::PortOpen() const { return d->port.isOpen(); }

bool QtSerialPortControl::setPortOpen(bool open)
{
    if (!open) {
        if (d->port.isOpen())
            d->port.close();
        return true;
    }
    if (d->port.isOpen())
        return true;
    d->port.setPortName(serialDeviceFor(m_port, m_settings));
    if (!d->port.open(QIODevice::ReadWrite))
        return false;
    d->port.setBaudRate(QSerialPort::Baud9600);
    d->port.setDataBits(QSerialPort::Data8);
    d->port.setParity(QSerialPort::NoParity);
    d->port.setStopBits(QSerialPort::OneStop);
    d->port.setFlowControl(QSerialPort::NoFlowControl);
    d->port.setReadBufferSize(4096);
    return true;
}

// A port whose device went away (adapter pulled, far end closed) is closed, so the
// exchange sees it and gives up at once. Errors are cleared before each operation: a
// wait that merely timed out leaves TimeoutError behind, which is no fault.
bool QtSerialPortControl::closeIfVanished()
{
    // A failing read means the same: a pseudo-terminal whose far end closed reports
    // ReadError at once on every wait.
    const QSerialPort::SerialPortError error = d->port.error();
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return false;
    d->port.close();
    return true;
}

bool QtSerialPortControl::Output(const QString &text)
{
    if (!d->port.isOpen())
        return false;
    d->port.clearError();
    const QByteArray bytes = text.toLatin1();
    if (d->port.write(bytes) != bytes.size()) {
        closeIfVanished();
        return false;
    }
    // Push the bytes out now: nothing else runs the event loop while we wait for the reply.
    while (d->port.bytesToWrite() > 0 && d->port.waitForBytesWritten(1000)) {
    }
    if (closeIfVanished())
        return false;
    return d->port.bytesToWrite() == 0 && d->port.error() != QSerialPort::WriteError;
}

QString QtSerialPortControl::Input()
{
    if (!d->port.isOpen())
        return {};
    d->port.clearError();
    d->port.waitForReadyRead(0);
    const QString text = QString::fromLatin1(d->port.readAll());
    closeIfVanished();
    return text;
}

int QtSerialPortControl::InBufferCount()
{
    if (!d->port.isOpen())
        return 0;
    d->port.clearError();
    d->port.waitForReadyRead(0);
    if (closeIfVanished())
        return 0;
    return static_cast<int>(d->port.bytesAvailable());
}

bool QtSerialPortControl::waitForInput(int ms)
{
    if (!d->port.isOpen())
        return false;
    if (d->port.bytesAvailable() > 0)
        return true;
    d->port.clearError();
    d->port.waitForReadyRead(ms);
    if (closeIfVanished())
        return false;
    return d->port.bytesAvailable() > 0;
}
