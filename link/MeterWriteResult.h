#pragma once
#include <QString>

// What a write of a table into the meter came to, told by the meter's own replies: a run
// that drives a table window (the setup tasks) reports a table as written only when the
// meter took all of it.
struct MeterWriteResult
{
    int accepted = 0;   // values the meter answered "*0" for
    int notWritten = 0; // values for a place the meter has that it did not take, or that were never sent
    bool informationAccepted = false; // the table's information line was stored
    bool timedOut = false;            // the write ended because the meter stopped answering

    bool complete() const { return notWritten == 0 && informationAccepted; }
};

// What a write does when the meter does not answer a value. A user's own save tries every
// value in turn. A write driven by a run ends at once: each further value would wait out
// its whole time-out (about 23 minutes for a table) with nothing to show for it.
enum class WhenMeterSilent { TryNextValue, EndWrite };

// True when a reply says the meter did not answer at all: "TIMEOUT", or the empty text of a
// link that failed.
inline bool IsNoReply(const QString &reply) { return reply.isEmpty() || reply == QLatin1String("TIMEOUT"); }
