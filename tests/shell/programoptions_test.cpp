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
        QTest::addColumn<bool>("windowSystem"); // -platform or -display names one
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
        // Qt's options are read as Qt reads them: one dash or two, a value in the next argument,
        // a few with the value after "=". A value that is missing or begins with "-" (an
        // option taken for a value, on which Qt would end the program) is a wrong argument.
        QTest::newRow("platform") << QStringList{"-platform", "offscreen", "--service"} << true << false << true << "";
        QTest::newRow("platform, two dashes") << QStringList{"--platform", "xcb"} << false << false << true << "";
        QTest::newRow("Qt's flag and joined value") << QStringList{"-reverse", "-style=fusion", "--help"} << false
                                                    << true << false << "";
        QTest::newRow("display") << QStringList{"-display", ":0"} << false << false << true << "";
        QTest::newRow("display, two dashes") << QStringList{"--display", "bench:0.0", "--service"} << true << false
                                             << true << "";
        QTest::newRow("an option is no value") << QStringList{"-style", "--service"} << false << false << false
                                               << "the option \"-style\" needs a value";
        QTest::newRow("platform taking --help") << QStringList{"-platform", "--help"} << false << false << false
                                                << "the option \"-platform\" needs a value";
        QTest::newRow("display taking a Qt option") << QStringList{"-display", "-reverse"} << false << false << false
                                                    << "the option \"-display\" needs a value";
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
        QFETCH(bool, windowSystem);
        QFETCH(QString, error);
        const ProgramOptions options = ParseProgramOptions(arguments);
        QCOMPARE(options.service, service);
        QCOMPARE(options.help, help);
        QCOMPARE(options.windowSystemChosen, windowSystem);
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
