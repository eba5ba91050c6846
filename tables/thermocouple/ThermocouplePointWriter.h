#pragma once
#include <QString>
#include <QtGlobal>

class QLabel;

namespace Thermocouple {

// How the sending of one point ended; each window decides what its run does next.
enum class PointOutcome {
    Written,        // the meter answered "*0"
    Skipped,        // outside the limits: nothing sent, nothing shown
    PasswordNeeded, // "*6": "Password needed" was shown
    Stopped,        // a try failed and the stop flag was found set after it
    Aborted,        // two failed tries, the user chose Abort
    Ignored,        // two failed tries, the user chose Ignore
};

// Sends one point "Wc<type> <E>,<temperatureText>" through DVM1 unless it is outside the
// limits. Shows "Writing Type <type> EMF <E>" in `status`, then grants two tries, each
// awaiting the status token for `timeoutSeconds`, and yields to the window system after
// every try so Stop can be clicked; a try ends the point early when the stop flag is set.
// After two failed tries the user chooses Abort, Retry (the point starts over) or Ignore.
PointOutcome writeThermocouplePoint(qint32 E, double T, const QString &type, const QString &temperatureText,
                                    int timeoutSeconds, const bool &stopFlag, QLabel &status);

} // namespace Thermocouple
