#include "tests/support/doubles/ScriptedPeer.h"
#include "tests/support/doubles/VirtualClock.h"

void ScriptedPeer::send(const Script &pieces)
{
    qint64 at = 0;
    for (const Piece &piece : pieces) {
        at += piece.afterMs;
        const QByteArray bytes = piece.bytes;
        m_clock.scheduleIn(at, [this, bytes] {
            if (deliver)
                deliver(bytes);
        });
    }
}

ScriptedPeer::Script ScriptedPeer::stream(const QByteArray &chunk, int count, qint64 everyMs)
{
    Script pieces;
    for (int i = 0; i < count; ++i)
        pieces.append({i == 0 ? 0 : everyMs, chunk});
    return pieces;
}

void ScriptedPeer::receive(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\n')
            continue;
        if (c != '\r') {
            m_partial += c;
            continue;
        }
        const QByteArray command = std::exchange(m_partial, {});
        commands.append(command);
        if (const auto it = m_answers.constFind(command); it != m_answers.cend())
            send(*it);
        else if (m_anyAnswer)
            send(*m_anyAnswer);
    }
}
