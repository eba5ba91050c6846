#include "link/SharedState.h"
#include "link/platform/UdpSocketControl.h"
#include "shell/FormMain.h"
#include "shell/Main.h"
#include "shell/StartForm.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class StartupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stepsInOrder();
    void startsWithoutDriver();
};

void StartupTest::stepsInOrder()
{
    TestEnv env;
    state().DVM1 = std::make_unique<ScriptedDVM>();
    // Halfway through the pause the splash is up, without its OK button, and the main
    // window does not exist yet.
    bool splashUp = false;
    bool okHidden = false;
    bool mainLoaded = true;
    env.clock.scheduleAt(1000, [&] {
        StartForm *splash = appWindows().find<StartForm>();
        splashUp = splash && splash->isVisible();
        okHidden = splash && !splash->OKBut->isVisible();
        mainLoaded = appWindows().isLoaded<FormMain>();
    });

    FormMain &main = StartWindows();

    QVERIFY(splashUp);
    QVERIFY(okHidden);
    QVERIFY(!mainLoaded);
    QVERIFY(env.clock.elapsedMs() > 2000);
    QVERIFY(!appWindows().isLoaded<StartForm>());
    QVERIFY(state().UserMode);
    QCOMPARE(main.UDPCommand->RemoteHost, QStringLiteral("255.255.255.255"));
    QCOMPARE(main.UDPCommand->RemotePort, 32767);
    QCOMPARE(main.UDPData->RemotePort, 1001);
    QCOMPARE(main.UDPData->State(), int(UdpSocketControl::Closed));
    QCOMPARE(state().EthernetDevices.size(), 1);
    QCOMPARE(state().EthernetDevices[0], EthernetDevice());
    QVERIFY(main.isVisible());
    QCOMPARE(appWindows().find<FormMain>(), &main);
    QVERIFY(env.ui.boxes.isEmpty());
}

void StartupTest::startsWithoutDriver()
{
    TestEnv env;
    env.settings.SaveSetting(QStringLiteral("Settings"), QStringLiteral("DVM1"), QStringLiteral("3458A"));
    FormMain &main = StartWindows();

    QVERIFY(main.isVisible());
    QCOMPARE(env.ui.boxes.size(), 1);
    QVERIFY(env.ui.boxes[0].prompt.contains(QStringLiteral("\"3458A\" has no driver")));
    QCOMPARE(env.ui.boxes[0].style, int(Msg::Exclamation));
    QCOMPARE(env.ui.boxes[0].title, QStringLiteral("6400 Series Setup Utility"));
    QVERIFY(main.Text_ConnectionStatus->toPlainText().contains(QStringLiteral("No driver")));

    // Every handler that needs the driver copes with its absence.
    const QString connection = main.Text_ConnectionStatus->toPlainText();
    main.UpdateStatusBar();
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), connection);
    main.Command_GetInfo->click();
    QCOMPARE(main.Text_Info->toPlainText(), QString());
}

QTEST_MAIN(StartupTest)
#include "startup_guitest.moc"
