#include "link/USB.h"
#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SettingsStore.h"

#include <algorithm>
#include <optional>

namespace {

constexpr int ListTextBufferSize = 256;
constexpr quint32 ReadBufferSize = 2048;
constexpr int PollMs = 50;
constexpr int PollsPerSecond = 20;
constexpr quint32 ReadTimeoutMs = 5000;
constexpr qint32 MaxListedDevices = 1024; // a count above this is a fault, not a bus

bool usable(FtStatus status) { return status == Ft::Ok || status == Ft::IoError; }

// The buffer's text up to its first NUL (all of it when it holds none).
QString bufferText(const QByteArray &buffer)
{
    const qsizetype nul = buffer.indexOf('\0');
    return QString::fromLatin1(nul < 0 ? buffer : buffer.left(nul));
}

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// End condition 1: the first "*" of the reply is followed by a digit and a CR.
bool hasStatusToken(const QByteArray &reply)
{
    const qsizetype star = reply.indexOf('*');
    return star >= 0 && reply.size() >= star + 3 && reply[star + 1] >= '0' && reply[star + 1] <= '9'
        && reply[star + 2] == '\r';
}

bool replyComplete(const QByteArray &reply, const QByteArray &lastRead, int PacketEndCondition)
{
    switch (PacketEndCondition) {
    case 0:
        return !reply.isEmpty() && !lastRead.isEmpty() && isLineEnd(lastRead.back());
    case 1:
        return hasStatusToken(reply);
    default:
        return false; // never completes: the exchange runs into its time-out
    }
}

// What the device holds now, or after waiting up to maxMs for something; std::nullopt
// when the device fails.
std::optional<QString> readWaiting(FtdiApi &ftdi, FtHandle handle, int maxMs)
{
    if (maxMs > 0)
        ftdi.WaitForData(handle, maxMs);
    quint32 waiting = 0, txQueue = 0, events = 0;
    if (!usable(ftdi.GetStatus(handle, waiting, txQueue, events)))
        return std::nullopt;
    QByteArray bytes;
    quint32 got = 0;
    if (waiting > 0 && !usable(ftdi.Read(handle, bytes, std::min(waiting, ReadBufferSize), got)))
        return std::nullopt;
    return QString::fromLatin1(bytes);
}

QString linkName(const QString &serialNumber) { return QStringLiteral("USB ") + serialNumber; }

// Before a command goes out, and for a caller waiting for a given-up reply: what the
// device holds answers an earlier command; a reply still owed is waited for (LateReply).
QString settleOwedReply(FtdiApi &ftdi, FtHandle handle, int timeout, const QString &serialNumber)
{
    return state().lateReply.settle(
        linkName(serialNumber), timeout,
        [&ftdi, handle](int maxMs) { return readWaiting(ftdi, handle, maxMs); }, &LateReply::tokenReplyLength);
}

} // namespace

int ListUSBDevices()
{
    SharedState &s = state();
    FtdiApi *ftdi = s.ftdi;
    if (!ftdi)
        return 0;
    qint32 count = 0;
    if (ftdi->ListDeviceCount(count) != Ft::Ok || count < 1 || count > MaxListedDevices)
        return 0;
    s.USBDevices = QList<USBDevice>(count + 1);
    for (qint32 i = 0; i < count; ++i) {
        QByteArray buffer(ListTextBufferSize, '\0');
        if (ftdi->ListDescription(i, buffer) != Ft::Ok)
            return 0;
        s.USBDevices[i].Description = bufferText(buffer);
        buffer.fill('\0');
        if (ftdi->ListSerialNumber(i, buffer) != Ft::Ok)
            return 0;
        s.USBDevices[i].SerialNumber = bufferText(buffer);
    }
    return count;
}

bool OpenUSBDevice(const QString &serialNumber, qint32 &handle)
{
    FtdiApi *ftdi = state().ftdi;
    if (serialNumber.isEmpty() || !ftdi)
        return false;
    FtHandle opened = 0;
    if (ftdi->OpenBySerialNumber(serialNumber.toLatin1(), opened) != Ft::Ok)
        return false;
    const bool configured = ftdi->SetBaudRate(opened, 9600) == Ft::Ok
        && ftdi->SetDataCharacteristics(opened, Ft::Bits8, Ft::StopBits1, Ft::ParityNone) == Ft::Ok
        && ftdi->SetFlowControl(opened, Ft::FlowNone, 0, 0) == Ft::Ok
        && ftdi->SetTimeouts(opened, ReadTimeoutMs, 0) == Ft::Ok;
    if (!configured) {
        ftdi->Close(opened);
        return false;
    }
    handle = opened;
    return true;
}

bool UsbWrite(const QString &text, qint32 handle)
{
    FtdiApi *ftdi = state().ftdi;
    if (!ftdi || !meterGate().mayExchange(text))
        return false;
    const QByteArray bytes = text.toLatin1();
    quint32 written = 0;
    return ftdi->Write(handle, bytes, written) == Ft::Ok && written == static_cast<quint32>(bytes.size());
}

QString UsbSendString(const QString &command, qint32 &status, int timeout, int PacketEndCondition, bool awaited)
{
    SharedState &s = state();
    if (s.USBDevice.SerialNumber.isEmpty())
        return {};
    if (!meterGate().mayExchange(command))
        return MeterGate::Refused;
    s.USBDevice.Busy = -1;
    PaceTransmission();
    if (!OpenUSBDevice(s.USBDevice.SerialNumber, s.USBDevice.Handle)) {
        status = UsbOpenFailed;
        s.CommAbort = true;
        s.USBDevice.Busy = 0;
        return {};
    }
    FtdiApi &ftdi = *s.ftdi;
    Clock &clock = appClock();
    // The main window may close this handle while we wait; close our own copy at the end.
    const FtHandle handle = s.USBDevice.Handle;
    const QString link = linkName(s.USBDevice.SerialNumber);
    settleOwedReply(ftdi, handle, timeout, s.USBDevice.SerialNumber);
    UsbWrite(command + QLatin1Char('\r'), handle);
    NoteTransmission();
    s.lateReply.sending(link);

    const int pollsAfterData = std::clamp(timeout, 0, 32767) * PollsPerSecond; // a 16-bit count of seconds
    QByteArray reply;
    int polls = pollsAfterData;
    bool complete = false;
    bool failed = false; // a library error, or a reply without end
    while (!complete && polls > 0 && !failed) {
        // One poll: up to 50 ms, taking bytes as they come and ending early only when the
        // reply is complete. Polls are counted as fixed 50-ms steps would count them.
        const qint64 pollEnd = clock.monotonicMs() + PollMs;
        for (;;) {
            quint32 waiting = 0, txQueue = 0, events = 0;
            if (!usable(ftdi.GetStatus(handle, waiting, txQueue, events))) {
                failed = true;
                break;
            }
            quint32 got = 0;
            if (waiting > 0) {
                QByteArray chunk;
                if (!usable(ftdi.Read(handle, chunk, std::min(waiting, ReadBufferSize), got))) {
                    failed = true;
                    break;
                }
                if (got > 0) {
                    reply += chunk;
                    polls = pollsAfterData;
                    // An LF at the front ended the reply before: it is no line of this one.
                    while (reply.startsWith('\n'))
                        reply.remove(0, 1);
                    complete = replyComplete(reply, chunk, PacketEndCondition);
                    if (complete)
                        break;
                    if (reply.size() > UsbReplyLimit) {
                        failed = true;
                        break;
                    }
                }
            }
            const qint64 remaining = pollEnd - clock.monotonicMs();
            if (remaining <= 0)
                break;
            if (got == 0)
                ftdi.WaitForData(handle, static_cast<int>(remaining));
        }
        ShowActivity(QString::fromLatin1(reply));
        --polls;
    }
    ftdi.Close(handle);
    status = complete && !failed ? UsbReplyComplete : UsbTimedOut;
    // A command sent without waiting had its second for a line; nothing more is owed.
    if (status == UsbTimedOut && awaited)
        s.lateReply.gaveUp(link, timeout, PacketEndCondition, QString::fromLatin1(reply));
    s.USBDevice.Busy = 0;
    return QString::fromLatin1(reply);
}

void UsbSettleBeforeWrite(const QString &serialNumber, qint32 handle, int timeout)
{
    if (!state().ftdi)
        return;
    settleOwedReply(*state().ftdi, handle, timeout, serialNumber);
    state().lateReply.sending(linkName(serialNumber)); // what the probe reads is its own
}

QString UsbAwaitLateReply(int timeout)
{
    SharedState &s = state();
    if (s.USBDevice.SerialNumber.isEmpty() || !s.ftdi || !s.lateReply.owes(linkName(s.USBDevice.SerialNumber)))
        return {};
    s.USBDevice.Busy = -1;
    QString reply;
    if (OpenUSBDevice(s.USBDevice.SerialNumber, s.USBDevice.Handle)) {
        const FtHandle handle = s.USBDevice.Handle;
        reply = settleOwedReply(*s.ftdi, handle, timeout, s.USBDevice.SerialNumber);
        s.ftdi->Close(handle);
    }
    s.USBDevice.Busy = 0;
    return reply;
}

QString UsbReadLine(qint32 handle)
{
    FtdiApi *ftdi = state().ftdi;
    if (!ftdi)
        return {};
    QByteArray line;
    for (;;) {
        quint32 waiting = 0, txQueue = 0, events = 0;
        ftdi->GetStatus(handle, waiting, txQueue, events);
        QByteArray byte;
        quint32 got = 0;
        if (!usable(ftdi->Read(handle, byte, 1, got)) || got == 0)
            return {};
        line += byte;
        if (isLineEnd(byte.back()) || line.size() > 100)
            return QString::fromLatin1(line);
    }
}

void SaveUSBSettings()
{
    SettingsStore &settings = appSettings();
    const USBDevice &device = state().USBDevice;
    settings.SaveSetting(SettingsStore::Section, QStringLiteral("DVM1_Interface"), QStringLiteral("USB"));
    settings.SaveSetting(SettingsStore::Section, QStringLiteral("USB_Name"), device.Description);
    settings.SaveSetting(SettingsStore::Section, QStringLiteral("USB_SerialNumber"), device.SerialNumber);
}

void LoadUSBSettings()
{
    SettingsStore &settings = appSettings();
    USBDevice &device = state().USBDevice;
    device.Description = settings.GetSetting(SettingsStore::Section, QStringLiteral("USB_Name"));
    device.SerialNumber = settings.GetSetting(SettingsStore::Section, QStringLiteral("USB_SerialNumber"));
    device.Handle = 0;
    device.Identity.clear();
    device.Busy = 0;
}

void CloseUSBDeviceIfOpen()
{
    SharedState &s = state();
    if (!s.USBDevice.Busy || !s.ftdi)
        return;
    s.ftdi->Close(s.USBDevice.Handle);
    s.USBDevice.Handle = 0;
}
