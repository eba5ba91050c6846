// Times loading tables into the editors as a user sees it, with the windows shown and on
// real time: a *.spec file, a *.uncert file, a *.cal file and a "pa" reply from the meter,
// at 70, 1,000, 16,384 and 65,536 rows (the calibration editor holds at most 32,766; a real
// "pa" reply has 70, the larger ones are made up), and as the largest file the program
// accepts made of the shortest rows (1 MB of "x," lines; for the reply, 1 MB of "Range,"
// lines). Each load follows a quiet spell, as a user's does, and ends when the view knows
// every row and has painted them: the load-to-view time. For each it prints that time (the
// median of three runs), the time per row and its ratio to the time per row at 1,000 rows,
// which stays near 1 or below while loading is linear in the rows; for the 1 MB loads also
// the process's peak memory during the load and its memory before it.
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/PacedDisplay.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

constexpr int RealTable = 70; // the rows of a real table
constexpr int SmallTable = 1000;
constexpr int Runs = 3;

// Rows short enough for 65,536 of them to make an accepted file.
QByteArray tableLines(int rows, const char *prefix)
{
    QByteArray text = prefix;
    for (int r = 1; r <= rows; ++r)
        text += QByteArray::number(r) + ",1,2,3,4,\r\n";
    return text;
}

// The largest accepted file of `line` repeated after `prefix`.
QByteArray filledFile(const QByteArray &prefix, const QByteArray &line)
{
    return prefix + line.repeated((MaxTableFileBytes - prefix.size()) / line.size());
}

QString paReply(int rows)
{
    QString reply;
    for (int r = 1; r <= rows; ++r)
        reply += QStringLiteral("Range %1, 1, 2, 3, 4\r").arg(r);
    return reply + QStringLiteral("*0\r");
}

// One table to load: `prepare` makes its input (untimed), `load` loads it into the window.
struct Format
{
    const char *name;
    FlexGrid *grid;
    std::vector<int> sizes; // rows; the last is the largest
    std::function<void(int rows)> prepareRows;
    std::function<void()> prepareLargestFile;
    std::function<void()> load;
};

struct Timing
{
    double usPerRow;
    double ms;
    int rows;
};

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

// Lets the grid's repaint interval pass with nothing changing, as between a user's loads.
void quietSpell()
{
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() <= PacedDisplay::IntervalMs)
        QApplication::processEvents(QEventLoop::AllEvents, PacedDisplay::IntervalMs);
}

// Runs the event loop until the view knows every row of the grid and has painted since.
void untilViewComplete(FlexGrid &grid)
{
    PaintCounter counter;
    grid.viewport()->installEventFilter(&counter);
    const int rows = grid.Rows() - 1;
    int paintsWhenKnown = -1;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        QApplication::processEvents();
        if (paintsWhenKnown < 0 && grid.model()->rowCount() == rows)
            paintsWhenKnown = counter.paints;
        if (paintsWhenKnown >= 0 && counter.paints > paintsWhenKnown)
            break;
    }
    grid.viewport()->removeEventFilter(&counter);
}

// The median of three loads of what was prepared, each until the view is complete.
Timing timeLoad(const Format &format)
{
    std::vector<Timing> runs;
    for (int i = 0; i < Runs; ++i) {
        quietSpell();
        QElapsedTimer timer;
        timer.start();
        format.load();
        untilViewComplete(*format.grid);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const int rows = std::max(1, format.grid->Rows() - 1);
        runs.push_back({ms * 1000 / rows, ms, rows});
    }
    std::sort(runs.begin(), runs.end(), [](const Timing &a, const Timing &b) { return a.usPerRow < b.usPerRow; });
    return runs[Runs / 2];
}

// A figure of this process from /proc/self/status ("VmRSS", "VmHWM"), in MB.
double statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Starts the peak (VmHWM) anew from the present memory.
void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void report(const Format &format, ScriptedUserInteraction &ui)
{
    format.prepareRows(SmallTable);
    format.load(); // warm-up: the first load pays for what every later one reuses
    std::printf("  %s\n", format.name);
    format.prepareRows(RealTable);
    const Timing real = timeLoad(format);
    std::printf("    %7d rows %10.2f us/row %10.1f ms to view\n", real.rows, real.usPerRow, real.ms);
    double small = 0;
    double largest = 0;
    for (const int rows : format.sizes) {
        format.prepareRows(rows);
        const Timing t = timeLoad(format);
        if (rows == SmallTable)
            small = t.usPerRow;
        largest = t.usPerRow;
        std::printf("    %7d rows %10.2f us/row %10.1f ms to view   ratio to %d rows %6.2f\n", t.rows, t.usPerRow, t.ms, SmallTable,
                    t.usPerRow / small);
    }
    std::printf("    ratio of the largest to %d rows: %.2f\n", SmallTable, largest / small);
    const qsizetype boxesBefore = ui.boxes.size();
    // The peak of one load of the largest file into a window that held a small table.
    format.prepareRows(1);
    format.load();
    quietSpell();
    malloc_trim(0);
    const double before = statusMb("VmRSS");
    resetPeakMemory();
    format.prepareLargestFile();
    format.load();
    untilViewComplete(*format.grid);
    const double peak = statusMb("VmHWM");
    const Timing t = timeLoad(format);
    std::printf("    1 MB of short rows: %7d rows %10.2f us/row %10.1f ms to view   ratio to %d rows %6.2f   peak %.0f MB (%.0f MB "
                "before the load)\n",
                t.rows, t.usPerRow, t.ms, SmallTable, t.usPerRow / small, peak, before);
    QStringList messages;
    for (qsizetype i = boxesBefore; i < ui.boxes.size(); ++i)
        messages << ui.boxes[i].prompt;
    messages.removeDuplicates();
    for (const QString &message : std::as_const(messages))
        std::printf("      message: %s\n", qPrintable(message));
    std::fflush(stdout);
    // The next format's memory figures leave this window's table out.
    format.prepareRows(1);
    format.load();
    quietSpell();
    malloc_trim(0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv env;
    // Real time: the grid shows its changes on the program's clock.
    RealClock realClock;
    state().clock = &realClock;
    QTemporaryDir dir;
    ScriptedDVM &meter = installScriptedDVM();
    meter.reply = [](const QString &) { return QStringLiteral("*0\r"); };
    FormSpecifications &specs = appWindows().form<FormSpecifications>();
    FormImportedUncerts &uncerts = appWindows().form<FormImportedUncerts>();
    FormCalFactors &cal = appWindows().form<FormCalFactors>();
    for (QWidget *window : std::initializer_list<QWidget *>{&specs, &uncerts, &cal})
        window->show();
    QApplication::processEvents();

    const auto writeFile = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    };
    const QString specPath = dir.filePath(QStringLiteral("t.spec"));
    const QString uncertPath = dir.filePath(QStringLiteral("t.uncert"));
    const QString calPath = dir.filePath(QStringLiteral("t.cal"));
    QString reply;
    meter.reply = [&reply](const QString &) { return reply; };

    const std::vector<Format> formats{
        {".spec file", specs.CalGrid, {SmallTable, 16384, 65536},
         [&](int rows) { writeFile(specPath, tableLines(rows, "Version 1.0\r\n")); },
         [&] { writeFile(specPath, filledFile("Version 1.0\r\n", "x,\r\n")); },
         [&] { specs.FileLoad(specPath); }},
        {".uncert file", uncerts.CalGrid, {SmallTable, 16384, 65536},
         [&](int rows) { writeFile(uncertPath, tableLines(rows, "Version 1.0\r\n")); },
         [&] { writeFile(uncertPath, filledFile("Version 1.0\r\n", "x,\r\n")); },
         [&] { uncerts.FileLoad(uncertPath); }},
        {".cal file", cal.CalGrid, {SmallTable, 16384, 32766},
         [&](int rows) { writeFile(calPath, tableLines(rows, "")); },
         [&] { writeFile(calPath, filledFile("", "x,\r\n")); },
         [&] {
             env.ui.answerFiles({calPath});
             cal.Command_FileLoad_Click();
         }},
        {"\"pa\" reply", cal.CalGrid, {SmallTable, 16384, 32766},
         [&](int rows) { reply = paReply(rows); },
         [&] { reply = QString::fromLatin1(filledFile("", "Range,\r")); },
         [&] { cal.Command_LoadAllCalFactors_Click(); }},
    };

    std::printf("Loading tables with the windows shown, from the load to the complete view (median of %d runs), "
                "and per row (the ratio stays near 1 or below while loading is linear)\n",
                Runs);
    for (const Format &format : formats)
        report(format, env.ui);
    return 0;
}
