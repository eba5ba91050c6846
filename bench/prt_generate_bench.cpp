// Times the PRT editor's two Generate buttons (3500 cells each) and the bare conversions
// behind them, and prints the time per cell with the ratios between them.
#include "link/SharedState.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/prt/PRTTable.h"
#include "tables/prt/Temperature.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>

namespace {

constexpr int Cells = PRTTableRows * PRTTableColumns;

// Nanoseconds per cell of the fastest of a few runs.
double nsPerCell(const std::function<void()> &run, int repeats)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, double(timer.nsecsElapsed()) / Cells);
    }
    return best;
}

// The conversions and cell texts of a whole table, without the window.
qsizetype bareTable(const std::function<double(double)> &temperature)
{
    qsizetype length = 0; // keeps the work from being optimised away
    for (int row = 1; row <= PRTTableRows; ++row)
        for (int column = 1; column <= PRTTableColumns; ++column)
            length += PRTCellText(temperature(PRTCellResistance(row, column))).size();
    return length;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnv env;
    FormPRTTable &form = appWindows().form<FormPRTTable>();

    ITS90_Coefficients k;
    k.a = -0.0001026305;
    k.b = 0.000002534812;
    k.aH = -0.0001212552;
    k.bH = -0.00001311038;
    const double A = 3.9083e-3, B = -5.775e-7, C = -4.183e-12;
    qsizetype sink = 0;

    const int repeats = 5;
    const double its90Window = nsPerCell([&] { form.Command_GenerateITS90_Click(); }, repeats);
    const double iecWindow = nsPerCell([&] { form.Command1_Click(); }, repeats);
    const double its90Bare = nsPerCell([&] { sink += bareTable([&](double R) { return ITS90_Temperature(R, 100, k); }); }, repeats);
    const double iecBare = nsPerCell([&] { sink += bareTable([&](double R) { return IEC751_Temperature(R, 100, A, B, C); }); }, repeats);

    std::printf("PRT table generation, %d cells, fastest of %d runs (time per cell)\n", Cells, repeats);
    std::printf("  Generate (ITS90)   window %10.0f ns   bare maths %10.0f ns   window/bare %6.2f\n", its90Window,
                its90Bare, its90Window / its90Bare);
    std::printf("  Generate (IEC751)  window %10.0f ns   bare maths %10.0f ns   window/bare %6.2f\n", iecWindow,
                iecBare, iecWindow / iecBare);
    std::printf("  IEC751/ITS90 per cell: window %.2f, bare maths %.2f\n", iecWindow / its90Window, iecBare / its90Bare);
    std::printf("  whole table: ITS90 %.1f ms, IEC751 %.1f ms   (check %lld)\n", its90Window * Cells / 1e6,
                iecWindow * Cells / 1e6, static_cast<long long>(sink % 1000));
    return 0;
}
