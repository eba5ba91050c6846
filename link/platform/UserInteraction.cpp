#include "link/platform/UserInteraction.h"

namespace Msg {

QList<Answer> buttonsOf(int style)
{
    switch (style & 7) {
    case OKCancel: return {OK, Cancel};
    case AbortRetryIgnore: return {Abort, Retry, Ignore};
    case YesNoCancel: return {Yes, No, Cancel};
    case YesNo: return {Yes, No};
    case RetryCancel: return {Retry, Cancel};
    default: return {OK};
    }
}

Answer defaultAnswerOf(int style)
{
    const QList<Answer> buttons = buttonsOf(style);
    const int index = (style & 0x300) >> 8;
    return buttons.value(index, buttons.first());
}

} // namespace Msg
