#include "link/TextConv.h"

#include <QTest>

class TextConvTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "123" << 123.0;
        QTest::newRow("leading blanks and tab") << " \t 12.5x" << 12.5;
        QTest::newRow("blanks inside") << "1 2 3" << 123.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("exponent") << "1.5E3" << 1500.0;
        QTest::newRow("dangling exponent") << "2E" << 2.0;
        QTest::newRow("leading point") << ".25" << 0.25;
        QTest::newRow("negative") << "-7,1" << -7.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("comma is no point") << "3,5" << 3.0;
    }
    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(TextConv::Val(text), expected);
    }
    void general_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << 100000000.0 << "100000000";
        QTest::newRow("fraction") << 0.0003 << "0.0003";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("small") << 1.1e-6 << "1.1E-06";
        QTest::newRow("15 digits") << 0.1 + 0.2 << "0.3";
    }
    void general()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(TextConv::General(value), expected);
    }
    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero hashes") << 0.0 << "######.##" << ".";
        QTest::newRow("hashes") << 6.275 << "######.##" << "6.28";
        QTest::newRow("two digits") << 5.0 << "00" << "05";
        QTest::newRow("min decimals") << 1.5 << "0.000###" << "1.500";
    }
    void format()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(TextConv::Format(value, pattern), expected);
    }
    void clngRoundsHalvesToEven()
    {
        QCOMPARE(TextConv::CLng(2.5).value(), 2);
        QCOMPARE(TextConv::CLng(3.5).value(), 4);
        QVERIFY(!TextConv::CLng(3e9).has_value());
    }
    void dates()
    {
        const QDateTime when(QDate(2026, 12, 7), QTime(9, 5, 3));
        QCOMPARE(TextConv::FormatDate(when, "dd/mm/yy"), QString("07/12/26"));
        QCOMPARE(TextConv::FormatDate(when, "DDMMMYY"), QString("07Dec26"));
    }
};

QTEST_GUILESS_MAIN(TextConvTest)
#include "textconv_test.moc"
