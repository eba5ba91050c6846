#pragma once

// Start-up, in order: the active driver from the settings, user mode, the empty list of
// Ethernet modules. The splash window, the main window with its sockets and the automatic
// search take their places here as those windows arrive.
void Main();
