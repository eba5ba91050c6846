#include "link/MeterWriteResult.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"

void MeterWriteResult::endWrite(int toWrite, bool tellUser)
{
    countNotWritten(toWrite);
    if (timedOut && tellUser)
        appUi().MsgBox(noReplyMessage(), Msg::Exclamation);
}
