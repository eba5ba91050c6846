#include "tests/support/doubles/MemoryFtdi.h"
#include "link/platform/Clock.h"
#include "tests/support/doubles/InMemoryPeer.h"

#include <algorithm>

MemoryFtdiApi::Device &MemoryFtdiApi::attach(const QString &description, const QString &serialNumber,
                                             InMemoryPeer *peer)
{
    Device &device = m_devices.emplace_back();
    device.description = description;
    device.serialNumber = serialNumber;
    device.peer = peer;
    if (peer) {
        Device *target = &device;
        peer->deliver = [target](const QByteArray &bytes) {
            if (target->present && (target->handle != 0 || target->holdsWhileClosed))
                target->rx += bytes;
        };
    }
    return device;
}

MemoryFtdiApi::Device *MemoryFtdiApi::device(const QString &serialNumber)
{
    for (Device &device : m_devices) {
        if (device.serialNumber == serialNumber)
            return &device;
    }
    return nullptr;
}

void MemoryFtdiApi::unplug(const QString &serialNumber)
{
    if (Device *d = device(serialNumber)) {
        d->present = false;
        d->rx.clear();
    }
}

bool MemoryFtdiApi::isOpen(const QString &serialNumber)
{
    const Device *d = device(serialNumber);
    return d && d->handle != 0;
}

int MemoryFtdiApi::openHandleCount() const { return static_cast<int>(m_open.size()); }

FtStatus MemoryFtdiApi::ListDeviceCount(qint32 &count)
{
    if (countFails)
        return Ft::IoError;
    m_listed.clear();
    for (Device &device : m_devices) {
        if (device.present)
            m_listed.append(&device);
    }
    count = static_cast<qint32>(m_listed.size());
    return Ft::Ok;
}

FtStatus MemoryFtdiApi::listText(qint32 index, QByteArray &buffer, bool serialNumber)
{
    if (index < 0 || index >= m_listed.size() || !m_listed[index]->present)
        return Ft::DeviceNotFound;
    if (!serialNumber && index == listingFailsAtIndex)
        return Ft::IoError;
    const Device &device = *m_listed[index];
    const QByteArray text = (serialNumber ? device.serialNumber : device.description).toLatin1();
    const qsizetype n = std::min(text.size(), buffer.size());
    std::copy_n(text.constData(), n, buffer.data());
    if (n < buffer.size())
        buffer[n] = '\0';
    return Ft::Ok;
}

FtStatus MemoryFtdiApi::ListDescription(qint32 index, QByteArray &buffer) { return listText(index, buffer, false); }

FtStatus MemoryFtdiApi::ListSerialNumber(qint32 index, QByteArray &buffer) { return listText(index, buffer, true); }

FtStatus MemoryFtdiApi::OpenBySerialNumber(const QByteArray &serialNumber, FtHandle &handle)
{
    Device *d = nullptr;
    for (Device &device : m_devices) {
        if (device.present && device.serialNumber.toLatin1() == serialNumber) {
            d = &device;
            break;
        }
    }
    if (!d)
        return Ft::DeviceNotFound;
    if (d->openFails || d->handle != 0)
        return Ft::DeviceNotOpened;
    d->handle = m_nextHandle++;
    if (!d->holdsWhileClosed)
        d->rx.clear();
    ++d->openCount;
    m_open[d->handle] = d;
    handle = d->handle;
    return Ft::Ok;
}

MemoryFtdiApi::Device *MemoryFtdiApi::openDevice(FtHandle handle, FtStatus &status)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end()) {
        status = Ft::InvalidHandle;
        return nullptr;
    }
    if (!it->second->present) {
        status = Ft::DeviceNotFound;
        return nullptr;
    }
    status = Ft::Ok;
    return it->second;
}

FtStatus MemoryFtdiApi::configure(FtHandle handle, Device *&device)
{
    FtStatus status = Ft::Ok;
    device = openDevice(handle, status);
    if (device && device->configFails) {
        device = nullptr;
        return Ft::IoError;
    }
    return status;
}

FtStatus MemoryFtdiApi::SetBaudRate(FtHandle handle, quint32 baud)
{
    Device *d = nullptr;
    const FtStatus status = configure(handle, d);
    if (d)
        d->baud = baud;
    return status;
}

FtStatus MemoryFtdiApi::SetDataCharacteristics(FtHandle handle, quint8 wordLength, quint8 stopBits, quint8 parity)
{
    Device *d = nullptr;
    const FtStatus status = configure(handle, d);
    if (d) {
        d->wordLength = wordLength;
        d->stopBits = stopBits;
        d->parity = parity;
    }
    return status;
}

FtStatus MemoryFtdiApi::SetFlowControl(FtHandle handle, quint16 flowControl, quint8, quint8)
{
    Device *d = nullptr;
    const FtStatus status = configure(handle, d);
    if (d)
        d->flowControl = flowControl;
    return status;
}

FtStatus MemoryFtdiApi::SetTimeouts(FtHandle handle, quint32 readMs, quint32 writeMs)
{
    Device *d = nullptr;
    const FtStatus status = configure(handle, d);
    if (d) {
        d->readTimeoutMs = readMs;
        d->writeTimeoutMs = writeMs;
    }
    return status;
}

FtStatus MemoryFtdiApi::Write(FtHandle handle, const QByteArray &bytes, quint32 &bytesWritten)
{
    bytesWritten = 0;
    FtStatus status = Ft::Ok;
    Device *d = openDevice(handle, status);
    if (!d)
        return status == Ft::DeviceNotFound ? Ft::IoError : status;
    d->written += bytes;
    bytesWritten = static_cast<quint32>(bytes.size());
    if (d->peer)
        d->peer->receive(bytes);
    return Ft::Ok;
}

FtStatus MemoryFtdiApi::GetStatus(FtHandle handle, quint32 &rxQueue, quint32 &txQueue, quint32 &eventStatus)
{
    rxQueue = txQueue = eventStatus = 0;
    FtStatus status = Ft::Ok;
    Device *d = openDevice(handle, status);
    if (d)
        rxQueue = static_cast<quint32>(d->rx.size());
    return status;
}

FtStatus MemoryFtdiApi::Read(FtHandle handle, QByteArray &buffer, quint32 toRead, quint32 &bytesRead)
{
    buffer.clear();
    bytesRead = 0;
    FtStatus status = Ft::Ok;
    Device *d = openDevice(handle, status);
    if (!d)
        return status;
    const auto stillOpen = [this, handle] { return m_open.count(handle) && m_open[handle]->present; };
    m_clock.waitUntil([&] { return !stillOpen() || static_cast<quint32>(d->rx.size()) >= toRead; },
                      static_cast<int>(std::min<quint32>(d->readTimeoutMs, 24u * 3600 * 1000)));
    if (!stillOpen())
        return m_open.count(handle) ? Ft::DeviceNotFound : Ft::InvalidHandle;
    const qsizetype n = std::min<qsizetype>(d->rx.size(), toRead);
    buffer = d->rx.left(n);
    d->rx.remove(0, n);
    bytesRead = static_cast<quint32>(n);
    return Ft::Ok;
}

FtStatus MemoryFtdiApi::Close(FtHandle handle)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end())
        return Ft::InvalidHandle;
    Device *d = it->second;
    m_open.erase(it);
    d->handle = 0;
    if (!d->holdsWhileClosed)
        d->rx.clear();
    ++d->closeCount;
    return Ft::Ok;
}

bool MemoryFtdiApi::WaitForData(FtHandle handle, int ms)
{
    FtStatus status = Ft::Ok;
    Device *d = openDevice(handle, status);
    if (!d)
        return false;
    return m_clock.waitUntil(
        [this, handle, d] { return !m_open.count(handle) || !d->present || !d->rx.isEmpty(); }, ms)
        && m_open.count(handle) && d->present && !d->rx.isEmpty();
}
