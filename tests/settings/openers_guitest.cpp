// The main window's procedures that open the settings dialogs: modeless, one instance each,
// an open one brought up again rather than made twice.
#include "settings/FormDate.h"
#include "settings/FormDisplaySetup.h"
#include "settings/FormMeterInformation.h"
#include "settings/Form_CalHistory.h"
#include "settings/Form_CorrectionFactors.h"
#include "settings/Form_InstalledOptions.h"
#include "settings/Form_Temperature_Compensation.h"
#include "shell/FormMain.h"
#include "tests/settings/SettingsFixture.h"

#include <QtTest>
#include <functional>

using Opener = void (FormMain::*)();
Q_DECLARE_METATYPE(Opener)

class OpenersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOneModelessInstance_data()
    {
        QTest::addColumn<Opener>("open");
        QTest::addColumn<QString>("name");
        QTest::newRow("options") << &FormMain::Open_InstalledOptions_Form << "Form_InstalledOptions";
        QTest::newRow("temperature") << &FormMain::Open_Temperature_Compensation_Form << "Form_Temperature_Compensation";
        QTest::newRow("history") << &FormMain::Open_CalHistory_Form << "Form_CalHistory";
        QTest::newRow("clock") << &FormMain::Open_Date_Form << "FormDate";
        QTest::newRow("display") << &FormMain::Open_DisplaySetup_Form << "FormDisplaySetup";
        QTest::newRow("AC linearity") << &FormMain::Open_CorrectionFactors_Form << "Form_CorrectionFactors";
        QTest::newRow("information") << &FormMain::Open_MeterInformation_Form << "FormMeterInformation";
    }
    void opensOneModelessInstance()
    {
        QFETCH(Opener, open);
        QFETCH(QString, name);
        SettingsFixture f;
        FormMain &main = appWindows().form<FormMain>();
        main.endProgram = [] {};
        (main.*open)();
        (main.*open)();
        QWidgetList found;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->objectName() == name && appWindows().holds(widget))
                found << widget;
        QCOMPARE(found.size(), 1);
        QVERIFY(found.first()->isVisible());
        QVERIFY(!found.first()->isModal());
        QVERIFY(f.boxes().isEmpty());
    }
};

QTEST_MAIN(OpenersTest)
#include "openers_guitest.moc"
