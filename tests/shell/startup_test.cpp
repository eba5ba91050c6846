#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/drivers/DVM_CAL.h"
#include "shell/FormAutoLocate.h"
#include "shell/Main.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QTest>

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartGivesTheMeterDriverWithoutLink()
    {
        TestEnv env;
        state().EthernetDevices = {EthernetDevice(), EthernetDevice()};
        QVERIFY(!state().OfflineMode);
        // The search would probe the machine's own ports and network; its start-up run is
        // tested in autolocate_guitest and program_itest.
        state().OfflineMode = true;
        Main();
        SharedState &s = state();
        QVERIFY(s.DVM1);
        QVERIFY(typeid(*s.DVM1) == typeid(DVM_6450));
        QCOMPARE(s.DVM1->GetInterfaceType(), 0);
        QCOMPARE(s.DVM1->GetDescription(), QString("Velkorande 6450\r\n."));
        QVERIFY(s.UserMode);
        QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
        QCOMPARE(s.EthernetDevices.size(), 1);
        QCOMPARE(s.EthernetDevices[0], EthernetDevice());
    }
    void storedCalibratorModel()
    {
        TestEnv env;
        env.settings.SaveSetting("Settings", "DVM1", "5520");
        state().OfflineMode = true;
        Main();
        QVERIFY(typeid(*state().DVM1) == typeid(DVM_CAL_5520));
    }
    void referenceModelLeavesNoDriver()
    {
        TestEnv env;
        env.settings.SaveSetting("Settings", "DVM1", "8508");
        Main();
        QVERIFY(!state().DVM1);
        QVERIFY(state().UserMode);
        // Without a driver start-up runs no search.
        QVERIFY(!appWindows().isLoaded<FormAutoLocate>());
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
