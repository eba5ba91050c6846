#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/drivers/DVM_CAL.h"
#include "link/platform/SettingsStore.h"

std::unique_ptr<IDVM> CreateDVM(const QString &model)
{
    // Case-sensitive, in this order; the first found wins ("6400" before "5520").
    if (model.contains(QLatin1String("6400")))
        return std::make_unique<DVM_6450>();
    if (model.contains(QLatin1String("5520")))
        return std::make_unique<DVM_CAL_5520>();
    if (model.contains(QLatin1String("5300")) || model.contains(QLatin1String("5465")))
        return std::make_unique<DVM_CAL_5300>();
    if (model.contains(QLatin1String("3458")) || model.contains(QLatin1String("8508")))
        return nullptr; // the reference multimeters are never the active driver
    return std::make_unique<DVM_6450>();
}

void LoadDVMSetting()
{
    const QString model = appSettings().GetSetting(SettingsStore::Section, QStringLiteral("DVM1"), QStringLiteral("6450"));
    state().DVM1 = CreateDVM(model); // the previous driver is released here
}
