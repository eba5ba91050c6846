// The installed options dialog against the simulated meter: reading the model and options,
// the dependency rules before a write, the bracketed writes and what a refusal leaves, the
// reset of the user options and the hidden model buttons.
#include "link/AppTitle.h"
#include "settings/Form_InstalledOptions.h"
#include "tests/settings/SettingsFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using metersim::Fault;

namespace {

const QString Identify = QStringLiteral("*IDN?|1|2|0");
const QString AskOptions = QStringLiteral("SYSTEM:OPTIONS ?|1|2|0");

QList<int> tickedBits(const Form_InstalledOptions &form)
{
    QList<int> bits;
    for (int bit = 0; bit < InstalledOptions::OptionCount; ++bit)
        if (form.Check_Options[bit]->isChecked())
            bits << bit;
    return bits;
}

void tick(Form_InstalledOptions &form, const QList<int> &bits)
{
    for (int bit = 0; bit < InstalledOptions::OptionCount; ++bit)
        form.Check_Options[bit]->setChecked(bits.contains(bit));
}

int selectedModel(const Form_InstalledOptions &form)
{
    for (int index = 0; index < InstalledOptions::ModelCount; ++index)
        if (form.Option_Model[index]->isChecked())
            return index;
    return -1;
}

} // namespace

class InstalledOptionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layout()
    {
        SettingsFixture f;
        auto &form = appWindows().form<Form_InstalledOptions>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Installed Options"));
        QCOMPARE(form.Check_Options[0]->text(), QStringLiteral("By Model (Ver 1.x, Overrides other settings)"));
        QCOMPARE(form.Check_Options[20]->text(), QStringLiteral("Capacitance"));
        QCOMPARE(form.Option_Model[4]->text(), QStringLiteral("6475"));
        QCOMPARE(form.Command_SelectDefaults->text(), QStringLiteral("Select Default Options for Model"));
        QCOMPARE(form.Command_ResetOptions->text(), QStringLiteral("Reset User Options"));
        QVERIFY(form.Command_6450[0]->isHidden());
        QVERIFY(form.Command_6450[1]->isHidden());
        QCOMPARE(form.Command_6450[1]->text(), QStringLiteral("6440"));
    }

    // Opening reads the model and the options; installed options are marked beyond colour.
    void openingReads()
    {
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.options = 522190 - 4; }); // no PRT
        auto &form = appWindows().form<Form_InstalledOptions>();
        QCOMPARE(f.calls(), (QStringList{Identify, AskOptions}));
        QCOMPARE(selectedModel(form), 0);
        QCOMPARE(tickedBits(form), (QList<int>{1, 3, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18}));
        QVERIFY(form.isMarkedInstalled(1));
        QVERIFY(!form.isMarkedInstalled(2));
        QVERIFY(form.Check_Options[1]->font().bold());
        QVERIFY(!form.Check_Options[2]->font().bold());
        QCOMPARE(form.Check_Options[1]->accessibleDescription(), QStringLiteral("Installed"));
        QCOMPARE(form.Check_Options[2]->toolTip(), QStringLiteral("Not installed"));
        QVERIFY(f.boxes().isEmpty());
        QCOMPARE(f.env.ui.hourglassDepth, 0);

        // The defaults change the ticks, not the marks.
        form.Option_Model[3]->setChecked(true);
        QCOMPARE(tickedBits(form), (QList<int>{8, 9, 17, 18}));
        QVERIFY(!form.isMarkedInstalled(2));
        QVERIFY(form.isMarkedInstalled(12));
    }

    void readReplies_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("model");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("exchanges");
        QTest::newRow("mixed case model, one option")
            << "acme,mOdEl 6440,1,1\r" << "1024\r" << 2 << QList<int>{10} << QStringList{} << 2;
        QTest::newRow("negative mask keeps the defaults")
            << "Model 6480\r" << "-1\r" << 3 << QList<int>{8, 9, 17, 18} << QStringList{} << 2;
        QTest::newRow("failed options read clears every box")
            << "Model 6475\r" << "TIMEOUT" << 4 << QList<int>{} << QStringList{} << 2;
        QTest::newRow("model not recognised")
            << "Tarnowelk Instruments,Model 2010\r" << "1\r" << -1 << QList<int>{}
            << QStringList{"Error reading model number|" + AppTitle + "|0"} << 1;
        QTest::newRow("mask beyond 32 bits")
            << "Model 6450\r" << "1E20\r" << 0 << QList<int>{1, 2, 3, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18}
            << QStringList{"Error reading options Overflow|" + AppTitle + "|0"} << 2;
    }
    void readReplies()
    {
        QFETCH(QString, identity);
        QFETCH(QString, options);
        QFETCH(int, model);
        QFETCH(QList<int>, ticked);
        QFETCH(QStringList, boxes);
        QFETCH(int, exchanges);
        TestEnv env;
        auto dvm = std::make_unique<ScriptedDVM>();
        ScriptedDVM &scripted = *dvm;
        scripted.reply = [&](const QString &command) { return command == QLatin1String("*IDN?") ? identity : options; };
        state().DVM1 = std::move(dvm);
        auto &form = appWindows().form<Form_InstalledOptions>();
        QCOMPARE(selectedModel(form), model);
        QCOMPARE(tickedBits(form), ticked);
        QStringList shown;
        for (const auto &box : env.ui.boxes)
            shown << box.prompt + "|" + box.title + "|" + QString::number(box.style);
        QCOMPARE(shown, boxes);
        QCOMPARE(scripted.calls.size(), exchanges);
        QCOMPARE(env.ui.hourglassDepth, 0);
        appWindows().destroyAll();
    }

    // Set: the bracket, the model, the mask, and a read of what the meter now holds.
    void setWrites_data()
    {
        QTest::addColumn<int>("model"); // index of the model button, -1: none
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QString>("fault"); // "reject:<prefix>" or "refuse:<prefix>"
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<bool>("leftInSetupMode");
        const QString access = Access + "|1|5|1", leave = Leave + "|1|10|1";
        const QList<int> defaults6450{1, 2, 3, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18};
        QTest::newRow("6450 defaults")
            << 0 << defaults6450 << ""
            << QStringList{access, "model 6450|1|5|1", "SYSTEM:OPTIONS 522190|1|4|1", leave, Identify, AskOptions}
            << QStringList{} << qint64(522190) << false;
        QTest::newRow("6445 with capacitance")
            << 1 << QList<int>{8, 9, 20} << ""
            << QStringList{access, "model 6445|1|5|1", "SYSTEM:OPTIONS 1049344|1|4|1", leave, Identify, AskOptions}
            << QStringList{} << qint64(1049344) << false;
        QTest::newRow("broken rules: nothing sent")
            << 0 << QList<int>{16, 6} << "" << QStringList{}
            << QStringList{"Frequency option requires AC option\rShunt option requires Rear Terminals option\r|"
                           "Incompatible Options|48",
                           "Options Not Set|Options|48"}
            << qint64(522190) << false;
        QTest::newRow("setup mode refused")
            << 0 << defaults6450 << "refuse:k" << QStringList{access}
            << QStringList{"Error Entering Setup Mode|Options|48"} << qint64(522190) << false;
        QTest::newRow("model refused: setup mode left open")
            << 2 << QList<int>{17} << "reject:model" << QStringList{access, "model 6440|1|5|1"}
            << QStringList{"Set Model Type Failed |" + AppTitle + "|48"} << qint64(522190) << true;
        QTest::newRow("options refused: setup mode left open")
            << 0 << QList<int>{17} << "reject:SYSTEM:OPTIONS " << QStringList{access, "model 6450|1|5|1", "SYSTEM:OPTIONS 131072|1|4|1"}
            << QStringList{"Set Options Failed |" + AppTitle + "|48"} << qint64(522190) << true;
        // Closed while the model is written: the options are not sent, setup mode is left.
        QTest::newRow("window closed while the model is written")
            << 0 << QList<int>{17} << "close:model" << QStringList{access, "model 6450|1|5|1", leave}
            << QStringList{} << qint64(522190) << false;
    }
    void setWrites()
    {
        QFETCH(int, model);
        QFETCH(QList<int>, ticked);
        QFETCH(QString, fault);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, boxes);
        QFETCH(qint64, stored);
        QFETCH(bool, leftInSetupMode);
        SettingsFixture f;
        auto &form = appWindows().form<Form_InstalledOptions>();
        form.Option_Model[model]->setChecked(true);
        tick(form, ticked);
        f.forget();
        if (fault.startsWith("close"))
            f.meter.setObserver([&form, prefix = fault.section(':', 1)](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(prefix))
                    form.close();
            });
        else if (!fault.isEmpty())
            f.meter.addFault(fault.startsWith("refuse") ? Fault::Refuse : Fault::Reject, fault.section(':', 1), 1);
        form.Command_Set_Click();
        QCOMPARE(f.calls(), calls);
        QCOMPARE(f.boxes(), boxes);
        QCOMPARE(f.meter.state().options, stored);
        QCOMPARE(f.meter.mode() == metersim::Mode::Service, leftInSetupMode);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // Without a recognised model no button is selected and Set sends the options alone.
    void setWithoutModel()
    {
        SettingsFixture f;
        f.meter.setForeignIdentity(true);
        auto &form = appWindows().form<Form_InstalledOptions>();
        QCOMPARE(selectedModel(form), -1);
        form.Command_SelectDefaults_Click();
        QCOMPARE(tickedBits(form), (QList<int>{17, 18}));
        f.forget();
        form.Command_Set_Click();
        QCOMPARE(f.commands(), (QStringList{Access, "SYSTEM:OPTIONS 393216", Leave, "*IDN?"}));
        QCOMPARE(f.boxes(), QStringList{"Error reading model number|" + AppTitle + "|0"});
    }

    void resetOptions_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("result"); // the box after the question
        QTest::newRow("reset") << int(Msg::Yes) << "" << QStringList{Access, "OPTDEFAULT", Leave}
                               << "Options Reset|" + AppTitle + "|64";
        QTest::newRow("declined") << int(Msg::No) << "" << QStringList{} << "";
        QTest::newRow("setup mode refused") << int(Msg::Yes) << "refuse:k" << QStringList{Access}
                                            << "Error entering setup mode|" + AppTitle + "|0";
        QTest::newRow("reset rejected, setup mode still left")
            << int(Msg::Yes) << "reject:OPTDEFAULT" << QStringList{Access, "OPTDEFAULT", Leave}
            << "Error Resetting Options|" + AppTitle + "|16";
        // Closed meanwhile: nothing is reset and nothing is shown; setup mode is left.
        QTest::newRow("window closed while entering setup mode")
            << int(Msg::Yes) << "close:k" << QStringList{Access, Leave} << "";
    }
    void resetOptions()
    {
        QFETCH(int, answer);
        QFETCH(QString, fault);
        QFETCH(QStringList, commands);
        QFETCH(QString, result);
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.ambient = 23; });
        auto &form = appWindows().form<Form_InstalledOptions>();
        f.forget();
        if (fault.startsWith("close"))
            f.meter.setObserver([&form, prefix = fault.section(':', 1)](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(prefix))
                    form.close();
            });
        else if (!fault.isEmpty())
            f.meter.addFault(fault.startsWith("refuse") ? Fault::Refuse : Fault::Reject, fault.section(':', 1), 1);
        f.env.ui.answerBoxes({Msg::Answer(answer)});
        form.Command_ResetOptions_Click();
        QCOMPARE(f.commands(), commands);
        QStringList expected{"Set user options to default (including temperature and pressure probe coefficients)?|" +
                             AppTitle + "|36"};
        if (!result.isEmpty())
            expected << result;
        QCOMPARE(f.boxes(), expected);
        if (!commands.isEmpty() && !fault.startsWith("close"))
            QCOMPARE(f.calls()[1 % commands.size()], commands.size() > 1 ? "OPTDEFAULT|1|10|1" : Access + "|1|5|1");
        QCOMPARE(f.meter.state().ambient, result.startsWith("Options Reset") ? 20.0 : 23.0);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void hiddenModelButtons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("box");
        QTest::newRow("6450") << 0 << "" << QStringList{Access, "model 6450", Leave} << "Model Type Set|" + AppTitle + "|64";
        QTest::newRow("6440") << 1 << "" << QStringList{Access, "model 6440", Leave} << "Model Type Set|" + AppTitle + "|64";
        QTest::newRow("refused model, setup mode still left")
            << 1 << "reject:model" << QStringList{Access, "model 6440", Leave} << "Set Model Type Failed |" + AppTitle + "|48";
        QTest::newRow("setup mode refused")
            << 0 << "refuse:k" << QStringList{Access} << "Error entering setup mode|" + AppTitle + "|0";
    }
    void hiddenModelButtons()
    {
        QFETCH(int, index);
        QFETCH(QString, fault);
        QFETCH(QStringList, commands);
        QFETCH(QString, box);
        SettingsFixture f;
        auto &form = appWindows().form<Form_InstalledOptions>();
        f.forget();
        if (fault.startsWith("close"))
            f.meter.setObserver([&form, prefix = fault.section(':', 1)](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(prefix))
                    form.close();
            });
        else if (!fault.isEmpty())
            f.meter.addFault(fault.startsWith("refuse") ? Fault::Refuse : Fault::Reject, fault.section(':', 1), 1);
        form.Command_6450_Click(index);
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), QStringList{box});
        if (commands.size() > 1)
            QCOMPARE(f.calls()[1], commands[1] + "|1|5|1");
    }
};

QTEST_MAIN(InstalledOptionsTest)
#include "installedoptions_guitest.moc"
