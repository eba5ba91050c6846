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
        QTest::addColumn<bool>("platform");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QStringList{} << false << false << false << "";
        QTest::newRow("service") << QStringList{"--service"} << true << false << false << "";
        QTest::newRow("help") << QStringList{"--help"} << false << true << false << "";
        QTest::newRow("both") << QStringList{"--service", "--help"} << true << true << false << "";
        QTest::newRow("unknown option") << QStringList{"--service", "--serivce"} << true << false << false
                                        << "unknown argument \"--serivce\"";
        QTest::newRow("a file name") << QStringList{"meter.spec"} << false << false << false
                                     << "unknown argument \"meter.spec\"";
        QTest::newRow("short help") << QStringList{"-h"} << false << false << false << "unknown argument \"-h\"";
        // Qt's options are read as Qt reads them: one dash or two, a value in the next argument
        // whatever it is, a few with the value after "=".
        QTest::newRow("platform") << QStringList{"-platform", "offscreen", "--service"} << true << false << true << "";
        QTest::newRow("platform, two dashes") << QStringList{"--platform", "xcb"} << false << false << true << "";
        QTest::newRow("Qt's flag and joined value") << QStringList{"-reverse", "-style=fusion", "--help"} << false
                                                    << true << false << "";
        QTest::newRow("a value is the next argument") << QStringList{"-style", "--service"} << false << false << false
                                                      << "";
        QTest::newRow("platform without a value") << QStringList{"--service", "-platform"} << true << false << false
                                                  << "the option \"-platform\" needs a value";
        QTest::newRow("display without a value") << QStringList{"--display"} << false << false << false
                                                 << "the option \"--display\" needs a value";
        QTest::newRow("platform joined") << QStringList{"-platform=offscreen"} << false << false << false
                                         << "unknown argument \"-platform=offscreen\"";
    }
    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, service);
        QFETCH(bool, help);
        QFETCH(bool, platform);
        QFETCH(QString, error);
        const ProgramOptions options = ParseProgramOptions(arguments);
        QCOMPARE(options.service, service);
        QCOMPARE(options.help, help);
        QCOMPARE(options.platformChosen, platform);
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
