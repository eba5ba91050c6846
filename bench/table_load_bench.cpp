// Times loading tables of 1,000 and of 32,767 rows into the editors (a *.spec file, a *.cal
// file and a "pa" reply from the meter) and prints the time per row for each size and
// their ratio, which stays near 1 while loading is linear in the rows.
#include "link/SharedState.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/grid/FlexGrid.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

constexpr int SmallTable = 1000;
constexpr int LargeTable = 32766; // with the header row, a grid of 32,767 rows: the largest the editors hold

QByteArray tableLines(int rows, const char *prefix)
{
    QByteArray text = prefix;
    for (int r = 1; r <= rows; ++r)
        text += "R" + QByteArray::number(r) + " , 1.5,2,3,4,\r\n";
    return text;
}

QString paReply(int rows)
{
    QString reply;
    for (int r = 1; r <= rows; ++r)
        reply += QStringLiteral("Range %1, 1, 2, 3, 4\r").arg(r);
    return reply + QStringLiteral("*0\r");
}

// Microseconds per row of one load of `rows` rows; `load` returns the rows the grid got.
double usPerRow(int rows, const std::function<int(int)> &load)
{
    QElapsedTimer timer;
    timer.start();
    const int loaded = load(rows);
    const double us = double(timer.nsecsElapsed()) / 1000 / rows;
    if (loaded != rows)
        std::printf("  (loaded %d of %d rows)\n", loaded, rows);
    return us;
}

void report(const char *what, const std::function<int(int)> &load)
{
    load(SmallTable); // warm-up: the first load pays for what every later one reuses
    const double small = usPerRow(SmallTable, load);
    const double large = usPerRow(LargeTable, load);
    std::printf("  %-22s %8.1f us/row at %5d rows   %8.1f us/row at %5d rows   ratio %6.2f\n", what, small,
                SmallTable, large, LargeTable, large / small);
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
    FormCalFactors &cal = appWindows().form<FormCalFactors>();

    const auto writeFile = [&](const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    };

    std::printf("Loading tables, time per row (the ratio stays near 1 while loading is linear)\n");
    report("specifications file", [&](int rows) {
        specs.FileLoad(writeFile(QStringLiteral("t.spec"), tableLines(rows, "Version 1.0\r\n")));
        return specs.CalGrid->Rows() - 1;
    });
    report("calibration file", [&](int rows) {
        env.ui.answerFiles({writeFile(QStringLiteral("t.cal"), tableLines(rows, ""))});
        cal.Command_FileLoad_Click();
        return cal.CalGrid->Rows() - 1;
    });
    report("calibration reply", [&](int rows) {
        const QString reply = paReply(rows);
        meter.reply = [&reply](const QString &) { return reply; };
        cal.Command_LoadAllCalFactors_Click();
        return cal.CalGrid->Rows() - 1;
    });
    if (!env.ui.boxes.isEmpty())
        std::printf("  message: %s\n", qPrintable(env.ui.boxes.last().prompt));
    return 0;
}
