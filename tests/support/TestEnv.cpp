#include "tests/support/TestEnv.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"

#include <QTemporaryDir>

void useFreshConfigFolder()
{
    static QTemporaryDir folder;
    static bool done = false;
    if (!done) {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        done = true;
    }
}

TestEnv::TestEnv()
{
    useFreshConfigFolder();
    resetProgramState();
    SharedState &s = state();
    s.clock = &clock;
    s.ui = &ui;
    s.settings = &settings;
    s.host = &host;
}

TestEnv::~TestEnv() { resetProgramState(); }
