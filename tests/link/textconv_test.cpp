#include "link/TextConv.h"
#include "tests/support/CommaLocale.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace TextConv;

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
        QTest::newRow("line feed skipped") << "\n7" << 7.0;
        QTest::newRow("carriage return ends") << "\r7" << 0.0;
        QTest::newRow("blanks inside") << "1 2 3" << 123.0;
        QTest::newRow("blank after sign") << "- 5" << -5.0;
        QTest::newRow("plus sign") << "+5" << 5.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("exponent") << "1.5E3" << 1500.0;
        QTest::newRow("lower-case exponent") << "2e-3" << 0.002;
        QTest::newRow("D exponent") << "1d3" << 1000.0;
        QTest::newRow("dangling exponent") << "2E" << 2.0;
        QTest::newRow("exponent sign without digits") << "2E+" << 2.0;
        QTest::newRow("leading point") << ".25" << 0.25;
        QTest::newRow("negative leading point") << "-.5" << -0.5;
        QTest::newRow("second point ends") << "1.2.3" << 1.2;
        QTest::newRow("negative") << "-7,1" << -7.0;
        QTest::newRow("comma is no point") << "3,5" << 3.0;
        QTest::newRow("reply token") << "*0" << 0.0;
        QTest::newRow("number then unit") << "12.5mV" << 12.5;
        QTest::newRow("non-ASCII digit") << QString(QChar(0x0663)) << 0.0;
        QTest::newRow("Latin-1 byte ends") << QString("5") + QChar(228) + "6" << 5.0;
        QTest::newRow("NUL ends") << QString("4") + QChar(0) + "2" << 4.0;
        QTest::newRow("overflow") << "1E400" << std::numeric_limits<double>::max();
        QTest::newRow("negative overflow") << "-1E400" << std::numeric_limits<double>::lowest();
        QTest::newRow("overflow by digits") << "17976931348623159" + QString(292, '0') << std::numeric_limits<double>::max();
        QTest::newRow("overflow with a huge exponent") << "0.001E99999999999999999999" << std::numeric_limits<double>::max();
        QTest::newRow("underflow") << "1E-400" << 0.0;
        QTest::newRow("negative underflow") << "-1E-400" << 0.0;
        QTest::newRow("underflow by digits") << "0." + QString(400, '0') + "1" << 0.0;
        QTest::newRow("underflow with a huge exponent") << "1000E-99999999999999999999" << 0.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower case") << "&h1f" << 31.0;
        QTest::newRow("hex 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("hex 8000") << "&H8000" << -32768.0;
        QTest::newRow("hex 7FFF") << "&H7FFF" << 32767.0;
        QTest::newRow("hex 17 bits") << "&H10000" << 65536.0;
        QTest::newRow("hex 32-bit") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("hex beyond 32 bits") << "&H100000000" << 0.0;
        QTest::newRow("hex very long") << "&HFFFFFFFFFFFFFFFFFFFFFFFFFFFF" << 0.0;
        QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
        QTest::newRow("hex without digits") << "&H" << 0.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O18" << 1.0;
        QTest::newRow("octal very long") << "&O7777777777777777777777777" << 0.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("ampersand digit") << "&5" << 0.0;
        QTest::newRow("long digit run") << QString(400, '9') << std::numeric_limits<double>::max(); // beyond a double
        QTest::newRow("many leading zeros") << QString(300, '0') + "42" << 42.0;
    }
    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Val(text), expected);
    }

    // The desktop's regional settings reach the C library (QCoreApplication sets its locale
    // from them); a decimal comma there must change nothing here.
    void numbersUnderADecimalCommaLocale()
    {
        const CommaLocale comma;
        if (!comma.active())
            QSKIP(qPrintable(comma.reason()));
        QCOMPARE(Val("12.5mV"), 12.5);
        QCOMPARE(Val("-2.5E-3"), -0.0025);
        QCOMPARE(General(1.1e-6), QStringLiteral("1.1E-06"));
        QCOMPARE(General(-100.25), QStringLiteral("-100.25"));
        QCOMPARE(Format(1.005, "0.00"), QStringLiteral("1.01"));
    }

    void general_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << 100000000.0 << "100000000";
        QTest::newRow("fraction") << 0.0003 << "0.0003";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("negative integer") << -3.0 << "-3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("1E-5 plain") << 1e-5 << "0.00001";
        QTest::newRow("1.234E-5 plain") << 1.234e-5 << "0.00001234";
        QTest::newRow("1E-6 scientific") << 1e-6 << "1E-06";
        QTest::newRow("small") << 1.1e-6 << "1.1E-06";
        QTest::newRow("negative small") << -2.5e-7 << "-2.5E-07";
        QTest::newRow("largest plain") << 999999999999999.0 << "999999999999999";
        QTest::newRow("1E15 scientific") << 1e15 << "1E+15";
        QTest::newRow("rounds into 1E15") << 999999999999999.9 << "1E+15";
        QTest::newRow("15 digits") << 0.1 + 0.2 << "0.3";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("two thirds rounds") << 2.0 / 3 << "0.666666666666667";
        QTest::newRow("big scientific") << 123456789012345678.0 << "1.23456789012346E+17";
        QTest::newRow("three-digit exponent") << 1e300 << "1E+300";
        QTest::newRow("tiny") << -1e-300 << "-1E-300";
        QTest::newRow("resistance") << 100.25 << "100.25";
        QTest::newRow("temperature units") << -1234567.0 << "-1234567";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "NaN";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "Inf";
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << "-Inf";
    }
    void general()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(General(value), expected);
    }

    // What General writes, Val reads back (to 15 digits).
    void generalReadsBack_data()
    {
        QTest::addColumn<double>("value");
        using limits = std::numeric_limits<double>;
        for (double v : {0.1, 1.0 / 7, -123.456, 6.02214076e23, 1.602e-19, 1e-5, 1e-6, 4294967295.0, 1e14 + 0.5,
                         limits::max(), limits::lowest(), limits::min(), -limits::min(), limits::denorm_min()})
            QTest::newRow(qPrintable(QString::number(v, 'g', 17))) << v;
    }
    void generalReadsBack()
    {
        QFETCH(double, value);
        const double back = Val(General(value));
        QVERIFY2(std::fabs(back - value) <= std::fabs(value) * 1e-14, qPrintable(General(value)));
    }

    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero hashes") << 0.0 << "######.##" << ".";
        QTest::newRow("ten hashes") << 10.0 << "######.##" << "10.";
        QTest::newRow("half hashes") << 0.5 << "######.##" << ".5";
        QTest::newRow("hashes") << 6.275 << "######.##" << "6.28";
        QTest::newRow("thermocouple K") << 6.27 << "######.##" << "6.27";
        QTest::newRow("negative hashes") << -12.345 << "######.##" << "-12.35";
        QTest::newRow("negative below one") << -0.25 << "######.##" << "-.25";
        QTest::newRow("rounds to zero, no sign") << -0.001 << "######.##" << ".";
        QTest::newRow("half up at 15 digits") << 1.005 << "0.00" << "1.01";
        QTest::newRow("carry") << 9.995 << "0.00" << "10.00";
        QTest::newRow("carry into new digit") << 99.5 << "0" << "100";
        QTest::newRow("half away from zero") << -2.5 << "0" << "-3";
        QTest::newRow("half up") << 2.5 << "0" << "3";
        QTest::newRow("two digits") << 5.0 << "00" << "05";
        QTest::newRow("slot 4") << 4.0 << "00" << "04";
        QTest::newRow("wider than pattern") << 123.4 << "00" << "123";
        QTest::newRow("negative two digits") << -3.0 << "00" << "-03";
        QTest::newRow("three zeros") << 3.0 << "000" << "003";
        QTest::newRow("plain zero") << 0.0 << "0" << "0";
        QTest::newRow("large integer") << 1e20 << "0" << "100000000000000000000";
        QTest::newRow("min decimals") << 1.5 << "0.000###" << "1.500";
        QTest::newRow("max decimals") << 1.23456789 << "0.000###" << "1.234568";
        QTest::newRow("between") << 12.34567 << "0.000###" << "12.34567";
        QTest::newRow("negative reading") << -0.0001234 << "0.000###" << "-0.000123";
        QTest::newRow("tiny reading") << 1e-20 << "0.000###" << "0.000";
        QTest::newRow("hash fraction") << 0.125 << "#.##" << ".13";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "0.00" << "NaN";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0.00" << "Inf";
    }
    void format()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(Format(value, pattern), expected);
    }

    void clng_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 to even") << 2.5 << true << 2;
        QTest::newRow("3.5 to even") << 3.5 << true << 4;
        QTest::newRow("-2.5 to even") << -2.5 << true << -2;
        QTest::newRow("-3.5 to even") << -3.5 << true << -4;
        QTest::newRow("0.5 to zero") << 0.5 << true << 0;
        QTest::newRow("2.6 up") << 2.6 << true << 3;
        QTest::newRow("-2.4 toward zero") << -2.4 << true << -2;
        QTest::newRow("max") << 2147483647.0 << true << 2147483647;
        QTest::newRow("max + 0.4") << 2147483647.4 << true << 2147483647;
        QTest::newRow("max + 0.5 rounds out") << 2147483647.5 << false << 0;
        QTest::newRow("min") << -2147483648.0 << true << int(-2147483647 - 1);
        QTest::newRow("min - 0.5 rounds to even min") << -2147483648.5 << true << int(-2147483647 - 1);
        QTest::newRow("below min") << -2147483649.0 << false << 0;
        QTest::newRow("3E9") << 3e9 << false << 0;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << 0;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << 0;
    }
    void clng()
    {
        QFETCH(double, value);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        const std::optional<qint32> result = CLng(value);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(*result, expected);
    }

    void cint_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("1.5 to even") << 1.5 << true << 2;
        QTest::newRow("4.5 to even") << 4.5 << true << 4;
        QTest::newRow("max") << 32767.0 << true << 32767;
        QTest::newRow("max + 0.5 rounds out") << 32767.5 << false << 0;
        QTest::newRow("min") << -32768.0 << true << -32768;
        QTest::newRow("below min") << -32769.0 << false << 0;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << 0;
    }
    void cint()
    {
        QFETCH(double, value);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        const std::optional<qint16> result = CInt(value);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QCOMPARE(int(*result), expected);
    }

    void floorInt_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("positive") << 2.9 << 2.0;
        QTest::newRow("negative") << -0.5 << -1.0;
        QTest::newRow("negative whole") << -3.0 << -3.0;
        QTest::newRow("PRT cell") << -12.345678 * 100000 << -1234568.0;
        QTest::newRow("large") << 1e20 + 0.0 << 1e20;
    }
    void floorInt()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(Int(value), expected);
    }

    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("digits") << "6182" << true;
        QTest::newRow("negative decimal") << "-1.5" << true;
        QTest::newRow("blanks around") << " 12 " << true;
        QTest::newRow("exponent") << "1e5" << true;
        QTest::newRow("signed exponent") << "+.5e-3" << true;
        QTest::newRow("trailing point") << "1." << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "  " << false;
        QTest::newRow("sign only") << "-" << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("dangling exponent") << "1e" << false;
        QTest::newRow("letters") << "12a4" << false;
        QTest::newRow("blank inside") << "12 4" << false;
        QTest::newRow("grouping") << "1,000" << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("inf") << "inf" << false;
        QTest::newRow("nan") << "nan" << false;
        QTest::newRow("hex") << "&H1F" << false;
        QTest::newRow("C hex") << "0x10" << false;
        QTest::newRow("non-ASCII digit") << QString(QChar(0x0663)) << false;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(IsNumeric(text), expected);
    }

    void dates_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        const QDateTime dec(QDate(2026, 12, 7), QTime(9, 5, 3));
        const QDateTime jan(QDate(2030, 1, 1), QTime(23, 59, 59));
        const QDateTime y2k(QDate(2000, 2, 29), QTime(0, 0, 0));
        QTest::newRow("dd/mm/yy") << dec << "dd/mm/yy" << "07/12/26";
        QTest::newRow("dd/mm/yy year 2000") << y2k << "dd/mm/yy" << "29/02/00";
        QTest::newRow("DDMMMYY") << dec << "DDMMMYY" << "07Dec26";
        QTest::newRow("DDMMMYY January") << jan << "DDMMMYY" << "01Jan30";
        QTest::newRow("long month") << dec << "d mmmm yyyy" << "7 December 2026";
        QTest::newRow("day names") << dec << "ddd dddd" << "Mon Monday";
        QTest::newRow("single digits") << dec << "d/m/yy" << "7/12/26";
        QTest::newRow("minutes after hour") << dec << "hh:mm:ss" << "09:05:03";
        QTest::newRow("minutes with n") << dec << "h:nn" << "9:05";
        QTest::newRow("month after time") << dec << "hh:mm dd/mm" << "09:05 07/12";
        QTest::newRow("Long Date") << dec << "Long Date" << "Monday, 7 December 2026";
        QTest::newRow("Medium Date") << dec << "Medium Date" << "07-Dec-26";
        QTest::newRow("medium date any case") << jan << "medium date" << "01-Jan-30";
        QTest::newRow("Short Date") << dec << "Short Date" << "07/12/2026";
        QTest::newRow("Long Time") << jan << "Long Time" << "23:59:59";
        QTest::newRow("Short Time") << dec << "Short Time" << "09:05";
        QTest::newRow("literal text") << dec << "yyyy-mm-dd" << "2026-12-07";
        // A date that does not exist has no day or month name.
        const QDateTime invalid(QDate(2026, 2, 30), QTime(10, 0));
        for (const char *pattern : {"DDMMMYY", "dddd mmmm", "dd/mm/yy", "Long Date", "Medium Date", "hh:nn"})
            QTest::addRow("invalid date, %s", pattern) << invalid << pattern << "";
        QTest::newRow("null date") << QDateTime() << "dddd, mmm" << "";
    }
    void dates()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(FormatDate(when, pattern), expected);
    }
};

QTEST_GUILESS_MAIN(TextConvTest)
#include "textconv_test.moc"
