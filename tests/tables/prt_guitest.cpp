// The PRT table editor: its controls, the two generators, Single, Load and Save All against
// a scripted meter.
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/prt/PRTTable.h"
#include "tables/prt/Temperature.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

// One test's window on a scripted meter.
struct Fixture
{
    TestEnv env;
    ScriptedDVM *dvm = nullptr;
    FormPRTTable *form = nullptr;

    Fixture()
    {
        auto driver = std::make_unique<ScriptedDVM>();
        dvm = driver.get();
        state().DVM1 = std::move(driver);
        form = &appWindows().form<FormPRTTable>();
    }

    ColourValue colour(int row, int column) const { return form->CalGrid->cellBackColorAt(row, column); }
    QStringList writes() const { return dvm->commands().filter(QRegularExpression(QStringLiteral("^Wt"))); }
};

const QString SetupCommand = QStringLiteral("k5820637");
const QString ExitCommand = QStringLiteral("a1");

bool shown(const QWidget *widget) { return widget->isVisibleTo(widget->window()); }

} // namespace

class PrtGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsAndDefaults()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        QCOMPARE(form.windowTitle(), QStringLiteral("PRT Table"));
        const std::pair<const char *, const char *> captions[] = {
            {"Command_LoadAllCalFactors", "Load"}, {"Command_SaveAll", "Save All"},
            {"Command_GenerateITS90", "Generate (ITS90)"}, {"Command1", "Generate (IEC751)"},
            {"Command_Single", "Single"}, {"Command_ClassA", "Class A"}, {"Command_ClassB", "Class B"}};
        for (const auto &[name, caption] : captions) {
            auto *button = form.findChild<QPushButton *>(QLatin1String(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QLatin1String(caption));
        }
        const std::pair<const char *, const char *> texts[] = {
            {"Text_R0", "100"}, {"Text_ITS90A", "-0.0001026305"}, {"Text_ITS90B", "0.000002534812"},
            {"Text_ITS90AH", "-0.0001212552"}, {"Text_ITS90BH", "-0.00001311038"}, {"Text_ITS90CH", ""},
            {"Text_ITS90DH", ""}, {"Text_ITS90AlFp", ""}, {"Text_IECA", "3.9083e-3"}, {"Text_IECB", "-5.775e-7"},
            {"Text_IECC", "-4.183e-12"}, {"Text_ITS90C(4)", ""}};
        for (const auto &[name, text] : texts) {
            auto *box = form.findChild<QLineEdit *>(QLatin1String(name));
            QVERIFY2(box, name);
            QCOMPARE(box->text(), QLatin1String(text));
        }
        QCOMPARE(form.findChild<QGroupBox *>(QStringLiteral("Frame3"))->title(), QStringLiteral("IEC751 Coefficient"));
        QCOMPARE(form.findChild<QRadioButton *>(QStringLiteral("Option_HighTemp(5)"))->text(),
                 QStringLiteral("29.7646  Gallium MP (11)"));
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("LabelWAl"))->text(), QStringLiteral("W(Al)"));
        QVERIFY(form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1")));
        QVERIFY(form.findChild<FlexGrid *>(QStringLiteral("CalGrid")));
        // The window opens with aluminium and argon selected.
        QVERIFY(form.Option_HighTemp[1]->isChecked());
        QVERIFY(form.Option_LowTemp[3]->isChecked());
    }

    // Which high-side boxes (b, c, d, W(Al)) each sub-range shows; a is always shown.
    void highOptionsShowTheirBoxes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("visible"); // b c d W(Al)
        QTest::newRow("silver") << 0 << "1111";
        QTest::newRow("aluminium") << 1 << "1100";
        QTest::newRow("zinc") << 2 << "1000";
        QTest::newRow("tin") << 3 << "1000";
        QTest::newRow("indium") << 4 << "0000";
        QTest::newRow("gallium") << 5 << "0000";
    }
    void highOptionsShowTheirBoxes()
    {
        QFETCH(int, index);
        QFETCH(QString, visible);
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Option_HighTemp[0]->setChecked(true); // start from everything shown
        form.Option_HighTemp[index]->setChecked(true);
        QVERIFY(shown(form.Text_ITS90AH) && shown(form.LabelAH));
        const std::pair<QLabel *, QLineEdit *> boxes[] = {{form.LabelBH, form.Text_ITS90BH},
                                                          {form.LabelCH, form.Text_ITS90CH},
                                                          {form.LabelDH, form.Text_ITS90DH},
                                                          {form.LabelWAl, form.Text_ITS90AlFp}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(shown(boxes[i].second), visible[i] == QLatin1Char('1'));
            QCOMPARE(shown(boxes[i].first), visible[i] == QLatin1Char('1'));
        }
    }

    void lowOptionsShowTheirBoxes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("cShown");
        QTest::newRow("hydrogen") << 0 << 5;
        QTest::newRow("neon") << 1 << 3;
        QTest::newRow("oxygen") << 2 << 1;
        QTest::newRow("argon") << 3 << 0;
    }
    void lowOptionsShowTheirBoxes()
    {
        QFETCH(int, index);
        QFETCH(int, cShown);
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Option_LowTemp[0]->setChecked(true);
        form.Option_LowTemp[index]->setChecked(true);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(shown(form.Text_ITS90C[i]), i < cShown);
            QCOMPARE(shown(form.LabelC[i]), i < cShown);
        }
        QVERIFY(shown(form.Text_ITS90A) && shown(form.Text_ITS90B));
    }

    void generateITS90WithDefaults()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        QCOMPARE(form.CalGrid->Rows(), 351);
        QCOMPARE(form.CalGrid->Cols(), 11);
        QCOMPARE(form.CalGrid->TextMatrix(0, 1), QString());
        QCOMPARE(form.CalGrid->TextMatrix(1, 0), QStringLiteral("0R"));
        QCOMPARE(form.CalGrid->TextMatrix(350, 0), QStringLiteral("349R"));
        // R = 0 is far below -10000 degrees Celsius: "0".
        QCOMPARE(form.CalGrid->TextMatrix(1, 1), QStringLiteral("0"));
        // R = R0: 0.01 degrees Celsius, within one count.
        QCOMPARE(form.CalGrid->TextMatrix(101, 0), QStringLiteral("100R"));
        QVERIFY(std::abs(form.CalGrid->TextMatrix(101, 1).toInt() - 1000) <= 1);
        // 138.5 ohm: about 98.0 degrees Celsius.
        QVERIFY(std::abs(form.CalGrid->TextMatrix(139, 6).toInt() - 9800000) < 5000);
        // No cell is empty or other than a plain integer.
        for (int row = 1; row <= 350; ++row)
            for (int column = 1; column <= 10; ++column) {
                bool ok = false;
                form.CalGrid->TextMatrix(row, column).toLongLong(&ok);
                QVERIFY(ok);
            }
        QCOMPARE(f.dvm->calls.size(), 0);
    }

    // A hidden box counts 0 whatever it holds; a shown empty box counts 0 too.
    void hiddenCoefficientsCountZero()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        const QString high = form.CalGrid->TextMatrix(300, 1);
        const QString low = form.CalGrid->TextMatrix(50, 1);

        form.Text_ITS90DH->setText(QStringLiteral("0.001")); // hidden under aluminium
        form.Text_ITS90C[0]->setText(QStringLiteral("0.001")); // hidden under argon
        form.Command_GenerateITS90_Click();
        QCOMPARE(form.CalGrid->TextMatrix(300, 1), high);
        QCOMPARE(form.CalGrid->TextMatrix(50, 1), low);

        form.Option_HighTemp[0]->setChecked(true); // silver: d and W(Al) count (W(Al) empty = 0)
        form.Option_LowTemp[0]->setChecked(true);  // hydrogen: c1 counts
        form.Command_GenerateITS90_Click();
        QVERIFY(form.CalGrid->TextMatrix(300, 1) != high);
        QVERIFY(form.CalGrid->TextMatrix(50, 1) != low);
        QCOMPARE(form.CalGrid->TextMatrix(101, 1).isEmpty(), false);
    }

    // The sub-range chosen below the triple point decides the deviation function used.
    void lowSubRangeChosenOnTheForm_data()
    {
        QTest::addColumn<int>("option");
        for (int option = 0; option < 4; ++option)
            QTest::addRow("sub-range %d", option + 1) << option;
    }
    void lowSubRangeChosenOnTheForm()
    {
        QFETCH(int, option);
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Option_LowTemp[option]->setChecked(true);
        form.Text_ITS90B->setText(QStringLiteral("-1.5e-5"));
        form.Text_ITS90C[0]->setText(QStringLiteral("1e-6"));
        form.Command_GenerateITS90_Click();
        ITS90_Coefficients k;
        k.a = -0.0001026305;
        k.b = -1.5e-5;
        k.c[0] = option < 3 ? 1e-6 : 0;
        k.lowSubRange = option + 1;
        for (const double R : {2.0, 5.0})
            QCOMPARE(form.CalGrid->TextMatrix(int(R) + 1, 1), PRTCellText(ITS90_Temperature(R, 100, k)));
    }

    void generateKeepsColours()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        form.CalGrid->setCellBackColorAt(5, 5, CellColour::Rejected);
        form.Command1_Click();
        QCOMPARE(f.colour(5, 5), CellColour::Rejected);
    }

    void generateIEC751()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command1_Click();
        QCOMPARE(form.CalGrid->Rows(), 351);
        QCOMPARE(form.CalGrid->TextMatrix(101, 0), QStringLiteral("100R"));
        QCOMPARE(form.CalGrid->TextMatrix(101, 1), QStringLiteral("0"));
        // 99.9 ohm: just below 0 degrees Celsius (about -0.256).
        const int below = form.CalGrid->TextMatrix(100, 10).toInt();
        QVERIFY2(below < -25000 && below > -26000, qPrintable(form.CalGrid->TextMatrix(100, 10)));
        // 0 ohm lies on the curve at about -242 degrees Celsius.
        QVERIFY(std::abs(form.CalGrid->TextMatrix(1, 1).toInt() + 24202128) < 100);
    }

    void r0WithoutResistance_data()
    {
        QTest::addColumn<QString>("r0");
        QTest::newRow("zero") << "0";
        QTest::newRow("not a number") << "abc";
        QTest::newRow("negative") << "-100";
    }
    void r0WithoutResistance()
    {
        QFETCH(QString, r0);
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Text_R0->setText(r0);
        form.Command_GenerateITS90_Click();
        form.Command1_Click();
        form.Command_Single_Click();
        QCOMPARE(form.CalGrid->Rows(), 2);
        QCOMPARE(form.CalGrid->TextMatrix(1, 1), QString());
        QCOMPARE(f.env.ui.boxes.size(), 3);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("R0 must be a resistance above 0"));
        QVERIFY(f.env.ui.inputPrompts.isEmpty());
    }

    void single()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        f.env.ui.answerInputs({QStringLiteral("138.5")});
        form.Command_Single_Click();
        QCOMPARE(f.env.ui.inputPrompts, QStringList{QStringLiteral("Resistance")});
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QVERIFY2(f.env.ui.boxes[0].prompt.startsWith(QStringLiteral("Temp = 98.00")), qPrintable(f.env.ui.boxes[0].prompt));
        QCOMPARE(f.env.ui.boxes[0].style, int(Msg::OKOnly));
    }

    void singleOnCancelledInputConvertsZero()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_Single_Click(); // the scripted box answers as cancelled
        ITS90_Coefficients k;
        k.a = -0.0001026305;
        k.b = 0.000002534812;
        k.aH = -0.0001212552;
        k.bH = -0.00001311038;
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Temp = ") + TextConv::General(ITS90_Temperature(0, 100, k)));
        QVERIFY(f.env.ui.boxes[0].prompt.startsWith(QStringLiteral("Temp = -")));
    }

    void load()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        form.CalGrid->setCellBackColorAt(1, 1, CellColour::Failed);
        f.dvm->reply = [](const QString &command) {
            return command == QLatin1String("pt") ? QStringLiteral("0R,10,11,12,13,14,15,16,17,18,19\r\n"
                                                                   "1R,20,21.5,\r\n"
                                                                   "*0\r\n")
                                                  : QString();
        };
        form.Command_LoadAllCalFactors_Click();
        QCOMPARE(f.dvm->commands(), QStringList{QStringLiteral("pt")});
        QCOMPARE(f.dvm->calls[0].waitForAck, true);
        QCOMPARE(f.dvm->calls[0].timeout, 10);
        QCOMPARE(f.dvm->calls[0].packetEndCondition, 1);
        QCOMPARE(form.CalGrid->Rows(), 4);
        QCOMPARE(form.CalGrid->TextMatrix(1, 0), QStringLiteral("0R"));
        QCOMPARE(form.CalGrid->TextMatrix(1, 10), QStringLiteral("19"));
        QCOMPARE(form.CalGrid->TextMatrix(2, 2), QStringLiteral("21.5"));
        // The line ending with a comma yields one more cell with "0".
        QCOMPARE(form.CalGrid->TextMatrix(2, 3), QStringLiteral("0"));
        QCOMPARE(form.CalGrid->TextMatrix(2, 4), QString());
        // The grid was cleared: the old colour is gone.
        QCOMPARE(form.CalGrid->cellBackColorAt(1, 1), form.CalGrid->BackColor());
        QVERIFY(form.Command_LoadAllCalFactors->isEnabled());
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QCOMPARE(f.env.ui.hourglassShown, 1);
        QVERIFY(f.env.ui.boxes.isEmpty());
    }

    // A reply that does not end with its status token: what was read stays (a reply without
    // a CR gives the empty 2-row grid) and the user is told the table is incomplete.
    void loadFailures_data()
    {
        QTest::addColumn<bool>("withDriver");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("firstCell");
        QTest::newRow("time-out") << true << "TIMEOUT" << 2 << "";
        QTest::newRow("empty") << true << "" << 2 << "";
        QTest::newRow("no driver") << false << "" << 2 << "";
        QTest::newRow("cut short in a line") << true << "0R,10,11\r1R,20,2" << 3 << "10";
        QTest::newRow("cut short after a line") << true << "0R,10,11\r\n" << 3 << "10";
    }
    void loadFailures()
    {
        QFETCH(bool, withDriver);
        QFETCH(QString, reply);
        QFETCH(int, rows);
        QFETCH(QString, firstCell);
        Fixture f;
        f.dvm->reply = [reply](const QString &) { return reply; };
        if (!withDriver)
            state().DVM1.reset();
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        form.Command_LoadAllCalFactors_Click();
        QCOMPARE(form.CalGrid->Rows(), rows);
        QCOMPARE(form.CalGrid->TextMatrix(1, 1), firstCell);
        QCOMPARE(form.CalGrid->TextMatrix(2, 1), QString());
        QVERIFY(form.Command_LoadAllCalFactors->isEnabled());
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("The PRT table was not read completely: read it again"));
        QCOMPARE(f.env.ui.boxes[0].style, Msg::OKOnly | Msg::Critical);
        QCOMPARE(f.env.ui.boxes[0].title, QStringLiteral("6400 Series Setup Utility"));
    }

    void loadLineWithTooManyValues()
    {
        Fixture f;
        f.dvm->reply = [](const QString &) { return QStringLiteral("0R,1,2,3,4,5,6,7,8,9,10,11\r1R,5\r*0\r"); };
        FormPRTTable &form = *f.form;
        form.Command_LoadAllCalFactors_Click();
        QCOMPARE(form.CalGrid->Cols(), 11);
        QCOMPARE(form.CalGrid->TextMatrix(1, 10), QStringLiteral("10"));
        QCOMPARE(form.CalGrid->TextMatrix(2, 1), QStringLiteral("5"));
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QVERIFY(f.env.ui.boxes[0].prompt.contains(QStringLiteral("more than 10 values")));
    }

    // The exact traffic of a save: one bracket, each loaded value plus one, every cell green.
    void saveAllSendsLoadedValuesPlusOne()
    {
        Fixture f;
        f.dvm->reply = [](const QString &command) {
            return command == QLatin1String("pt") ? QStringLiteral("0R,10,11,12,13,14,15,16,17,18,-19\r1R,20,21.5,\r*0\r")
                                                  : QStringLiteral("*0\r");
        };
        FormPRTTable &form = *f.form;
        form.Command_LoadAllCalFactors_Click();
        f.dvm->calls.clear();
        form.Command_SaveAll_Click();
        const QStringList expected{SetupCommand,        QStringLiteral("Wt0,11"),  QStringLiteral("Wt1,12"),
                                   QStringLiteral("Wt2,13"), QStringLiteral("Wt3,14"), QStringLiteral("Wt4,15"),
                                   QStringLiteral("Wt5,16"), QStringLiteral("Wt6,17"), QStringLiteral("Wt7,18"),
                                   QStringLiteral("Wt8,19"), QStringLiteral("Wt9,-18"), QStringLiteral("Wt10,21"),
                                   QStringLiteral("Wt11,22"), QStringLiteral("Wt12,1"), ExitCommand};
        QCOMPARE(f.dvm->commands(), expected);
        QCOMPARE(f.dvm->calls.first().timeout, 5);
        QCOMPARE(f.dvm->calls.last().timeout, 10);
        for (const ScriptedDVM::Call &call : f.dvm->calls) {
            QVERIFY(call.waitForAck);
            QCOMPARE(call.packetEndCondition, 1);
            if (call.command.startsWith(QLatin1String("Wt")))
                QCOMPARE(call.timeout, 10);
        }
        QCOMPARE(f.colour(1, 1), CellColour::Written);
        QCOMPARE(f.colour(2, 3), CellColour::Written);
        QCOMPARE(form.ProgressBar1->value(), 0); // index 12 of 3500
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(f.env.ui.boxes.isEmpty());
    }

    void saveAllAfterGenerateWritesEveryCell()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        form.Command_SaveAll_Click();
        const QStringList writes = f.writes();
        QCOMPARE(writes.size(), 3500);
        QCOMPARE(writes.first(), QStringLiteral("Wt0,1")); // "0" plus one
        QVERIFY(writes.last().startsWith(QStringLiteral("Wt3499,")));
        QCOMPARE(f.dvm->commands().count(SetupCommand), 1);
        QCOMPARE(f.dvm->commands().last(), ExitCommand);
        QCOMPARE(form.ProgressBar1->value(), 99);
    }

    void saveAllIndexLimit()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.CalGrid->setRows(353);
        form.CalGrid->setTextMatrix(351, 1, QStringLiteral("5"));  // index 3500
        form.CalGrid->setTextMatrix(351, 2, QStringLiteral("6"));  // index 3501
        form.CalGrid->setTextMatrix(352, 1, QStringLiteral("7"));  // index 3510
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{SetupCommand, QStringLiteral("Wt3500,6"), ExitCommand}));
        QCOMPARE(form.ProgressBar1->value(), 100);
    }

    // The reply to each try colours the cell; two failed tries ask Abort, Retry or Ignore.
    void saveAllTries_data()
    {
        QTest::addColumn<QStringList>("replies");   // to the writes of index 0, in order
        QTest::addColumn<QList<int>>("answers");     // to "Error writing value"
        QTest::addColumn<int>("tries");             // writes of index 0
        QTest::addColumn<bool>("secondCellWritten");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<QStringList>("boxes");
        const QString error = QStringLiteral("Error writing value");
        QTest::newRow("second try accepted") << QStringList{"*9\r", "*0\r"} << QList<int>{} << 2 << true
                                             << CellColour::Written << QStringList{};
        QTest::newRow("rejected twice, ignore") << QStringList{"*9\r", "*9\r"} << QList<int>{Msg::Ignore} << 2 << true
                                                << CellColour::Rejected << QStringList{error};
        QTest::newRow("retry then accepted") << QStringList{"*9\r", "BUSY", "*9\r", "*0 ok\r"}
                                             << QList<int>{Msg::Retry} << 4 << true << CellColour::Written
                                             << QStringList{error};
        QTest::newRow("abort") << QStringList{"*9\r", "*9\r"} << QList<int>{Msg::Abort} << 2 << false
                               << CellColour::Rejected << QStringList{error};
        // No reply: no second try, nothing more sent, one message of what was not written.
        QTest::newRow("time-out ends the save") << QStringList{"*9\r", "TIMEOUT"} << QList<int>{} << 2 << false
                                                << CellColour::Failed
                                                << QStringList{"The meter did not answer: 2 values not written"};
        QTest::newRow("link gone ends the save") << QStringList{""} << QList<int>{} << 1 << false << CellColour::Failed
                                                 << QStringList{"The meter did not answer: 2 values not written"};
    }
    void saveAllTries()
    {
        QFETCH(QStringList, replies);
        QFETCH(QList<int>, answers);
        QFETCH(int, tries);
        QFETCH(bool, secondCellWritten);
        QFETCH(quint32, colour);
        QFETCH(QStringList, boxes);
        Fixture f;
        for (int answer : answers)
            f.env.ui.answerBoxes({Msg::Answer(answer)});
        f.dvm->reply = [replies](const QString &command) mutable {
            if (command.startsWith(QLatin1String("Wt0,")) && !replies.isEmpty())
                return replies.takeFirst();
            return QStringLiteral("*0\r");
        };
        FormPRTTable &form = *f.form;
        form.CalGrid->setTextMatrix(1, 1, QStringLiteral("100"));
        form.CalGrid->setTextMatrix(1, 2, QStringLiteral("200"));
        form.Command_SaveAll_Click();
        QCOMPARE(f.writes().count(QStringLiteral("Wt0,101")), tries);
        QCOMPARE(f.writes().contains(QStringLiteral("Wt1,201")), secondCellWritten);
        QCOMPARE(f.colour(1, 1), colour);
        QStringList prompts;
        for (const auto &box : f.env.ui.boxes)
            prompts << box.prompt;
        QCOMPARE(prompts, boxes);
        QCOMPARE(f.dvm->commands().last(), ExitCommand);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    void saveAllPasswordNeeded()
    {
        Fixture f;
        f.dvm->reply = [](const QString &command) {
            return command.startsWith(QLatin1String("Wt1,")) ? QStringLiteral("*6\r") : QStringLiteral("*0\r");
        };
        FormPRTTable &form = *f.form;
        for (int column = 1; column <= 3; ++column)
            form.CalGrid->setTextMatrix(1, column, QStringLiteral("1"));
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{SetupCommand, QStringLiteral("Wt0,2"), QStringLiteral("Wt1,2"), ExitCommand}));
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Password needed"));
        QCOMPARE(f.colour(1, 1), CellColour::Written);
    }

    void saveAllSetupRefused_data()
    {
        QTest::addColumn<bool>("withDriver");
        QTest::newRow("meter refuses") << true;
        QTest::newRow("no driver") << false;
    }
    void saveAllSetupRefused()
    {
        QFETCH(bool, withDriver);
        Fixture f;
        f.dvm->reply = [](const QString &) { return QStringLiteral("*6\r"); };
        FormPRTTable &form = *f.form;
        form.CalGrid->setTextMatrix(1, 1, QStringLiteral("1"));
        if (!withDriver)
            state().DVM1.reset();
        form.Command_SaveAll_Click();
        if (withDriver)
            QCOMPARE(f.dvm->commands(), QStringList{SetupCommand});
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QCOMPARE(f.env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
        QCOMPARE(f.env.ui.hourglassShown, 0);
    }

    void saveAllStopsAtANonNumber()
    {
        Fixture f;
        FormPRTTable &form = *f.form;
        form.CalGrid->setTextMatrix(1, 1, QStringLiteral("1"));
        form.CalGrid->setTextMatrix(1, 2, QStringLiteral("x"));
        form.CalGrid->setTextMatrix(1, 3, QStringLiteral("3"));
        form.Command_SaveAll_Click();
        QCOMPARE(f.dvm->commands(), (QStringList{SetupCommand, QStringLiteral("Wt0,2"), ExitCommand}));
        QCOMPARE(f.env.ui.boxes.size(), 1);
        QVERIFY(f.env.ui.boxes[0].prompt.startsWith(QStringLiteral("Save stopped")));
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // The window unloaded while a write is under way: the save ends and leaves setup mode.
    void saveAllSurvivesUnload()
    {
        Fixture f;
        f.dvm->reply = [](const QString &command) {
            if (command.startsWith(QLatin1String("Wt1,")))
                appWindows().unload<FormPRTTable>();
            return QStringLiteral("*0\r");
        };
        FormPRTTable &form = *f.form;
        form.Command_GenerateITS90_Click();
        form.Command_SaveAll_Click();
        QVERIFY(!appWindows().isLoaded<FormPRTTable>());
        const QStringList commands = f.dvm->commands();
        QCOMPARE(commands.size(), 4);
        QCOMPARE(commands[0], SetupCommand);
        QCOMPARE(commands[1], QStringLiteral("Wt0,1"));
        QVERIFY(commands[2].startsWith(QStringLiteral("Wt1,")));
        QCOMPARE(commands[3], ExitCommand);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // The close box unloads the window (opening it again shows fresh defaults); during a
    // save it stops the save first, which leaves setup mode.
    void closeBoxUnloads_data()
    {
        QTest::addColumn<bool>("duringSave");
        QTest::newRow("idle") << false;
        QTest::newRow("during a save") << true;
    }
    void closeBoxUnloads()
    {
        QFETCH(bool, duringSave);
        Fixture f;
        FormPRTTable &form = *f.form;
        form.show();
        form.Text_R0->setText(QStringLiteral("25"));
        if (duringSave) {
            f.dvm->reply = [&form](const QString &command) {
                if (command.startsWith(QLatin1String("Wt1,")))
                    QMetaObject::invokeMethod(&form, [&form] { form.close(); }, Qt::QueuedConnection);
                return QStringLiteral("*0\r");
            };
            form.Command_GenerateITS90_Click();
            form.Command_SaveAll_Click();
            QCOMPARE(f.dvm->commands(), (QStringList{SetupCommand, f.writes()[0], f.writes()[1], ExitCommand}));
        } else {
            form.close();
        }
        QTRY_VERIFY(!appWindows().isLoaded<FormPRTTable>());
        QCOMPARE(appWindows().form<FormPRTTable>().Text_R0->text(), QStringLiteral("100"));
    }
};

QTEST_MAIN(PrtGuiTest)
#include "prt_guitest.moc"
