#pragma once

class FormMain;

// The program's start: loads the driver of the stored model (LoadDVMSetting), then
// StartWindows. Returns with the main window shown; the event loop runs after it.
void Main();

// Start-up after the driver is loaded: user mode on, the splash for 2 seconds, the
// sockets' remote hosts and ports, an empty module list, then the main window, which is
// returned. When the stored model gives no driver (DVM1 empty) the program still starts:
// the main window says so in its connection box and in a message box, and every handler
// that needs the driver does nothing.
FormMain &StartWindows();
