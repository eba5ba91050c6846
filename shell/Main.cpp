#include "shell/Main.h"
#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "shell/FormAutoLocate.h"
#include "shell/FormMain.h"
#include "widgets/WindowRegistry.h"

// Kept apart from StartWindows so that the start-up steps can be tested without a driver
// factory.
void Main(bool serviceMenu)
{
    LoadDVMSetting();
    FormMain &main = StartWindows();
    if (serviceMenu)
        main.ShowServiceMenu();
    SearchAtStartUp(main);
}

void SearchAtStartUp(FormMain &main)
{
    SharedState &s = state();
    // Without a driver there is nothing to give a link to; StartWindows has said so.
    if (s.OfflineMode || !s.DVM1)
        return;
    // Opening the window (its load lists the serial ports), the search and the Update after
    // it are one operation on the meter.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    FormAutoLocate &search = appWindows().form<FormAutoLocate>();
    search.show();
    search.SetShowDetails(false);
    if (search.Locate_All()) {
        main.Command_GetInfo_Click();
        main.UpdateStatusBar();
        appWindows().unload<FormAutoLocate>();
    }
}
