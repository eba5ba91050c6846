#include "link/drivers/ReferenceDVM.h"
#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"

#include <QStringList>

QString ReferenceDVM::SendCommand(const QString &command, bool waitForReply)
{
    if (m_link.InterfaceType != InterfaceRS232 && m_link.InterfaceType != InterfaceGPIB)
        return {};
    return SendOverLink(m_link, command, waitForReply, 10, 1, UsbOpenFailureReply::EmptyText);
}

QString ReferenceDVM::ReadReply(int seconds)
{
    switch (m_link.InterfaceType) {
    case InterfaceRS232:
        return ReadSerialLine(m_link.CommControl, seconds);
    case InterfaceGPIB:
        return state().SerialRxBuffer;
    default:
        return {};
    }
}

void ReferenceDVM::IDVM_SetUSBDevice() { m_link.USBDevice = state().USBDevice; }

void DVM_HP3458::IDVM_Initialise()
{
    for (const char *command : {"PRESET NORM", "LFREQ LINE", "DCV"})
        SendCommand(QLatin1String(command), false);
    appClock().sleepMs(25);
}

QStringList DVM_HP3458::RangeCommands(const QString &Fn, double Value)
{
    const QString value = TextConv::General(Value);
    const QString fn = Fn.toUpper();
    if (fn == QLatin1String("DCV") || fn == QLatin1String("DCI") || fn == QLatin1String("RES")
        || fn == QLatin1String("FRES"))
        return {Fn + QLatin1Char(' ') + value};
    if (fn == QLatin1String("ACV"))
        return {Fn + QLatin1Char(' ') + value, QStringLiteral("SET ACV SYNC"), QStringLiteral("ACBAND 20,40000")};
    if (fn == QLatin1String("ACI"))
        return {Fn + QLatin1Char(' ') + value, QStringLiteral("ACBAND 20,40000")};
    if (fn == QLatin1String("FREQ"))
        return {QStringLiteral("FREQ AUTO,0.0001 ") + value, QStringLiteral("ACBAND 20,25000")};
    return {};
}

QVariant DVM_HP3458::IDVM_SetRange(const QString &Fn, double Value)
{
    const QStringList commands = RangeCommands(Fn, Value);
    if (commands.isEmpty())
        return {};
    for (const QString &command : commands)
        SendCommand(command, false);
    appClock().sleepMs(100);
    return {};
}

QString DVM_FL8508::IDVM_SendString(const QString &Commandstring, bool, int, int)
{
    SendCommand(Commandstring, false);
    return {};
}

QString DVM_FL8508::IDVM_Identify()
{
    SendCommand(QStringLiteral("*IDN?"), true);
    const QString line = ReadReply(2);
    return line.contains(QLatin1String("*IDN?")) ? QString() : line; // an echo is no identity
}
