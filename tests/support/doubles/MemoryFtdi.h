#pragma once
#include "link/platform/Ftdi.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>
#include <map>

class Clock;
class InMemoryPeer;

// In-memory devices for tests. Each device is an InMemoryPeer: it sees every byte written
// while the device is open and answers through its `deliver` (bytes delivered while the
// device is closed are lost, as on the wire, unless the device holds them). Reads and
// waits run on the given clock.
class MemoryFtdiApi : public FtdiApi
{
public:
    struct Device
    {
        QString description;
        QString serialNumber;
        InMemoryPeer *peer = nullptr; // not owned; may be null (a device that never answers)

        // Fault switches.
        bool openFails = false; // opening reports DeviceNotOpened
        bool configFails = false; // every line-setting call reports IoError
        bool present = true; // false after unplug(): every call on it fails, it is not listed
        // What arrives while the device is closed waits for the next opening, as in a chip
        // that keeps its receive buffer (else it is lost).
        bool holdsWhileClosed = false;

        // What the program did with it.
        int openCount = 0;
        int closeCount = 0;
        QByteArray written; // every byte ever written
        quint32 baud = 0;
        quint8 wordLength = 0, stopBits = 0xFF, parity = 0xFF;
        quint16 flowControl = 0xFFFF;
        quint32 readTimeoutMs = 0, writeTimeoutMs = 0;

        // Internal: the handle while open (0 when closed) and the receive queue.
        FtHandle handle = 0;
        QByteArray rx;
    };

    explicit MemoryFtdiApi(Clock &clock) : m_clock(clock) {}

    // Attaches a device at the end of the listing order. The reference stays valid for the
    // life of this object.
    Device &attach(const QString &description, const QString &serialNumber, InMemoryPeer *peer = nullptr);
    Device *device(const QString &serialNumber);
    // The device vanishes: it leaves the listing, and every call on its open handle fails
    // with DeviceNotFound (Close still releases the handle).
    void unplug(const QString &serialNumber);
    bool isOpen(const QString &serialNumber);
    int openHandleCount() const;

    // Listing faults: the count call fails; or fetching the description of the device at
    // this index fails (-1: never).
    bool countFails = false;
    int listingFailsAtIndex = -1;

    FtStatus ListDeviceCount(qint32 &count) override;
    FtStatus ListDescription(qint32 index, QByteArray &buffer) override;
    FtStatus ListSerialNumber(qint32 index, QByteArray &buffer) override;
    FtStatus OpenBySerialNumber(const QByteArray &serialNumber, FtHandle &handle) override;
    FtStatus SetBaudRate(FtHandle handle, quint32 baud) override;
    FtStatus SetDataCharacteristics(FtHandle handle, quint8 wordLength, quint8 stopBits, quint8 parity) override;
    FtStatus SetFlowControl(FtHandle handle, quint16 flowControl, quint8 xon, quint8 xoff) override;
    FtStatus SetTimeouts(FtHandle handle, quint32 readMs, quint32 writeMs) override;
    FtStatus Write(FtHandle handle, const QByteArray &bytes, quint32 &bytesWritten) override;
    FtStatus GetStatus(FtHandle handle, quint32 &rxQueue, quint32 &txQueue, quint32 &eventStatus) override;
    FtStatus Read(FtHandle handle, QByteArray &buffer, quint32 toRead, quint32 &bytesRead) override;
    FtStatus Close(FtHandle handle) override;
    bool WaitForData(FtHandle handle, int ms) override;

private:
    // The open device behind a handle, with the status to report when it is unusable.
    Device *openDevice(FtHandle handle, FtStatus &status);
    FtStatus configure(FtHandle handle, Device *&device);
    FtStatus listText(qint32 index, QByteArray &buffer, bool serialNumber);

    Clock &m_clock;
    std::deque<Device> m_devices;
    QList<Device *> m_listed; // the order fixed by the last count
    std::map<FtHandle, Device *> m_open;
    FtHandle m_nextHandle = 0x1000;
};
