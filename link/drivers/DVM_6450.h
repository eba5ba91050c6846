#pragma once
#include "link/IDVM.h"
#include "link/drivers/DriverLink.h"

// The driver of the 6400-series meter, and the base of the calibrator drivers, which
// differ only where they override it.
class DVM_6450 : public IDVM
{
public:
    // The link as the connection dialogs gave it (for the status bar and tests).
    const DriverLink &link() const { return m_link; }

    // The configuration command SetRange sends for a function name and value, or the
    // empty text when the name has no command. The name is compared in upper case.
    virtual QString RangeCommand(const QString &Fn, double Value) const;

protected:
    // The transport dispatch behind SendString, Identify, Read and SetRange.
    virtual QString SendCommand(const QString &command, bool WaitForAck, int timeout, int PacketEndCondition);
    // First line of the description.
    virtual QString ModelLine() const { return QStringLiteral("Velkorande 6450"); }
    // What a USB device that cannot be opened gives.
    virtual UsbOpenFailureReply UsbOpenFailure() const { return UsbOpenFailureReply::EmptyText; }

    int IDVM_GetStatus() override { return Status; }
    QString IDVM_SendString(const QString &Commandstring, bool WaitForAck, int timeout,
                            int PacketEndCondition) override;
    void IDVM_SetGPIBAddress(int Value) override { m_link.GPIBAddress = Value; }
    void IDVM_Initialise() override;
    QString IDVM_GetDescription() override;
    bool IDVM_CheckIdentity(const QString &id) override;
    QString IDVM_Identify() override;
    void IDVM_SetCommControl(SerialPortControl *NewCommControl) override { m_link.CommControl = NewCommControl; }
    QString IDVM_Read() override;
    void IDVM_SetInterfaceType(int NewInterfaceType) override { m_link.InterfaceType = NewInterfaceType; }
    int IDVM_GetInterfaceType() override { return m_link.InterfaceType; }
    QVariant IDVM_SetRange(const QString &Fn, double Value) override;
    void IDVM_SetUSBDevice() override;
    void IDVM_SetEthernetDevice() override;
    QString IDVM_AwaitLateReply(int timeout) override;

    DriverLink m_link;
    int Status = 0; // nothing in the meter driver sets it
};
