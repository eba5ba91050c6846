// End to end: the real program (setup6400), offscreen, against metersim.
// - On RS232: metersim's meter on a pseudo-terminal mapped to COM1 in a fresh settings
//   store. The start-up search must find the meter on the serial port and the main window
//   must show its model, version and serial number.
// - On GPIB: metersim's meter on its GPIB bus, reached through the stand-in libgpib.so.0
//   that the dynamic linker finds on LD_LIBRARY_PATH. Options > Options, GPIB, Find DMM
//   and Yes must put the meter's address into Combo_GPIB1.
// - With --service: the Service menu's Setup Tasks run against the meter on RS232.
// - A wrong argument, --help, and a start without a display: answered in plain words with an
//   exit status, the arguments first, and before a display that is named but cannot be
//   reached is tried.
// The program reads no variables of its own, so it is watched and driven through a Qt
// generic plugin (tests/support/probe) that reports what the windows
// show and then closes the main window. The search broadcasts on Ethernet first, so the
// tests run only inside the private network namespace (scripts/test).
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

// A settings store in the folder where COM1 is the tty (or nothing) and COM2 to COM16 name
// devices that do not exist, so the machine's own serial ports stay untouched.
QString writeSettingsStore(const QTemporaryDir &config, const QString &tty)
{
    const QString store = config.filePath(QStringLiteral("6400 Series Setup Utility/6400 Series Setup Utility.ini"));
    QSettings settings(store, QSettings::IniFormat);
    for (int port = 1; port <= 16; ++port)
        settings.setValue(QStringLiteral("Ports/COM%1").arg(port),
                          port == 1 && !tty.isEmpty() ? tty : config.filePath(QStringLiteral("absent-COM%1").arg(port)));
    return store;
}

// The folders of the program and the probe plugin (beside metersim in the build tree).
struct BuildTree
{
    QDir tests = QFileInfo(qEnvironmentVariable("METERSIM")).dir().absoluteFilePath(QStringLiteral(".."));
    QString program = QDir(tests.absoluteFilePath(QStringLiteral(".."))).absoluteFilePath(QStringLiteral("app/setup6400"));
    QString plugins = tests.absoluteFilePath(QStringLiteral("plugins"));
};

// Runs the program with the probe until it ends; its output, or a failure text.
bool runProgram(const BuildTree &tree, const QTemporaryDir &config, const QString &probe,
                const QProcessEnvironment &extra, QString &output, const QStringList &arguments = {},
                const QString &workingDirectory = {})
{
    QProcess setup;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), tree.plugins);
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), probe);
    environment.insert(extra);
    setup.setProcessEnvironment(environment);
    setup.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDirectory.isEmpty())
        setup.setWorkingDirectory(workingDirectory);
    setup.start(tree.program, arguments);
    if (!setup.waitForStarted(10000))
        return false;
    const bool ended = setup.waitForFinished(120000);
    output = QString::fromLocal8Bit(setup.readAll());
    if (!ended) {
        setup.kill();
        return false;
    }
    return setup.exitStatus() == QProcess::NormalExit && setup.exitCode() == 0;
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

class ProgramITest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpFindsTheMeterOnASerialPort();
    void optionsFindsTheMeterOnGpib();
    void serviceMenuRunsTheSetupTasks();
    void argumentsAndAMissingDisplayAreAnswered_data();
    void argumentsAndAMissingDisplayAreAnswered();
};

void ProgramITest::startUpFindsTheMeterOnASerialPort()
{
    REQUIRE_PRIVATE_NETWORK();
    const BuildTree tree;
    QVERIFY2(QFileInfo(tree.program).isExecutable(), qPrintable(tree.program));
    QVERIFY2(QFileInfo::exists(tree.plugins + QStringLiteral("/generic")), qPrintable(tree.plugins));

    QProcess sim;
    const QString tty = startMeter(sim, {QStringLiteral("--no-udp"), QStringLiteral("--serial"),
                                         QStringLiteral("64509876"), QStringLiteral("--firmware"),
                                         QStringLiteral("3.07")});
    QVERIFY2(!tty.isEmpty(), "metersim did not start");

    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString store = writeSettingsStore(config, tty);
    const QString report = config.filePath(QStringLiteral("main-window.txt"));
    QString output;
    QVERIFY2(runProgram(tree, config, QStringLiteral("windowprobe:") + report, {}, output), qPrintable(output));

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

void ProgramITest::optionsFindsTheMeterOnGpib()
{
    REQUIRE_PRIVATE_NETWORK();
    const BuildTree tree;
    const QString standIn = qEnvironmentVariable("GPIB_STANDIN");
    QVERIFY2(QFileInfo::exists(standIn), qPrintable(standIn));

    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString socket = config.filePath(QStringLiteral("gpib.sock"));
    QProcess sim;
    startMeter(sim, {QStringLiteral("--no-udp"), QStringLiteral("--serial"), QStringLiteral("64509876"),
                     QStringLiteral("--gpib"), QStringLiteral("12"), QStringLiteral("--gpib-socket"), socket});
    QVERIFY2(QFileInfo::exists(socket), "metersim did not serve its GPIB bus");

    writeSettingsStore(config, {});
    const QString report = config.filePath(QStringLiteral("options.txt"));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("LD_LIBRARY_PATH"), QFileInfo(standIn).absolutePath());
    extra.insert(QStringLiteral("METERSIM_GPIB_SOCKET"), socket);
    QString output;
    QVERIFY2(runProgram(tree, config, QStringLiteral("optionsprobe:") + report, extra, output), qPrintable(output));

    QFile shown(report);
    QVERIFY2(shown.open(QIODevice::ReadOnly), "the GPIB search never offered an instrument");
    const QStringList parts = QString::fromUtf8(shown.readAll()).split(QStringLiteral("\n--\n"));
    QCOMPARE(parts, QStringList({QStringLiteral("Instrument found at address 12\r  Velkorande,Model 6450,64509876\r\r"
                                                "Use this instrument?"),
                                 QStringLiteral("12")}));

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    const QString traffic = QString::fromLocal8Bit(sim.readAll());
    QVERIFY2(traffic.contains(QStringLiteral(" > *IDN? < Velkorande,Model 6450,64509876,2.31")), qPrintable(traffic));
}

void ProgramITest::serviceMenuRunsTheSetupTasks()
{
    REQUIRE_PRIVATE_NETWORK();
    const BuildTree tree;
    QVERIFY2(QFileInfo(tree.program).isExecutable(), qPrintable(tree.program));

    QProcess sim;
    const QString tty = startMeter(sim, {QStringLiteral("--no-udp")});
    QVERIFY2(!tty.isEmpty(), "metersim did not start");
    QTemporaryDir config;
    QVERIFY(config.isValid());
    writeSettingsStore(config, tty);
    // The default specification file, found in the program's working folder.
    {
        QFile spec(config.filePath(QStringLiteral("default.spec")));
        QVERIFY(spec.open(QIODevice::WriteOnly));
        spec.write("Version 5.10\r\nR01 200mV , 7.5,1.25,\r\nR02 2V , 6,1,\r\n");
    }

    const QString report = config.filePath(QStringLiteral("service.txt"));
    QString output;
    // Qt's own option is taken beside the program's.
    QVERIFY2(runProgram(tree, config, QStringLiteral("serviceprobe:") + report, {}, output,
                        {QStringLiteral("--service"), QStringLiteral("-platform"), QStringLiteral("offscreen")},
                        config.path()),
             qPrintable(output));

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

void ProgramITest::argumentsAndAMissingDisplayAreAnswered_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display"); // NAME=VALUE; empty: no display named at all
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // a part of what the program prints
    const QString offscreen = QStringLiteral("QT_QPA_PLATFORM=offscreen");
    const QString unreachable = QStringLiteral("DISPLAY=:99"); // named, but no X server there
    const QString unknown = QStringLiteral("unknown argument \"--servce\"");
    const QString noDisplay = QStringLiteral(": no display found: set DISPLAY to show the program, or run it "
                                             "without a display with -platform offscreen (or QT_QPA_PLATFORM=offscreen)\n");
    QTest::newRow("wrong argument") << QStringList{"--servce"} << offscreen << 2 << unknown;
    QTest::newRow("wrong argument, no display") << QStringList{"--service", "--servce"} << QString() << 2 << unknown;
    QTest::newRow("wrong argument, display unreachable") << QStringList{"--servce"} << unreachable << 2 << unknown;
    QTest::newRow("platform without a value") << QStringList{"--service", "-platform"} << QString() << 2
                                              << QStringLiteral("the option \"-platform\" needs a value");
    QTest::newRow("help, no display") << QStringList{"--help"} << QString() << 0 << QStringLiteral("--service");
    QTest::newRow("help, display unreachable") << QStringList{"--help"} << unreachable << 0
                                               << QStringLiteral("--service");
    QTest::newRow("no display") << QStringList{"--service"} << QString() << 1 << noDisplay;
}

void ProgramITest::argumentsAndAMissingDisplayAreAnswered()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    if (!display.isEmpty())
        environment.insert(display.section(QLatin1Char('='), 0, 0), display.section(QLatin1Char('='), 1));
    QTemporaryDir config;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(BuildTree().program, arguments);
    QVERIFY(program.waitForFinished(30000));
    const QString printed = QString::fromLocal8Bit(program.readAll());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(printed.contains(output), qPrintable(printed));
    // The missing display is told in one line and nothing else.
    if (status == 1)
        QVERIFY2(printed.endsWith(output) && printed.count(QLatin1Char('\n')) == 1, qPrintable(printed));
}

QTEST_MAIN(ProgramITest)
#include "program_itest.moc"
#include "tests/support/PrivateNetwork.h"
