#pragma once
#include <QString>

// Start-up's helpers shared across the program.

// Replaces the active driver DVM1 with a new one for the stored model ("DVM1", default "6450").
void LoadDVMSetting();
// Blocks for the given seconds on the monotonic clock; window messages are not processed.
void Wait(double seconds);
// Progress hook of every reply loop: reports the reply so far to the main-window host,
// which feeds the progress window when it is visible and grows the activity bar in
// status panel 2 by one mark (emptied on every 26th call).
void ShowActivity(const QString &text);
