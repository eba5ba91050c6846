#include "link/platform/Clock.h"
#include "link/platform/Ftdi.h"
#include "link/platform/FtdiReadAhead.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int FtdiVendor = 0x0403;
constexpr int TextBufferSize = 256;
// How long the chip holds back a short packet: small, so a reply's last bytes arrive
// with little delay.
constexpr unsigned char LatencyMs = 2;
// libftdi's code for "no device": the handle was never opened or the device went away.
constexpr int LibFtdiNoDevice = -666;

struct Listed
{
    QByteArray description;
    QByteArray serialNumber;
};

struct OpenDevice
{
    ftdi_context *context = nullptr;
    std::unique_ptr<FtdiReadAhead> receive;
};

FtStatus statusForError(int code)
{
    return code == LIBUSB_ERROR_NO_DEVICE || code == LibFtdiNoDevice ? Ft::DeviceNotFound : Ft::IoError;
}

QByteArray productHint(libusb_device *device)
{
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(device, &descriptor);
    return QByteArray("FTDI device 0403:") + QByteArray::number(descriptor.idProduct, 16).rightJustified(4, '0')
        + " (no access permission)";
}

} // namespace

struct LibFtdiApi::Impl
{
    explicit Impl(Clock &c) : clock(c) {}
    ~Impl()
    {
        for (auto &[handle, device] : open) {
            ftdi_usb_close(device.context);
            ftdi_free(device.context);
        }
        if (lister)
            ftdi_free(lister);
    }

    // Calls fn for every attached FTDI device with its description and serial number
    // (empty texts and accessible = false when the device cannot be opened for reading
    // them); stops when fn returns true. Returns false when the bus cannot be listed.
    template <typename Fn>
    bool forEachDevice(Fn fn)
    {
        if (!lister && !(lister = ftdi_new()))
            return false;
        libusb_device **devices = nullptr;
        const ssize_t n = libusb_get_device_list(lister->usb_ctx, &devices);
        if (n < 0)
            return false;
        for (ssize_t i = 0; i < n; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(devices[i], &descriptor) != 0 || descriptor.idVendor != FtdiVendor)
                continue;
            char description[TextBufferSize] = {};
            char serial[TextBufferSize] = {};
            int rc = ftdi_usb_get_strings(lister, devices[i], nullptr, 0, description, TextBufferSize, serial,
                                          TextBufferSize);
            if (rc < 0 && rc != -4) {
                // Readable, but without a serial-number string.
                serial[0] = '\0';
                rc = ftdi_usb_get_strings(lister, devices[i], nullptr, 0, description, TextBufferSize, nullptr, 0);
            }
            const bool accessible = rc >= 0;
            if (fn(devices[i], accessible ? QByteArray(description) : productHint(devices[i]),
                   accessible ? QByteArray(serial) : QByteArray(), accessible))
                break;
        }
        libusb_free_device_list(devices, 1);
        return true;
    }

    OpenDevice *find(FtHandle handle)
    {
        const auto it = open.find(handle);
        return it == open.end() ? nullptr : &it->second;
    }

    Clock &clock;
    ftdi_context *lister = nullptr;
    QList<Listed> listed;
    std::map<FtHandle, OpenDevice> open;
    FtHandle nextHandle = 1;
};

LibFtdiApi::LibFtdiApi(Clock &clock) : d(std::make_unique<Impl>(clock)) {}

LibFtdiApi::~LibFtdiApi() = default;

FtStatus LibFtdiApi::ListDeviceCount(qint32 &count)
{
    QList<Listed> found;
    const bool ok = d->forEachDevice([&](libusb_device *, const QByteArray &description,
                                         const QByteArray &serialNumber, bool) {
        found.append({description, serialNumber});
        return false;
    });
    if (!ok)
        return Ft::OtherError;
    d->listed = found;
    count = static_cast<qint32>(found.size());
    return Ft::Ok;
}

static FtStatus copyText(const QByteArray &text, QByteArray &buffer)
{
    const qsizetype n = std::min(text.size(), buffer.size());
    std::copy_n(text.constData(), n, buffer.data());
    if (n < buffer.size())
        buffer[n] = '\0';
    return Ft::Ok;
}

FtStatus LibFtdiApi::ListDescription(qint32 index, QByteArray &buffer)
{
    if (index < 0 || index >= d->listed.size())
        return Ft::DeviceNotFound;
    return copyText(d->listed[index].description, buffer);
}

FtStatus LibFtdiApi::ListSerialNumber(qint32 index, QByteArray &buffer)
{
    if (index < 0 || index >= d->listed.size())
        return Ft::DeviceNotFound;
    return copyText(d->listed[index].serialNumber, buffer);
}

FtStatus LibFtdiApi::OpenBySerialNumber(const QByteArray &serialNumber, FtHandle &handle)
{
    if (serialNumber.isEmpty())
        return Ft::DeviceNotFound;
    FtStatus status = Ft::DeviceNotFound;
    const bool listed = d->forEachDevice([&](libusb_device *device, const QByteArray &, const QByteArray &serial,
                                             bool accessible) {
        if (!accessible || serial != serialNumber)
            return false;
        ftdi_context *context = ftdi_new();
        // Give the device back to the kernel's serial driver when it is closed.
        if (context)
            context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        if (!context || ftdi_usb_open_dev(context, device) < 0) {
            if (context)
                ftdi_free(context);
            status = Ft::DeviceNotOpened;
            return true;
        }
        ftdi_set_latency_timer(context, LatencyMs); // a slower chip still works
        OpenDevice open;
        open.context = context;
        // One transfer takes what the chip has, waiting at most its latency time.
        open.receive = std::make_unique<FtdiReadAhead>(d->clock, [context](QByteArray &chunk) {
            unsigned char bytes[4096];
            const int n = ftdi_read_data(context, bytes, sizeof bytes);
            if (n < 0)
                return statusForError(n);
            chunk.append(reinterpret_cast<const char *>(bytes), n);
            return Ft::Ok;
        });
        handle = d->nextHandle++;
        d->open.emplace(handle, std::move(open));
        status = Ft::Ok;
        return true;
    });
    return listed ? status : Ft::OtherError;
}

FtStatus LibFtdiApi::SetBaudRate(FtHandle handle, quint32 baud)
{
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    if (baud == 0 || baud > 12000000)
        return Ft::InvalidParameter;
    const int rc = ftdi_set_baudrate(device->context, static_cast<int>(baud));
    return rc < 0 ? statusForError(rc) : Ft::Ok;
}

FtStatus LibFtdiApi::SetDataCharacteristics(FtHandle handle, quint8 wordLength, quint8 stopBits, quint8 parity)
{
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4)
        return Ft::InvalidParameter;
    const int rc = ftdi_set_line_property(device->context, wordLength == 8 ? BITS_8 : BITS_7,
                                          stopBits == 0 ? STOP_BIT_1 : STOP_BIT_2,
                                          static_cast<ftdi_parity_type>(parity));
    return rc < 0 ? statusForError(rc) : Ft::Ok;
}

FtStatus LibFtdiApi::SetFlowControl(FtHandle handle, quint16 flowControl, quint8, quint8)
{
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    if (flowControl != Ft::FlowNone)
        return Ft::InvalidParameter; // the program only ever runs without flow control
    const int rc = ftdi_setflowctrl(device->context, SIO_DISABLE_FLOW_CTRL);
    return rc < 0 ? statusForError(rc) : Ft::Ok;
}

FtStatus LibFtdiApi::SetTimeouts(FtHandle handle, quint32 readMs, quint32)
{
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    device->receive->readTimeoutMs = readMs;
    return Ft::Ok;
}

FtStatus LibFtdiApi::Write(FtHandle handle, const QByteArray &bytes, quint32 &bytesWritten)
{
    bytesWritten = 0;
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    const int n = ftdi_write_data(device->context, reinterpret_cast<const unsigned char *>(bytes.constData()),
                                  static_cast<int>(bytes.size()));
    if (n < 0)
        return statusForError(n);
    bytesWritten = static_cast<quint32>(n);
    return Ft::Ok;
}

FtStatus LibFtdiApi::GetStatus(FtHandle handle, quint32 &rxQueue, quint32 &txQueue, quint32 &eventStatus)
{
    rxQueue = txQueue = eventStatus = 0;
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    return device->receive->status(rxQueue);
}

FtStatus LibFtdiApi::Read(FtHandle handle, QByteArray &buffer, quint32 toRead, quint32 &bytesRead)
{
    buffer.clear();
    bytesRead = 0;
    OpenDevice *device = d->find(handle);
    if (!device)
        return Ft::InvalidHandle;
    return device->receive->read(buffer, toRead, bytesRead);
}

FtStatus LibFtdiApi::Close(FtHandle handle)
{
    const auto it = d->open.find(handle);
    if (it == d->open.end())
        return Ft::InvalidHandle;
    ftdi_usb_close(it->second.context);
    ftdi_free(it->second.context);
    d->open.erase(it);
    return Ft::Ok;
}

bool LibFtdiApi::WaitForData(FtHandle handle, int ms)
{
    OpenDevice *device = d->find(handle);
    if (!device)
        return false;
    return device->receive->waitForData(ms);
}
