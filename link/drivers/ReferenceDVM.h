#pragma once
#include "link/IDVM.h"
#include "link/drivers/DriverLink.h"

#include <QStringList>

// What the 3458 and 8508 reference-multimeter drivers share: a link over RS232 or GPIB
// only (any other interface type sends nothing and reads nothing), no Ethernet record and
// no status.
class ReferenceDVM : public IDVM
{
public:
    const DriverLink &link() const { return m_link; }

protected:
    // Sends over RS232 (10 s, reply ended at the status token) or GPIB; else nothing.
    QString SendCommand(const QString &command, bool waitForReply);
    // One more line: from the serial input on RS232, the serial receive buffer as it
    // stands on GPIB (which GPIB exchanges do not fill), else the empty text.
    QString ReadReply(int seconds);

    int IDVM_GetStatus() override { return 0; }
    void IDVM_SetGPIBAddress(int Value) override { m_link.GPIBAddress = Value; }
    void IDVM_SetCommControl(SerialPortControl *NewCommControl) override { m_link.CommControl = NewCommControl; }
    void IDVM_SetInterfaceType(int NewInterfaceType) override { m_link.InterfaceType = NewInterfaceType; }
    int IDVM_GetInterfaceType() override { return m_link.InterfaceType; }
    void IDVM_SetUSBDevice() override;
    void IDVM_SetEthernetDevice() override {}

    DriverLink m_link;
};

// A 3458 reference multimeter. What SendString should send is not settled: it sends
// nothing and answers the empty text.
class DVM_HP3458 : public ReferenceDVM
{
public:
    // The commands SetRange sends for a function name and value, main command first; none
    // for a name it does not know. The name keeps its case in the main command.
    static QStringList RangeCommands(const QString &Fn, double Value);

protected:
    QString IDVM_SendString(const QString &, bool, int, int) override { return {}; }
    void IDVM_Initialise() override;
    QString IDVM_GetDescription() override { return QStringLiteral("3458"); }
    bool IDVM_CheckIdentity(const QString &id) override { return id.contains(QLatin1String("3458")); }
    QString IDVM_Identify() override { return QStringLiteral("3458"); }
    QString IDVM_Read() override { return SendCommand(QStringLiteral("TRIG SGL"), true); }
    QVariant IDVM_SetRange(const QString &Fn, double Value) override;
};

// An 8508 reference multimeter. What Initialise and SetRange should send is not settled:
// they do nothing.
class DVM_FL8508 : public ReferenceDVM
{
protected:
    QString IDVM_SendString(const QString &Commandstring, bool, int, int) override;
    void IDVM_Initialise() override {}
    QString IDVM_GetDescription() override { return QStringLiteral("8508"); }
    bool IDVM_CheckIdentity(const QString &id) override { return id.contains(QLatin1String("8508")); }
    QString IDVM_Identify() override;
    QString IDVM_Read() override { return SendCommand(QStringLiteral("RDG?"), true); }
    QVariant IDVM_SetRange(const QString &, double) override { return {}; }
};
