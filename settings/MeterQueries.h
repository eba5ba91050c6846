#pragma once
#include <QString>

// The two ways the settings dialogs talk to the meter besides SendToMeter (which awaits a
// reply up to its status token).

// A query the meter answers with one line and no status token ("*IDN?", "TEMP?"): the reply
// ends after its first line. The empty text when no driver is set.
QString AskMeterOneLine(const QString &command, int timeoutSeconds);

// A command whose reply is not awaited (the meter's answer is dropped with the next command).
void SendWithoutReply(const QString &command);
