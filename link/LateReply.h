#pragma once
#include <QHash>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <optional>

// The replies the meter still owes, one record per link (a serial port, a USB device, a
// module's address). No reply names its command: when an exchange gives up after its
// command went out, the meter's answer may still come, and a command sent meanwhile could
// not tell that answer from its own. So nothing is sent on a link while a reply is owed
// there. The next exchange first waits, sending nothing, until the owed reply has come
// whole (it is dropped, or handed to a caller that waits for it on purpose) or until as
// long again as the longer of the given-up exchange's time-out and its own has passed,
// counted from the give-up. Then it sends, and whatever it receives is its own.
//
// With a meter that answers in order, however late within that wait, no exchange takes
// another's reply, a reply is whole or none, and no exchange is spoilt by a reply that
// never came. A meter that has stopped answering costs each exchange its wait and its own
// time-out. A search that asks one silent port after another owes nothing to the next
// port: each link keeps its own record.
class LateReply
{
public:
    // What arrived on the link: the text waiting now when maxMs is 0, else what arrives
    // within at most maxMs (it may return early with what came). std::nullopt when the link
    // is gone (a port closed, a device unplugged, the socket deleted).
    using Read = std::function<std::optional<QString>(int maxMs)>;
    // How much of a text the first whole reply takes, its line end included; 0 while no
    // reply in it has ended. Each transport has its own rule of where a reply ends.
    using ReplyLength = qsizetype (*)(QStringView text, int PacketEndCondition);

    // Before a command goes out on `link` (and for a caller that waits for a given-up
    // command's answer): takes what is waiting and, while a reply is owed there, waits as
    // above. Returns the owed reply when it came whole within the wait (leading LFs left
    // out), else the empty text; what else arrived is dropped.
    QString settle(const QString &link, int ownTimeoutSeconds, const Read &read, ReplyLength replyLength);
    // A command goes out on `link`: what it receives is its own, whatever was owed.
    void sending(const QString &link) { m_owed.remove(link); }
    // An exchange on `link` gave up after its command went out; PacketEndCondition says
    // how its reply ends (1: at the status token, 0: after one line).
    void gaveUp(const QString &link, int timeoutSeconds, int PacketEndCondition);

    // Whether a reply is owed on `link`, however long ago it was given up.
    bool owes(const QString &link) const { return m_owed.contains(link); }

    // The first-reply rule of the meter's USB and Ethernet replies: at the status token,
    // the first "*" when a digit and a CR follow it; or after the first line that holds text.
    static qsizetype tokenReplyLength(QStringView text, int PacketEndCondition);

private:
    struct Owed
    {
        qint64 gaveUpMs = 0;   // on the app clock's monotonic time
        int timeoutMs = 0;     // the given-up exchange's time-out
        int endCondition = 1;  // how the owed reply ends
    };
    QHash<QString, Owed> m_owed;
};
