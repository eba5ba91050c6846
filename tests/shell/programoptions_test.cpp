// The program's own command-line options.
#include "shell/ProgramOptions.h"

#include <QtTest>

class ProgramOptionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("service");
        QTest::addColumn<bool>("help");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QStringList{} << false << false << "";
        QTest::newRow("service") << QStringList{"--service"} << true << false << "";
        QTest::newRow("help") << QStringList{"--help"} << false << true << "";
        QTest::newRow("both") << QStringList{"--service", "--help"} << true << true << "";
        QTest::newRow("unknown option") << QStringList{"--service", "--serivce"} << true << false
                                        << "unknown argument \"--serivce\"";
        QTest::newRow("a file name") << QStringList{"meter.spec"} << false << false << "unknown argument \"meter.spec\"";
        QTest::newRow("short help") << QStringList{"-h"} << false << false << "unknown argument \"-h\"";
    }
    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, service);
        QFETCH(bool, help);
        QFETCH(QString, error);
        const ProgramOptions options = ParseProgramOptions(arguments);
        QCOMPARE(options.service, service);
        QCOMPARE(options.help, help);
        QCOMPARE(options.error, error);
    }

    void usageNamesEveryOption()
    {
        const QString usage = ProgramUsage(QStringLiteral("setup6400"));
        QVERIFY(usage.startsWith(QStringLiteral("Usage: setup6400 [--service] [--help]\n")));
        QVERIFY(usage.contains(QStringLiteral("erases the meter")));
    }
};

QTEST_MAIN(ProgramOptionsTest)
#include "programoptions_test.moc"
