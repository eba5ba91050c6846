#include "link/MeterOperation.h"
#include "link/Communication.h"
#include "link/IDVM.h"
#include "link/SharedState.h"

#include <QStringList>

namespace {

// The end conditions of a reply: after its first line, or at its status token.
constexpr int OneLine = 0, UpToStatusToken = 1;
constexpr int UnawaitedTimeout = 10; // seconds; not used while nothing is awaited

} // namespace

ReplyStatus ClassifyReply(const QString &reply)
{
    const QStringView token = QStringView(reply).left(2);
    if (token == QLatin1String("*0"))
        return ReplyStatus::Done;
    if (token == QLatin1String("*9"))
        return ReplyStatus::Rejected;
    if (token == QLatin1String("*6"))
        return ReplyStatus::PasswordNeeded;
    return ReplyStatus::Other;
}

bool IsStatusTokenLine(QStringView line)
{
    return line.size() == 2 && line[0] == QLatin1Char('*') && line[1] >= QLatin1Char('0') && line[1] <= QLatin1Char('9');
}

qsizetype StatusTokenEnd(QStringView reply)
{
    const qsizetype star = reply.indexOf(QLatin1Char('*'));
    return star >= 0 && star + 2 < reply.size() && reply[star + 1] >= QLatin1Char('0')
                   && reply[star + 1] <= QLatin1Char('9') && reply[star + 2] == QLatin1Char('\r')
             ? star + 3
             : 0;
}

bool EndsWithStatusToken(const QString &reply)
{
    const QStringList lines = QString(reply).replace(QLatin1Char('\n'), QLatin1Char('\r')).split(QLatin1Char('\r'));
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString last = line->trimmed();
        if (!last.isEmpty())
            return IsStatusTokenLine(last);
    }
    return false;
}

bool ReplyHoldsDone(const QString &reply) { return reply.contains(QLatin1String("*0")); }

QString SendToMeter(const QString &command, int timeoutSeconds)
{
    IDVM *dvm = state().DVM1.get();
    return dvm ? dvm->SendString(command, true, timeoutSeconds, UpToStatusToken) : QString();
}

QString SendTableValue(const QString &command, int timeoutSeconds)
{
    const std::shared_ptr<IDVM> dvm = state().DVM1; // the same driver for both steps
    if (!dvm)
        return {};
    const QString reply = dvm->SendString(command, true, timeoutSeconds, UpToStatusToken);
    return reply == QLatin1String("TIMEOUT") ? dvm->AwaitLateReply(timeoutSeconds) : reply;
}

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

SetupModeRun RunInSetupMode(const SetupModeBracket &bracket, const std::function<bool()> &work)
{
    using OnRefusal = SetupModeBracket::OnRefusal;
    const bool entered = bracket.opening == SetupModeBracket::Opening::CalibratePassword ? SendCalibratePassword()
                                                                                          : EnterSetupMode();
    if (!entered && bracket.onRefusal != OnRefusal::CarryOn) {
        if (bracket.ownerLoaded && !bracket.ownerLoaded())
            return SetupModeRun::NotRun;
        const Msg::Answer answer = bracket.refusalMessage.isEmpty()
            ? Msg::defaultAnswerOf(bracket.refusalStyle)
            : appUi().MsgBox(bracket.refusalMessage, bracket.refusalStyle, bracket.refusalTitle);
        if (bracket.onRefusal == OnRefusal::Stop || answer == Msg::Cancel)
            return SetupModeRun::NotRun;
    }
    const bool succeeded = work();
    if (succeeded || bracket.leaveAfterFailedWork)
        ExitSetupMode();
    return succeeded ? SetupModeRun::Completed : SetupModeRun::WorkFailed;
}
