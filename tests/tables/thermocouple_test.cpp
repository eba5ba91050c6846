#include "tables/thermocouple/ThermocoupleTables.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <map>

using namespace Thermocouple;

namespace {

// The published coefficient sets, keyed by type letter and temperature range.
struct PublishedRange
{
    QChar letter;
    double lowC;
    double highC;
    double lowMv;
    double highMv;
    double errorLowC;
    double errorHighC;
    std::vector<double> d;
};

std::vector<PublishedRange> readPublished()
{
    QFile file(qEnvironmentVariable("SETUP_SOURCE_DIR") + QStringLiteral("/tests/tables/data/thermocouple-inverse.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    static const QRegularExpression typeLine(QStringLiteral("^type ([A-Z])$"));
    static const QRegularExpression rangeLine(QStringLiteral(
        "^range (-?[0-9.]+) to (-?[0-9.]+) C, (-?[0-9.]+) to (-?[0-9.]+) mV, error (-?[0-9.]+) to (-?[0-9.]+) C$"));
    static const QRegularExpression coefficientLine(QStringLiteral("^\\s*d([0-9]+) = (\\S+)$"));
    std::vector<PublishedRange> out;
    QChar letter;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).trimmed();
        const QString &raw = line;
        if (const auto m = typeLine.match(raw); m.hasMatch()) {
            letter = m.captured(1).at(0);
        } else if (const auto r = rangeLine.match(raw); r.hasMatch()) {
            out.push_back({letter, r.captured(1).toDouble(), r.captured(2).toDouble(), r.captured(3).toDouble(),
                               r.captured(4).toDouble(), r.captured(5).toDouble(), r.captured(6).toDouble(), {}});
        } else if (const auto c = coefficientLine.match(raw); c.hasMatch() && !out.empty()) {
            if (c.captured(1).toInt() != static_cast<int>(out.back().d.size()))
                return {}; // out of order: the file is not what this reader expects
            out.back().d.push_back(std::strtod(c.captured(2).toLatin1().constData(), nullptr));
        }
    }
    return out;
}

} // namespace

class ThermocoupleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void coefficientsAreThePublishedOnes()
    {
        const std::vector<PublishedRange> published = readPublished();
        QVERIFY2(published.size() == 23, "the reference file could not be read");
        int segments = 0;
        for (const TypeTable &table : tables()) {
            for (const Segment &segment : table.segments) {
                ++segments;
                const QString where = QStringLiteral("type %1, %2 to %3 C").arg(table.letter).arg(segment.rangeLowC).arg(segment.rangeHighC);
                const auto match = std::find_if(published.begin(), published.end(), [&](const PublishedRange &p) {
                    return p.letter == table.letter && p.lowC == segment.rangeLowC && p.highC == segment.rangeHighC;
                });
                QVERIFY2(match != published.end(), qPrintable(where + QStringLiteral(": no such published range")));
                // Every published order, exactly; unused trailing orders are zero there too.
                std::vector<double> expected = match->d;
                while (expected.size() > segment.d.size() && expected.back() == 0)
                    expected.pop_back();
                QVERIFY2(segment.d == expected, qPrintable(where));
            }
        }
        QCOMPARE(segments, 22);
    }

    void pointCounts_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("B") << QChar('B') << 55 << 250 << 13750;
        QTest::newRow("E") << QChar('E') << 247 << 0 << 61500;
        QTest::newRow("J") << QChar('J') << 313 << -8000 << 70000;
        QTest::newRow("K") << QChar('K') << 242 << -6250 << 54000;
        QTest::newRow("N") << QChar('N') << 209 << -4250 << 47750;
        QTest::newRow("R") << QChar('R') << 85 << -250 << 20750;
        QTest::newRow("S") << QChar('S') << 76 << -250 << 18500;
        QTest::newRow("T") << QChar('T') << 110 << -6250 << 21000;
    }
    void pointCounts()
    {
        QFETCH(QChar, letter);
        QFETCH(int, count);
        QFETCH(int, first);
        QFETCH(int, last);
        const TypeTable *table = tableFor(letter);
        QVERIFY(table);
        QCOMPARE(table->pointCount(), count);
        QCOMPARE(table->firstEmf(), first);
        QCOMPARE(table->lastEmf, last);
        // Every grid point is one the meter accepts, so each type writes all its points.
        for (qint32 E = first; E <= last; E += table->step)
            QVERIFY2(withinLimits(E, QString(letter), temperatureAt(*table, E)), qPrintable(QString::number(E)));
    }

    void typesInWritingOrder()
    {
        QString order;
        int total = 0;
        for (const TypeTable &table : tables()) {
            order += table.letter;
            total += table.pointCount();
        }
        QCOMPARE(order, QStringLiteral("BEJKNRST"));
        QCOMPARE(total, 1337);
    }

    void segmentBoundaries_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("emf");
        QTest::addColumn<double>("rangeLowC");
        QTest::newRow("B last low") << QChar('B') << 2250 << 250.0;
        QTest::newRow("B first high") << QChar('B') << 2500 << 700.0;
        QTest::newRow("J starts at the limit") << QChar('J') << -8000 << -210.0;
        QTest::newRow("J 0 negative polynomial") << QChar('J') << 0 << -210.0;
        QTest::newRow("J 250") << QChar('J') << 250 << 0.0;
        QTest::newRow("J 42750") << QChar('J') << 42750 << 0.0;
        QTest::newRow("J 43000") << QChar('J') << 43000 << 760.0;
        QTest::newRow("K 20500") << QChar('K') << 20500 << 0.0;
        QTest::newRow("K 20750") << QChar('K') << 20750 << 500.0;
        QTest::newRow("R 13000") << QChar('R') << 13000 << 250.0;
        QTest::newRow("R 13250") << QChar('R') << 13250 << 1064.0;
        QTest::newRow("R 19750") << QChar('R') << 19750 << 1664.5;
        QTest::newRow("S 17500") << QChar('S') << 17500 << 1064.0;
        QTest::newRow("S 17750") << QChar('S') << 17750 << 1664.5;
        QTest::newRow("S 18000") << QChar('S') << 18000 << 1664.5;
        QTest::newRow("T 0") << QChar('T') << 0 << -200.0;
        QTest::newRow("T 250") << QChar('T') << 250 << 0.0;
    }
    void segmentBoundaries()
    {
        QFETCH(QChar, letter);
        QFETCH(int, emf);
        QFETCH(double, rangeLowC);
        QCOMPARE(tableFor(letter)->segmentFor(emf).rangeLowC, rangeLowC);
    }

    // A wrong sign or exponent in one coefficient breaks the smooth, rising curve.
    void curvesRiseAndJoin()
    {
        for (const TypeTable &table : tables()) {
            double previous = -1e9;
            for (qint32 E = table.firstEmf(); E <= table.lastEmf; E += table.step) {
                const double T = temperatureAt(table, E);
                QVERIFY2(T > previous, qPrintable(QStringLiteral("%1 at %2").arg(table.letter).arg(E)));
                previous = T;
            }
            for (std::size_t i = 1; i < table.segments.size(); ++i) {
                const qint32 E = table.segments[i].firstEmf;
                const double below = Evaluate_Polynomial(E, table.segments[i - 1].d);
                const double above = Evaluate_Polynomial(E, table.segments[i].d);
                QVERIFY2(std::abs(below - above) < 0.5, qPrintable(QStringLiteral("%1 at %2").arg(table.letter).arg(E)));
            }
        }
    }

    void knownTemperatures_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("emf");
        QTest::addColumn<QString>("text");
        QTest::newRow("E at 0") << QChar('E') << 0 << ".";
        QTest::newRow("K at 250") << QChar('K') << 250 << "6.27";
    }
    void knownTemperatures()
    {
        QFETCH(QChar, letter);
        QFETCH(int, emf);
        QFETCH(QString, text);
        QCOMPARE(formulaTemperatureText(temperatureAt(*tableFor(letter), emf)), text);
    }

    // Each polynomial at the ends of its published EMF range gives the range's temperatures,
    // within the published error and the rounding of the EMF to a microvolt.
    void polynomialsMeetTheirRangeEnds()
    {
        const std::vector<PublishedRange> published = readPublished();
        QVERIFY(!published.empty());
        for (const TypeTable &table : tables()) {
            for (const Segment &segment : table.segments) {
                const auto p = std::find_if(published.begin(), published.end(), [&](const PublishedRange &r) {
                    return r.letter == table.letter && r.lowC == segment.rangeLowC;
                });
                QVERIFY(p != published.end());
                const double slack = std::max(std::abs(p->errorLowC), std::abs(p->errorHighC)) + 0.25;
                const qint32 lowEmf = static_cast<qint32>(std::lround(p->lowMv * 1000));
                const qint32 highEmf = static_cast<qint32>(std::lround(p->highMv * 1000));
                const QString where = QStringLiteral("type %1 from %2 C").arg(table.letter).arg(p->lowC);
                QVERIFY2(std::abs(Evaluate_Polynomial(lowEmf, segment.d) - p->lowC) < slack, qPrintable(where));
                QVERIFY2(std::abs(Evaluate_Polynomial(highEmf, segment.d) - p->highC) < slack, qPrintable(where));
            }
        }
    }

    void evaluatePolynomial()
    {
        const double c[] = {1.5, 0, 2.0};
        QCOMPARE(Evaluate_Polynomial(3000, c), 1.5 + 2.0 * 9.0);
        QCOMPARE(Evaluate_Polynomial(-500, c), 1.5 + 2.0 * 0.25);
    }

    void temperatureText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << ".";
        QTest::newRow("whole") << 10.0 << "10.";
        QTest::newRow("half") << 0.5 << ".5";
        QTest::newRow("rounded") << 6.275 << "6.28";
        QTest::newRow("negative") << -5.126 << "-5.13";
        QTest::newRow("tiny negative") << -0.001 << ".";
    }
    void temperatureText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formulaTemperatureText(value), text);
    }

    void commandsAndLines()
    {
        QCOMPARE(pointCommand(QStringLiteral("K"), 250, QStringLiteral("6.27")), QStringLiteral("WcK 250,6.27"));
        QCOMPARE(pointCommand(QStringLiteral("J"), -8000, QStringLiteral("-210.")), QStringLiteral("WcJ -8000,-210."));
        QCOMPARE(writingStatus(QStringLiteral("K"), -250), QStringLiteral("Writing Type K EMF -250"));
        QCOMPARE(informationLine(QDate(2026, 3, 4)), QStringLiteral("&06Tab 1.0 04/03/26"));
    }

    void limits_data()
    {
        QTest::addColumn<int>("emf");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("T");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("lowest EMF") << -8000 << "J" << -210.0 << true;
        QTest::newRow("below lowest EMF") << -8001 << "J" << -210.0 << false;
        QTest::newRow("highest EMF") << 80000 << "E" << 1000.0 << true;
        QTest::newRow("beyond highest EMF") << 80001 << "E" << 1000.0 << false;
        QTest::newRow("unknown type") << 250 << "X" << 6.0 << false;
        QTest::newRow("lower-case type") << 250 << "k" << 6.0 << false;
        QTest::newRow("no type") << 250 << "" << 6.0 << false;
        QTest::newRow("two letters") << 250 << "KN" << 6.0 << false;
        QTest::newRow("coldest") << 0 << "T" << -273.0 << true;
        QTest::newRow("too cold") << 0 << "T" << -273.01 << false;
        QTest::newRow("hottest") << 0 << "B" << 2000.0 << true;
        QTest::newRow("too hot") << 0 << "B" << 2000.01 << false;
    }
    void limits()
    {
        QFETCH(int, emf);
        QFETCH(QString, type);
        QFETCH(double, T);
        QFETCH(bool, accepted);
        QCOMPARE(withinLimits(emf, type, T), accepted);
    }

    void pairLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("emf");
        QTest::addColumn<double>("T");
        QTest::newRow("plain") << "250,6.27" << true << 250 << 6.27;
        QTest::newRow("blank after comma") << "250, 6.27" << true << 250 << 6.27;
        QTest::newRow("blanks around") << "  -250 ,  -6.4 " << true << -250 << -6.4;
        QTest::newRow("no comma") << "250 6.27" << false << 0 << 0.0;
        QTest::newRow("empty") << "" << false << 0 << 0.0;
        QTest::newRow("EMF not a number") << "abc,5" << true << 0 << 5.0;
        QTest::newRow("temperature not a number") << "250,x" << true << 250 << 0.0;
        QTest::newRow("half rounds to even") << "250.5,1" << true << 250 << 1.0;
        QTest::newRow("other half") << "251.5,1" << true << 252 << 1.0;
        QTest::newRow("second comma") << "250,6.27,9" << true << 250 << 6.27;
        QTest::newRow("EMF beyond 32 bits") << "1E12,5" << false << 0 << 0.0;
    }
    void pairLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QFETCH(int, emf);
        QFETCH(double, T);
        const std::optional<FilePoint> point = parsePairLine(line);
        QCOMPARE(point.has_value(), valid);
        if (point) {
            QCOMPARE(point->E, emf);
            QCOMPARE(point->T, T);
        }
    }

    void typeFromFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letter");
        QTest::newRow("Type K") << "Type K.txt" << "K";
        QTest::newRow("lower-case letter") << "Type k.txt" << "K";
        QTest::newRow("no blank") << "NIST TypeJ.txt" << "J";
        QTest::newRow("blanks") << "Type   n table.txt" << "N";
        QTest::newRow("lower-case word") << "thermo type s.txt" << "S";
        QTest::newRow("capital word wins") << "prototype Type R.txt" << "R";
        QTest::newRow("nothing after") << "Type .txt" << ".";
        QTest::newRow("name ends") << "Type" << "";
    }
    void typeFromFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, letter);
        QCOMPARE(typeLetterFromFileName(name), letter);
    }
};

QTEST_GUILESS_MAIN(ThermocoupleTest)
#include "thermocouple_test.moc"
