#pragma once
#include <QString>
#include <QStringView>
#include <QtGlobal>

// A reply the meter still owes. No reply names its command: when an exchange gives up
// after its command went out, the meter's answer may still come, and the next exchange
// would take it for its own (and every later one the reply of the one before). So the link
// notes the debt, and how the owed reply ends, and the next exchange settles it:
// - Before a command goes out each transport drops what is waiting; a status token line
//   among it (a whole line, for a one-line query's reply) is the late reply, and the debt
//   is settled.
// - While the debt stands, the late reply is what the exchange receives up to the place
//   where that reply would have ended, and the exchange drops it and waits for its own
//   reply, its time-out counted afresh from there. For a one-line exchange: the first line
//   when a one-line query's reply is owed, else only a first line that is just a status
//   token. For an exchange that waits for the status token: up to the first status token
//   (on RS232, the first line holding "*"), with everything before it. When what is owed
//   is a one-line query's reply, nothing tells that line from the first line of the
//   exchange's own reply: the exchange then drops all it received up to the token and
//   ends as unanswered (spoilt()), so that its reply is whole or none.
// - The debt lapses when as long again as the given-up exchange's time-out has passed.
// - The debt is the link's that gave up (a serial port, a USB device, a module's address):
//   a search that asks one port after another, some of them silent, owes nothing to the
//   next port.
//
// What it costs: a meter that has stopped answering costs each exchange its time-out, as
// before. A meter that dropped the reply altogether makes the next exchange take its own
// reply for the late one: that exchange times out, which errs on the safe side (a closing
// "a1" so judged says the meter may still be in setup mode, a value is not counted as
// written). An exchange that took a late reply and then timed out leaves no debt: its own
// reply was either the one it took or is late in turn, and a debt there would make every
// exchange that follows drop its own reply.
class LateReply
{
public:
    // Before a command goes out on `link` (which port, device or address): the input the
    // transport dropped.
    void startExchange(const QString &link, QStringView dropped);
    // An exchange gave up after its command went out; PacketEndCondition says how its
    // reply ends (1: at the status token, 0: after one line).
    void timedOut(int timeoutSeconds, int PacketEndCondition);

    // Whether a reply is owed now.
    bool owed() const;
    // Whether takeFrom may change anything now (so that a transport can skip preparing
    // its text for it).
    bool watching() const { return m_tookOne || owed(); }

    // For the transports that gather the reply as text (USB, Ethernet), after each piece
    // that arrives: takes the late reply, and the LF that follows its CR, off the front of
    // what the exchange has gathered. A reply there ends at its first "*" when a digit
    // and a CR follow it. True when it took something.
    bool takeFrom(QString &gathered, int PacketEndCondition);
    // For the RS232 exchange, which reads line by line (line without CR or LF): true when
    // the line ends the late reply; the exchange drops it and the lines before it.
    bool takesLine(const QString &line, int PacketEndCondition);
    // True when the exchange under way took a late reply it cannot tell from its own (see
    // above): it ends now and reports no reply.
    bool spoilt() const { return m_spoilt; }

private:
    // The exchange under way took the late reply: nothing is owed.
    void took(int PacketEndCondition);

    qint64 m_owedUntilMs = -1;  // on the app clock's monotonic time; owed while before it
    int m_owedEnd = 1;          // how the owed reply ends: 1 at its status token, 0 after one line
    QString m_owedLink;         // the link that owes it
    QString m_link;             // the link of the exchange under way
    bool m_tookOne = false;     // the exchange under way took a late reply
    bool m_spoilt = false;      // ... and it may have been its own (see spoilt())
};
