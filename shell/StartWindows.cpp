#include "link/DMM_Setup.h"
#include "link/DeviceRecords.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/platform/UdpSocketControl.h"
#include "shell/FormMain.h"
#include "shell/Main.h"
#include "shell/StartForm.h"
#include "widgets/WindowRegistry.h"

FormMain &StartWindows()
{
    SharedState &s = state();
    s.UserMode = true;

    // The splash stays up while the thread is blocked, so it is painted before the pause.
    StartForm &splash = appWindows().form<StartForm>();
    splash.show();
    appClock().processEvents();
    splash.repaint();
    Wait(2);
    appWindows().unload<StartForm>();

    FormMain &main = appWindows().form<FormMain>();
    main.UDPCommand->RemoteHost = QStringLiteral("255.255.255.255");
    main.UDPCommand->RemotePort = 32767;
    main.UDPData->RemotePort = 1001;

    // Index 0 holds no module; modules found are numbered from 1.
    s.EthernetDevices = {EthernetDevice()};

    main.show();
    if (!s.DVM1)
        main.ShowNoDriver(appSettings().GetSetting(SettingsStore::Section, QStringLiteral("DVM1"), QStringLiteral("6450")));
    return main;
}
