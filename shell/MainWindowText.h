#pragma once
#include <QString>

// The texts the main window builds, as plain functions.

// The information box's text from the meter's reply to "v": each line that begins
// (case-sensitive) with "Model", "Version" or "Serial" as it came, and the stored table
// versions behind their titles ("Unc", "Spec", "Tab" lines), each followed by CR LF, in
// the reply's order. Other lines are skipped, so a failed exchange gives the empty text.
QString InfoTextFromReply(const QString &reply);

// A reading such as "4.7E-6" as the display text "4.700u" ("1.2345E-04", at the upper
// edge of the micro band, shows as "0.12345m"): the mantissa times ten to
// the exponent shifted into the range of its engineering prefix (n, u, m, blank, k, M, G,
// T; none above 10^12), written as "0.000###". Empty when the text holds no "E" or the
// value is not a finite number.
QString DisplayReadingText(const QString &reading);

// Status panel 1 for the serial port: "Com3 Open", or the empty text when closed.
QString PortPanelText(int port, bool open);

// A whole number as position settings store it: a leading blank when not negative.
QString SignedNumberText(long long value);
