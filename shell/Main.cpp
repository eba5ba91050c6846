#include "shell/Main.h"
#include "link/DMM_Setup.h"
#include "link/SharedState.h"

void Main()
{
    SharedState &s = state();
    LoadDVMSetting();
    s.UserMode = true;
    // The list of modules found is used from index 1; index 0 holds no device.
    s.EthernetDevices = {EthernetDevice()};
}
