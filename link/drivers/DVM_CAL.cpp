#include "link/drivers/DVM_CAL.h"

#include <QStringList>

QString DVM_CAL_5300::RangeCommand(const QString &Fn, double Value) const
{
    static const QStringList notOnCalibrators = {QStringLiteral("RESLOWI"), QStringLiteral("FRESLOWI"),
                                                 QStringLiteral("RESHIGHI"), QStringLiteral("FRESHIGHI")};
    if (notOnCalibrators.contains(Fn.toUpper()))
        return {};
    return DVM_6450::RangeCommand(Fn, Value);
}

bool DVM_CAL_5300::IDVM_CheckIdentity(const QString &id)
{
    const auto containsAny = [&](std::initializer_list<const char *> models) {
        for (const char *model : models)
            if (id.contains(QLatin1String(model)))
                return true;
        return false;
    };
    // The maker's name is tested case-sensitively: mixed case for the 53xx/54xx models,
    // upper case for the 5455/5465/5480.
    if (id.contains(QLatin1String("Velkorande"))
        && containsAny({"5310", "5320", "5325", "5330", "5335", "5350", "5360", "5365", "5385", "5405", "5415",
                        "5435", "5450"}))
        return true;
    return id.contains(QLatin1String("VELKORANDE")) && containsAny({"5455", "5465", "5480"});
}

bool DVM_CAL_5520::IDVM_CheckIdentity(const QString &id)
{
    return id.contains(QLatin1String("Velkorande"))
           && (id.contains(QLatin1String("5520")) || id.contains(QLatin1String("5585")));
}

QString DVM_CAL_5520::SendCommand(const QString &command, bool WaitForAck, int timeout, int PacketEndCondition)
{
    QString reply;
    if (InUse) {
        reply = QStringLiteral("BUSY"); // the status of the exchange under way stays
    } else {
        InUse = true;
        Status = 0;
        try {
            reply = DVM_CAL_5300::SendCommand(command, WaitForAck, timeout, PacketEndCondition);
        } catch (...) {
            reply = QStringLiteral("ERROR");
        }
        InUse = false;
    }
    if (reply == QLatin1String("TIMEOUT"))
        Status = 3;
    else if (reply == QLatin1String("ERROR"))
        Status = 2;
    return reply;
}
