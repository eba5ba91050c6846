#include "link/AppTitle.h"
#include "link/SharedState.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "tests/support/ThermocoupleTableFolder.h"
#include "widgets/PacedDisplay.h"
#include "widgets/WindowRegistry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Access = QStringLiteral("k5820637");
const QString Leave = QStringLiteral("a1");
const QString Ok = QStringLiteral("*0\r");

// Clicks a button the next time the running handler yields to the window system.
void clickWhenYielding(QPushButton *button)
{
    QMetaObject::invokeMethod(button, [button] { button->click(); }, Qt::QueuedConnection);
}

QStringList pointCommands(const ScriptedDVM &dvm)
{
    return dvm.commands().filter(QRegularExpression(QStringLiteral("^Wc")));
}

} // namespace

class ThermocoupleGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controls()
    {
        TestEnv env;
        auto &form = appWindows().form<FormThermocouple>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Thermocouple Data"));
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command_SaveThermocoupleTableFromFormula"))->text(),
                 QStringLiteral("Write Thermocouple Data"));
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command_Stop")), form.Command_Stop);
        QCOMPARE(form.findChild<QPushButton *>(QStringLiteral("Command_Exit"))->text(), QStringLiteral("Exit"));
        QVERIFY(form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1")));
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("Label_Thermostatus"))->text(), QString());

        auto &files = appWindows().form<FormThermocouple_FromTable>();
        QCOMPARE(files.windowTitle(), QStringLiteral("Thermocouple Data"));
        QCOMPARE(files.findChild<QPushButton *>(QStringLiteral("Command_SaveThermocoupleTableVT"))->text(),
                 QStringLiteral("Write Thermocouple Data V -> T"));
        QVERIFY(files.findChild<QLabel *>(QStringLiteral("Label_Thermostatus")));
    }

    // Every command of a whole run, in order, with its wait arguments.
    void fullRunTranscript()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_SaveThermocoupleTableFromFormula->click();

        const QStringList commands = dvm.commands();
        QCOMPARE(commands.size(), 1 + 1337 + 4);
        QCOMPARE(commands.first(), Access);
        QCOMPARE(commands.mid(1 + 1337),
                 (QStringList{Access, QStringLiteral("&06Tab 1.0 14/03/26"), Leave, Leave}));

        const QStringList points = commands.mid(1, 1337);
        const QList<QPair<QString, int>> perType = {{"B", 55}, {"E", 247}, {"J", 313}, {"K", 242},
                                                    {"N", 209}, {"R", 85}, {"S", 76}, {"T", 110}};
        qsizetype at = 0;
        static const QRegularExpression shape(QStringLiteral("^Wc([A-Z]) (-?[0-9]+),(-?[0-9]*\\.[0-9]{0,2})$"));
        for (const auto &[type, count] : perType) {
            int previousEmf = 0;
            for (int i = 0; i < count; ++i, ++at) {
                const auto m = shape.match(points[at]);
                QVERIFY2(m.hasMatch(), qPrintable(points[at]));
                QCOMPARE(m.captured(1), type);
                const int emf = m.captured(2).toInt();
                if (i > 0)
                    QCOMPARE(emf, previousEmf + 250);
                previousEmf = emf;
            }
        }
        QVERIFY(points.contains(QStringLiteral("WcE 0,.")));
        QVERIFY(points.contains(QStringLiteral("WcK 250,6.27")));
        QVERIFY(points[55 + 247].startsWith(QStringLiteral("WcJ -8000,")));
        QCOMPARE(points.first(), QStringLiteral("WcB 250,233.23"));
        QCOMPARE(points.last(), QStringLiteral("WcT 21000,402.03"));

        for (const ScriptedDVM::Call &call : dvm.calls) {
            QVERIFY(call.waitForAck);
            QCOMPARE(call.packetEndCondition, 1);
            const int timeout = call.command.startsWith(QLatin1String("Wc")) ? 4 : call.command == Leave ? 10 : 5;
            QCOMPARE(call.timeout, timeout);
        }
        QVERIFY(env.ui.boxes.isEmpty());
        QCOMPARE(env.ui.hourglassDepth, 0);
        QCOMPARE(env.ui.hourglassShown, 2); // the information line's bracket shows it again, nested
        QVERIFY(form.Command_SaveThermocoupleTableFromFormula->isEnabled());
        QCOMPARE(form.Label_Thermostatus->text(), QString());
        QCOMPARE(form.ProgressBar1->value(), 0);
    }

    void statusAndButtonDuringRun()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        QString seenLabel;
        bool seenEnabled = true;
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcK 250,"))) {
                seenLabel = form.Label_Thermostatus->text();
                seenEnabled = form.Command_SaveThermocoupleTableFromFormula->isEnabled();
            }
            // A meter slow enough that the status, shown at most once per interval, shows
            // every point.
            env.clock.advance(PacedDisplay::IntervalMs);
            return Ok;
        };
        form.Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(seenLabel, QStringLiteral("Writing Type K EMF 250"));
        QVERIFY(!seenEnabled);
    }

    void stopDuringK()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcK 1000,")))
                clickWhenYielding(form.Command_Stop);
            return Ok;
        };
        form.Command_SaveThermocoupleTableFromFormula_Click();

        const QStringList points = pointCommands(dvm);
        QVERIFY(points.last(5).first().startsWith(QLatin1String("WcK 1000,")));
        const QStringList later = points.last(4);
        QVERIFY(later[0].startsWith(QLatin1String("WcN -4250,")));
        QVERIFY(later[1].startsWith(QLatin1String("WcR -250,")));
        QVERIFY(later[2].startsWith(QLatin1String("WcS -250,")));
        QVERIFY(later[3].startsWith(QLatin1String("WcT -6250,")));
        QCOMPARE(points.filter(QRegularExpression(QStringLiteral("^WcK"))).size(), 30); // -6250 .. 1000
        // A stopped write is no complete table: no information line.
        QCOMPARE(dvm.commands().last(2), (QStringList{later[3], Leave}));
    }

    // Exit in the middle of a run stops it at once: nothing more is sent but what leaves
    // setup mode; the window goes once the run has wound up.
    void exitDuringRun()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        form.show();
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcB 500,")))
                clickWhenYielding(form.Command_Exit);
            return Ok;
        };
        form.Command_SaveThermocoupleTableFromFormula_Click();
        QVERIFY(!form.isVisible());
        QCOMPARE(pointCommands(dvm).size(), 2);
        QCOMPARE(dvm.commands().last(), Leave);
        QTRY_VERIFY(!appWindows().isLoaded<FormThermocouple>());
    }

    // The main window closing in the middle of a run unloads every window: the run ends
    // after its current point, writes no information line and leaves setup mode.
    void unloadedDuringRunEnds()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcB 500,")))
                QMetaObject::invokeMethod(qApp, [] { appWindows().unloadAll(); }, Qt::QueuedConnection);
            return Ok;
        };
        form.Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(pointCommands(dvm).size(), 2);
        QCOMPARE(dvm.commands().last(), Leave);
        QCOMPARE(dvm.commands().filter(QStringLiteral("&06")).size(), 0);
        QCOMPARE(env.ui.hourglassDepth, 0);
        QVERIFY(!appWindows().isLoaded<FormThermocouple>());
    }

    // The main window closing while the meter enters setup mode (an exchange that lets the
    // window system run) destroys the window: the run touches nothing of it and still
    // leaves setup mode.
    void destroyedWhileEnteringSetupMode_data()
    {
        QTest::addColumn<bool>("fromFiles");
        QTest::newRow("from the formulas") << false;
        QTest::newRow("from files") << true;
    }
    void destroyedWhileEnteringSetupMode()
    {
        QFETCH(bool, fromFiles);
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &command) {
            if (command == Access) {
                appWindows().unloadAll();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
            return Ok;
        };
        if (fromFiles)
            appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();
        else
            appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(dvm.commands(), (QStringList{Access, Leave}));
        QCOMPARE(env.ui.hourglassDepth, 0);
    }

    // The main window closing while a point is written destroys the window; the meter's
    // answer to that point is "*6". The run touches nothing of the window.
    void destroyedWhilePasswordIsRefused()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &command) {
            if (!command.startsWith(QLatin1String("Wc")))
                return Ok;
            appWindows().unloadAll();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return QStringLiteral("*6\r");
        };
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(pointCommands(dvm).size(), 1);
        QCOMPARE(dvm.commands().last(), Leave);
    }

    // The close box does what Exit does: idle, the window unloads at once; during a run,
    // the run stops as after Exit and the window unloads once it has wound up.
    void closeBoxActsAsExit_data()
    {
        QTest::addColumn<bool>("duringRun");
        QTest::newRow("idle") << false;
        QTest::newRow("during a run") << true;
    }
    void closeBoxActsAsExit()
    {
        QFETCH(bool, duringRun);
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        form.show();
        if (!duringRun) {
            form.close();
            QTRY_VERIFY(!appWindows().isLoaded<FormThermocouple>());
            QVERIFY(&appWindows().form<FormThermocouple>() != nullptr);
            return;
        }
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcB 500,")))
                QMetaObject::invokeMethod(&form, [&form] { form.close(); }, Qt::QueuedConnection);
            return Ok;
        };
        form.Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(pointCommands(dvm).size(), 2); // as after Exit
        QCOMPARE(dvm.commands().last(), Leave);
        QTRY_VERIFY(!appWindows().isLoaded<FormThermocouple>());
    }

    // The write buttons' long captions keep room on each side.
    void writeButtonCaptionHasRoom()
    {
        TestEnv env;
        for (QPushButton *button : {appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula,
                                    appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT}) {
            button->window()->show();
            QCoreApplication::processEvents();
            QVERIFY2(button->width() >= button->fontMetrics().horizontalAdvance(button->text()) + 24,
                     qPrintable(button->text()));
        }
    }

    void exitWhenIdleUnloads()
    {
        TestEnv env;
        auto &form = appWindows().form<FormThermocouple>();
        form.Command_Exit->click();
        QVERIFY(!appWindows().isLoaded<FormThermocouple>());
    }

    void setupModeRefused()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &) { return QStringLiteral("*6\r"); };
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(dvm.commands(), QStringList{Access});
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(env.ui.boxes[0].title, AppTitle);
        QCOMPARE(env.ui.hourglassShown, 0);
    }

    void noDriver()
    {
        TestEnv env;
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
    }

    // "*6" ends the whole write after its one message.
    void passwordNeededEndsTheWrite()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &command) {
            return command.startsWith(QLatin1String("WcB 250,")) ? QStringLiteral("*6\r") : Ok;
        };
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(pointCommands(dvm).size(), 1);
        QCOMPARE(dvm.commands().last(), Leave);
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Password needed"));
        QCOMPARE(env.ui.boxes[0].title, QStringLiteral("Authentication Failure"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::Exclamation));
    }

    // Abort ends the whole write; Ignore goes on with the next point, Retry tries again.
    void twoFailedTries_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("sends");
        QTest::addColumn<int>("points");
        QTest::newRow("abort ends the write") << int(Msg::Abort) << 2 << 1 + 2;
        QTest::newRow("ignore") << int(Msg::Ignore) << 2 << 1337 + 1;
        QTest::newRow("retry") << int(Msg::Retry) << 3 << 1337 + 2;
    }
    void twoFailedTries()
    {
        QFETCH(int, answer);
        QFETCH(int, sends);
        QFETCH(int, points);
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        int failures = 0;
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("WcB 500,")) && failures < 2) {
                ++failures;
                return failures == 1 ? QStringLiteral("*9\r") : QStringLiteral("noise\r");
            }
            return Ok;
        };
        env.ui.answerBoxes({Msg::Answer(answer)});
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error writing value"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::AbortRetryIgnore | Msg::Critical));
        QCOMPARE(env.ui.boxes[0].title, AppTitle);
        const QStringList sent = pointCommands(dvm);
        QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^WcB 500,"))).size(), sends);
        QCOMPARE(sent.size(), points);
    }

    void informationLineRefused()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &command) {
            return command.startsWith(QLatin1String("&06")) ? QStringLiteral("*9\r") : Ok;
        };
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Set Information Failed "));
        QCOMPARE(dvm.commands().last(2), (QStringList{Leave, Leave}));
    }

    void secondSetupModeRefused()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        int accesses = 0;
        dvm.reply = [&](const QString &command) {
            if (command == Access && ++accesses == 2)
                return QStringLiteral("*6\r");
            return Ok;
        };
        appWindows().form<FormThermocouple>().Command_SaveThermocoupleTableFromFormula_Click();
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
        QCOMPARE(dvm.commands().last(2), (QStringList{Access, Leave}));
        QCOMPARE(dvm.commands().filter(QStringLiteral("&06")).size(), 0);
    }

    void limitsSkipSilently_data()
    {
        QTest::addColumn<int>("emf");
        QTest::addColumn<double>("T");
        QTest::addColumn<QString>("type");
        QTest::newRow("EMF beyond 80000") << 80250 << 100.0 << "K";
        QTest::newRow("EMF below -8000") << -8250 << -200.0 << "J";
        QTest::newRow("unknown type") << 250 << 6.0 << "X";
        QTest::newRow("above 2000 C") << 250 << 2000.5 << "K";
        QTest::newRow("below -273 C") << 250 << -273.5 << "K";
    }
    void limitsSkipSilently()
    {
        QFETCH(int, emf);
        QFETCH(double, T);
        QFETCH(QString, type);
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple>();
        form.Write_Thermocouple_Point(emf, T, type);
        QVERIFY(dvm.calls.isEmpty());
        QVERIFY(env.ui.boxes.isEmpty());
        QCOMPARE(form.Label_Thermostatus->text(), QString());
    }

    // --- tables from text files ---

    void filePoints_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("command");
        QTest::newRow("same K point") << QByteArray("250,6.27") << "WcK 250,6.27";
        QTest::newRow("all digits") << QByteArray("250,6.275") << "WcK 250,6.275";
        QTest::newRow("zero") << QByteArray("0,0") << "WcK 0,0";
        QTest::newRow("blank after comma") << QByteArray("250, 6.27") << "WcK 250,6.27";
        QTest::newRow("negative") << QByteArray("-6250,-200") << "WcK -6250,-200";
    }
    void filePoints()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, command);
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), line + "\r\n");
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        form.Command_SaveThermocoupleTableVT->click();
        QCOMPARE(dvm.commands(), (QStringList{Access, command, Leave}));
        QCOMPARE(dvm.calls[1].timeout, 10);
        QVERIFY(dvm.calls[1].waitForAck);
        QVERIFY(env.ui.boxes.isEmpty());
        QCOMPARE(env.ui.hourglassDepth, 0);
        QVERIFY(form.Command_SaveThermocoupleTableVT->isEnabled());
        QCOMPARE(form.Label_Thermostatus->text(), QString());
    }

    // Files in name order, each with the type its name gives; lines without a comma and
    // points outside the limits are passed over; any line end is accepted.
    void filesAndLines()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), "EMF uV and degrees\r\n250,6.27\r\n90000,1\n\n500,12.3");
        folder.write(QStringLiteral("NIST Type j.txt"), "0,0\r-8000,-205.2\r");
        folder.write(QStringLiteral("thermo type s.txt"), "1000,147.9\n");
        folder.write(QStringLiteral("Type T.csv"), "250,6\n");
        folder.write(QStringLiteral("readme.txt"), "250,6\n");
        ScriptedDVM &dvm = installScriptedDVM();
        appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(),
                 (QStringList{Access, "WcJ 0,0", "WcJ -8000,-205.2", "WcS 1000,147.9", "WcK 250,6.27", "WcK 500,12.3", Leave}));
        QVERIFY(env.ui.boxes.isEmpty());
    }

    void noFolder()
    {
        TestEnv env;
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(empty.path());
        ScriptedDVM &dvm = installScriptedDVM();
        appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();
        QDir::setCurrent(previous);
        QCOMPARE(dvm.commands(), (QStringList{Access, Leave}));
        QVERIFY(env.ui.boxes.isEmpty());
    }

    void progressByBytes()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        QByteArray content;
        for (int i = 0; i < 20; ++i)
            content += QByteArray::number(1000 + i) + ",25.5\r\n"; // 11 bytes a line
        folder.write(QStringLiteral("Type K.txt"), content);
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        QList<int> values;
        int maximum = 0;
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(QLatin1String("Wc"))) {
                maximum = form.ProgressBar1->maximum();
                values << form.ProgressBar1->value();
            }
            return Ok;
        };
        form.Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(maximum, 220);
        QCOMPARE(values.size(), 20);
        QCOMPARE(values[11], 0);   // line 12 starts at byte 121
        QCOMPARE(values[12], 128); // line 13 starts at byte 132
        QCOMPARE(values[19], 128);
        QCOMPARE(form.ProgressBar1->value(), 0);
    }

    void stopEndsTheRun()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type J.txt"), "250,5\n500,10\n750,15\n");
        folder.write(QStringLiteral("Type K.txt"), "250,6.27\n");
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        dvm.reply = [&](const QString &command) {
            if (command == QLatin1String("WcJ 500,10"))
                clickWhenYielding(form.Command_Stop);
            return Ok;
        };
        form.Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(), (QStringList{Access, "WcJ 250,5", "WcJ 500,10", Leave}));
    }

    void exitDuringRunStopsAndUnloads()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type J.txt"), "250,5\n500,10\n");
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        dvm.reply = [&](const QString &command) {
            if (command == QLatin1String("WcJ 250,5"))
                clickWhenYielding(form.Command_Exit);
            return Ok;
        };
        form.Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(), (QStringList{Access, "WcJ 250,5", Leave}));
        QTRY_VERIFY(!appWindows().isLoaded<FormThermocouple_FromTable>());
    }

    void fromTableUnloadedDuringRunEnds()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type J.txt"), "250,5\n500,10\n750,15\n");
        ScriptedDVM &dvm = installScriptedDVM();
        auto &form = appWindows().form<FormThermocouple_FromTable>();
        dvm.reply = [&](const QString &command) {
            if (command == QLatin1String("WcJ 250,5"))
                QMetaObject::invokeMethod(qApp, [] { appWindows().unloadAll(); }, Qt::QueuedConnection);
            return Ok;
        };
        form.Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(), (QStringList{Access, "WcJ 250,5", Leave}));
        QCOMPARE(env.ui.hourglassDepth, 0);
        QVERIFY(!appWindows().isLoaded<FormThermocouple_FromTable>());
    }

    void replyEndsOrNot_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("box");
        const QString p1 = QStringLiteral("WcK 250,6.27"), p2 = QStringLiteral("WcK 500,12.3");
        QTest::newRow("password needed ends the run")
            << "*6\r" << 0 << QStringList{Access, p1, Leave} << "Password needed";
        QTest::newRow("abort ends the run")
            << "*9\r" << int(Msg::Abort) << QStringList{Access, p1, p1, Leave} << "Error writing value";
        QTest::newRow("ignore goes on")
            << "*9\r" << int(Msg::Ignore) << QStringList{Access, p1, p1, p2, Leave} << "Error writing value";
        QTest::newRow("retry repeats")
            << "*9\r" << int(Msg::Retry) << QStringList{Access, p1, p1, p1, p2, Leave} << "Error writing value";
    }
    void replyEndsOrNot()
    {
        QFETCH(QString, reply);
        QFETCH(int, answer);
        QFETCH(QStringList, commands);
        QFETCH(QString, box);
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), "250,6.27\n500,12.3\n");
        ScriptedDVM &dvm = installScriptedDVM();
        int failures = 0;
        dvm.reply = [&](const QString &command) {
            if (command == QLatin1String("WcK 250,6.27") && failures < 2) {
                ++failures;
                return reply;
            }
            return Ok;
        };
        if (answer)
            env.ui.answerBoxes({Msg::Answer(answer)});
        appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(), commands);
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, box);
    }

    void fromTableSetupModeRefused()
    {
        TestEnv env;
        ThermocoupleTableFolder folder;
        folder.write(QStringLiteral("Type K.txt"), "250,6.27\n");
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &) { return QStringLiteral("TIMEOUT"); };
        appWindows().form<FormThermocouple_FromTable>().Command_SaveThermocoupleTableVT_Click();
        QCOMPARE(dvm.commands(), QStringList{Access});
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Error entering setup mode"));
    }
};

QTEST_MAIN(ThermocoupleGuiTest)
#include "thermocouple_guitest.moc"
