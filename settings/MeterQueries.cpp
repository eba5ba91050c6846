#include "settings/MeterQueries.h"
#include "link/IDVM.h"
#include "link/SharedState.h"

namespace {

constexpr int OneLine = 0, UpToStatusToken = 1;
constexpr int UnawaitedTimeout = 10; // seconds; not used while nothing is awaited

} // namespace

QString AskMeterOneLine(const QString &command, int timeoutSeconds)
{
    IDVM *dvm = state().DVM1.get();
    return dvm ? dvm->SendString(command, true, timeoutSeconds, OneLine) : QString();
}

void SendWithoutReply(const QString &command)
{
    if (IDVM *dvm = state().DVM1.get())
        dvm->SendString(command, false, UnawaitedTimeout, UpToStatusToken);
}
