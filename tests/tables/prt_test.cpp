// The PRT mathematics and the table's plain functions: cell rule, write values, reply lines.
#include "tables/prt/PRTTable.h"
#include "tables/prt/Temperature.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

// The editor's defaults: aluminium above, argon below the triple point.
ITS90_Coefficients defaultCoefficients()
{
    ITS90_Coefficients k;
    k.a = -0.0001026305;
    k.b = 0.000002534812;
    k.aH = -0.0001212552;
    k.bH = -0.00001311038;
    return k;
}

constexpr double IecA = 3.9083e-3, IecB = -5.775e-7, IecC = -4.183e-12;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

double cvd(double t, double R0 = 100) { return R0 * (1 + IecA * t + IecB * t * t + IecC * (t - 100) * t * t * t); }

} // namespace

class PrtTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void publishedConstants_data()
    {
        QTest::addColumn<double>("actual");
        QTest::addColumn<double>("published");
        QTest::newRow("B0") << ITS90_B[0] << 0.183324722;
        QTest::newRow("B15") << ITS90_B[15] << 0.026025526;
        QTest::newRow("D0") << ITS90_D[0] << 439.932854;
        QTest::newRow("D9") << ITS90_D[9] << 0.049025;
        QTest::newRow("init B7") << Init_ITS90_Coefficients().B[7] << -0.032267127;
        QTest::newRow("init D6") << Init_ITS90_Coefficients().D[6] << -0.963864;
    }
    void publishedConstants()
    {
        QFETCH(double, actual);
        QFETCH(double, published);
        QCOMPARE(actual, published);
    }

    // The inverse functions give the defining fixed points from their reference Wr within
    // 0.2 mK (the published functions agree to about 0.1 mK): a wrong digit anywhere in B or D shows here.
    void inverseFunctionsAtFixedPoints_data()
    {
        QTest::addColumn<double>("Wr");
        QTest::addColumn<double>("celsius");
        QTest::newRow("Hg TP") << 0.84414211 << -38.8344;
        QTest::newRow("Ga MP") << 1.11813889 << 29.7646;
        QTest::newRow("Sn FP") << 1.89279768 << 231.928;
        QTest::newRow("Zn FP") << 2.56891730 << 419.527;
        QTest::newRow("Al FP") << 3.37600860 << 660.323;
        QTest::newRow("Ag FP") << 4.28642053 << 961.78;
    }
    void inverseFunctionsAtFixedPoints()
    {
        QFETCH(double, Wr);
        QFETCH(double, celsius);
        const double t = Wr < 1 ? ITS90_Inverse_Low(Wr) : ITS90_Inverse_High(Wr);
        QVERIFY2(std::abs(t - celsius) < 2e-4, qPrintable(QString::number(t, 'g', 12)));
    }

    void its90EdgeCases()
    {
        const ITS90_Coefficients k = defaultCoefficients();
        // R = R0 takes the high side: the triple point of water.
        QVERIFY(std::abs(ITS90_Temperature(100, 100, k) - 0.01) < 1e-9);
        // R = 0: Wr = 0 and a result far below absolute zero, which the table writes as "0".
        QCOMPARE(ITS90_Wr_Low(0, k.a, k.b), 0.0);
        const double atZero = ITS90_Temperature(0, 100, k);
        QVERIFY(std::isfinite(atZero) && atZero < -10000);
        QCOMPARE(PRTCellText(atZero), QStringLiteral("0"));
        // 138.5 ohm with the defaults.
        QVERIFY(std::abs(ITS90_Temperature(138.5, 100, k) - 98.0) < 0.05);
        // A negative R lies below the triple point and converts like W = 0.
        QCOMPARE(ITS90_Temperature(-5, 100, k), atZero);
    }

    void negativeWrBelowTriplePointIsTakenAsZero()
    {
        // A large negative a pushes Wr below 0 for a small W; the inverse function must not give NaN.
        const double Wr = ITS90_Wr_Low(0.001, -0.5, 0);
        QVERIFY(Wr < 0);
        QCOMPARE(ITS90_Inverse_Low(Wr), ITS90_Inverse_Low(0));
        ITS90_Coefficients k;
        k.a = -0.5;
        QVERIFY(std::isfinite(ITS90_Temperature(0.1, 100, k)));
    }

    void r0WithoutResistanceHasNoResult_data()
    {
        QTest::addColumn<double>("R0");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -100.0;
        QTest::newRow("NaN") << NaN;
    }
    void r0WithoutResistanceHasNoResult()
    {
        QFETCH(double, R0);
        QVERIFY(std::isnan(ITS90_Temperature(50, R0, defaultCoefficients())));
        QVERIFY(std::isnan(IEC751_Temperature(50, R0, IecA, IecB, IecC)));
        QVERIFY(std::isnan(IEC751_Temperature(150, R0, IecA, IecB, IecC)));
        QCOMPARE(PRTCellText(ITS90_Temperature(50, R0, defaultCoefficients())), QStringLiteral("0"));
    }

    // Each high-side coefficient alone adds exactly its own term; the d term only above the
    // aluminium point.
    void singleHighCoefficient_data()
    {
        QTest::addColumn<double>("W");
        QTest::addColumn<double>("aH");
        QTest::addColumn<double>("bH");
        QTest::addColumn<double>("cH");
        QTest::addColumn<double>("dH");
        QTest::addColumn<double>("deviation");
        const double W = 2.5, WAl = 3.376, aboveAl = 4.0;
        QTest::newRow("aH") << W << 1e-4 << 0.0 << 0.0 << 0.0 << 1e-4 * (W - 1);
        QTest::newRow("bH") << W << 0.0 << 1e-5 << 0.0 << 0.0 << 1e-5 * (W - 1) * (W - 1);
        QTest::newRow("cH") << W << 0.0 << 0.0 << 1e-6 << 0.0 << 1e-6 * (W - 1) * (W - 1) * (W - 1);
        QTest::newRow("dH above Al") << aboveAl << 0.0 << 0.0 << 0.0 << 1e-3 << 1e-3 * (aboveAl - WAl) * (aboveAl - WAl);
        QTest::newRow("dH below Al") << W << 0.0 << 0.0 << 0.0 << 1e-3 << 0.0;
        QTest::newRow("dH at the triple point") << 1.0 << 0.0 << 0.0 << 0.0 << 1e-3 << 0.0;
        QTest::newRow("none") << W << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    }
    void singleHighCoefficient()
    {
        QFETCH(double, W);
        QFETCH(double, aH);
        QFETCH(double, bH);
        QFETCH(double, cH);
        QFETCH(double, dH);
        QFETCH(double, deviation);
        const double Wr = ITS90_Wr_High(W, aH, bH, cH, dH, 3.376);
        QVERIFY(std::abs(Wr - (W - deviation)) < 1e-15);
    }

    // The deviation functions below the triple point, written out term by term as ITS-90
    // defines them for each sub-range.
    void lowSideDeviation_data()
    {
        QTest::addColumn<int>("subRange");
        QTest::addColumn<double>("W");
        QTest::addColumn<double>("deviation");
        const double a = 1e-4, b = -1.5e-5, c1 = 1e-6, c2 = 2e-7, c3 = -3e-7, c4 = 4e-8, c5 = -5e-8;
        for (double W : {0.02, 0.05, 0.5, 0.9}) {
            const double l = std::log(W), d = W - 1;
            QTest::addRow("1 at W=%g", W) << 1 << W
                                          << a * d + b * d * d + c1 * std::pow(l, 3) + c2 * std::pow(l, 4)
                                                 + c3 * std::pow(l, 5) + c4 * std::pow(l, 6) + c5 * std::pow(l, 7);
            QTest::addRow("2 at W=%g", W) << 2 << W << a * d + b * d * d + c1 * l + c2 * l * l + c3 * l * l * l;
            QTest::addRow("3 at W=%g", W) << 3 << W << a * d + b * d * d + c1 * l * l;
            QTest::addRow("4 at W=%g", W) << 4 << W << a * d + b * d * l;
        }
    }
    void lowSideDeviation()
    {
        QFETCH(int, subRange);
        QFETCH(double, W);
        QFETCH(double, deviation);
        // The editor passes every c; those of hidden boxes are 0, so pass only the shown ones.
        static constexpr int shownCount[] = {5, 3, 1, 0};
        std::array<double, 5> c = {1e-6, 2e-7, -3e-7, 4e-8, -5e-8};
        for (int i = shownCount[subRange - 1]; i < 5; ++i)
            c[i] = 0;
        const double Wr = ITS90_Wr_Low(W, 1e-4, -1.5e-5, c, subRange);
        QVERIFY2(std::abs(Wr - (W - deviation)) < 1e-16, qPrintable(QString::number(Wr - (W - deviation), 'g', 6)));

        // The temperature follows: the ITS-90 inverse function of that Wr (R0 = 100 ohm).
        ITS90_Coefficients k;
        k.a = 1e-4;
        k.b = -1.5e-5;
        k.c = c;
        k.lowSubRange = subRange;
        QVERIFY(std::abs(ITS90_Temperature(100 * W, 100, k) - ITS90_Inverse_Low(W - deviation)) < 1e-9);
    }

    void iec751AtAndBelowR0()
    {
        QCOMPARE(IEC751_Temperature(100, 100, IecA, IecB, IecC), 0.0);
        const double justBelow = IEC751_Temperature(99.999, 100, IecA, IecB, IecC);
        QVERIFY2(justBelow < 0 && justBelow > -0.01, qPrintable(QString::number(justBelow, 'g', 12)));
    }

    // The search and the closed form give back the temperature of a resistance of the relation.
    void iec751RoundTrip_data()
    {
        QTest::addColumn<double>("celsius");
        for (double t : {-200.0, -125.0, -50.0, -0.5, 0.5, 100.0, 500.0})
            QTest::newRow(qPrintable(QString::number(t))) << t;
    }
    void iec751RoundTrip()
    {
        QFETCH(double, celsius);
        const double R = celsius < 0 ? cvd(celsius) : 100 * (1 + IecA * celsius + IecB * celsius * celsius);
        QVERIFY(std::abs(IEC751_Temperature(R, 100, IecA, IecB, IecC) - celsius) < 1e-5);
    }

    void iec751WithoutResult_data()
    {
        QTest::addColumn<double>("R");
        QTest::addColumn<double>("A");
        QTest::addColumn<double>("B");
        QTest::addColumn<double>("C");
        // Below the curve's value at -300 degrees Celsius.
        QTest::newRow("below the search") << -100.0 << IecA << IecB << IecC;
        // A flat curve never passes R before 10 degrees Celsius.
        QTest::newRow("never passed") << 50.0 << 0.0 << 0.0 << 0.0;
        // No real root above 0 degrees Celsius.
        QTest::newRow("no real root") << 800.0 << IecA << IecB << IecC;
        QTest::newRow("A and B zero") << 150.0 << 0.0 << 0.0 << IecC;
    }
    void iec751WithoutResult()
    {
        QFETCH(double, R);
        QFETCH(double, A);
        QFETCH(double, B);
        QFETCH(double, C);
        const double t = IEC751_Temperature(R, 100, A, B, C);
        QVERIFY(std::isnan(t));
        QCOMPARE(PRTCellText(t), QStringLiteral("0"));
    }

    void iec751LinearWhenBIsZero()
    {
        QVERIFY(std::abs(IEC751_Temperature(139.083, 100, IecA, 0, 0) - 100) < 1e-9);
    }

    // Int rounds toward minus infinity; above 10000 in magnitude (or no result) the cell is "0".
    void cellText_data()
    {
        QTest::addColumn<double>("temperature");
        QTest::addColumn<QString>("cell");
        QTest::newRow("positive truncated") << 1.2345678 << "123456";
        QTest::newRow("negative one lower") << -1.2345678 << "-123457";
        QTest::newRow("negative whole") << -0.5 << "-50000";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("+10000 kept") << 10000.0 << "1000000000";
        QTest::newRow("-10000 kept") << -10000.0 << "-1000000000";
        QTest::newRow("above cut-off") << 10000.001 << "0";
        QTest::newRow("below cut-off") << -10000.001 << "0";
        QTest::newRow("NaN") << NaN << "0";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0";
    }
    void cellText()
    {
        QFETCH(double, temperature);
        QFETCH(QString, cell);
        QCOMPARE(PRTCellText(temperature), cell);
    }

    void cellGeometry()
    {
        QCOMPARE(PRTCellResistance(1, 1), 0.0);
        QCOMPARE(PRTCellResistance(101, 1), 100.0);
        QCOMPARE(PRTCellResistance(139, 6), 138.5);
        QCOMPARE(PRTTableIndex(1, 1), 0);
        QCOMPARE(PRTTableIndex(350, 10), 3499);
        QCOMPARE(PRTTableIndex(351, 1), 3500);
        QCOMPARE(PRTWriteCommand(3500, -1), QStringLiteral("Wt3500,-1"));
    }

    // The cell's number plus one, rounded halves to even; nothing for a non-number or overflow.
    void writeValue_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("valid");
        QTest::newRow("whole") << "123" << 124 << true;
        QTest::newRow("negative") << "-29179" << -29178 << true;
        QTest::newRow("zero") << "0" << 1 << true;
        QTest::newRow("half to even down") << "1.5" << 2 << true;
        QTest::newRow("half to even up") << "0.5" << 2 << true;
        QTest::newRow("largest") << "2147483646" << 2147483647 << true;
        QTest::newRow("overflow") << "2147483647" << 0 << false;
        QTest::newRow("exponent") << "1E+20" << 0 << false;
        QTest::newRow("text") << "abc" << 0 << false;
        QTest::newRow("empty") << "" << 0 << false;
    }
    void writeValue()
    {
        QFETCH(QString, cell);
        QFETCH(int, value);
        QFETCH(bool, valid);
        const std::optional<qint32> written = PRTWriteValue(cell);
        QCOMPARE(written.has_value(), valid);
        if (valid)
            QCOMPARE(*written, value);
    }

    void replyLines()
    {
        // Blanks at both ends go, the CR stays; text after the last CR is no line.
        QCOMPARE(SplitPRTReplyLines(QStringLiteral("  0R,1,2 \r  1R,3\r*0\rtail")),
                 (QStringList{QStringLiteral("0R,1,2 \r"), QStringLiteral("1R,3\r"), QStringLiteral("*0\r")}));
        QCOMPARE(SplitPRTReplyLines(QStringLiteral("TIMEOUT")), QStringList{});

        QVERIFY(!ParsePRTReplyLine(QStringLiteral("*0\r")));
        const std::optional<PRTReplyLine> line = ParsePRTReplyLine(QStringLiteral("12R, 7,-3.50,x\r"));
        QVERIFY(line);
        QCOMPARE(line->label, QStringLiteral("12R"));
        QCOMPARE(line->values, (QStringList{QStringLiteral("7"), QStringLiteral("-3.5"), QStringLiteral("0")}));
        // A line ending with a comma yields one more value, "0".
        QCOMPARE(ParsePRTReplyLine(QStringLiteral("0R,5,\r"))->values, (QStringList{QStringLiteral("5"), QStringLiteral("0")}));
    }
};

QTEST_APPLESS_MAIN(PrtTest)
#include "prt_test.moc"
