// Times loading tables into the editors as a user sees it, with the windows shown: a *.spec
// file, a *.uncert file, a *.cal file and a "pa" reply from the meter, at 1,000, 16,384
// and 65,536 rows (the calibration editor holds at most 32,766; a real "pa" reply has 70,
// the larger ones are made up), and as the largest file the program accepts made of the
// shortest rows (1 MB of "x," lines; for the reply, 1 MB of "Range," lines). A load ends
// when the grid shows its last row. For each it prints the time per row of the grid (the
// median of three runs) and the ratio to the time per row at 1,000 rows, which stays near
// 1 while loading is linear in the rows, and the whole load's time for the 1 MB ones.
#include "link/SharedState.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

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

// The median of three loads of what was prepared, each until the grid shows its last row.
Timing timeLoad(const Format &format)
{
    std::vector<Timing> runs;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        format.load();
        format.grid->setRow(format.grid->Rows() - 1);
        QApplication::processEvents();
        format.grid->repaint();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const int rows = std::max(1, format.grid->Rows() - 1);
        runs.push_back({ms * 1000 / rows, ms, rows});
    }
    std::sort(runs.begin(), runs.end(), [](const Timing &a, const Timing &b) { return a.usPerRow < b.usPerRow; });
    return runs[Runs / 2];
}

void report(const Format &format, ScriptedUserInteraction &ui)
{
    format.prepareRows(SmallTable);
    format.load(); // warm-up: the first load pays for what every later one reuses
    std::printf("  %s\n", format.name);
    double small = 0;
    double largest = 0;
    for (const int rows : format.sizes) {
        format.prepareRows(rows);
        const Timing t = timeLoad(format);
        if (rows == SmallTable)
            small = t.usPerRow;
        largest = t.usPerRow;
        std::printf("    %7d rows %10.2f us/row %10.1f ms   ratio to %d rows %6.2f\n", t.rows, t.usPerRow, t.ms, SmallTable,
                    t.usPerRow / small);
    }
    std::printf("    ratio of the largest to %d rows: %.2f\n", SmallTable, largest / small);
    const qsizetype boxesBefore = ui.boxes.size();
    format.prepareLargestFile();
    const Timing t = timeLoad(format);
    std::printf("    1 MB of short rows: %7d rows %10.2f us/row %10.1f ms   ratio to %d rows %6.2f\n", t.rows, t.usPerRow,
                t.ms, SmallTable, t.usPerRow / small);
    QStringList messages;
    for (qsizetype i = boxesBefore; i < ui.boxes.size(); ++i)
        messages << ui.boxes[i].prompt;
    messages.removeDuplicates();
    for (const QString &message : std::as_const(messages))
        std::printf("      message: %s\n", qPrintable(message));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv env;
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

    std::printf("Loading tables with the windows shown, time per row (median of %d runs; the ratio stays near 1 "
                "while loading is linear)\n",
                Runs);
    for (const Format &format : formats)
        report(format, env.ui);
    return 0;
}
