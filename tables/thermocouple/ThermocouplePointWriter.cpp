#include "tables/thermocouple/ThermocouplePointWriter.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocoupleTables.h"

#include <QLabel>
#include <optional>

namespace Thermocouple {

namespace {

// The reply of DVM1, or the empty text (a failed try) when no driver is set.
QString send(const QString &command, int timeoutSeconds)
{
    IDVM *dvm = state().DVM1.get();
    return dvm ? dvm->SendString(command, true, timeoutSeconds, 1) : QString();
}

} // namespace

PointOutcome writeThermocouplePoint(qint32 E, double T, const QString &type, const QString &temperatureText,
                                    int timeoutSeconds, const bool &stopFlag, QLabel &status)
{
    if (!withinLimits(E, type, T))
        return PointOutcome::Skipped;
    const QString command = pointCommand(type, E, temperatureText);
    for (;;) {
        status.setText(writingStatus(type, E));
        for (int tries = 2; tries > 0; --tries) {
            const QString token = send(command, timeoutSeconds).left(2);
            std::optional<PointOutcome> ended;
            if (token == QLatin1String("*0")) {
                ended = PointOutcome::Written;
            } else if (token == QLatin1String("*6")) {
                appUi().MsgBox(QStringLiteral("Password needed"), Msg::Exclamation, QStringLiteral("Authentication Failure"));
                ended = PointOutcome::PasswordNeeded;
            }
            appClock().processEvents();
            if (ended)
                return *ended;
            if (stopFlag)
                return PointOutcome::Stopped;
        }
        const Msg::Answer answer = appUi().MsgBox(QStringLiteral("Error writing value"), Msg::AbortRetryIgnore | Msg::Critical);
        if (answer == Msg::Abort)
            return PointOutcome::Aborted;
        if (answer != Msg::Retry)
            return PointOutcome::Ignored;
    }
}

} // namespace Thermocouple
