#pragma once
#include "link/MeterGate.h"
#include "link/MeterOperation.h"

#include <QString>

// What a write of a table into the meter came to, told by the meter's own replies. The
// table's information line claims only what the meter took, and a run that drives a table
// window (the setup tasks) reports a table as written only when the meter took all of it.

// True when a reply says the meter did not answer at all: "TIMEOUT", or the empty text of a
// link that failed.
inline bool IsNoReply(const QString &reply) { return reply.isEmpty() || reply == QLatin1String("TIMEOUT"); }

// Who asked for a table write. The user's own click is told in message boxes what ended the
// write early; a run that drives the window (the setup tasks) reports that itself, so the
// window asks nothing and shows no box that only ends the write.
enum class WriteFor { User, Run };

// What a table's information line may claim after a write.
enum class InformationClaim {
    None,    // the meter took no value of the write, none went unanswered and none was answered
             // unclearly: no line
    Changed, // values were taken, or one went unanswered (the meter may have taken it),
             // but not all the write sent, or the write ended early: the form without a
             // version, where the table has one
    Whole,   // the meter took every value the write sent, to the end, and none was left
             // out (a value that is not a number): the versioned form
};

struct MeterWriteResult
{
    int sent = 0;       // values sent (a value tried again counts once)
    int accepted = 0;   // values the meter answered "*0" for
    int notWritten = 0; // values of the write the meter did not take: refused, not numbers, never sent
    bool endedEarly = false; // Stop, a time-out, "*6", Abort or the window closing ended the write
    bool timedOut = false;   // it ended because the meter stopped answering
    bool informationAccepted = false; // the table's information line was stored
    // A value got an answer that neither says taken ("*0") nor refused ("*9", "*6"), nor
    // was the value kept back ("BUSY", or the gate's refusal): noise, an echo, another
    // status. The meter may have taken the value.
    bool answeredUnclearly = false;

    bool complete() const { return notWritten == 0 && informationAccepted; }

    // Notes the reply to a value sent (SendTableValue: a late answer that came is the
    // value's own); false when the write must end here. A value still unanswered after its
    // own answer was waited for means the meter stopped answering: nothing more of the
    // write is sent.
    bool noteReply(const QString &reply)
    {
        const ReplyStatus status = ClassifyReply(reply);
        if (status == ReplyStatus::Done)
            ++accepted;
        if (!IsNoReply(reply)) {
            if (status == ReplyStatus::Other && reply != QLatin1String("BUSY") && reply != MeterGate::Refused)
                answeredUnclearly = true;
            return true;
        }
        timedOut = endedEarly = true;
        return false;
    }

    InformationClaim informationClaim() const
    {
        if (accepted == 0 && !timedOut && !answeredUnclearly)
            return InformationClaim::None;
        return !endedEarly && accepted == sent && notWritten == 0 ? InformationClaim::Whole : InformationClaim::Changed;
    }

    // Counts the values of a write of `toWrite` that the meter did not take.
    void countNotWritten(int toWrite) { notWritten = toWrite - accepted; }

    // The end of a write of `toWrite` values: counts what the meter did not take and, when
    // the meter stopped answering and `tellUser` (the user's own write, its window still
    // open), says so in the one message.
    void endWrite(int toWrite, bool tellUser);

    // The one message of a user's write that ended because the meter stopped answering.
    QString noReplyMessage() const
    {
        return QStringLiteral("The meter did not answer: ") + QString::number(notWritten)
               + (notWritten == 1 ? QStringLiteral(" value") : QStringLiteral(" values"))
               + QStringLiteral(" not written");
    }
};
