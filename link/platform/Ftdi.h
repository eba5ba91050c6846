#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <deque>
#include <map>
#include <memory>

class Clock;

// The FTDI USB-to-serial calls the USB transport and the USB locator make. Every call
// returns a status, 0 meaning success; handles are non-zero and never reused.
using FtStatus = quint32;
using FtHandle = qint32;

namespace Ft {
constexpr FtStatus Ok = 0;
constexpr FtStatus InvalidHandle = 1;
constexpr FtStatus DeviceNotFound = 2; // no such device, or it was unplugged
constexpr FtStatus DeviceNotOpened = 3; // present but cannot be opened (in use, no permission)
constexpr FtStatus IoError = 4;
constexpr FtStatus InvalidParameter = 6;
constexpr FtStatus OtherError = 18;

// Line settings as the calls take them.
constexpr quint8 Bits8 = 8;
constexpr quint8 StopBits1 = 0;
constexpr quint8 ParityNone = 0;
constexpr quint16 FlowNone = 0;
} // namespace Ft

class FtdiApi
{
public:
    virtual ~FtdiApi() = default;

    // The number of attached devices. It also fixes the order that the by-index calls
    // below use until the next count.
    virtual FtStatus ListDeviceCount(qint32 &count) = 0;
    // The description or serial number of the device at index, written into buffer, whose
    // size the caller fixes: as many bytes as fit, followed by a NUL when there is room.
    virtual FtStatus ListDescription(qint32 index, QByteArray &buffer) = 0;
    virtual FtStatus ListSerialNumber(qint32 index, QByteArray &buffer) = 0;

    virtual FtStatus OpenBySerialNumber(const QByteArray &serialNumber, FtHandle &handle) = 0;
    virtual FtStatus SetBaudRate(FtHandle handle, quint32 baud) = 0;
    virtual FtStatus SetDataCharacteristics(FtHandle handle, quint8 wordLength, quint8 stopBits, quint8 parity) = 0;
    virtual FtStatus SetFlowControl(FtHandle handle, quint16 flowControl, quint8 xon, quint8 xoff) = 0;
    virtual FtStatus SetTimeouts(FtHandle handle, quint32 readMs, quint32 writeMs) = 0;
    virtual FtStatus Write(FtHandle handle, const QByteArray &bytes, quint32 &bytesWritten) = 0;
    // rxQueue: the bytes waiting to be read.
    virtual FtStatus GetStatus(FtHandle handle, quint32 &rxQueue, quint32 &txQueue, quint32 &eventStatus) = 0;
    // Reads up to toRead bytes into buffer (replaced by what was read); waits up to the
    // read time-out until toRead bytes are there.
    virtual FtStatus Read(FtHandle handle, QByteArray &buffer, quint32 toRead, quint32 &bytesRead) = 0;
    virtual FtStatus Close(FtHandle handle) = 0;

    // Bounded wait for the transport's polls: returns as soon as bytes are waiting (true),
    // or after ms milliseconds, or at once when the handle is not usable (false).
    virtual bool WaitForData(FtHandle handle, int ms) = 0;
};

// Real devices through libftdi1 (vendor 0403, any product). A device that is attached but
// not accessible (no permission) is still counted: its description says so and its serial
// number is empty, so it can never be opened.
class LibFtdiApi : public FtdiApi
{
public:
    explicit LibFtdiApi(Clock &clock);
    ~LibFtdiApi() override;
    LibFtdiApi(const LibFtdiApi &) = delete;
    LibFtdiApi &operator=(const LibFtdiApi &) = delete;

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
    struct Impl;
    std::unique_ptr<Impl> d;
};
