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
class IDVM
{
public:
    virtual ~IDVM() = default;

    int GetStatus() { return IDVM_GetStatus(); }
    // Sends a command (without line end) and returns the reply with every LF removed, or a
    // failure text: "TIMEOUT", "BUSY", "ERROR", "False", or the empty text.
    QString SendString(const QString &Commandstring, bool WaitForAck = false, int timeout = 10,
                       int PacketEndCondition = 1)
    {
        return IDVM_SendString(Commandstring, WaitForAck, timeout, PacketEndCondition);
    }
    void SetGPIBAddress(int Value) { IDVM_SetGPIBAddress(Value); }
    void Initialise() { IDVM_Initialise(); }
    QString GetDescription() { return IDVM_GetDescription(); }
    bool CheckIdentity(const QString &id) { return IDVM_CheckIdentity(id); }
    QString Identify() { return IDVM_Identify(); }
    void SetCommControl(SerialPortControl *NewCommControl) { IDVM_SetCommControl(NewCommControl); }
    QString Read() { return IDVM_Read(); }
    void SetInterfaceType(int NewInterfaceType) { IDVM_SetInterfaceType(NewInterfaceType); }
    int GetInterfaceType() { return IDVM_GetInterfaceType(); }
    QVariant SetRange(const QString &Fn, double Value) { return IDVM_SetRange(Fn, Value); }
    void SetUSBDevice() { IDVM_SetUSBDevice(); }
    void SetEthernetDevice() { IDVM_SetEthernetDevice(); }

protected:
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
};

// A new driver for a model string, or nothing (3458 and 8508 models).
std::unique_ptr<IDVM> CreateDVM(const QString &model);
