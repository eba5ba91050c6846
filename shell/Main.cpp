#include "shell/Main.h"
#include "link/DMM_Setup.h"

// Kept apart from StartWindows so that the start-up steps can be tested without a driver
// factory.
void Main()
{
    LoadDVMSetting();
    StartWindows();
}
