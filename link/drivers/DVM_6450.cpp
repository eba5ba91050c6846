#include "link/drivers/DVM_6450.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"

namespace {

// The current in scientific form with two decimals: 1E-7 gives "1.00E-07". Qt's number
// text, not the C library's: that one takes the desktop's decimal comma.
QString scientificTwoDecimals(double value) { return QString::number(value, 'E', 2); }

} // namespace

QString DVM_6450::SendCommand(const QString &command, bool WaitForAck, int timeout, int PacketEndCondition)
{
    return SendOverLink(m_link, command, WaitForAck, timeout, PacketEndCondition, UsbOpenFailure());
}

QString DVM_6450::IDVM_SendString(const QString &Commandstring, bool WaitForAck, int timeout, int PacketEndCondition)
{
    return SendCommand(Commandstring, WaitForAck, timeout, PacketEndCondition).remove(QLatin1Char('\n'));
}

QString DVM_6450::IDVM_AwaitLateReply(int timeout)
{
    return AwaitLateReplyOverLink(m_link, timeout).remove(QLatin1Char('\n'));
}

void DVM_6450::IDVM_Initialise() { appClock().sleepMs(250); }

QString DVM_6450::IDVM_GetDescription()
{
    QString text = ModelLine() + QStringLiteral("\r\n");
    switch (m_link.InterfaceType) {
    case InterfaceRS232:
        // A new driver has no serial-port control yet: the text so far and ".".
        if (!m_link.CommControl)
            return text + QLatin1Char('.');
        return text + QStringLiteral("RS232 Port ") + QString::number(m_link.CommControl->CommPort());
    case InterfaceGPIB:
        return text + QStringLiteral("GPIB Address ") + QString::number(m_link.GPIBAddress);
    case InterfaceUSB:
        return text + QStringLiteral("USB \r\n");
    case InterfaceEthernet:
        return text + QStringLiteral("Ethernet \r\n") + m_link.EthernetDevice.IPAddress.text();
    default:
        return text;
    }
}

bool DVM_6450::IDVM_CheckIdentity(const QString &id)
{
    if (!id.toUpper().contains(QLatin1String("VELKORANDE")))
        return false;
    for (const char *model : {"6440", "6450", "6400", "6445", "6480", "6475"})
        if (id.contains(QLatin1String(model)))
            return true;
    return false;
}

QString DVM_6450::IDVM_Identify()
{
    const QString reply = SendCommand(QStringLiteral("*IDN?"), true, 2, 0);
    return reply.contains(QLatin1String("*IDN?")) ? QString() : reply; // an echo is no identity
}

QString DVM_6450::IDVM_Read()
{
    switch (m_link.InterfaceType) {
    case InterfaceGPIB:
        return SendCommand(QStringLiteral("READ?"), true, 35, 1);
    case InterfaceRS232:
    case InterfaceUSB:
    case InterfaceEthernet:
        return SendCommand(QStringLiteral("READ?"), true, 20, 0);
    default:
        return {};
    }
}

QString DVM_6450::RangeCommand(const QString &Fn, double Value) const
{
    const QString fn = Fn.toUpper();
    const QString value = TextConv::General(Value);
    static const std::pair<const char *, const char *> plain[] = {
        {"DCV", "CONF:VOLTAGE:DC "},      {"DCI", "CONF:CURRENT:DC "},   {"ACV", "CONF:VOLTAGE:AC "},
        {"ACI", "CONF:CURRENT:AC "},      {"RES", "CONF:RES "},          {"FRES", "CONF:FRES "},
        {"RESLOWI", "CONF:RES:LOWI "},    {"FRESLOWI", "CONF:FRES:LOWI "}, {"RESHIGHI", "CONF:RES:HIGHI "},
        {"FRESHIGHI", "CONF:FRES:HIGHI "}, {"FREQ", "CONF:FREQ "},
    };
    for (const auto &[name, prefix] : plain) {
        if (fn != QLatin1String(name))
            continue;
        if (fn == QLatin1String("DCI") && Value <= 1e-6)
            return QLatin1String(prefix) + scientificTwoDecimals(Value);
        return QLatin1String(prefix) + value;
    }
    if (fn == QLatin1String("PRT")) {
        if (Value <= 500)
            return QStringLiteral("R60");
        if (Value < 5000)
            return QStringLiteral("R61");
        if (Value >= 5000)
            return QStringLiteral("R62");
        return {}; // not a number
    }
    if (fn == QLatin1String("THERMOCOUPLE"))
        return QStringLiteral("R64");
    return {};
}

QVariant DVM_6450::IDVM_SetRange(const QString &Fn, double Value)
{
    Clock &clock = appClock();
    clock.sleepMs(100);
    const QString command = RangeCommand(Fn, Value);
    if (!command.isEmpty())
        SendCommand(command, false, 10, 1);
    clock.sleepMs(100);
    return {};
}

void DVM_6450::IDVM_SetUSBDevice() { m_link.USBDevice = state().USBDevice; }

void DVM_6450::IDVM_SetEthernetDevice() { m_link.EthernetDevice = state().EthernetDevice; }
