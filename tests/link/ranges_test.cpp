#include "link/Ranges.h"

#include <QTest>

class RangesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rangeName_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("zero") << 0 << "Zero";
        QTest::newRow("lower-case v") << 1 << "100mv DC";
        QTest::newRow("(E) suffix") << 9 << "10uA DC (E)";
        QTest::newRow("no (E) from 10") << 10 << "100uA DC";
        QTest::newRow("10M without R") << 43 << "10M 4-wire";
        QTest::newRow("last with limits") << 54 << "10M 2-wire";
        QTest::newRow("first unused") << 55 << "Unused";
        QTest::newRow("last unused") << 79 << "Unused";
        QTest::newRow("first named AC") << 80 << "30mV AC";
        QTest::newRow("last named AC") << 90 << "3A AC";
        QTest::newRow("beyond") << 91 << "Unused";
        QTest::newRow("negative") << -1 << "Unused";
    }
    void rangeName()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QCOMPARE(GetRangeName(index), name);
    }

    void rangeLimit_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<double>("limit");
        QTest::newRow("30A DC upper") << 16 << true << 30.0;
        QTest::newRow("30A DC lower") << 16 << false << 10.0;
        QTest::newRow("30A AC lower") << 29 << false << 10.0;
        QTest::newRow("first of family lower") << 1 << false << 0.0;
        QTest::newRow("decade lower") << 2 << false << 0.1;
        QTest::newRow("10nA upper") << 6 << true << 1E-8;
        QTest::newRow("10M upper") << 54 << true << 1E7;
        QTest::newRow("unused") << 60 << true << 0.0;
        QTest::newRow("named AC") << 80 << true << 0.0;
        QTest::newRow("negative") << -1 << true << 0.0;
    }
    void rangeLimit()
    {
        QFETCH(int, index);
        QFETCH(bool, upper);
        QFETCH(double, limit);
        QCOMPARE(GetRangeLimit(index, upper), limit);
    }

    // Within a family every lower limit is a tenth of the upper, except the first range of
    // the family (0) and the two 30 A ranges (10).
    void lowerLimitsFollowTheFamilyRule()
    {
        const QList<int> startsAtZero{1, 6, 10, 17, 23, 30, 33, 44};
        for (int index = 1; index <= 54; ++index) {
            const double lower = GetRangeLimit(index, false);
            const double upper = GetRangeLimit(index, true);
            if (startsAtZero.contains(index))
                QCOMPARE(lower, 0.0);
            else if (index == 16 || index == 29)
                QCOMPARE(lower, 10.0);
            else
                QVERIFY2(qFuzzyCompare(lower * 10, upper), qPrintable(QString::number(index)));
        }
    }

    void rangeUnit_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("unit");
        QTest::newRow("zero is one blank") << 0 << " ";
        QTest::newRow("volts") << 1 << "V";
        QTest::newRow("amperes") << 29 << "A";
        QTest::newRow("ohms") << 30 << "R";
        QTest::newRow("unused") << 55 << "";
        QTest::newRow("named AC") << 80 << "";
        QTest::newRow("negative") << -5 << "";
    }
    void rangeUnit()
    {
        QFETCH(int, index);
        QFETCH(QString, unit);
        QCOMPARE(GetRangeUnit(index), unit);
    }

    void bandLimit_data()
    {
        QTest::addColumn<int>("band");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("edge");
        QTest::newRow("band 0 lower") << 0 << false << "1Hz";
        QTest::newRow("band 0 upper") << 0 << true << "40Hz";
        QTest::newRow("band 1 lower") << 1 << false << "40Hz";
        QTest::newRow("band 6 upper") << 6 << true << "10MHz";
        QTest::newRow("band 7 upper") << 7 << true << "40Hz";
        QTest::newRow("band -1 lower") << -1 << false << "1Hz";
    }
    void bandLimit()
    {
        QFETCH(int, band);
        QFETCH(bool, upper);
        QFETCH(QString, edge);
        QCOMPARE(GetFrequencyBandLimit(band, upper), edge);
    }

    void freqPoints_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name20");
        QTest::addColumn<QString>("name25");
        QTest::newRow("0") << 0 << "" << "";
        QTest::newRow("1") << 1 << "1Hz" << "1Hz";
        QTest::newRow("12 same") << 12 << "20kHz" << "20kHz";
        QTest::newRow("13 lists differ") << 13 << "35kHz" << "30kHz";
        QTest::newRow("19") << 19 << "700kHz" << "80kHz";
        QTest::newRow("20") << 20 << "1MHz" << "100kHz";
        QTest::newRow("21") << 21 << "" << "200kHz";
        QTest::newRow("25") << 25 << "" << "1MHz";
        QTest::newRow("26") << 26 << "" << "";
        QTest::newRow("negative") << -1 << "" << "";
    }
    void freqPoints()
    {
        QFETCH(int, index);
        QFETCH(QString, name20);
        QFETCH(QString, name25);
        QCOMPARE(GetFreqPointName20(index), name20);
        QCOMPARE(GetFreqPointName25(index), name25);
    }

    void formatEngineering_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("valueAfter");
        QTest::addColumn<QString>("unitAfter");
        QTest::newRow("negative milli") << -0.0025 << "V" << "2.5mV" << 2.5 << "mV";
        QTest::newRow("exactly kilo") << 1000.0 << "R" << "1kR" << 1.0 << "kR";
        QTest::newRow("just below kilo") << 999.5 << "R" << "999.5R" << 999.5 << "R";
        QTest::newRow("zero") << 0.0 << "V" << "0V" << 0.0 << "V";
        QTest::newRow("negative zero") << -0.0 << "A" << "0A" << 0.0 << "A";
        QTest::newRow("one") << 1.0 << "A" << "1A" << 1.0 << "A";
        QTest::newRow("giga") << 2.5E9 << "R" << "2.5GR" << 2.5 << "GR";
        QTest::newRow("mega") << 1E7 << "R" << "10MR" << 10.0 << "MR";
        QTest::newRow("micro") << 1E-5 << "A" << "10uA" << 10.0 << "uA";
        QTest::newRow("nano") << 1E-8 << "A" << "10nA" << 10.0 << "nA";
        QTest::newRow("pico") << 5E-13 << "A" << "0.5pA" << 0.5 << "pA";
        QTest::newRow("empty unit") << 0.02 << "" << "20m" << 20.0 << "m";
    }
    void formatEngineering()
    {
        QFETCH(double, value);
        QFETCH(QString, unit);
        QFETCH(QString, text);
        QFETCH(double, valueAfter);
        QFETCH(QString, unitAfter);
        QCOMPARE(FormatEngineering(value, unit), text);
        QCOMPARE(value, valueAfter);
        QCOMPARE(unit, unitAfter);
    }

    void formatEngineeringOfNonFiniteValuesStaysText()
    {
        double value = std::numeric_limits<double>::quiet_NaN();
        QString unit = "V";
        QVERIFY(!FormatEngineering(value, unit).isEmpty());
        value = -std::numeric_limits<double>::infinity();
        unit = "V";
        QVERIFY(FormatEngineering(value, unit).endsWith("GV"));
    }
};

QTEST_GUILESS_MAIN(RangesTest)
#include "ranges_test.moc"
