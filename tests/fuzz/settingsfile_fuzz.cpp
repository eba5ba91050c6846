// The settings file as a user or another program may leave it: read through the real store
// into the start-up settings (the model, the USB and Ethernet links, the port mapping).
#include "link/AppTitle.h"
#include "link/DMM_Setup.h"
#include "link/Ethernet.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/SettingsStore.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
QString settingsPath;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    useFreshConfigFolder();
    settingsPath = QSettings(QSettings::IniFormat, QSettings::UserScope, AppTitle, AppTitle).fileName();
    QDir().mkpath(QFileInfo(settingsPath).absolutePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input(data, size);
    const QString &path = settingsPath;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(input.bytes());
    }
    TestEnv env;
    QtSettingsStore store;
    state().settings = &store;
    LoadDVMSetting();
    LoadUSBSettings();
    LoadEthernetSettings();
    for (int port = 1; port <= 16; ++port)
        FUZZ_CHECK(!serialDeviceFor(port, store).isEmpty());
    state().DVM1.reset();
    state().settings = &env.settings;
    return 0;
}
