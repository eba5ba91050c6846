#include "tests/support/SimulatedMeterEnv.h"

#include "link/IDVM.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"

SimulatedMeterEnv::SimulatedMeterEnv(const metersim::MeterConfig &config) : rig(env.clock, config)
{
    std::unique_ptr<IDVM> dvm = CreateDVM(QStringLiteral("6450"));
    dvm->SetInterfaceType(InterfaceRS232);
    dvm->SetCommControl(&rig.port);
    state().DVM1 = std::move(dvm);
}

SimulatedMeterEnv::~SimulatedMeterEnv() { resetProgramState(); }
