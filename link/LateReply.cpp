#include "link/LateReply.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"

#include <algorithm>

namespace {

constexpr int OneLine = 0, UpToStatusToken = 1;

const QChar CR = QLatin1Char('\r');
const QChar LF = QLatin1Char('\n');

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Whether "*", a digit and a CR stand at this place of the text.
bool statusTokenAt(QStringView text, qsizetype at)
{
    return at >= 0 && at + 2 < text.size() && text[at] == QLatin1Char('*') && isDigit(text[at + 1])
        && text[at + 2] == CR;
}

bool isLineEnd(QChar c) { return c == CR || c == LF; }

bool holdsStatusTokenLine(QStringView text)
{
    for (const QStringView piece : text.tokenize(CR))
        for (const QStringView line : piece.tokenize(LF))
            if (IsStatusTokenLine(line.trimmed()))
                return true;
    return false;
}

// Where the first line that holds text ends (its CR or LF), or -1 while none has ended.
qsizetype endOfFirstLine(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isLineEnd(text[start]))
        ++start;
    for (qsizetype at = start; at < text.size(); ++at)
        if (isLineEnd(text[at]))
            return at;
    return -1;
}

// The length of the late reply at the front of the gathered text, its CR included; 0
// while it is not all there. A one-line late reply, taken by a one-line exchange, is the
// first line.
qsizetype lateReplyLength(QStringView gathered, int owedEnd, int PacketEndCondition)
{
    if (owedEnd == OneLine && PacketEndCondition == OneLine)
        return endOfFirstLine(gathered) + 1;
    switch (PacketEndCondition) {
    case UpToStatusToken: {
        const qsizetype star = gathered.indexOf(QLatin1Char('*'));
        return statusTokenAt(gathered, star) ? star + 3 : 0;
    }
    case OneLine:
        return statusTokenAt(gathered, 0) ? 3 : 0;
    default:
        return 0; // such an exchange never ends at a reply
    }
}

} // namespace

void LateReply::startExchange(const QString &link, QStringView dropped)
{
    m_tookOne = m_spoilt = false;
    m_link = link;
    if (owed() && (m_owedEnd == OneLine ? endOfFirstLine(dropped) >= 0 : holdsStatusTokenLine(dropped)))
        m_owedUntilMs = -1;
}

void LateReply::timedOut(int timeoutSeconds, int PacketEndCondition)
{
    if (m_tookOne || (PacketEndCondition != OneLine && PacketEndCondition != UpToStatusToken))
        return; // such an exchange never ends at a reply: nothing is owed
    m_owedUntilMs = appClock().monotonicMs() + std::max(timeoutSeconds, 0) * qint64(1000);
    m_owedEnd = PacketEndCondition;
    m_owedLink = m_link;
}

bool LateReply::owed() const
{
    return m_owedUntilMs >= 0 && m_owedLink == m_link && appClock().monotonicMs() < m_owedUntilMs;
}

void LateReply::took(int PacketEndCondition)
{
    // A line was owed and this exchange waits for the status token: what it took may as
    // well have been its own reply's first lines.
    m_spoilt = m_owedEnd == OneLine && PacketEndCondition != OneLine;
    m_owedUntilMs = -1;
    m_tookOne = true;
}

bool LateReply::takeFrom(QString &gathered, int PacketEndCondition)
{
    qsizetype length = owed() ? lateReplyLength(gathered, m_owedEnd, PacketEndCondition) : 0;
    if (length > 0)
        took(PacketEndCondition);
    // The LF after the late reply's CR may come in a later piece: once a late reply was
    // taken, LFs at the front are its line end.
    if (m_tookOne)
        while (length < gathered.size() && gathered[length] == LF)
            ++length;
    gathered.remove(0, length);
    return length > 0;
}

bool LateReply::takesLine(const QString &line, int PacketEndCondition)
{
    if (!owed())
        return false;
    // On RS232 a reply that waits for the status token ends at the first line holding "*";
    // a one-line late reply taken by a one-line exchange is the first line.
    const bool endsLateReply = PacketEndCondition != OneLine ? line.contains(QLatin1Char('*'))
                               : m_owedEnd == OneLine       ? !line.isEmpty()
                                                            : IsStatusTokenLine(line);
    if (endsLateReply)
        took(PacketEndCondition);
    return endsLateReply;
}
