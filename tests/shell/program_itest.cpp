// End to end: the real program (setup6400), offscreen, with metersim's meter on a
// pseudo-terminal mapped to COM1 in a fresh settings store. The start-up search must find
// the meter on the serial port and the main window must show its model, version and serial
// number; started with --service, the program runs the setup tasks from its Service menu.
// The program reads no variables of its own, so it is watched and driven through a Qt
// generic plugin (tests/support/probe) that reports what the windows show and then closes
// the main window. The search broadcasts on Ethernet first, so the test runs only inside
// the private network namespace (scripts/test).
#include "tests/support/PrivateNetwork.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Starts metersim and returns the pseudo-terminal of its meter, or the empty text.
QString startMeter(QProcess &sim, const QStringList &arguments)
{
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(qEnvironmentVariable("METERSIM"), arguments);
    if (!sim.waitForStarted(10000))
        return {};
    QString tty;
    QByteArray pending;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        sim.waitForReadyRead(100);
        pending += sim.readAll();
        const QList<QByteArray> lines = pending.split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> words = line.trimmed().split(' ');
            if (words.size() == 4 && words[0] == "meter" && words[1] == "1" && words[2] == "pty")
                tty = QString::fromLocal8Bit(words[3]);
            if (line.trimmed() == "ready")
                return tty;
        }
    }
    return {};
}

} // namespace

class ProgramITest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpFindsTheMeterOnASerialPort();
    void serviceMenuRunsTheSetupTasks();
    void argumentsOtherThanTheOptionsAreRefused();
};

namespace {

QString programPath()
{
    // metersim is build/<tree>/tests/sim/metersim; the program is build/<tree>/app/setup6400.
    const QDir tests = QFileInfo(qEnvironmentVariable("METERSIM")).dir().absoluteFilePath(QStringLiteral(".."));
    const QDir build(tests.absoluteFilePath(QStringLiteral("..")));
    return build.absoluteFilePath(QStringLiteral("app/setup6400"));
}

QString pluginsPath()
{
    const QDir tests = QFileInfo(qEnvironmentVariable("METERSIM")).dir().absoluteFilePath(QStringLiteral(".."));
    return tests.absoluteFilePath(QStringLiteral("plugins"));
}

// The settings store as the program finds it: COM1 is the meter; the other COM numbers
// name devices that do not exist, so the machine's own serial ports stay untouched.
QString prepareStore(const QTemporaryDir &config, const QString &tty)
{
    const QString store = config.filePath(QStringLiteral("6400 Series Setup Utility/6400 Series Setup Utility.ini"));
    QSettings settings(store, QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ports/COM1"), tty);
    for (int port = 2; port <= 16; ++port)
        settings.setValue(QStringLiteral("Ports/COM%1").arg(port), config.filePath(QStringLiteral("absent-COM%1").arg(port)));
    return store;
}

// The commands metersim reports it received (" > command < reply" lines), in order.
QStringList receivedCommands(const QString &traffic)
{
    QStringList commands;
    for (const QString &line : traffic.split(QLatin1Char('\n'))) {
        const qsizetype from = line.indexOf(QStringLiteral(" > "));
        if (from < 0)
            continue;
        const qsizetype to = line.indexOf(QStringLiteral(" < "), from + 3);
        commands << line.mid(from + 3, to < 0 ? -1 : to - from - 3).trimmed();
    }
    return commands;
}

} // namespace

void ProgramITest::startUpFindsTheMeterOnASerialPort()
{
    REQUIRE_PRIVATE_NETWORK();
    // metersim is build/<tree>/tests/sim/metersim; the program and the probe are beside it.
    const QDir tests = QFileInfo(qEnvironmentVariable("METERSIM")).dir().absoluteFilePath(QStringLiteral(".."));
    const QDir build(tests.absoluteFilePath(QStringLiteral("..")));
    const QString program = build.absoluteFilePath(QStringLiteral("app/setup6400"));
    const QString plugins = tests.absoluteFilePath(QStringLiteral("plugins"));
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    QVERIFY2(QFileInfo::exists(plugins + QStringLiteral("/generic")), qPrintable(plugins));

    QProcess sim;
    const QString tty = startMeter(sim, {QStringLiteral("--no-udp"), QStringLiteral("--serial"),
                                         QStringLiteral("64509876"), QStringLiteral("--firmware"),
                                         QStringLiteral("3.07")});
    QVERIFY2(!tty.isEmpty(), "metersim did not start");

    // The settings store as the program finds it: COM1 is the meter; the other COM numbers
    // name devices that do not exist, so the machine's own serial ports stay untouched.
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString store = config.filePath(QStringLiteral("6400 Series Setup Utility/6400 Series Setup Utility.ini"));
    {
        QSettings settings(store, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Ports/COM1"), tty);
        for (int port = 2; port <= 16; ++port)
            settings.setValue(QStringLiteral("Ports/COM%1").arg(port),
                              config.filePath(QStringLiteral("absent-COM%1").arg(port)));
    }

    const QString report = config.filePath(QStringLiteral("main-window.txt"));
    QProcess setup;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), plugins);
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("windowprobe:") + report);
    setup.setProcessEnvironment(environment);
    setup.setProcessChannelMode(QProcess::MergedChannels);
    setup.start(program, {});
    QVERIFY(setup.waitForStarted(10000));
    const bool ended = setup.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(setup.readAll());
    if (!ended)
        setup.kill();
    QVERIFY2(ended, qPrintable(output));
    QCOMPARE(setup.exitStatus(), QProcess::NormalExit);
    QVERIFY2(setup.exitCode() == 0, qPrintable(output));

    QFile shown(report);
    QVERIFY2(shown.open(QIODevice::ReadOnly), "the main window never showed meter information");
    const QStringList parts = QString::fromUtf8(shown.readAll()).split(QStringLiteral("\n--\n"));
    QCOMPARE(parts.size(), 2);
    const QStringList info = parts[0].split(QLatin1Char('\n'));
    QVERIFY2(info.contains(QStringLiteral("Model 6450")), qPrintable(parts[0]));
    QVERIFY2(info.contains(QStringLiteral("Version 3.07")), qPrintable(parts[0]));
    QVERIFY2(info.contains(QStringLiteral("Serial 64509876")), qPrintable(parts[0]));
    QCOMPARE(parts[1].trimmed(), QStringLiteral("Velkorande 6450\nRS232 Port 1"));

    // The search stored the link it found.
    QSettings settings(store, QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("Settings/DVM1_Interface")).toString(), QStringLiteral("RS232"));
    QCOMPARE(settings.value(QStringLiteral("Settings/DVM1_CommPort")).toString(), QStringLiteral("1"));

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    const QString traffic = QString::fromLocal8Bit(sim.readAll());
    QVERIFY2(traffic.contains(QStringLiteral(" > *IDN? < Velkorande,Model 6450,64509876,3.07")), qPrintable(traffic));
    QVERIFY2(traffic.contains(QStringLiteral(" > v < Model 6450")), qPrintable(traffic));
}

void ProgramITest::serviceMenuRunsTheSetupTasks()
{
    REQUIRE_PRIVATE_NETWORK();
    const QString program = programPath();
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));

    QProcess sim;
    const QString tty = startMeter(sim, {QStringLiteral("--no-udp")});
    QVERIFY2(!tty.isEmpty(), "metersim did not start");
    QTemporaryDir config;
    QVERIFY(config.isValid());
    prepareStore(config, tty);
    // The default specification file, found in the program's working folder.
    {
        QFile spec(config.filePath(QStringLiteral("default.spec")));
        QVERIFY(spec.open(QIODevice::WriteOnly));
        spec.write("Version 5.10\r\nR01 200mV , 7.5,1.25,\r\nR02 2V , 6,1,\r\n");
    }

    const QString report = config.filePath(QStringLiteral("service.txt"));
    QProcess setup;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), pluginsPath());
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("serviceprobe:") + report);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    setup.setProcessEnvironment(environment);
    setup.setWorkingDirectory(config.path());
    setup.setProcessChannelMode(QProcess::MergedChannels);
    // Qt's own option still works beside the program's.
    setup.start(program, {QStringLiteral("--service"), QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(setup.waitForStarted(10000));
    const bool ended = setup.waitForFinished(180000);
    const QString output = QString::fromLocal8Bit(setup.readAll());
    if (!ended)
        setup.kill();
    QVERIFY2(ended, qPrintable(output));
    QVERIFY2(setup.exitStatus() == QProcess::NormalExit && setup.exitCode() == 0, qPrintable(output));

    QFile shown(report);
    QVERIFY2(shown.open(QIODevice::ReadOnly), "the probe never reached the main window");
    const QStringList lines = QString::fromUtf8(shown.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("menu: Setup Tasks…|Select Default Specifications File…|")), qPrintable(lines[0]));
    QVERIFY2(lines[0].endsWith(QStringLiteral("|Close Serial Port|-|Clear All Settings…")), qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("box: Setup Tasks Completed|Date Set/Calibration Password Set/"
                                      "Calibration Factors Cleared/Default Specifications Loaded"));

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    const QStringList commands = receivedCommands(QString::fromLocal8Bit(sim.readAll()));
    const qsizetype clock = commands.indexOf(QRegularExpression(QStringLiteral("^A\\d{10}$")));
    QVERIFY2(clock > 0, qPrintable(commands.join(QLatin1Char(','))));
    QCOMPARE(commands[clock - 1], QStringLiteral("k5820637"));
    const QStringList rest = commands.mid(clock + 1);
    QCOMPARE(rest.mid(0, 5), (QStringList{"k5820637", "K6182", "k5820637", "CC", "k5820637"}));
    QCOMPARE(rest.mid(5, 2), (QStringList{"ps", "CALIBRATE:PASSWORD 6182"}));
    QCOMPARE(rest.mid(7, 4), (QStringList{"Ws1,0,7.5", "Ws1,1,1.25", "Ws2,0,6", "Ws2,1,1"}));
    QVERIFY2(rest[11].startsWith(QStringLiteral("&05Spec ___ ")), qPrintable(rest[11]));
    QCOMPARE(rest.mid(12), (QStringList{"a1", "a1"}));
}

void ProgramITest::argumentsOtherThanTheOptionsAreRefused()
{
    const QString program = programPath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QTemporaryDir config;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    QProcess refused;
    refused.setProcessEnvironment(environment);
    refused.start(program, {QStringLiteral("--servce")});
    QVERIFY(refused.waitForFinished(30000));
    QCOMPARE(refused.exitCode(), 2);
    QVERIFY(QString::fromLocal8Bit(refused.readAllStandardError()).contains(QStringLiteral("unknown argument \"--servce\"")));

    QProcess help;
    help.setProcessEnvironment(environment);
    help.start(program, {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(30000));
    QCOMPARE(help.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(help.readAllStandardOutput()).contains(QStringLiteral("--service")));
}

QTEST_MAIN(ProgramITest)
#include "program_itest.moc"
