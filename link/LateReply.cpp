#include "link/LateReply.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"

#include <algorithm>

namespace {

constexpr int OneLine = 0, UpToStatusToken = 1;
constexpr int ReadStepMs = 50;
// How long the input stays empty before text still coming in counts as ended.
constexpr int QuietMs = 50;

const QChar CR = QLatin1Char('\r');
const QChar LF = QLatin1Char('\n');

bool isLineEnd(QChar c) { return c == CR || c == LF; }
bool holdsText(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !isLineEnd(c); });
}

} // namespace

qsizetype LateReply::tokenReplyLength(QStringView text, int PacketEndCondition)
{
    switch (PacketEndCondition) {
    case UpToStatusToken:
        return StatusTokenEnd(text);
    case OneLine: {
        qsizetype at = 0;
        while (at < text.size() && isLineEnd(text[at]))
            ++at;
        for (; at < text.size(); ++at)
            if (isLineEnd(text[at]))
                return at + 1;
        return 0;
    }
    default:
        return 0; // such a reply never ends: it is never owed
    }
}

void LateReply::gaveUp(const QString &link, int timeoutSeconds, int PacketEndCondition, const QString &received)
{
    if (PacketEndCondition != OneLine && PacketEndCondition != UpToStatusToken)
        return; // such an exchange never ends at a reply: nothing is owed
    m_owed.insert(link, Owed{appClock().monotonicMs(), std::max(timeoutSeconds, 0) * 1000, PacketEndCondition, received});
}

QString LateReply::settle(const QString &link, int ownTimeoutSeconds, const Read &read, ReplyLength replyLength)
{
    Clock &clock = appClock();
    const qint64 ownTimeoutMs = std::max(ownTimeoutSeconds, 0) * qint64(1000);
    // Text still coming in answers something else (the rest of a reply that ended at a
    // status token inside it, say): the command waits until the line has been quiet for a
    // moment, so that no tail of it is taken for the first line of its own reply. Line ends
    // alone (the LF after the last reply's CR) are no such text.
    const auto dropUntilQuiet = [&](bool arrivedSomething) {
        const qint64 until = clock.monotonicMs() + ownTimeoutMs;
        while (arrivedSomething && clock.monotonicMs() < until) {
            const std::optional<QString> more = read(QuietMs);
            arrivedSomething = more && holdsText(*more);
        }
    };

    std::optional<QString> arrived = read(0);
    if (!arrived)
        return {};
    const auto owed = m_owed.constFind(link);
    if (owed == m_owed.cend()) {
        dropUntilQuiet(holdsText(*arrived)); // what waits answers nothing awaited
        return {};
    }
    const qint64 until = owed->gaveUpMs + std::max<qint64>(owed->timeoutMs, ownTimeoutMs);
    const int endCondition = owed->endCondition;
    QString text = owed->received + *arrived;
    bool stillComing = holdsText(*arrived);
    for (;;) {
        // The LF that ended the reply before the owed one leads the text: not a line of its own.
        while (!text.isEmpty() && text.front() == LF)
            text.remove(0, 1);
        if (const qsizetype length = replyLength(text, endCondition); length > 0) {
            m_owed.remove(link);
            dropUntilQuiet(holdsText(QStringView(text).mid(length)));
            return text.left(length);
        }
        // Past the wait, a reply still coming in is waited for until the line is quiet.
        const qint64 remaining = until - clock.monotonicMs();
        if (remaining <= 0 && (!stillComing || remaining <= -ownTimeoutMs)) {
            m_owed[link].received = text; // not come whole: still owed, for a caller that may wait longer
            return {};
        }
        arrived = read(remaining > 0 ? static_cast<int>(std::min<qint64>(remaining, ReadStepMs)) : QuietMs);
        if (!arrived)
            return {};
        stillComing = holdsText(*arrived);
        text += *arrived;
    }
}
