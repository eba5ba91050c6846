// The display dialog (brightness sent without a reply, the time buttons send nothing) and
// the AC linearity dialog (read, set, "*0" anywhere, no load handler) against the simulated
// meter and a scripted driver.
#include "link/AppTitle.h"
#include "settings/FormDisplaySetup.h"
#include "settings/Form_CorrectionFactors.h"
#include "tests/settings/SettingsFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using metersim::Fault;

template <class Window>
constexpr bool hasLoadHandler = requires(Window &window) { window.Form_Load(); };

class DisplayAndLinearityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void brightness_data()
    {
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("call");
        QTest::newRow("primary at 3") << 1 << 3 << "B13|0|10|1";
        QTest::newRow("secondary at 0") << 2 << 0 << "B20|0|10|1";
        QTest::newRow("primary at the top") << 1 << 15 << "B115|0|10|1";
    }
    void brightness()
    {
        QFETCH(int, display);
        QFETCH(int, position);
        QFETCH(QString, call);
        SettingsFixture f;
        auto &form = appWindows().form<FormDisplaySetup>();
        (display == 1 ? form.Slider1 : form.Slider2)->setValue(position);
        (display == 1 ? form.Command_SetDisplay1 : form.Command_SetDisplay2)->click();
        QCOMPARE(f.calls(), QStringList{call});
        f.env.clock.advance(500); // the reply arrives, unread
        QCOMPARE(display == 1 ? f.meter.state().brightness1 : f.meter.state().brightness2, position);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(f.boxes().isEmpty());
    }

    void displayControls()
    {
        SettingsFixture f;
        auto &form = appWindows().form<FormDisplaySetup>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Display"));
        QCOMPARE(form.Text_DimTime->text(), QStringLiteral("30"));
        QCOMPARE(form.Text_OffTime->text(), QStringLiteral("180"));
        QCOMPARE(form.Label1->text(), QStringLiteral("(minutes - 0 to disable)"));
        QCOMPARE(form.Slider1->minimum(), 0);
        QCOMPARE(form.Slider2->maximum(), 15);
        form.Text_DimTime->setText("7");
        form.Command_SetDimTimeout->click();
        form.Command_SetOffTimeout->click();
        QVERIFY(f.calls().isEmpty());
        form.UpDown1->stepBy(1);
        QCOMPARE(form.Text_DimTime->text(), QStringLiteral("8"));
        form.Text_OffTime->setText("999");
        form.UpDown2->stepBy(1);
        QCOMPARE(form.Text_OffTime->text(), QStringLiteral("999"));
        form.Text_OffTime->setText("x");
        form.UpDown2->stepBy(-1);
        QCOMPARE(form.Text_OffTime->text(), QStringLiteral("0"));
    }

    void readCorrection_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("value") << -12.5 << false << "-12.5";
        QTest::newRow("zero") << 0.0 << false << "0";
        QTest::newRow("time-out shows 0") << 7.0 << true << "0";
    }
    void readCorrection()
    {
        QFETCH(double, stored);
        QFETCH(bool, silent);
        QFETCH(QString, shown);
        SettingsFixture f;
        f.meter.editState([stored](metersim::MeterState &s) { s.acLinearity = stored; });
        if (silent)
            f.meter.addFault(Fault::Silence, "CORRECTION", 1);
        auto &form = appWindows().form<Form_CorrectionFactors>();
        QVERIFY(f.calls().isEmpty()); // no load handler: opening reads nothing
        QVERIFY(form.Text_ACLIN->text().isEmpty());
        form.Command_ACLIN[0]->click();
        QCOMPARE(f.calls(), QStringList{"CORRECTION:ACLIN ?|1|10|1"});
        QCOMPARE(form.Text_ACLIN->text(), shown);
        QVERIFY(f.boxes().isEmpty());
    }

    void setCorrection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reply"); // scripted; empty: the simulated meter answers
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("shown");
        const QString failed = "error setting factor|" + AppTitle + "|16";
        QTest::newRow("12.5") << "12.5" << "" << "CORRECTION:ACLIN 12.5" << QStringList{};
        QTest::newRow("12.50 ppm") << "12.50 ppm" << "" << "CORRECTION:ACLIN 12.5" << QStringList{};
        QTest::newRow("no number sends 0") << "ppm" << "" << "CORRECTION:ACLIN 0" << QStringList{};
        QTest::newRow("refused by the meter") << "5000" << "" << "CORRECTION:ACLIN 5000" << QStringList{failed};
        QTest::newRow("*0 after other text") << "1" << "ok\r*0\r" << "CORRECTION:ACLIN 1" << QStringList{};
        QTest::newRow("time-out") << "1" << "TIMEOUT" << "CORRECTION:ACLIN 1" << QStringList{failed};
    }
    void setCorrection()
    {
        QFETCH(QString, text);
        QFETCH(QString, reply);
        QFETCH(QString, sent);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        if (!reply.isEmpty()) {
            f.recorder->forwardTo = nullptr;
            f.recorder->reply = [reply](const QString &) { return reply; };
        }
        auto &form = appWindows().form<Form_CorrectionFactors>();
        form.Text_ACLIN->setText(text);
        form.Command_ACLIN_Click(1);
        QCOMPARE(f.calls(), QStringList{sent + "|1|10|1"});
        QCOMPARE(f.boxes(), shown);
        QCOMPARE(form.Text_ACLIN->text(), text); // Set never changes the box
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void correctionControls()
    {
        SettingsFixture f;
        auto &form = appWindows().form<Form_CorrectionFactors>();
        static_assert(!hasLoadHandler<Form_CorrectionFactors>, "the dialog has no load handler");
        static_assert(hasLoadHandler<FormDisplaySetup>);
        QCOMPARE(form.windowTitle(), QStringLiteral("Correction Factors"));
        QCOMPARE(form.Label1->text(), QStringLiteral("AC Linearity Correction (ppm at half scale)"));
        QCOMPARE(form.Command_ACLIN[0]->text(), QStringLiteral("Read"));
        QCOMPARE(form.Command_ACLIN[1]->text(), QStringLiteral("Set"));
        form.Command_Exit->click();
        QVERIFY(!appWindows().isLoaded<Form_CorrectionFactors>());
    }
};

QTEST_MAIN(DisplayAndLinearityTest)
#include "displayandlinearity_guitest.moc"
