// metersim: serves simulated 6400-series meters for trials without a meter. Each meter is
// served on its own pseudo-terminal (open its path as a serial port) and, through its
// Ethernet module, on UDP in 127.0.0.0/8. Prints one line per endpoint, then (unless
// --quiet) one line per command received. Stops on SIGINT or SIGTERM.
#include "tests/sim/core/SimGpib.h"
#include "tests/sim/core/SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

using namespace metersim;

namespace {

std::atomic<bool> stopRequested{false};

void requestStop(int) { stopRequested = true; }

void say(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString visible(QString text)
{
    return text.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

bool parseFault(const QString &spec, SimMeter &meter)
{
    static const QMap<QString, Fault> kinds{{"silence", Fault::Silence}, {"echo", Fault::Echo},
                                            {"garbage", Fault::Garbage}, {"partial", Fault::PartialLine},
                                            {"disconnect", Fault::Disconnect}, {"reject", Fault::Reject},
                                            {"refuse", Fault::Refuse}, {"late", Fault::Late}};
    const QStringList parts = spec.split(QLatin1Char(':'));
    if (!kinds.contains(parts[0]))
        return false;
    bool ok = true;
    const int times = parts.size() > 2 ? parts[2].toInt(&ok) : -1;
    if (!ok)
        return false;
    meter.addFault(kinds[parts[0]], parts.size() > 1 ? parts[1] : QString(), times);
    return true;
}

// The i-th variant of a MAC address text: its last byte advanced by i.
QString nthMac(const QString &mac, int i)
{
    const int cut = mac.lastIndexOf(QLatin1Char('-')) + 1;
    bool ok = false;
    const int last = mac.mid(cut).toInt(&ok, 16);
    if (!ok || i == 0)
        return mac;
    return mac.left(cut) + QStringLiteral("%1").arg((last + i) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metersim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated Velkorande 6400-series meters with their Ethernet modules.\n"
        "\n"
        "Module commands (UDP, command port, broadcast):\n"
        "  X                  discovery: every module answers A<mac>/<port>/<flags>/<baud>/<owner>/<device>\n"
        "  W<mac>             select the module with that MAC address (answers A)\n"
        "  L                  log in to configuration mode (answers A)\n"
        "  SBR<d> SPR<d> SBB<d> SFC<d> SSE<d>\n"
        "                     meter-side baud rate, parity, data width, flow control, soft entry codes\n"
        "  SON<owner> SDN<name>  owner and device name, 1 to 8 characters\n"
        "  SIP<a.b.c.d>       IP address (reported after the next reboot)\n"
        "  SDH1 SDH0          DHCP on, off (reported after the next reboot)\n"
        "  E                  reboot: answers A, then silent for the reboot time, selection and login lost\n"
        "  B                  flash the status LEDs (answers A)\n"
        "  GIP                answers A<address>\n"
        "The set commands answer N without a login; unknown commands answer N."));
    p.addHelpOption();
    const QCommandLineOption model("model", "Model: 6450, 6445, 6440, 6480 or 6475.", "model", "6450");
    const QCommandLineOption serial("serial", "Serial number of the first meter (later ones count up).", "serial", "64500123");
    const QCommandLineOption firmware("firmware", "Firmware version text.", "version", "2.31");
    const QCommandLineOption acPoints("ac-points", "AC calibration points per AC range: 20 or 25.", "n", "20");
    const QCommandLineOption count("count", "Number of meters (each with its own pty and module).", "n", "1");
    const QCommandLineOption delay("delay", "Reply delay in milliseconds.", "ms", "0");
    const QCommandLineOption noWire("no-wire-time", "Do not model the serial line's wire time.");
    const QCommandLineOption baud("baud", "Baud rate of the modelled wire time.", "baud", "9600");
    const QCommandLineOption gap("partial-gap", "Pause inside a partial line, milliseconds.", "ms", "120");
    const QCommandLineOption fault("fault",
                                   "A fault: KIND[:PREFIX[:TIMES]], KIND one of silence, echo, garbage, partial, "
                                   "disconnect, reject (*9), refuse (*6), late (the reply --late-ms later). "
                                   "Repeatable.",
                                   "spec");
    const QCommandLineOption lateMs("late-ms", "How much later a late fault's reply comes, milliseconds.", "ms",
                                    "14500");
    const QCommandLineOption foreign("foreign-id", "Answer *IDN? with another maker's identification.");
    const QCommandLineOption rebootMs("reboot-ms", "How long SYSTEM:REBOOT leaves the meter deaf.", "ms", "4000");
    const QCommandLineOption eraseMs("erase-ms", "How long WXerase leaves the meter deaf.", "ms", "15000");
    const QCommandLineOption noUdp("no-udp", "Serve no Ethernet module.");
    const QCommandLineOption address("address", "Module address (127.0.0.0/8).", "ip", "127.0.0.1");
    const QCommandLineOption dataPort("data-port", "Data port of the first module (later ones count up).", "port", "10001");
    const QCommandLineOption commandPort("command-port", "Module command port.", "port", "32767");
    const QCommandLineOption mac("mac", "MAC address of the first module.", "mac", "00-50-C2-64-50-01");
    const QCommandLineOption owner("owner", "Module owner name.", "name", "Velkoran");
    const QCommandLineOption device("device-name", "Module device name.", "name", "6450 DMM");
    const QCommandLineOption dhcp("dhcp", "The module starts with DHCP on.");
    const QCommandLineOption fresh("module-fresh", "The module's serial side is not set up yet.");
    const QCommandLineOption loginExtra("module-login-extra",
                                        "The module answers a login with A followed by this text.", "text");
    const QCommandLineOption moduleFail("module-fail",
                                        "The module answers N to every command beginning with this prefix. Repeatable.",
                                        "prefix");
    const QCommandLineOption gpib("gpib",
                                  "Put the next meter on the GPIB bus at this primary address (1 to 30). Repeatable: "
                                  "the first names meter 1's address, the second meter 2's, and so on. The bus is "
                                  "served to the stand-in GPIB library on a Unix socket.",
                                  "address");
    const QCommandLineOption gpibSocket("gpib-socket", "The GPIB bus's socket (default: METERSIM_GPIB_SOCKET, else "
                                                       "/tmp/metersim-gpib-<uid>.sock).",
                                        "path", defaultGpibSocketPath());
    const QCommandLineOption quiet("quiet", "Do not print the commands received.");
    p.addOptions({model, serial, firmware, acPoints, count, delay, noWire, baud, gap, fault, lateMs, foreign, rebootMs, eraseMs,
                  noUdp, address, dataPort, commandPort, mac, owner, device, dhcp, fresh, gpib, gpibSocket, loginExtra, moduleFail,
                  quiet});
    p.process(app);

    QList<int> gpibAddresses;
    for (const QString &text : p.values(gpib)) {
        bool ok = false;
        const int a = text.toInt(&ok);
        if (!ok || a < 1 || a > 30) {
            say(QStringLiteral("metersim: bad GPIB address: ") + text);
            return 2;
        }
        gpibAddresses << a;
    }
    const int meters = std::max({1, p.value(count).toInt(), static_cast<int>(gpibAddresses.size())});

    std::vector<std::unique_ptr<SimMeter>> sims;
    std::vector<std::unique_ptr<SimModule>> modules;
    SimServer server;
    SimGpibBus gpibBus; // after the meters: the bus serves them until it ends
    GpibSocketServer gpibServer;
    for (int i = 0; i < meters; ++i) {
        MeterConfig mc;
        mc.model = p.value(model);
        mc.serial = i == 0 ? p.value(serial) : QString::number(p.value(serial).toLongLong() + i);
        mc.version = p.value(firmware);
        mc.acPoints = p.value(acPoints).toInt();
        if (i < gpibAddresses.size())
            mc.gpibAddress = gpibAddresses[i];
        auto meter = std::make_unique<SimMeter>(mc);
        meter->setWireTime(!p.isSet(noWire), p.value(baud).toInt());
        meter->setReplyDelayMs(p.value(delay).toInt());
        meter->setPartialGapMs(p.value(gap).toInt());
        meter->setLateMs(p.value(lateMs).toInt());
        meter->setRebootMs(p.value(rebootMs).toInt());
        meter->setEraseMs(p.value(eraseMs).toInt());
        meter->setForeignIdentity(p.isSet(foreign));
        for (const QString &spec : p.values(fault))
            if (!parseFault(spec, *meter)) {
                say(QStringLiteral("metersim: bad fault: ") + spec);
                return 2;
            }
        if (!p.isSet(quiet)) {
            const int n = i + 1;
            meter->setObserver([n](const TranscriptEntry &e) {
                say(QStringLiteral("meter %1 %2 > %3 < %4")
                        .arg(n)
                        .arg(e.atMs / 1000.0, 0, 'f', 3)
                        .arg(e.command, visible(e.reply)));
            });
        }

        QString why;
        const QString tty = server.servePty(*meter, &why);
        if (tty.isEmpty()) {
            say(QStringLiteral("metersim: ") + why);
            return 1;
        }
        say(QStringLiteral("meter %1 pty %2").arg(i + 1).arg(tty));

        if (!p.isSet(noUdp)) {
            ModuleConfig cfg;
            cfg.address = QHostAddress(p.value(address));
            cfg.dataPort = static_cast<quint16>(p.value(dataPort).toUInt() + i);
            cfg.commandPort = static_cast<quint16>(p.value(commandPort).toUInt());
            cfg.mac = nthMac(p.value(mac), i);
            cfg.owner = p.value(owner);
            cfg.deviceName = p.value(device);
            cfg.dhcp = p.isSet(dhcp);
            cfg.serialSideSet = !p.isSet(fresh);
            auto module = std::make_unique<SimModule>(cfg);
            module->setLoginExtra(p.value(loginExtra));
            for (const QString &prefix : p.values(moduleFail))
                module->failCommand(prefix);
            if (!server.serveModule(*module, *meter, &why)) {
                say(QStringLiteral("metersim: ") + why);
                return 1;
            }
            say(QStringLiteral("meter %1 udp %2:%3 mac %4")
                    .arg(i + 1)
                    .arg(cfg.address.toString())
                    .arg(cfg.dataPort)
                    .arg(cfg.mac));
            modules.push_back(std::move(module));
        }
        if (i < gpibAddresses.size()) {
            gpibBus.attach(*meter);
            say(QStringLiteral("meter %1 gpib %2").arg(i + 1).arg(gpibAddresses[i]));
        }
        sims.push_back(std::move(meter));
    }
    if (!gpibAddresses.isEmpty()) {
        QString why;
        if (!gpibServer.serve(gpibBus, p.value(gpibSocket), &why)) {
            say(QStringLiteral("metersim: ") + why);
            return 1;
        }
        say(QStringLiteral("gpib socket ") + p.value(gpibSocket));
    }
    say(QStringLiteral("ready"));

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    poll.start(100);
    return app.exec();
}
