#include "shell/USBLocator.h"
#include "link/MeterProbes.h"
#include "link/USB.h"
#include "link/Utility.h"

namespace {

const QString Maker = QStringLiteral("VELKORANDE");
const QChar CR = QLatin1Char('\r');

} // namespace

namespace USBLocator {

int WindowHeight(bool advanced) { return UsbBandHeight + (advanced ? TestBandHeight : 0) + HeightMargin; }

QList<Row> ListRows(const QList<USBDevice> &devices, int count, bool trimSerialNumbers)
{
    QList<Row> rows;
    for (int i = 0; i < count && i < devices.size(); ++i) {
        const USBDevice &device = devices[i];
        rows.append({device.Description, trimSerialNumbers ? TrimBlanks(device.SerialNumber) : device.SerialNumber,
                     NotProbed});
    }
    if (count <= 0)
        rows.append({NoDevicesRow, {}, {}});
    return rows;
}

QString ReplyColumn(const QString &reply) { return reply.isEmpty() ? NoReply : reply; }

bool NamesTheMeter(const QString &identity)
{
    return (identity.toUpper().contains(Maker) && identity.contains(QLatin1String("6450")))
        || identity.contains(QLatin1String("6440"));
}

int FirstMeter(const QList<USBDevice> &devices)
{
    for (qsizetype i = 0; i + 1 < devices.size(); ++i) {
        if (NamesTheMeter(devices[i].Identity))
            return static_cast<int>(i);
    }
    return -1;
}

QString AutolocateMessage(const USBDevice &device)
{
    return device.Identity + QStringLiteral(" selected\r\n(") + device.SerialNumber + QLatin1Char(')');
}

bool IsAdapter(const QString &description)
{
    return description.toUpper().contains(Maker) || description.contains(QLatin1String("232"));
}

Selection SelectedEntry(int rowCount, int selectedRow, int listedCount)
{
    if (listedCount <= 0)
        return {true, -1};
    if (rowCount == 1)
        return {false, 0};
    if (selectedRow <= 0)
        return {true, -1};
    return {false, selectedRow - 1};
}

TerminalCommand IdentifyCommand() { return {IdentityQueryCR, 0}; }

TerminalCommand DateCommand() { return {QStringLiteral("a") + CR, 1}; }

QString TypedCommandOutput(const QString &reply, int status)
{
    switch (status) {
    case UsbOpenFailed:
        return reply + QStringLiteral("Error Opening Device") + CR;
    case UsbTimedOut:
        return reply + QStringLiteral("Read Timeout") + CR;
    default:
        return reply;
    }
}

} // namespace USBLocator
