// The temperature compensation dialog against the simulated meter: the range box, the
// coefficient and ambient-temperature limits, the internal temperature on every activation,
// and no setup-mode bracket anywhere.
#include "link/AppTitle.h"
#include "settings/Form_Temperature_Compensation.h"
#include "shell/FormMain.h"
#include "tests/settings/SettingsFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using metersim::Fault;

class TemperatureCompensationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutAndRanges()
    {
        SettingsFixture f;
        auto &form = appWindows().form<Form_Temperature_Compensation>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Temperature Compensation"));
        QCOMPARE(form.Command_AmbientTemp->text(), QStringLiteral("Set Reference Ambient  Temperature"));
        QCOMPARE(form.Text_AmbientTemp->text(), QStringLiteral("20.0"));
        QCOMPARE(form.Combo_Ranges->count(), 24);
        QCOMPARE(form.Combo_Ranges->itemText(0), QStringLiteral("1 : 100mv DC"));
        QCOMPARE(form.Combo_Ranges->itemText(23), QStringLiteral("54 : 10M 2-wire"));
        QCOMPARE(form.Combo_Ranges->currentIndex(), -1);
        QVERIFY(f.commands().isEmpty()); // loading reads nothing
    }

    void chooseRange_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("shown");
        QTest::newRow("accepted") << "" << QStringList{"R33|1|2|1", "TEMPCOMP:COEFF ?|1|2|1"} << "2.5";
        QTest::newRow("refused range keeps the box") << "reject:R" << QStringList{"R33|1|2|1"} << "old";
        QTest::newRow("coefficient not answered") << "silence:TEMPCOMP" << QStringList{"R33|1|2|1", "TEMPCOMP:COEFF ?|1|2|1"}
                                                  << "0";
        // Closed while the range is chosen: the coefficient is not asked for.
        QTest::newRow("window closed meanwhile") << "close:R" << QStringList{"R33|1|2|1"} << "old";
    }
    void chooseRange()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, calls);
        QFETCH(QString, shown);
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.tempCoeffs[33] = 2.5; });
        if (fault.startsWith("reject"))
            f.meter.addFault(Fault::Reject, fault.section(':', 1), 1);
        else if (fault.startsWith("silence"))
            f.meter.addFault(Fault::Silence, fault.section(':', 1), 1);
        auto &form = appWindows().form<Form_Temperature_Compensation>();
        if (fault.startsWith("close"))
            f.meter.setObserver([&form, prefix = fault.section(':', 1)](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(prefix))
                    form.close();
            });
        form.Text_Coeff->setText("old");
        form.Combo_Ranges->setCurrentIndex(5);
        form.Combo_Ranges_Click();
        QCOMPARE(f.calls(), calls);
        QCOMPARE(form.Text_Coeff->text(), shown);
        QVERIFY(f.boxes().isEmpty());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void setCoefficient_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("boxes");
        const QString invalid = QStringLiteral("Invalid Coefficient (Max \u00B1300 ppm/\u00B0C)|") + AppTitle + "|48";
        QTest::newRow("300") << "300" << "" << QStringList{"TEMPCOMP:COEFF 300|1|4|1"} << QStringList{};
        QTest::newRow("-300") << "-300" << "" << QStringList{"TEMPCOMP:COEFF -300|1|4|1"} << QStringList{};
        QTest::newRow("300.5") << "300.5" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("-301") << "-301" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("letters after the digits") << "12ppm" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("refused") << "2.50" << "reject" << QStringList{"TEMPCOMP:COEFF 2.5|1|4|1"}
                                 << QStringList{"Error Setting Coefficient|" + AppTitle + "|48"};
    }
    void setCoefficient()
    {
        QFETCH(QString, text);
        QFETCH(QString, fault);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, boxes);
        SettingsFixture f;
        auto &form = appWindows().form<Form_Temperature_Compensation>();
        form.Combo_Ranges->setCurrentIndex(0);
        form.Combo_Ranges_Click();
        f.forget();
        if (!fault.isEmpty())
            f.meter.addFault(Fault::Reject, "TEMPCOMP", 1);
        form.Text_Coeff->setText(text);
        form.Command_Coeff_Click();
        QCOMPARE(f.calls(), calls);
        QCOMPARE(f.boxes(), boxes);
        if (!calls.isEmpty() && fault.isEmpty())
            QCOMPARE(f.meter.state().tempCoeffs.at(1), text.toDouble());
    }

    void setAmbient_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("boxes");
        const QString invalid = "Invalid Temperature|" + AppTitle + "|48";
        const QString ok = "Temperature Set OK|" + AppTitle + "|64";
        QTest::newRow("initial text") << "20.0" << "" << QStringList{"TEMPCOMP:AMBIENT 20|1|10|1"} << QStringList{ok};
        QTest::newRow("0.1") << "0.1" << "" << QStringList{"TEMPCOMP:AMBIENT 0.1|1|10|1"} << QStringList{ok};
        QTest::newRow("99.9") << "99.9" << "" << QStringList{"TEMPCOMP:AMBIENT 99.9|1|10|1"} << QStringList{ok};
        QTest::newRow("0") << "0" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("100") << "100" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("no number") << "warm" << "" << QStringList{} << QStringList{invalid};
        QTest::newRow("no reply") << "21" << "silence" << QStringList{"TEMPCOMP:AMBIENT 21|1|10|1"}
                                  << QStringList{"Error Setting Temperature|" + AppTitle + "|48"};
    }
    void setAmbient()
    {
        QFETCH(QString, text);
        QFETCH(QString, fault);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, boxes);
        SettingsFixture f;
        auto &form = appWindows().form<Form_Temperature_Compensation>();
        if (!fault.isEmpty())
            f.meter.addFault(Fault::Silence, "TEMPCOMP", 1);
        form.Text_AmbientTemp->setText(text);
        form.Command_AmbientTemp_Click();
        QCOMPARE(f.calls(), calls);
        QCOMPARE(f.boxes(), boxes);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void internalTemperature_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("reading") << false << "23.4\u00B0C";
        QTest::newRow("time-out shows the failure text") << true << "TIMEOUT\u00B0C";
    }
    void internalTemperature()
    {
        QFETCH(bool, silent);
        QFETCH(QString, shown);
        SettingsFixture f;
        if (silent)
            f.meter.addFault(Fault::Silence, "TEMP?", 1);
        auto &form = appWindows().form<Form_Temperature_Compensation>();
        form.Command_ReadTemp_Click();
        QCOMPARE(f.calls(), QStringList{"TEMP?|1|4|0"});
        QCOMPARE(form.Label_ReadTemp->text(), shown);
    }

    // Every activation from another program window reads the temperature; a message box
    // closing over the window does not, nor one while a setup-task run holds the meter.
    void readsOnEveryActivation()
    {
        SettingsFixture f;
        FormMain &main = appWindows().form<FormMain>();
        main.endProgram = [] {};
        main.show();
        QTRY_VERIFY(main.isActiveWindow());
        main.Open_Temperature_Compensation_Form();
        auto &form = *appWindows().find<Form_Temperature_Compensation>();
        QTRY_COMPARE(f.commands(), QStringList{"TEMP?"});
        QCOMPARE(form.Label_ReadTemp->text(), QStringLiteral("23.4\u00B0C"));

        form.Text_AmbientTemp->setText("0");
        form.Command_AmbientTemp_Click(); // a box, no activation change
        QTest::qWait(50);
        QCOMPARE(f.commands(), QStringList{"TEMP?"});

        main.activateWindow();
        QTRY_VERIFY(main.isActiveWindow());
        main.Open_Temperature_Compensation_Form(); // the same window again
        QCOMPARE(appWindows().find<Form_Temperature_Compensation>(), &form);
        QTRY_COMPARE(f.commands(), (QStringList{"TEMP?", "TEMP?"}));

        // Another operation holds the meter, and the window system runs inside its wait.
        const MeterGate::Operation meter = meterGate().begin();
        const MeterGate::Yield insideItsWait;
        main.activateWindow();
        QTRY_VERIFY(main.isActiveWindow());
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());
        QTest::qWait(50);
        QCOMPARE(f.commands(), (QStringList{"TEMP?", "TEMP?"}));
    }
};

QTEST_MAIN(TemperatureCompensationTest)
#include "temperaturecompensation_guitest.moc"
