#pragma once
#include <QString>
#include <QVariant>
#include <memory>

class SerialPortControl;

// Interface type codes of a driver's link.
enum InterfaceTypeCode : int { InterfaceRS232 = 0, InterfaceGPIB = 1, InterfaceUSB = 2, InterfaceEthernet = 3 };

// The instrument-driver interface. Callers use the public operations; each driver
// implements the IDVM_ operations, in this slot order. The defaults of SendString live
// here, once, so no driver can give them differently.
//
// The active driver can be replaced while one of its exchanges waits: a wait that lets
// the window system run can run the port-setup dialog, whose OK makes a new DVM1. Each
// operation that talks to the instrument therefore holds its driver for as long as it
// runs (when the driver is owned by a shared pointer, as DVM1 is), so the driver can still
// finish with its own fields and is deleted when the operation returns.
class IDVM : public std::enable_shared_from_this<IDVM>
{
public:
    virtual ~IDVM() = default;

    int GetStatus() { return IDVM_GetStatus(); }
    // Sends a command (without line end) and returns the reply with every LF removed, or a
    // failure text: "TIMEOUT", "BUSY", "ERROR", "False", or the empty text.
    QString SendString(const QString &Commandstring, bool WaitForAck = false, int timeout = 10,
                       int PacketEndCondition = 1)
    {
        const auto held = holdWhileRunning();
        return IDVM_SendString(Commandstring, WaitForAck, timeout, PacketEndCondition);
    }
    void SetGPIBAddress(int Value) { IDVM_SetGPIBAddress(Value); }
    void Initialise()
    {
        const auto held = holdWhileRunning();
        IDVM_Initialise();
    }
    QString GetDescription() { return IDVM_GetDescription(); }
    bool CheckIdentity(const QString &id) { return IDVM_CheckIdentity(id); }
    QString Identify()
    {
        const auto held = holdWhileRunning();
        return IDVM_Identify();
    }
    void SetCommControl(SerialPortControl *NewCommControl) { IDVM_SetCommControl(NewCommControl); }
    QString Read()
    {
        const auto held = holdWhileRunning();
        return IDVM_Read();
    }
    void SetInterfaceType(int NewInterfaceType) { IDVM_SetInterfaceType(NewInterfaceType); }
    int GetInterfaceType() { return IDVM_GetInterfaceType(); }
    QVariant SetRange(const QString &Fn, double Value)
    {
        const auto held = holdWhileRunning();
        return IDVM_SetRange(Fn, Value);
    }
    void SetUSBDevice() { IDVM_SetUSBDevice(); }
    void SetEthernetDevice() { IDVM_SetEthernetDevice(); }
    // After SendString gave up on a reply ("TIMEOUT"): waits, sending nothing, for that
    // reply, as long again as `timeout` from the give-up. Returns it (LFs removed) when it
    // came whole, else "TIMEOUT". Nothing else went out meanwhile, so it is that command's.
    QString AwaitLateReply(int timeout)
    {
        const auto held = holdWhileRunning();
        return IDVM_AwaitLateReply(timeout);
    }

protected:
    // A share of the driver's owner for the length of an operation; empty when the driver
    // is not owned by a shared pointer (a driver made on the stack or in a unique pointer).
    std::shared_ptr<IDVM> holdWhileRunning() { return weak_from_this().lock(); }

    virtual int IDVM_GetStatus() = 0;
    virtual QString IDVM_SendString(const QString &Commandstring, bool WaitForAck, int timeout,
                                    int PacketEndCondition) = 0;
    virtual void IDVM_SetGPIBAddress(int Value) = 0;
    virtual void IDVM_Initialise() = 0;
    virtual QString IDVM_GetDescription() = 0;
    virtual bool IDVM_CheckIdentity(const QString &id) = 0;
    virtual QString IDVM_Identify() = 0;
    virtual void IDVM_SetCommControl(SerialPortControl *NewCommControl) = 0;
    virtual QString IDVM_Read() = 0;
    virtual void IDVM_SetInterfaceType(int NewInterfaceType) = 0;
    virtual int IDVM_GetInterfaceType() = 0;
    virtual QVariant IDVM_SetRange(const QString &Fn, double Value) = 0;
    virtual void IDVM_SetUSBDevice() = 0;
    virtual void IDVM_SetEthernetDevice() = 0;
    // Drivers whose links never owe a reply keep this.
    virtual QString IDVM_AwaitLateReply(int /*timeout*/) { return QStringLiteral("TIMEOUT"); }
};

// A new driver for a model string, or nothing (3458 and 8508 models).
std::unique_ptr<IDVM> CreateDVM(const QString &model);
