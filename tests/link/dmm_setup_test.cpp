#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/Utility.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QTest>

class DmmSetupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showActivityBar_data()
    {
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("marks");
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("25") << 25 << 25;
        QTest::newRow("26 empties") << 26 << 0;
        QTest::newRow("27") << 27 << 1;
        QTest::newRow("52 empties again") << 52 << 0;
        QTest::newRow("60") << 60 << 8;
    }
    void showActivityBar()
    {
        QFETCH(int, calls);
        QFETCH(int, marks);
        TestEnv env;
        env.host.setStatusPanelText(1, "COM1");
        for (int i = 0; i < calls; ++i)
            ShowActivity(QString("reply %1").arg(i));
        QCOMPARE(env.host.statusPanelText(2), QString(marks, '|'));
        QCOMPARE(env.host.statusPanelText(1), QString("COM1")); // only panel 2
    }
    void showActivityWithoutMainWindow()
    {
        resetSharedState(); // no host installed: a stand-in takes the marks
        ShowActivity("x");
        QCOMPARE(mainHost().statusPanelText(2).right(1), QString("|"));
        resetSharedState();
    }

    // One test's meter left in setup mode, or owing a reply, is not the next test's.
    void sharedStateStartsAfresh()
    {
        {
            TestEnv env;
            state().SetupModeMayBeOpen = true;
            state().SetupModeOpenings = 3;
            state().lateReply.gaveUp(QStringLiteral("COM1"), 5, 1);
        }
        TestEnv env;
        QVERIFY(!state().SetupModeMayBeOpen);
        QCOMPARE(state().SetupModeOpenings, quint64(0));
        QVERIFY(!state().lateReply.owes(QStringLiteral("COM1")));
    }

    void waitBlocksMoreThanTheSeconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::newRow("2 s") << 2.0 << qint64(2001);
        QTest::newRow("0.25 s") << 0.25 << qint64(251);
        QTest::newRow("0") << 0.0 << qint64(1);
        QTest::newRow("negative") << -1.0 << qint64(0);
    }
    void waitBlocksMoreThanTheSeconds()
    {
        QFETCH(double, seconds);
        QFETCH(qint64, elapsedMs);
        TestEnv env;
        int events = 0;
        env.clock.scheduleIn(100, [&] { ++events; });
        Wait(seconds);
        QCOMPARE(env.clock.monotonicMs(), elapsedMs);
    }
    void waitAcrossMidnight()
    {
        TestEnv env;
        VirtualClock late(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59)));
        state().clock = &late;
        Wait(2);
        QCOMPARE(late.monotonicMs(), qint64(2001));
    }

    void splitLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << "" << QStringList({""});
        QTest::newRow("two CR LF lines") << "a\r\nb\r\n" << QStringList({"a", "b"});
        QTest::newRow("empty line kept") << "a\r\rb" << QStringList({"a", "", "b"});
        QTest::newRow("last line untrimmed") << "  one  \r\n  two  " << QStringList({"one", "  two  "});
        QTest::newRow("LF only") << "x\ny\n" << QStringList({"x", "y"});
        QTest::newRow("LF CR is two ends") << "x\n\ry" << QStringList({"x", "", "y"});
        QTest::newRow("only a CR") << "\r" << QStringList({""});
        QTest::newRow("only blanks") << "   " << QStringList({"   "});
        QTest::newRow("tabs are not blanks") << "\tx\t\r" << QStringList({"\tx\t"});
        QTest::newRow("v reply") << "Model 6450\rVersion 2.01\rSerial 12345\r\r\rline1\rline2\r*0\r"
                                 << QStringList({"Model 6450", "Version 2.01", "Serial 12345", "", "", "line1",
                                                 "line2", "*0"});
        QTest::newRow("Latin-1 and NUL kept")
            << QString("a") + QChar(228) + QChar(0) + "\r" << QStringList({QString("a") + QChar(228) + QChar(0)});
    }
    void splitLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(SplitLines(text), expected);
    }

    void splitByDelimiter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three numbers") << "1.5, 2.5,3.5" << "," << QStringList({"1.5", "2.5", "3.5"});
        QTest::newRow("blanks both sides")
            << "a ,b , c" << "," << QStringList({"a ", "b ", " c"});
        QTest::newRow("empty") << "" << "," << QStringList({""});
        QTest::newRow("only a delimiter") << "," << "," << QStringList({""});
        QTest::newRow("trailing delimiter") << "a,b," << "," << QStringList({"a", "b"});
        QTest::newRow("empty fields") << ",,x" << "," << QStringList({"", "", "x"});
        QTest::newRow("line breaks stay as CR") << "a\r\nb,c\nd" << "," << QStringList({"a\rb", "c\rd"});
        QTest::newRow("CR delimiter") << "a\r\nb \r c" << "\r" << QStringList({"a", "b ", " c"});
        QTest::newRow("history line") << "RANGE 1, 2 ,3" << "," << QStringList({"RANGE 1", "2 ", "3"});
        QTest::newRow("empty delimiter") << "a,b" << "" << QStringList({"a,b"});
    }
    void splitByDelimiter()
    {
        QFETCH(QString, text);
        QFETCH(QString, delimiter);
        QFETCH(QStringList, expected);
        QCOMPARE(SplitByDelimiter(text, delimiter), expected);
    }

    void splittersTakeManyPieces()
    {
        QString text;
        for (int i = 0; i < 40000; ++i)
            text += QString::number(i) + ",";
        const QStringList fields = SplitByDelimiter(text, ",");
        QCOMPARE(fields.size(), 40000);
        QCOMPARE(fields.last(), QString("39999"));
        QCOMPARE(SplitLines(QString(40000, '\r')).size(), 40000);
    }

    void trimBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << "  a b  " << "a b";
        QTest::newRow("only blanks") << "   " << "";
        QTest::newRow("tab kept") << " \ta\t " << "\ta\t";
        QTest::newRow("CR kept") << " a \r" << "a \r";
    }
    void trimBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TrimBlanks(text), expected);
    }
};

QTEST_MAIN(DmmSetupTest)
#include "dmm_setup_test.moc"
