#include "tests/support/TestEnv.h"
#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Exchanges that reached the meter gate with no operation at all since the TestEnv was
// made: each is a path that forgot to begin one. The gate refuses them and says so on the
// log, which is where they are counted.
int strayExchanges = 0;
QtMessageHandler passOn = nullptr;

void countStrayExchanges(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("Meter exchange outside every operation")))
        ++strayExchanges;
    if (passOn)
        passOn(type, context, message);
}

} // namespace

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
    strayExchanges = 0;
    passOn = qInstallMessageHandler(countStrayExchanges);
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
    qInstallMessageHandler(passOn);
    if (strayExchanges > 0 && !allowStrayExchanges && QTest::currentTestFunction())
        QTest::qFail("an exchange with the meter ran outside every operation: a path forgot the meter gate", __FILE__,
                     __LINE__);
}
