#include "tables/grid/TableFileText.h"
#include "tables/specs/SpecTable.h"

#include <QTest>

using namespace SpecTable;

Q_DECLARE_METATYPE(SpecTable::ReplyLineRule)

namespace {

const SpecTableKind &kindNamed(const QString &name)
{
    return name == QLatin1String("uncert") ? importedUncertainties() : specifications();
}

QString latin1(const char *text) { return QString::fromLatin1(text); }

} // namespace

class SpecsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headers()
    {
        QCOMPARE(headerText(1), QStringLiteral("ppm Reading (DC-40Hz)"));
        QCOMPARE(headerText(2), QStringLiteral("ppm Range (DC-40Hz)"));
        QCOMPARE(headerText(7), QStringLiteral("ppm Reading (1-2kHz)"));
        QCOMPARE(headerText(12), QStringLiteral("ppm Range (20-100kHz)"));
        QCOMPARE(headerText(14), QStringLiteral("ppm Range (100kHz+)"));
        QCOMPARE(headerText(0), QString());
        QCOMPARE(headerText(15), QString());
    }

    void replyLines_data()
    {
        QTest::addColumn<ReplyLineRule>("rule");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("lines");

        const auto keep = ReplyLineRule::KeepCr;
        const auto split = ReplyLineRule::SplitLines;
        QTest::newRow("ps keeps the CR, trims blanks") << keep << latin1("  R1 a,1\r R2 b,2 \r*0\r")
                                                       << QStringList{"R1 a,1\r", "R2 b,2 \r", "*0\r"};
        QTest::newRow("ps drops text after the last CR") << keep << latin1("R1 a,1\rR2 b,2")
                                                         << QStringList{"R1 a,1\r"};
        QTest::newRow("ps empty reply") << keep << QString() << QStringList{};
        QTest::newRow("pi CR") << split << latin1("R1 a,1\rR2 b,2\r*0\r") << QStringList{"R1 a,1", "R2 b,2", "*0"};
        QTest::newRow("pi CR LF as CR") << split << latin1("R1 a,1\r\nR2 b,2\r\n*0\r\n")
                                        << QStringList{"R1 a,1", "R2 b,2", "*0"};
        QTest::newRow("pi last line without CR") << split << latin1("R1 a,1\rR2 b,2")
                                                 << QStringList{"R1 a,1", "R2 b,2"};
    }

    void replyLines()
    {
        QFETCH(ReplyLineRule, rule);
        QFETCH(QString, reply);
        QFETCH(QStringList, lines);
        QCOMPARE(SpecTable::replyLines(reply, rule), lines);
    }

    void parseReplyRow_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("values");

        QTest::newRow("two-digit row") << latin1("R05 10V DC,5,3\r") << 5 << true << "R05 10V DC" << QStringList{"5", "3"};
        QTest::newRow("one-digit row") << latin1("R5,1\r") << 5 << true << "R5" << QStringList{"1"};
        QTest::newRow("three-digit row") << latin1("R123 x,1") << 123 << true << "R123 x" << QStringList{"1"};
        QTest::newRow("another row") << latin1("R04 x,1\r") << 3 << false << QString() << QStringList{};
        QTest::newRow("status token") << latin1("*0\r") << 1 << false << QString() << QStringList{};
        QTest::newRow("lower-case r") << latin1("r1 x,1\r") << 1 << false << QString() << QStringList{};
        QTest::newRow("empty") << QString() << 1 << false << QString() << QStringList{};
        QTest::newRow("no number counts as 0") << latin1("Rx,1") << 0 << true << "Rx" << QStringList{"1"};
        QTest::newRow("values as shortest numbers")
            << latin1("R3 label,1.50,2,05.000,-0.250e1\r") << 3 << true << "R3 label"
            << QStringList{"1.5", "2", "5", "-2.5"};
        QTest::newRow("number stops at a blank") << latin1("R3 1,1 5, 2.5x\r") << 3 << true << "R3 1"
                                                 << QStringList{"1", "2.5"};
        QTest::newRow("exponent needs digits") << latin1("R1 a,2E,3e-2\r") << 1 << true << "R1 a"
                                               << QStringList{"2", "0.03"};
        QTest::newRow("beyond a double's range") << latin1("R1 a,1e400,-1D999,1e-400\r") << 1 << true << "R1 a"
                                                 << QStringList{"1.79769313486232E+308", "-1.79769313486232E+308", "0"};
        QTest::newRow("field without a number is 0") << latin1("R1 a,abc,,7\r") << 1 << true << "R1 a"
                                                     << QStringList{"0", "0", "7"};
        QTest::newRow("ohm and micro codes") << latin1("R3 100\xf4,1\r") << 3 << true << "R3 100Ohm" << QStringList{"1"};
        QTest::newRow("micro code") << latin1("R7 100\xe4V ,1\r") << 7 << true << "R7 100uV" << QStringList{"1"};
        QTest::newRow("other bytes kept") << latin1("R1 \x01\xff\x7f,1\r") << 1 << true << latin1("R1 \x01\xff\x7f")
                                          << QStringList{"1"};
        QTest::newRow("ps trailing comma before CR: no extra column")
            << latin1("R1 a,5,3,\r") << 1 << true << "R1 a" << QStringList{"5", "3"};
        QTest::newRow("pi trailing comma: no extra column") << latin1("R1 a,5,3,") << 1 << true << "R1 a"
                                                            << QStringList{"5", "3"};
        QTest::newRow("no comma: label alone") << latin1("R2 label only\r") << 2 << true << "R2 label only"
                                               << QStringList{};
        QStringList fourteen;
        QString longLine = QStringLiteral("R1 ac");
        for (int i = 1; i <= 20; ++i) {
            longLine += QLatin1Char(',') + QString::number(i);
            if (i <= 14)
                fourteen << QString::number(i);
        }
        QTest::newRow("values past the 14th dropped") << longLine + QLatin1Char('\r') << 1 << true << "R1 ac" << fourteen;
    }

    void parseReplyRow()
    {
        QFETCH(QString, line);
        QFETCH(int, row);
        QFETCH(bool, accepted);
        QFETCH(QString, label);
        QFETCH(QStringList, values);
        const std::optional<ReplyRow> parsed = SpecTable::parseReplyRow(line, row);
        QCOMPARE(parsed.has_value(), accepted);
        if (!parsed)
            return;
        QCOMPARE(parsed->label, label);
        QCOMPARE(parsed->values, values);
    }

    void parseReplyRowOfTenThousandCharacters()
    {
        const QString line = QStringLiteral("R1 ") + QString(5000, QLatin1Char('x')) + QString(5000, QLatin1Char(','));
        const std::optional<ReplyRow> parsed = SpecTable::parseReplyRow(line, 1);
        QVERIFY(parsed);
        QCOMPARE(parsed->values.size(), ValueColumns);
        QCOMPARE(parsed->label.size(), 5003);
    }

    void cellNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12.5" << true << 12.5;
        QTest::newRow("blanks around") << " 7 " << true << 7.0;
        QTest::newRow("exponent") << "-1e-7" << true << -1e-7;
        QTest::newRow("D exponent") << "2D3" << true << 2000.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("decimal comma") << "1,5" << false << 0.0;
        QTest::newRow("trailing text") << "5x" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("blank") << " " << false << 0.0;
    }

    void cellNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> number = cellNumber(text);
        QCOMPARE(number.has_value(), isNumber);
        if (number)
            QCOMPARE(*number, value);
    }

    void writeCommands()
    {
        QCOMPARE(writeCommand(specifications(), 5, 0, 12.5), QStringLiteral("Ws5,0,12.5"));
        QCOMPARE(writeCommand(importedUncertainties(), 70, 13, -0.001), QStringLiteral("Wi70,13,-0.001"));
        QCOMPARE(writeCommand(specifications(), 1, 1, 1e-7), QStringLiteral("Ws1,1,1E-07"));
    }

    // The line claims what the meter took: sent and taken values, and whether the save ended early.
    void informationLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<bool>("endedEarly");
        QTest::addColumn<bool>("timedOut"); // a value went unanswered: the meter may have taken it
        QTest::addColumn<int>("notWritten"); // values of the save the meter did not take
        QTest::addColumn<QString>("line");

        QTest::newRow("spec nothing written") << "spec" << "1.25" << 0 << 0 << false << false << 0 << QString();
        QTest::newRow("spec every value refused") << "spec" << "3.1" << 140 << 0 << false << false << 140 << QString();
        QTest::newRow("spec one cell") << "spec" << "1.25" << 1 << 1 << false << false << 0 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec 100 cells") << "spec" << "2.05" << 100 << 100 << false << false << 0 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec 101 cells") << "spec" << "2.05" << 101 << 101 << false << false << 0 << "&05Spec 2.0 06/12/26";
        QTest::newRow("spec 101 cells, no version") << "spec" << "" << 101 << 101 << false << false << 0 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec short version") << "spec" << "7" << 500 << 500 << false << false << 0 << "&05Spec 7 06/12/26";
        QTest::newRow("spec some refused") << "spec" << "3.2" << 264 << 165 << false << false << 99 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec stopped") << "spec" << "3.2" << 150 << 150 << true << false << 0 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec a value not a number") << "spec" << "3.1" << 140 << 140 << false << false << 1 << "&05Spec ___ 06/12/26";
        QTest::newRow("spec time-out on the first value") << "spec" << "3.1" << 1 << 0 << true << true << 140
                                                          << "&05Spec ___ 06/12/26";
        QTest::newRow("uncert nothing written") << "uncert" << "3.10" << 0 << 0 << false << false << 0 << QString();
        QTest::newRow("uncert every value refused") << "uncert" << "12" << 120 << 0 << false << false << 120 << QString();
        QTest::newRow("uncert 100 cells") << "uncert" << "3.10" << 100 << 100 << false << false << 0 << "&04Unc ___ 06/12/26";
        QTest::newRow("uncert 101 cells") << "uncert" << "3.10" << 101 << 101 << false << false << 0 << "&04Unc 3.1 06/12/26";
        QTest::newRow("uncert no version") << "uncert" << "" << 200 << 200 << false << false << 0 << "&04Unc ___ 06/12/26";
    }

    void informationLine()
    {
        QFETCH(QString, kind);
        QFETCH(QString, version);
        QFETCH(int, sent);
        QFETCH(int, accepted);
        QFETCH(bool, endedEarly);
        QFETCH(bool, timedOut);
        QFETCH(int, notWritten);
        QFETCH(QString, line);
        const MeterWriteResult written{.sent = sent, .accepted = accepted, .notWritten = notWritten, .endedEarly = endedEarly, .timedOut = timedOut};
        const std::optional<QString> made = SpecTable::informationLine(kindNamed(kind), version, written, QDate(2026, 12, 6));
        QCOMPARE(made.value_or(QString()), line);
        QCOMPARE(made.has_value(), !line.isEmpty());
    }

    void parseTableFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("refusal");

        QTest::newRow("version first, CR LF")
            << QByteArray("Version 1.25\r\n10V DC , 5,3,\r\n") << "1.25" << QList<QStringList>{{"10V DC", "5", "3"}} << QString();
        QTest::newRow("comment first, version last")
            << QByteArray("# a comment\r\n10V DC , 5,3,\r\nversion 2.0\r\n") << "2.0"
            << QList<QStringList>{{"10V DC", "5", "3"}} << QString();
        QTest::newRow("version without blank") << QByteArray("VERSION2.0\r\n") << "2.0" << QList<QStringList>{} << QString();
        QTest::newRow("version in mixed case, blanks") << QByteArray("vErSiOn   3.1  \r\n") << "3.1" << QList<QStringList>{} << QString();
        QTest::newRow("empty version") << QByteArray("Version \r\n , \r\n") << "" << QList<QStringList>{{""}} << QString();
        QTest::newRow("without final comma: last value dropped")
            << QByteArray("10V DC , 5,3\r\n") << "" << QList<QStringList>{{"10V DC", "5"}} << QString();
        QTest::newRow("empty line takes a row")
            << QByteArray("a , 1,\r\n\r\nb , 2,\r\n") << "" << QList<QStringList>{{"a", "1"}, {}, {"b", "2"}} << QString();
        QTest::newRow("row without comma stores nothing")
            << QByteArray("label only\r\nb , 2,\r\n") << "" << QList<QStringList>{{}, {"b", "2"}} << QString();
        QTest::newRow("comments anywhere take no row")
            << QByteArray("a , 1,\r\n#x,y,z\r\nb , 2,\r\n") << "" << QList<QStringList>{{"a", "1"}, {"b", "2"}} << QString();
        QTest::newRow("empty value between commas")
            << QByteArray("a , ,5,\r\n") << "" << QList<QStringList>{{"a", "", "5"}} << QString();
        QTest::newRow("LF and CR line ends, no final end")
            << QByteArray("a , 1,\nb , 2,\rc , 3,") << "" << QList<QStringList>{{"a", "1"}, {"b", "2"}, {"c", "3"}} << QString();
        QTest::newRow("single-byte labels") << QByteArray("100\xb5V , 1,\r\n") << ""
                                            << QList<QStringList>{{QString::fromLatin1("100\xb5V"), "1"}} << QString();
        QStringList fifteen{"ac"};
        QByteArray longRow("ac , ");
        for (int i = 1; i <= 16; ++i) {
            longRow += QByteArray::number(i) + ',';
            if (i <= 14)
                fifteen << QString::number(i);
        }
        QTest::newRow("values past the 14th ignored") << longRow + "\r\n" << "" << QList<QStringList>{fifteen} << QString();
        QTest::newRow("empty file") << QByteArray() << "" << QList<QStringList>{} << QString();
        // The first three characters of the version go into the meter's information line,
        // where a "*" would read as the status token: the file is refused, naming the line.
        QTest::newRow("star in the version refused")
            << QByteArray("# c\r\na , 1,\r\nVersion 1*2\r\n") << "" << QList<QStringList>{}
            << "line 3 (\"Version 1*2\"): a version cannot hold \"*\" in its first three characters";
    }

    void parseTableFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, version);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, refusal);
        const TableFile file = SpecTable::parseTableFile(bytes);
        QCOMPARE(file.version, version);
        QCOMPARE(file.rows, rows);
        QCOMPARE(file.refusal, refusal);
    }

    void tableFileBytes_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("DC row") << "1.25" << QList<QStringList>{{"10V DC", "5", "3"}}
                                << QByteArray("Version 1.25\r\n10V DC , 5,3,\r\n");
        QTest::newRow("sparse row keeps no placeholder")
            << "" << QList<QStringList>{{"r", "1", "2", "", "", "5", ""}} << QByteArray("Version \r\nr , 1,2,5,\r\n");
        QTest::newRow("row without values, empty row")
            << " 2 " << QList<QStringList>{{"label"}, {}} << QByteArray("Version 2\r\nlabel , \r\n , \r\n");
        QTest::newRow("single-byte code") << "" << QList<QStringList>{{QString::fromLatin1("10\xb5V"), "1"}}
                                          << QByteArray("Version \r\n10\xb5V , 1,\r\n");
    }

    void tableFileBytes()
    {
        QFETCH(QString, version);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QByteArray, bytes);
        QCOMPARE(SpecTable::tableFileBytes(version, rows), bytes);
    }

    void sparseRowsSurviveSaveAndLoadByPosition()
    {
        const QList<QStringList> rows{{"a", "1", "2", "", "", "5"}, {}, {"c", "", "", "", "", "", "", "", "", "", "", "", "", "", "9"}};
        const TableFile back = SpecTable::parseTableFile(SpecTable::tableFileBytes(QStringLiteral("4.5"), rows));
        QCOMPARE(back.version, QStringLiteral("4.5"));
        // Values move left: the file keeps no placeholders.
        QCOMPARE(back.rows, (QList<QStringList>{{"a", "1", "2", "5"}, {""}, {"c", "9"}}));
    }

    // Labels the reader tests for the version or a comment, and versions with commas, read
    // back as they were written, every row in its place.
    void labelsAndVersionsReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("label");
        QTest::newRow("comment-like label") << "1.0" << "#5 A";
        QTest::newRow("hash alone") << "1.0" << "#";
        QTest::newRow("Version label") << "1.0" << "Version 9";
        QTest::newRow("VERSION label") << "1.0" << "VERSION";
        QTest::newRow("mixed-case label") << "1.0" << "vErSiOn2 DC";
        QTest::newRow("version with commas") << "1,2,3" << "10V DC";
        QTest::newRow("version with a comma and blanks") << "A, rev 2" << "#";
    }
    void labelsAndVersionsReadBackUnchanged()
    {
        QFETCH(QString, version);
        QFETCH(QString, label);
        const QList<QStringList> rows{{"1V DC", "1", "2"}, {label, "3", "4"}, {"100V DC", "5", "6"}};
        QVERIFY(!findUnwritableText(version, rows));
        const TableFile once = SpecTable::parseTableFile(SpecTable::tableFileBytes(version, rows));
        QCOMPARE(once.version, version);
        QCOMPARE(once.rows, rows);
        // Loaded and saved again: the same file.
        QCOMPARE(SpecTable::tableFileBytes(once.version, once.rows), SpecTable::tableFileBytes(version, rows));
    }

    void unwritableText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");

        QTest::newRow("all fine") << "1.0" << QList<QStringList>{{"a", "1"}} << -1 << -1;
        QTest::newRow("comma in a value") << "" << QList<QStringList>{{"a", "1"}, {"b", "2", "1,5"}} << 2 << 2;
        QTest::newRow("line break in a value") << "" << QList<QStringList>{{"a", "1\n"}} << 1 << 1;
        QTest::newRow("outside the single-byte code") << "" << QList<QStringList>{{"a", QStringLiteral("\u2126")}} << 1 << 1;
        QTest::newRow("comma in the version") << "1,0" << QList<QStringList>{} << -1 << -1;
        QTest::newRow("line break in the version") << "1\r0" << QList<QStringList>{} << 0 << 0;
        QTest::newRow("single-byte characters fine") << "" << QList<QStringList>{{QString::fromLatin1("\xb5\xff")}} << -1 << -1;
    }

    void unwritableText()
    {
        QFETCH(QString, version);
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, row);
        QFETCH(int, column);
        const std::optional<UnwritableText> bad = findUnwritableText(version, rows);
        QCOMPARE(bad.has_value(), row >= 0);
        if (bad) {
            QCOMPARE(bad->row, row);
            QCOMPARE(bad->column, column);
        }
    }

    void proposedNames()
    {
        QCOMPARE(proposedFileName(specifications(), QDate(2026, 3, 4)), QStringLiteral("DMMBackup-04Mar26.spec"));
        QCOMPARE(proposedFileName(importedUncertainties(), QDate(2026, 12, 25)), QStringLiteral("DMMBackup-25Dec26.uncert"));
    }

    void kindsDifferOnlyWhereTheyShould()
    {
        const SpecTableKind &s = specifications();
        const SpecTableKind &u = importedUncertainties();
        QCOMPARE(s.readCommand, QStringLiteral("ps"));
        QCOMPARE(u.readCommand, QStringLiteral("pi"));
        QCOMPARE(s.clearCommand, QStringLiteral("WS"));
        QCOMPARE(u.clearCommand, QStringLiteral("WI"));
        QVERIFY(!s.versionEmptiedOnRead);
        QVERIFY(u.versionEmptiedOnRead);
        QCOMPARE(s.infoSlot, 5);
        QCOMPARE(u.infoSlot, 4);
        QCOMPARE(u.loadErrorText, QStringLiteral("Error loading Uncertainties: "));
        QCOMPARE(s.loadErrorText, QStringLiteral("Error loading specifications: "));
    }
};

QTEST_GUILESS_MAIN(SpecsTest)
#include "specs_test.moc"
