#include "tables/calfactors/CalFactors.h"

#include <QTest>

using namespace CalFactors;
using Outcome = CellWrite::Outcome;
Q_DECLARE_METATYPE(CellWrite::Outcome)

class CalFactorsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parseReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QList<QStringList>>("rows");

        QTest::newRow("two values") << QStringLiteral("Range 3, 1, 2\r*0\r") << QList<QStringList>{{"1", "2"}};
        QTest::newRow("trailing comma gives 0")
            << QStringLiteral("Range 3, 1, 2,\r*0\r") << QList<QStringList>{{"1", "2", "0"}};
        QTest::newRow("text before the first comma never counts")
            << QStringLiteral("Range 99 junk 7, 5\r") << QList<QStringList>{{"5"}};
        QTest::newRow("leading blanks trimmed, other lines skipped")
            << QStringLiteral("pa\r   Range 1, 10\rrange 2, 20\rRANGE 3, 30\r\r*0\r") << QList<QStringList>{{"10"}};
        QTest::newRow("no comma: the whole line is one field")
            << QStringLiteral("Range 4\r") << QList<QStringList>{{"0"}};
        QTest::newRow("non-numeric fields read as the number they begin with")
            << QStringLiteral("Range 1, abc, 12x, -3.5e2, 1 000 0,\t7\r")
            << QList<QStringList>{{"0", "12", "-350", "10000", "7"}};
        QTest::newRow("extra commas") << QStringLiteral("Range 1,,, 5,,\r") << QList<QStringList>{{"0", "0", "5", "0", "0"}};
        QTest::newRow("15 significant digits")
            << QStringLiteral("Range 1, 123456789012345678, 0.1\r")
            << QList<QStringList>{{"1.23456789012346E+17", "0.1"}};
        QTest::newRow("text after the last CR is not used")
            << QStringLiteral("Range 1, 1\rRange 2, 2") << QList<QStringList>{{"1"}};
        QTest::newRow("failure texts") << QStringLiteral("TIMEOUT") << QList<QStringList>{};
        QTest::newRow("empty") << QString() << QList<QStringList>{};
    }
    void parseReply()
    {
        QFETCH(QString, reply);
        QFETCH(QList<QStringList>, rows);
        QCOMPARE(parseCalFactorsReply(reply).rows, rows);
    }

    // A line that is neither empty, nor a "Range" line, nor the final status token may have
    // shifted the rows after it: the reply is marked damaged.
    void damagedReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("noise before the first line") << QStringLiteral("\x7f\x05Range 1, 5\rRange 2, 6\r*0\r") << true;
        QTest::newRow("noise before a later line") << QStringLiteral("Range 1, 5\r#Range 2, 6\r*0\r") << true;
        QTest::newRow("damaged label") << QStringLiteral("Range 1, 5\rRxnge 2, 6\rRange 3, 7\r*0\r") << true;
        QTest::newRow("other case") << QStringLiteral("xrange 1, 5\r*0\r") << true;
        QTest::newRow("echoed command") << QStringLiteral("pa\rRange 1, 5\r*0\r") << true;
        QTest::newRow("noise line on its own") << QStringLiteral("Range 1, 5\r\x05\x7f\rRange 2, 6\r*0\r") << true;
        QTest::newRow("token before the end") << QStringLiteral("Range 1, 5\r*0\rRange 2, 6\r*0\r") << true;
        QTest::newRow("asterisk and a letter") << QStringLiteral("Range 1, 5\r*x\r") << true;
        QTest::newRow("empty lines, blanks, final token")
            << QStringLiteral("Range 1, 5\r\r   \rRange 2, 6\r *9 \r\r") << false;
        QTest::newRow("no token") << QStringLiteral("Range 1, 5\rRange 2, 6\r") << false;
        QTest::newRow("failure text") << QStringLiteral("TIMEOUT") << false;
        QTest::newRow("noise after the last CR") << QStringLiteral("Range 1, 5\r*0\rxxRange") << false;
    }
    void damagedReply()
    {
        QFETCH(QString, reply);
        QFETCH(bool, damaged);
        QCOMPARE(parseCalFactorsReply(reply).damaged, damaged);
    }

    // A line of millions of commas is cut at one cell more than the grid holds.
    void calFileLineStopsPastTheColumnLimit()
    {
        const QString line = QStringLiteral("label") + QString(5000000, QLatin1Char(','));
        QCOMPARE(parseCalFileLine(line).size(), MaxGridCols + 1);
        QCOMPARE(parseCalFileLine(QStringLiteral("a , 1,2,")), (QStringList{"a", "1", "2"}));
    }

    void parseReplyManyLinesAndPoints()
    {
        QString reply;
        for (int r = 1; r <= 200; ++r) {
            reply += QStringLiteral("Range %1").arg(r);
            for (int p = 0; p < 30; ++p)
                reply += QStringLiteral(", %1").arg(r * 100 + p);
            reply += QLatin1Char('\r');
        }
        const QList<QStringList> rows = parseCalFactorsReply(reply + QStringLiteral("*0\r")).rows;
        QCOMPARE(rows.size(), 200);
        QCOMPARE(rows[199].size(), 30);
        QCOMPARE(rows[199].last(), QStringLiteral("20029"));
    }

    void headers_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("colCount");
        QTest::addColumn<QString>("header");
        QTest::newRow("first AC point") << 4 << 24 << "1Hz";
        QTest::newRow("20-point list at 24 columns") << 22 << 24 << "700kHz";
        QTest::newRow("25-point list at 25 columns") << 22 << 25 << "80kHz";
        QTest::newRow("last of 25") << 28 << 29 << "1MHz";
        QTest::newRow("beyond the list") << 29 << 30 << "";
    }
    void headers()
    {
        QFETCH(int, col);
        QFETCH(int, colCount);
        QFETCH(QString, header);
        QCOMPARE(acColumnHeader(col, colCount), header);
    }

    void cellWrites_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("point");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("command");

        QTest::newRow("positive of range 12") << 12 << 1 << "100000000" << Outcome::Send << "Wwb12,100000000";
        QTest::newRow("first AC point") << 20 << 3 << "998" << Outcome::Send << "Wwd20,998";
        QTest::newRow("zero point, any value") << 1 << 0 << "-5" << Outcome::Send << "Wwa1,-5";
        QTest::newRow("gain low edge") << 2 << 1 << "60000000" << Outcome::Send << "Wwb2,60000000";
        QTest::newRow("gain high edge") << 2 << 2 << "140000000" << Outcome::Send << "Wwc2,140000000";
        QTest::newRow("gain below") << 2 << 1 << "59999999" << Outcome::Refuse << "";
        QTest::newRow("gain above") << 2 << 2 << "140000001" << Outcome::Refuse << "";
        QTest::newRow("range 17 unguarded low") << 17 << 1 << "59999999" << Outcome::Send << "Wwb17,59999999";
        QTest::newRow("range 17 unguarded high") << 17 << 2 << "140000001" << Outcome::Send << "Wwc17,140000001";
        QTest::newRow("AC point not guarded") << 2 << 3 << "5" << Outcome::Send << "Wwd2,5";
        QTest::newRow("point 25") << 5 << 25 << "1" << Outcome::Send << "Wwz5,1";
        QTest::newRow("point 26") << 5 << 26 << "1" << Outcome::Send << "WwA5,1";
        QTest::newRow("point 27") << 5 << 27 << "1" << Outcome::Send << "WwB5,1";
        QTest::newRow("point 28") << 5 << 28 << "1" << Outcome::Skip << "";
        QTest::newRow("range 100") << 100 << 0 << "1" << Outcome::Send << "Wwa100,1";
        QTest::newRow("range 101") << 101 << 0 << "1" << Outcome::Skip << "";
        QTest::newRow("range above 100 skips the gain check") << 150 << 1 << "5" << Outcome::Skip << "";
        QTest::newRow("rounds halves to even") << 3 << 0 << "2.5" << Outcome::Send << "Wwa3,2";
        QTest::newRow("rounds") << 3 << 0 << "-7.6" << Outcome::Send << "Wwa3,-8";
        QTest::newRow("exponent") << 3 << 1 << "1E8" << Outcome::Send << "Wwb3,100000000";
        QTest::newRow("blanks around") << 3 << 0 << "  42 " << Outcome::Send << "Wwa3,42";
        QTest::newRow("not a number") << 3 << 0 << "abc" << Outcome::Refuse << "";
        QTest::newRow("trailing junk") << 3 << 0 << "12abc" << Outcome::Refuse << "";
        QTest::newRow("grouping comma") << 3 << 0 << "1,000" << Outcome::Refuse << "";
        QTest::newRow("nan") << 3 << 0 << "nan" << Outcome::Refuse << "";
        QTest::newRow("int32 max") << 3 << 0 << "2147483647" << Outcome::Send << "Wwa3,2147483647";
        QTest::newRow("int32 min") << 3 << 0 << "-2147483648" << Outcome::Send << "Wwa3,-2147483648";
        QTest::newRow("above 32 bits") << 3 << 0 << "2147483648" << Outcome::Refuse << "";
        QTest::newRow("below 32 bits") << 3 << 0 << "-2147483649" << Outcome::Refuse << "";
        QTest::newRow("not a number beyond point 27") << 3 << 28 << "x" << Outcome::Refuse << "";
    }
    void cellWrites()
    {
        QFETCH(int, range);
        QFETCH(int, point);
        QFETCH(QString, text);
        QFETCH(Outcome, outcome);
        QFETCH(QString, command);
        const CellWrite write = planCellWrite(range, point, text);
        QCOMPARE(write.outcome, outcome);
        QCOMPARE(write.command, command);
    }

    void pointLetters()
    {
        QCOMPARE(pointLetter(0), QStringLiteral("a"));
        QCOMPARE(pointLetter(25), QStringLiteral("z"));
        QCOMPARE(pointLetter(26), QStringLiteral("A"));
        QCOMPARE(pointLetter(27), QStringLiteral("B"));
        QCOMPARE(pointLetter(28), QString());
        QCOMPARE(pointLetter(-1), QString());
    }

    void fileLines_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("line");
        QTest::newRow("three values") << "1V DC" << QStringList{"12", "345", "678"} << "1V DC , 12,345,678,\r\n";
        QTest::newRow("no values") << "Unused" << QStringList{"", "", ""} << "Unused , \r\n";
        QTest::newRow("empty cell left out") << "R" << QStringList{"", "5", "6"} << "R , 5,6,\r\n";
    }
    void fileLines()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, values);
        QFETCH(QString, line);
        QCOMPARE(calFileLine(label, values), line);
    }

    void readLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("as written") << "1V DC , 12,345,678," << QStringList{"1V DC", "12", "345", "678"};
        QTest::newRow("no trailing comma drops the last value") << "X , 5,6" << QStringList{"X", "5"};
        QTest::newRow("blanks trimmed, tabs kept") << "  A  ,  1 ,\t2\t," << QStringList{"A", "1", "\t2\t"};
        QTest::newRow("empty line") << "" << QStringList{};
        QTest::newRow("no comma") << "label only" << QStringList{};
        QTest::newRow("empty fields") << ",,," << QStringList{"", "", ""};
    }
    void readLines()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, cells);
        QCOMPARE(parseCalFileLine(line), cells);
    }

    void fileLineEnds_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a,\r\nb,\r\n") << QStringList{"a,", "b,"};
        QTest::newRow("CR") << QByteArray("a,\rb,\r") << QStringList{"a,", "b,"};
        QTest::newRow("LF") << QByteArray("a,\nb,\n") << QStringList{"a,", "b,"};
        QTest::newRow("no line end at the end") << QByteArray("a,\r\nb,") << QStringList{"a,", "b,"};
        QTest::newRow("empty line in the middle") << QByteArray("a,\r\n\r\nb,\r\n") << QStringList{"a,", "", "b,"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("Latin-1 bytes kept") << QByteArray("\xe4\xf4,\x00,\r\n", 7)
                                            << QStringList{QString::fromLatin1("\xe4\xf4,\x00,", 5)};
    }
    void fileLineEnds()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QCOMPARE(calFileLines(content), lines);
    }

    void fileRoundTrip()
    {
        const QList<QStringList> rows{{"100mv DC", "12", "100000000", "-99000000"},
                                      {"1V AC", "1", "2", "3", "4", "5"},
                                      {"Unused", "", "", ""}};
        const QByteArray bytes = encodeCalFile(rows);
        const QStringList lines = calFileLines(bytes);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(parseCalFileLine(lines[0]), rows[0]);
        QCOMPARE(parseCalFileLine(lines[1]), rows[1]);
        QCOMPARE(parseCalFileLine(lines[2]), QStringList{"Unused"});
    }

    void gridLimits()
    {
        QVERIFY(fitsGrid(10001, 29));
        QVERIFY(fitsGrid(201, 31));
        QVERIFY(!fitsGrid(MaxGridRows + 1, 2));
        QVERIFY(!fitsGrid(2, MaxGridCols + 1));
        QVERIFY(!fitsGrid(20000, 200));
    }
};

QTEST_APPLESS_MAIN(CalFactorsTest)
#include "calfactors_test.moc"
