#include "tests/support/TestEnv.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"

#include <QTemporaryDir>
#include <QTest>

void useFreshConfigFolder()
{
    static QTemporaryDir folder;
    static bool done = false;
    if (!done) {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        done = true;
    }
}

TestEnv::TestEnv() : strayExchangesBefore(meterGate().strayExchanges())
{
    useFreshConfigFolder();
    resetProgramState();
    SharedState &s = state();
    s.clock = &clock;
    s.ui = &ui;
    s.settings = &settings;
    s.host = &host;
}

TestEnv::~TestEnv()
{
    resetProgramState();
    if (meterGate().strayExchanges() > strayExchangesBefore && !allowStrayExchanges && QTest::currentTestFunction())
        QTest::qFail("an exchange with the meter ran outside every operation: a path forgot the meter gate", __FILE__,
                     __LINE__);
}
