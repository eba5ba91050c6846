// Times the table writes of the real windows, shown on the offscreen platform, against a
// simulated meter on a pseudo-terminal, in real time: the PRT table's Save All after
// Generate (3500 entries), the thermocouple tables from the formulas (1337 points), the
// calibration factors' Save To Meter and the specifications' Save All of a full table.
// Each is run twice: with the serial line's 9600-baud wire time and no reply delay, and
// without wire time and a fixed 5-ms reply delay. For each it prints the total time, the
// floor and their ratio. The floor comes from the meter's transcript of the run: the
// pacing sleep before every command (20 ms within 0.2 s of the previous one, else 5 ms),
// the wire time of every byte both ways, the meter's reply delay and the setup-mode
// bracket's fixed sleeps. A ratio near 1 means the window adds nothing a user could wait for.
// The last column is the user-interface thread's own processor time per command (the
// window's and the transport's work, without sleeps and waits), which a loaded machine
// disturbs far less than the total.
//   build/test/bench/window_write_bench [--only prt|thermocouple|calfactors|specs]
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "widgets/WindowRegistry.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "bench/BenchPlatform.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Line
{
    bool wireTime;
    int replyDelayMs;
    const char *name;
};

// The floor of a run, from what the meter received and sent.
double floorMs(const QList<metersim::TranscriptEntry> &transcript, const Line &line)
{
    Floor floor;
    floor.wireTime = line.wireTime;
    floor.replyDelayMs = line.replyDelayMs;
    for (const metersim::TranscriptEntry &entry : transcript) {
        const bool access = entry.command == QLatin1String("k5820637");
        const bool leave = entry.command == QLatin1String("a1");
        const bool password = entry.command.startsWith(QLatin1String("CALIBRATE:PASSWORD"));
        if (access || leave)
            floor.sleep(150);
        floor.exchange(entry.command, entry.reply.size());
        if (access || leave || password)
            floor.sleep(50);
    }
    return floor.total;
}

// Processor time of the calling thread, in milliseconds.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Path
{
    const char *name;
    std::function<void(QTemporaryDir &)> prepare; // untimed
    std::function<void()> write;                  // timed
};

template <class Form>
Form &shownForm()
{
    // Opened without reading the meter: the runs below fill the table themselves.
    state().OfflineMode = true;
    Form &form = appWindows().form<Form>();
    state().OfflineMode = false;
    form.show();
    QApplication::processEvents();
    return form;
}

// A full table as a user gets it: read from the meter, saved to a file and loaded back,
// which marks every cell for writing.
template <class Form>
void fullTableFromFile(QTemporaryDir &dir, const char *fileName, ScriptedUserInteraction &ui)
{
    Form &form = shownForm<Form>();
    form.Command_LoadAllCalFactors_Click();
    const QString path = dir.filePath(QString::fromLatin1(fileName));
    ui.answerFiles({path});
    form.Command_FileSave_Click();
    ui.answerFiles({path});
    form.Command_FileLoad_Click();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString only = app.arguments().size() > 2 && app.arguments()[1] == QLatin1String("--only")
                             ? app.arguments()[2]
                             : QString();
    useFreshConfigFolder();
    BenchPlatform platform;
    ScriptedUserInteraction &ui = platform.ui;
    SharedState &s = state();

    const QList<Path> paths{
        {"prt",
         [](QTemporaryDir &) { shownForm<FormPRTTable>().Command_GenerateITS90_Click(); },
         [] { appWindows().find<FormPRTTable>()->Command_SaveAll_Click(); }},
        {"thermocouple", [](QTemporaryDir &) { shownForm<FormThermocouple>(); },
         [] { appWindows().find<FormThermocouple>()->Command_SaveThermocoupleTableFromFormula_Click(); }},
        {"calfactors", [&ui](QTemporaryDir &dir) { fullTableFromFile<FormCalFactors>(dir, "bench.cal", ui); },
         [] { appWindows().find<FormCalFactors>()->Command_SaveAll_Click(); }},
        {"specs", [&ui](QTemporaryDir &dir) { fullTableFromFile<FormSpecifications>(dir, "bench.spec", ui); },
         [] { appWindows().find<FormSpecifications>()->Command_SaveAll_Click(); }},
    };
    const Line lines[] = {{true, 0, "9600-baud wire time, no reply delay"}, {false, 5, "no wire time, 5-ms reply delay"}};

    int failures = 0;
    for (const Line &line : lines) {
        std::printf("window_write_bench: %s\n", line.name);
        std::printf("  %-13s %8s %10s %10s %7s %12s\n", "path", "commands", "total ms", "floor ms", "ratio",
                    "cpu ms/cmd");
        for (const Path &path : paths) {
            if (!only.isEmpty() && only != QLatin1String(path.name))
                continue;
            metersim::SimMeter meter;
            meter.setWireTime(line.wireTime, 9600);
            meter.setReplyDelayMs(line.replyDelayMs);
            PtyMeter served(meter, platform.settings, "window_write_bench");
            if (!served.port)
                return 1;
            s.DVM1Comm = served.port.get();
            s.DVM1 = CreateDVM(QStringLiteral("6450"));
            s.DVM1->SetInterfaceType(InterfaceRS232);
            s.DVM1->SetCommControl(served.port.get());

            QTemporaryDir dir;
            path.prepare(dir);
            QApplication::processEvents();
            meter.clearTranscript();
            const int boxesBefore = int(ui.boxes.size());

            QElapsedTimer timer;
            const double cpuBefore = threadCpuMs();
            timer.start();
            path.write();
            const double elapsed = timer.nsecsElapsed() / 1e6;
            const double cpu = threadCpuMs() - cpuBefore;

            const QList<metersim::TranscriptEntry> transcript = meter.transcript();
            const double floor = floorMs(transcript, line);
            std::printf("  %-13s %8lld %10.0f %10.0f %7.3f %12.3f\n", path.name,
                        static_cast<long long>(transcript.size()), elapsed, floor, elapsed / floor,
                        cpu / std::max<qsizetype>(1, transcript.size()));
            for (qsizetype i = boxesBefore; i < ui.boxes.size(); ++i)
                std::printf("    message: %s\n", qPrintable(ui.boxes[i].prompt));
            failures += ui.boxes.size() > boxesBefore || transcript.isEmpty();
            std::fflush(stdout);

            appWindows().destroyAll();
            s.DVM1.reset();
            s.DVM1Comm = nullptr;
        }
    }
    return failures == 0 ? 0 : 1;
}
