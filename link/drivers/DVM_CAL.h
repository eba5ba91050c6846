#pragma once
#include "link/drivers/DVM_6450.h"

// The 5300-series calibrators (and the 5400-series models its identity list names): the
// meter driver with another identity and description, without the low- and high-current
// resistance commands, and "TIMEOUT" when its USB device cannot be opened.
class DVM_CAL_5300 : public DVM_6450
{
public:
    QString RangeCommand(const QString &Fn, double Value) const override;

protected:
    QString ModelLine() const override { return QStringLiteral("Velkorande 5300"); }
    UsbOpenFailureReply UsbOpenFailure() const override { return UsbOpenFailureReply::Timeout; }
    bool IDVM_CheckIdentity(const QString &id) override;
};

// The 5520 and 5585 calibrators: as the 5300 driver, with every exchange guarded so that a
// command started while another runs (an event handler let through by a wait) answers
// "BUSY", a fault inside an exchange answers "ERROR", and a status of the last exchange:
// 0 normal, 2 after "ERROR", 3 after "TIMEOUT".
class DVM_CAL_5520 : public DVM_CAL_5300
{
protected:
    QString SendCommand(const QString &command, bool WaitForAck, int timeout, int PacketEndCondition) override;
    QString ModelLine() const override { return QStringLiteral("Velkorande 5520"); }
    bool IDVM_CheckIdentity(const QString &id) override;

private:
    bool InUse = false;
};
