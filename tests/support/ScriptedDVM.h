#pragma once
#include "link/IDVM.h"
#include "link/SharedState.h"

#include <QStringList>
#include <functional>

// A driver double for window and table tests: records every command with its arguments
// and answers through `reply` (default: "*0" CR for an awaited command, else empty).
class ScriptedDVM : public IDVM
{
public:
    struct Call
    {
        QString command;
        bool waitForAck;
        int timeout;
        int packetEndCondition;
    };

    std::function<QString(const QString &command)> reply;
    // When set, every command goes on to this driver with its arguments, and its reply is
    // returned (`reply` is not used): records the exact arguments of a real exchange.
    IDVM *forwardTo = nullptr;
    QList<Call> calls;
    QString description = QStringLiteral("Velkorande 6450\r\nRS232 Port 1");
    int interfaceType = 0;

    QStringList commands() const
    {
        QStringList out;
        for (const Call &c : calls)
            out << c.command;
        return out;
    }

protected:
    int IDVM_GetStatus() override { return 0; }
    QString IDVM_SendString(const QString &command, bool wait, int timeout, int end) override
    {
        calls.append({command, wait, timeout, end});
        if (forwardTo)
            return forwardTo->SendString(command, wait, timeout, end);
        QString answer = reply ? reply(command) : (wait ? QStringLiteral("*0\r") : QString());
        return answer.remove(QLatin1Char('\n'));
    }
    void IDVM_SetGPIBAddress(int) override {}
    void IDVM_Initialise() override {}
    QString IDVM_GetDescription() override { return description; }
    bool IDVM_CheckIdentity(const QString &id) override { return id.contains(QLatin1String("6450")); }
    QString IDVM_Identify() override { return IDVM_SendString(QStringLiteral("*IDN?"), true, 2, 0); }
    void IDVM_SetCommControl(SerialPortControl *) override {}
    QString IDVM_Read() override { return {}; }
    void IDVM_SetInterfaceType(int type) override { interfaceType = type; }
    int IDVM_GetInterfaceType() override { return interfaceType; }
    QVariant IDVM_SetRange(const QString &, double) override { return {}; }
    void IDVM_SetUSBDevice() override {}
    void IDVM_SetEthernetDevice() override {}
    // A forwarding double waits for an owed reply as the driver behind it does.
    QString IDVM_AwaitLateReply(int timeout) override
    {
        return forwardTo ? forwardTo->AwaitLateReply(timeout) : IDVM::IDVM_AwaitLateReply(timeout);
    }
};

// Makes a new scripted driver the active driver DVM1 and returns it.
inline ScriptedDVM &installScriptedDVM()
{
    auto dvm = std::make_unique<ScriptedDVM>();
    ScriptedDVM &installed = *dvm;
    state().DVM1 = std::move(dvm);
    return installed;
}
