#pragma once
#include "tests/support/doubles/InMemoryPeer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <optional>

class VirtualClock;

// A scripted device on an in-memory link, for tests: it splits what it receives into
// commands at each CR (LF ignored) and answers each command from its script, in timed
// pieces scheduled on the virtual clock.
class ScriptedPeer : public InMemoryPeer
{
public:
    // Bytes sent afterMs after the previous piece (the first piece: after the command).
    struct Piece
    {
        qint64 afterMs = 0;
        QByteArray bytes;
    };
    using Script = QList<Piece>;

    explicit ScriptedPeer(VirtualClock &clock) : m_clock(clock) {}

    // The answer to one command (its text without CR); replaces an earlier one.
    void answer(const QByteArray &command, const Script &pieces) { m_answers[command] = pieces; }
    // The answer to every command that has none of its own (without it: silence).
    void answerAny(const Script &pieces) { m_anyAnswer = pieces; }
    // Sends pieces without being asked, the first afterMs from now.
    void send(const Script &pieces);

    // count pieces of chunk, everyMs apart (a device that streams).
    static Script stream(const QByteArray &chunk, int count, qint64 everyMs);

    void receive(const QByteArray &bytes) override;

    QList<QByteArray> commands; // every command received, in order, without CR

private:
    VirtualClock &m_clock;
    QByteArray m_partial;
    QMap<QByteArray, Script> m_answers;
    std::optional<Script> m_anyAnswer;
};
