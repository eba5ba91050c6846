#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"

#include <QTest>

Q_DECLARE_METATYPE(ReplyStatus)
Q_DECLARE_METATYPE(SetupModeRun)
Q_DECLARE_METATYPE(SetupModeBracket::Opening)
Q_DECLARE_METATYPE(SetupModeBracket::OnRefusal)

namespace {

const QString Enter = QStringLiteral("k5820637");
const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");
const QString Leave = QStringLiteral("a1");
const QString Work = QStringLiteral("Ww1");

} // namespace

// Reply classification, the send helper and the setup-mode bracket, with a scripted driver.
class MeterOperationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classify_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<ReplyStatus>("status");
        QTest::addColumn<bool>("holdsDone");
        QTest::newRow("done") << "*0\r" << ReplyStatus::Done << true;
        QTest::newRow("done, bare") << "*0" << ReplyStatus::Done << true;
        QTest::newRow("rejected") << "*9\r" << ReplyStatus::Rejected << false;
        QTest::newRow("password needed") << "*6\r" << ReplyStatus::PasswordNeeded << false;
        QTest::newRow("text before the token") << "ok\r*0\r" << ReplyStatus::Other << true;
        QTest::newRow("blank before the token") << " *0\r" << ReplyStatus::Other << true;
        QTest::newRow("time-out") << "TIMEOUT" << ReplyStatus::Other << false;
        QTest::newRow("empty") << "" << ReplyStatus::Other << false;
        QTest::newRow("one character") << "*" << ReplyStatus::Other << false;
        QTest::newRow("other token") << "*1\r" << ReplyStatus::Other << false;
        QTest::newRow("rejected, then done") << "*9\r*0\r" << ReplyStatus::Rejected << true;
    }
    void classify()
    {
        QFETCH(QString, reply);
        QFETCH(ReplyStatus, status);
        QFETCH(bool, holdsDone);
        QCOMPARE(ClassifyReply(reply), status);
        QCOMPARE(ReplyHoldsDone(reply), holdsDone);
    }

    void sendToMeter()
    {
        TestEnv env;
        QCOMPARE(SendToMeter(QStringLiteral("pa"), 12), QString()); // no driver
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &) { return QStringLiteral("line\r\n*0\r\n"); };
        QCOMPARE(SendToMeter(QStringLiteral("pa"), 12), QStringLiteral("line\r*0\r"));
        QCOMPARE(dvm.calls.size(), 1);
        QCOMPARE(dvm.calls[0].command, QStringLiteral("pa"));
        QVERIFY(dvm.calls[0].waitForAck);
        QCOMPARE(dvm.calls[0].timeout, 12);
        QCOMPARE(dvm.calls[0].packetEndCondition, 1);
    }

    void bracket_data()
    {
        QTest::addColumn<SetupModeBracket::Opening>("opening");
        QTest::addColumn<SetupModeBracket::OnRefusal>("onRefusal");
        QTest::addColumn<bool>("meterAccepts");
        QTest::addColumn<int>("answer");    // to the refusal box
        QTest::addColumn<bool>("workSucceeds");
        QTest::addColumn<bool>("leaveAfterFailedWork");
        QTest::addColumn<bool>("ownerStaysLoaded");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<SetupModeRun>("result");

        using O = SetupModeBracket::Opening;
        using R = SetupModeBracket::OnRefusal;
        const QStringList full{Enter, Work, Leave};
        QTest::newRow("setup mode") << O::SetupMode << R::Stop << true << 0 << true << true << true << full << 0
                                    << SetupModeRun::Completed;
        QTest::newRow("calibration password") << O::CalibratePassword << R::Stop << true << 0 << true << true << true
                                              << QStringList{Password, Work, Leave} << 0 << SetupModeRun::Completed;
        QTest::newRow("refused: stop") << O::SetupMode << R::Stop << false << 0 << true << true << true
                                       << QStringList{Enter} << 1 << SetupModeRun::NotRun;
        QTest::newRow("refused: ask, OK") << O::SetupMode << R::AskCarryOn << false << int(Msg::OK) << true << true
                                          << true << full << 1 << SetupModeRun::Completed;
        QTest::newRow("refused: ask, Cancel") << O::SetupMode << R::AskCarryOn << false << int(Msg::Cancel) << true
                                              << true << true << QStringList{Enter} << 1 << SetupModeRun::NotRun;
        QTest::newRow("refused: carry on") << O::SetupMode << R::CarryOn << false << 0 << true << true << true << full
                                           << 0 << SetupModeRun::Completed;
        QTest::newRow("failed work, leave") << O::SetupMode << R::Stop << true << 0 << false << true << true << full
                                            << 0 << SetupModeRun::WorkFailed;
        QTest::newRow("failed work, stay") << O::SetupMode << R::Stop << true << 0 << false << false << true
                                           << QStringList{Enter, Work} << 0 << SetupModeRun::WorkFailed;
        QTest::newRow("owner gone, entered") << O::SetupMode << R::Stop << true << 0 << true << true << false << full
                                             << 0 << SetupModeRun::Completed;
        QTest::newRow("owner gone, refused") << O::CalibratePassword << R::Stop << false << 0 << true << true << false
                                             << QStringList{Password} << 0 << SetupModeRun::NotRun;
        QTest::newRow("owner gone, refused, ask") << O::SetupMode << R::AskCarryOn << false << 0 << true << true
                                                  << false << QStringList{Enter} << 0 << SetupModeRun::NotRun;
    }
    void bracket()
    {
        QFETCH(SetupModeBracket::Opening, opening);
        QFETCH(SetupModeBracket::OnRefusal, onRefusal);
        QFETCH(bool, meterAccepts);
        QFETCH(int, answer);
        QFETCH(bool, workSucceeds);
        QFETCH(bool, leaveAfterFailedWork);
        QFETCH(bool, ownerStaysLoaded);
        QFETCH(QStringList, commands);
        QFETCH(int, boxes);
        QFETCH(SetupModeRun, result);

        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [&](const QString &command) {
            const bool opensSetupMode = command == Enter || command == Password;
            return opensSetupMode && !meterAccepts ? QStringLiteral("*6\r") : QStringLiteral("*0\r");
        };
        if (answer)
            env.ui.answerBoxes({Msg::Answer(answer)});

        SetupModeBracket bracket;
        bracket.opening = opening;
        bracket.onRefusal = onRefusal;
        bracket.refusalStyle = onRefusal == SetupModeBracket::OnRefusal::AskCarryOn ? Msg::OKCancel : Msg::OKOnly;
        bracket.leaveAfterFailedWork = leaveAfterFailedWork;
        if (!ownerStaysLoaded)
            bracket.ownerLoaded = [] { return false; };
        const SetupModeRun run = RunInSetupMode(bracket, [&] {
            SendToMeter(Work, 10);
            return workSucceeds;
        });

        QCOMPARE(run, result);
        QCOMPARE(dvm.commands(), commands);
        QCOMPARE(env.ui.boxes.size(), boxes);
        for (const ScriptedUserInteraction::Box &box : env.ui.boxes) {
            QCOMPARE(box.prompt, QStringLiteral("Error entering setup mode"));
            QCOMPARE(box.style, bracket.refusalStyle);
        }
    }

    // The message, its icon and title are the caller's; work without a result counts as done.
    void refusalMessageAndVoidWork()
    {
        TestEnv env;
        ScriptedDVM &dvm = installScriptedDVM();
        dvm.reply = [](const QString &) { return QStringLiteral("*9\r"); };
        SetupModeBracket bracket;
        bracket.refusalMessage = QStringLiteral("Error Entering Setup Mode");
        bracket.refusalStyle = Msg::Exclamation;
        bracket.refusalTitle = QStringLiteral("Options");
        bool ran = false;
        QCOMPARE(RunInSetupMode(bracket, [&] { ran = true; }), SetupModeRun::NotRun);
        QVERIFY(!ran);
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, bracket.refusalMessage);
        QCOMPARE(env.ui.boxes[0].style, int(Msg::Exclamation));
        QCOMPARE(env.ui.boxes[0].title, QStringLiteral("Options"));

        dvm.reply = nullptr;
        QCOMPARE(RunInSetupMode(SetupModeBracket{}, [&] { ran = true; }), SetupModeRun::Completed);
        QVERIFY(ran);
        QCOMPARE(dvm.commands().mid(1), (QStringList{Enter, Leave}));
    }
};

QTEST_GUILESS_MAIN(MeterOperationTest)
#include "meteroperation_test.moc"
