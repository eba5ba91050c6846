#pragma once

class FormMain;

// The program's start: loads the driver of the stored model (LoadDVMSetting), then
// StartWindows, then SearchAtStartUp. Returns with the main window shown; the event loop
// runs after it. `serviceMenu` shows the main window's Service menu (option --service).
void Main(bool serviceMenu = false);

// The automatic search at start-up, unless OfflineMode is set or there is no driver: shows
// the search window with its log hidden and runs it. When a meter is found the main window
// shows its information and connection and the search window is unloaded; otherwise the
// search window stays open with its result.
void SearchAtStartUp(FormMain &main);

// Start-up after the driver is loaded: user mode on, the splash for 2 seconds, the
// sockets' remote hosts and ports, an empty module list, then the main window, which is
// returned. When the stored model gives no driver (DVM1 empty) the program still starts:
// the main window says so in its connection box and in a message box, and every handler
// that needs the driver does nothing.
FormMain &StartWindows();
