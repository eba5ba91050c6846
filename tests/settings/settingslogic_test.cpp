// The plain functions beside the meter settings dialogs: options mask and dependency
// rules, temperature-compensation limits, the history and "v" replies, the clock command
// and the meter's date texts.
#include "settings/AcLinearity.h"
#include "settings/CalHistory.h"
#include "settings/DisplaySettings.h"
#include "settings/InstalledOptions.h"
#include "settings/MeterClock.h"
#include "settings/MeterDate.h"
#include "settings/MeterInformation.h"
#include "settings/TemperatureCompensation.h"
#include "shell/MainWindowText.h"

#include <QtTest>

using namespace InstalledOptions;

namespace {

QList<int> bitsOf(qint32 mask)
{
    QList<int> bits;
    const Ticks ticks = ticksOf(mask);
    for (int bit = 0; bit < OptionCount; ++bit)
        if (ticks[bit])
            bits << bit;
    return bits;
}

QList<int> flaggedRanges(const CalibrationEvent &event)
{
    QList<int> ranges;
    for (int n = 0; n < CalibrationEvent::RangeFlagCount; ++n)
        if (event.RangeFlags[n])
            ranges << n;
    return ranges;
}

} // namespace

class SettingsLogicTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultMasks_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QList<int>>("bits");
        QTest::newRow("6450") << 6450 << 522190 << QList<int>{1, 2, 3, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18};
        QTest::newRow("6445") << 6445 << 520960 << QList<int>{8, 9, 12, 13, 14, 15, 16, 17, 18};
        QTest::newRow("6440") << 6440 << 520192 << QList<int>{12, 13, 14, 15, 16, 17, 18};
        QTest::newRow("6480") << 6480 << 393984 << QList<int>{8, 9, 17, 18};
        QTest::newRow("6475") << 6475 << 393216 << QList<int>{17, 18};
        QTest::newRow("no model") << 0 << 393216 << QList<int>{17, 18};
    }
    void defaultMasks()
    {
        QFETCH(int, model);
        QFETCH(int, mask);
        QFETCH(QList<int>, bits);
        QCOMPARE(defaultMask(model), mask);
        QCOMPARE(bitsOf(mask), bits);
        QCOMPARE(maskOf(ticksOf(mask)), mask);
        QVERIFY(brokenDependencies(mask).isEmpty());
    }

    void masksAndTicks_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QList<int>>("bits");
        QTest::addColumn<int>("sent");
        QTest::newRow("rear terminals") << 1024 << QList<int>{10} << 1024;
        QTest::newRow("bit 0 and bit 20") << 1048577 << QList<int>{0, 20} << 1048577;
        QTest::newRow("bits 21 and up dropped") << (1 << 21 | 1 << 30 | 4) << QList<int>{2} << 4;
        QTest::newRow("zero") << 0 << QList<int>{} << 0;
    }
    void masksAndTicks()
    {
        QFETCH(int, mask);
        QFETCH(QList<int>, bits);
        QFETCH(int, sent);
        QCOMPARE(bitsOf(mask), bits);
        QCOMPARE(maskOf(ticksOf(mask)), sent);
    }

    void dependencyRules_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QStringList>("broken");
        QTest::newRow("frequency and shunt") << (65536 | 64)
                                             << QStringList{"Frequency option requires AC option",
                                                            "Shunt option requires Rear Terminals option"};
        QTest::newRow("all four, in order")
            << (65536 | 64 | 128 | 8)
            << QStringList{"Frequency option requires AC option", "Shunt option requires Rear Terminals option",
                           "DC Power option requires Rear Terminals option",
                           "Electrometer option requires Resistance option"};
        QTest::newRow("met") << (65536 | 8192 | 64 | 128 | 1024 | 8 | 32768) << QStringList{};
        QTest::newRow("requirements alone") << (8192 | 1024 | 32768) << QStringList{};
    }
    void dependencyRules()
    {
        QFETCH(int, mask);
        QFETCH(QStringList, broken);
        QCOMPARE(brokenDependencies(mask), broken);
    }

    void modelInIdentification_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("index");
        QTest::newRow("6450") << "Velkorande,Model 6450,64500123,2.31\r" << 0;
        QTest::newRow("mixed case") << "velkorande,mOdEl 6440,1,2\r" << 2;
        QTest::newRow("6475") << "MODEL 6475" << 4;
        QTest::newRow("first in the list wins") << "Model 6480 Model 6445" << 1;
        QTest::newRow("none") << "Tarnowelk Instruments,Model 2010,1,1.07\r" << -1;
        QTest::newRow("time-out") << "TIMEOUT" << -1;
        QTest::newRow("no blank") << "MODEL6450" << -1;
    }
    void modelInIdentification()
    {
        QFETCH(QString, reply);
        QFETCH(int, index);
        QCOMPARE(modelIndexIn(reply).value_or(-1), index);
    }

    void optionsReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<qint64>("mask"); // -99: beyond 32 bits
        QTest::newRow("mask") << "522190\r" << qint64(522190);
        QTest::newRow("negative") << "-1\r" << qint64(-1);
        QTest::newRow("time-out") << "TIMEOUT" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("fraction rounds to even") << "2.5" << qint64(2);
        QTest::newRow("beyond 32 bits") << "1E20" << qint64(-99);
    }
    void optionsReply()
    {
        QFETCH(QString, reply);
        QFETCH(qint64, mask);
        const std::optional<qint32> read = maskFromReply(reply);
        QCOMPARE(read ? qint64(*read) : qint64(-99), mask);
    }

    void temperatureRanges()
    {
        const QStringList items = TemperatureCompensation::rangeItems();
        QCOMPARE(items.size(), 24);
        QCOMPARE(items.first(), QStringLiteral("1 : 100mv DC"));
        QCOMPARE(items[5], QStringLiteral("33 : 1R 4-wire"));
        QCOMPARE(items.last(), QStringLiteral("54 : 10M 2-wire"));
        for (int left : {30, 31, 32, 49, 50, 51})
            QVERIFY(!TemperatureCompensation::offeredRanges().contains(left));
        QCOMPARE(TemperatureCompensation::rangeCommand(items[5]), QStringLiteral("R33"));
    }

    void coefficientLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("command");
        QTest::newRow("300") << "300" << true << "TEMPCOMP:COEFF 300";
        QTest::newRow("-300") << "-300" << true << "TEMPCOMP:COEFF -300";
        QTest::newRow("300.5") << "300.5" << false << "";
        QTest::newRow("-301") << "-301" << false << "";
        QTest::newRow("letters after digits") << "12ppm" << false << "";
        QTest::newRow("blanks around") << " 2.50 " << true << "TEMPCOMP:COEFF 2.5";
        QTest::newRow("empty") << "" << false << "";
    }
    void coefficientLimits()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, command);
        QCOMPARE(TemperatureCompensation::coefficientValid(text), valid);
        if (valid)
            QCOMPARE(TemperatureCompensation::coefficientCommand(text), command);
    }

    void ambientLimits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("command");
        QTest::newRow("initial") << "20.0" << true << "TEMPCOMP:AMBIENT 20";
        QTest::newRow("0") << "0" << false << "";
        QTest::newRow("100") << "100" << false << "";
        QTest::newRow("0.1") << "0.1" << true << "TEMPCOMP:AMBIENT 0.1";
        QTest::newRow("99.9") << "99.9" << true << "TEMPCOMP:AMBIENT 99.9";
        QTest::newRow("no number") << "warm" << false << "";
        QTest::newRow("trailing text is not checked") << "23C" << true << "TEMPCOMP:AMBIENT 23";
    }
    void ambientLimits()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, command);
        QCOMPARE(TemperatureCompensation::ambientValid(text), valid);
        if (valid)
            QCOMPARE(TemperatureCompensation::ambientCommand(text), command);
    }

    void internalTemperature_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("blank, value, CR") << " 23.4\r" << "23.4\u00B0C";
        QTest::newRow("time-out") << "TIMEOUT" << "TIMEOUT\u00B0C";
        QTest::newRow("empty") << "" << "\u00B0C";
    }
    void internalTemperature()
    {
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        QCOMPARE(TemperatureCompensation::internalTemperatureText(reply), shown);
    }

    void meterDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("read"); // invalid: not a date
        QTest::newRow("meter's form") << "14/03/2026 15:30:07" << QDateTime(QDate(2026, 3, 14), QTime(15, 30, 7));
        QTest::newRow("day above 12") << "25/12/2026" << QDateTime(QDate(2026, 12, 25), QTime(0, 0));
        QTest::newRow("day first when both fit") << "03/04/2026" << QDateTime(QDate(2026, 4, 3), QTime(0, 0));
        QTest::newRow("month first only when it must") << "03/14/2026" << QDateTime(QDate(2026, 3, 14), QTime(0, 0));
        QTest::newRow("short year") << " 1/2/27 9:05" << QDateTime(QDate(2027, 2, 1), QTime(9, 5));
        QTest::newRow("short year last century") << "1/2/95" << QDateTime(QDate(1995, 2, 1), QTime(0, 0));
        QTest::newRow("short year, leap day of 2000") << "29/02/00" << QDateTime(QDate(2000, 2, 29), QTime(0, 0));
        QTest::newRow("short year, month name, window edge") << "1-Jan-30 23:59" << QDateTime(QDate(1930, 1, 1), QTime(23, 59));
        QTest::newRow("ISO") << "2016-05-12 08:00:00" << QDateTime(QDate(2016, 5, 12), QTime(8, 0));
        QTest::newRow("medium date") << "12-May-16" << QDateTime(QDate(2016, 5, 12), QTime(0, 0));
        QTest::newRow("month name") << "12 May 2016" << QDateTime(QDate(2016, 5, 12), QTime(0, 0));
        QTest::newRow("dots") << "12.05.2016" << QDateTime(QDate(2016, 5, 12), QTime(0, 0));
        QTest::newRow("no day 31 in April") << "31/04/2026" << QDateTime();
        QTest::newRow("negative year") << "5/15/-4032" << QDateTime();
        QTest::newRow("no leap day in 2100") << "29/02/2100" << QDateTime();
        QTest::newRow("bad time") << "14/03/2026 25:00" << QDateTime();
        QTest::newRow("time-out") << "TIMEOUT" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
        QTest::newRow("status token") << "*0" << QDateTime();
    }
    void meterDates()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, read);
        QCOMPARE(ParseMeterDateTime(text).value_or(QDateTime()), read);
    }

    void historyReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<QList<int>>>("ranges"); // per list entry, newest first
        QTest::newRow("two events")
            << "DATE 12/05/2016\r\nRANGE 1,2,3\r\nDATE 03/04/2017\r\nRANGE 33\r\n*0\r\n"
            << QStringList{"03-Apr-17", "12-May-16"} << QList<QList<int>>{{33}, {1, 2, 3}};
        QTest::newRow("lower case, several RANGE lines add up")
            << "date 25/12/2026\rrange 5\rRange 7, 6\r*0\r" << QStringList{"25-Dec-26"} << QList<QList<int>>{{5, 6, 7}};
        QTest::newRow("ranges before the first date are dropped")
            << "RANGE 4\rDATE 01/01/2020\rRANGE 9\r*0\r" << QStringList{"01-Jan-20"} << QList<QList<int>>{{9}};
        QTest::newRow("limits and junk parts")
            << "DATE 01/01/2020\rRANGE 0,-3,abc,63,64,90,1.4,12x\r" << QStringList{"01-Jan-20"}
            << QList<QList<int>>{{1, 12, 63}};
        QTest::newRow("invalid date keeps its ranges")
            << "DATE sometime\rRANGE 2\r*0\r" << QStringList{" --- "} << QList<QList<int>>{{2}};
        QTest::newRow("no DATE line") << "*0\r" << QStringList{" --- "} << QList<QList<int>>{{}};
        QTest::newRow("time-out") << "TIMEOUT" << QStringList{" --- "} << QList<QList<int>>{{}};
        QTest::newRow("empty") << "" << QStringList{" --- "} << QList<QList<int>>{{}};
    }
    void historyReply()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, entries);
        QFETCH(QList<QList<int>>, ranges);
        const QList<CalibrationEvent> events = CalHistory::parseReply(reply);
        QCOMPARE(CalHistory::eventEntries(events), entries);
        for (int position = 0; position < entries.size(); ++position)
            QCOMPARE(flaggedRanges(events[CalHistory::elementAt(entries.size(), position)]), ranges[position]);
    }

    void historyRangeItems()
    {
        const QList<CalibrationEvent> events = CalHistory::parseReply(QStringLiteral("DATE 1/1/2020\rRANGE 3,33,64\r"));
        QCOMPARE(CalHistory::rangeItems(events[1]), (QStringList{"10V DC (3)", "1R 4-wire (33)"}));
        QCOMPARE(events[1].DateValid, qint16(-1));
        QCOMPARE(events.size(), 2);
    }

    void versionReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("serial"); // "-": not given
        QTest::addColumn<QStringList>("info"); // "-": not given
        QTest::addColumn<bool>("placed");      // each text known to be its own slot's
        QTest::newRow("meter's reply")
            << "Model 6450\r\nVersion 2.31\r\nSerial 64500123\r\nOptions 522190\r\nVelkorande Ltd\r\nService Dept\r\n\r\n"
               "Unc 1.0 01/01/25\r\n\r\n\r\n*0\r\n"
            << "64500123" << QStringList{"Velkorande Ltd", "Service Dept", ""} << true;
        // Slot 01 written before such texts were refused; the meter's own serial line comes first.
        QTest::newRow("slot 01 beginning \"Serial\"")
            << "Model 6450\rVersion 2.31\rSerial 64500123\rOptions 1\rSerial 999\rLab 2\rLab 3\rUnc 1.0 01/01/25\r"
               "Spec 1.0 01/01/25\rTab 1.0 01/01/25\r*0\r"
            << "64500123" << QStringList{"Serial 999", "Lab 2", "Lab 3"} << true;
        QTest::newRow("serial on line 5")
            << "Model\rVersion\rx\ry\rSerial  A12 \rline6\rline7\r*0\r" << "-" << QStringList{"Serial  A12", "line6", "line7"}
            << false;
        QTest::newRow("serial is case-sensitive") << "serial 1\r" << "-" << QStringList{"-", "-", "-"} << false;
        QTest::newRow("empty slot 03 dropped on the way")
            << "Model 6450\rVersion 2.31\rSerial 1\rOptions 1\rLab\rBench\rUnc 1.0 01/01/25\rSpec 1.0 01/01/25\r*0\r"
            << "1" << QStringList{"Lab", "Bench", ""} << false;
        // Over RS232, three texts before the token may hold a text of slot 04 in no editor's form.
        QTest::newRow("three free texts, slot 06 dropped")
            << "Model\rVersion\rSerial 1\rOptions 1\rBench 2\rBench 3\rLab cert 2026\r*0\r" << "1"
            << QStringList{"Bench 2", "Bench 3", "Lab cert 2026"} << false;
        // A slot holding "*0" ends the reply there.
        QTest::newRow("no line after the identity")
            << "Model\rVersion\rSerial 1\rOptions 1\r*0\r" << "1" << QStringList{"", "", ""} << false;
        // The editors keep one to three characters of a table's version.
        QTest::newRow("one-character version, slot 03 dropped")
            << "Model\rVersion\rSerial 1\rOptions 1\rLab\rBench\rUnc 1.0 01/12/26\rSpec 3 02/12/26\r*0\r" << "1"
            << QStringList{"Lab", "Bench", ""} << false;
        QTest::newRow("two-character version, slots 02 and 03 dropped")
            << "Model\rVersion\rSerial 1\rOptions 1\rLab\rUnc 12 01/12/26\rSpec ___ 02/12/26\rTab 1.0 02/12/26\r*0\r"
            << "1" << QStringList{"Lab", "", ""} << false;
        QTest::newRow("status token at line 6")
            << "Model 6450\rVersion 2.31\rSerial 1\rOptions 1\rLab\r*0\r" << "1" << QStringList{"Lab", "", ""} << false;
        // Walking back from the token, slot 06's form comes before slot 05's.
        QTest::newRow("version forms out of order")
            << "Model\rVersion\rSerial 1\rOptions 1\rTab 1.0 01/01/25\rSpec 1.0 01/01/25\r*0\r" << "1"
            << QStringList{"Tab 1.0 01/01/25", "", ""} << false;
        QTest::newRow("cut short before the token") << "Model 6450\rVersion 2\rSerial 7\rOptions 1\rfirst\r" << "-"
                                                    << QStringList{"-", "-", "-"} << false;
        QTest::newRow("text after the token") << "Model\rVersion\rSerial 7\rOptions 1\rfirst\r*0\rnoise\r" << "-"
                                              << QStringList{"-", "-", "-"} << false;
        QTest::newRow("time-out") << "TIMEOUT" << "-" << QStringList{"-", "-", "-"} << false;
        // A refusal of "v" holds no identity line: it reaches no slot.
        QTest::newRow("refused") << "*9\r" << "-" << QStringList{"-", "-", "-"} << false;
        QTest::newRow("password needed") << "*6\r\n" << "-" << QStringList{"-", "-", "-"} << false;
    }
    void versionReply()
    {
        QFETCH(QString, reply);
        QFETCH(QString, serial);
        QFETCH(QStringList, info);
        QFETCH(bool, placed);
        const MeterInformation::Reading reading = MeterInformation::parseVersionReply(reply);
        QCOMPARE(reading.serial.value_or(QStringLiteral("-")), serial);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(reading.info[i].value_or(QStringLiteral("-")), info[i]);
        QCOMPARE(reading.slotsKnown, placed);
    }

    void informationCommands()
    {
        using namespace MeterInformation;
        QCOMPARE(infoCommand(0, QStringLiteral("Lab 3")), QStringLiteral("&01Lab 3"));
        QCOMPARE(infoCommand(2, QStringLiteral("0123456789012345678901234")), QStringLiteral("&0301234567890123456789"));
        QCOMPARE(infoCommand(1, QString()), QStringLiteral("&02"));
        QCOMPARE(informationLines(QStringLiteral("a\nb\nc\nd")), (QStringList{"a", "b", "c"}));
        QCOMPARE(informationLines(QStringLiteral("a\nb\n")), (QStringList{"a", "b"}));
        QCOMPARE(serialCommand(QStringLiteral("ABC123")), QStringLiteral("qABC123"));
        QCOMPARE(serialCommand(QStringLiteral("0123456789XYZ")), QStringLiteral("q0123456789"));
    }

    // An information line is refused exactly when a read of "v" would take it for another
    // field: the main window's (which shows only the field lines) or the dialog's (the serial
    // number, or no information line for its slot).
    void fieldWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("word"); // empty: the line reads back as itself
        for (const char *word : {"Model", "Version", "Serial", "Unc", "Spec", "Tab"})
            QTest::addRow("%s", word) << QString::fromLatin1(word) + " 999" << QString::fromLatin1(word);
        QTest::newRow("a word run on") << "Tabletop unit" << "Tab";
        QTest::newRow("blanks before") << "   Serial 999" << "Serial";
        QTest::newRow("a table version's form") << "Spec 1.0 01/01/25" << "Spec";
        QTest::newRow("other case") << "serial 999" << "";
        QTest::newRow("a tab before") << "\tSerial 999" << "";
        QTest::newRow("not at the start") << "Bench Serial" << "";
        QTest::newRow("beyond the 20 characters kept") << QString(18, ' ') + "Serial" << "";
    }
    void fieldWords()
    {
        QFETCH(QString, text);
        QFETCH(QString, word);
        QCOMPARE(MeterInformation::fieldWordOf(text), word);

        const auto reply = [](const QString &slot01) {
            return "Model 6450\rVersion 2.31\rSerial 64500123\rOptions 1\r" + slot01
                   + "\rLab 2\rLab 3\rUnc 1.0 01/01/25\rSpec 1.0 01/01/25\rTab 1.0 01/01/25\r*0\r";
        };
        const QString kept = text.left(MeterInformation::InfoLineLength);
        const bool mainWindowMisreads = InfoTextFromReply(reply(kept)) != InfoTextFromReply(reply(QString()));
        const MeterInformation::Reading reading = MeterInformation::parseVersionReply(reply(kept));
        const bool dialogMisreads = reading.serial != QStringLiteral("64500123") || !reading.info[0];
        QCOMPARE(mainWindowMisreads || dialogMisreads, !word.isEmpty());
    }

    void clockCommand_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("command");
        QTest::newRow("6 December 2026 15:30") << QDateTime(QDate(2026, 12, 6), QTime(15, 30, 59)) << "A0612261530";
        QTest::newRow("9:05 in 2009") << QDateTime(QDate(2009, 1, 2), QTime(9, 5)) << "A0201090905";
        QTest::newRow("1 February 2027 09:05") << QDateTime(QDate(2027, 2, 1), QTime(9, 5)) << "A0102270905";
        QTest::newRow("midnight, year 2100") << QDateTime(QDate(2100, 3, 31), QTime(0, 0)) << "A3103000000";
        QTest::newRow("23:59:59.9") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900)) << "A3112262359";
    }
    void clockCommand()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, command);
        QCOMPARE(MeterClock::setCommand(when), command);
        QCOMPARE(command.size(), 11);
    }

    void meterTimeLabel_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("date line and token") << "25/12/2026 15:30:07\r*0\r" << "Friday, 25 December 2026 15:30";
        QTest::newRow("LF before CR") << "01/02/2027 09:05:00\n*0\r" << "Monday, 1 February 2027 09:05";
        QTest::newRow("time-out") << "TIMEOUT" << "Invalid Reply";
        QTest::newRow("empty") << "" << "Invalid Reply";
        QTest::newRow("token only") << "*0\r" << "Invalid Reply";
    }
    void meterTimeLabel()
    {
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        QCOMPARE(MeterClock::meterTimeText(reply), shown);
    }

    void displayAndLinearity()
    {
        using DisplaySettings::Display;
        QCOMPARE(DisplaySettings::brightnessCommand(Display::Primary, 3), QStringLiteral("B13"));
        QCOMPARE(DisplaySettings::brightnessCommand(Display::Secondary, 0), QStringLiteral("B20"));
        QCOMPARE(AcLinearity::setCommand(QStringLiteral("12.50 ppm")), QStringLiteral("CORRECTION:ACLIN 12.5"));
        QCOMPARE(AcLinearity::setCommand(QStringLiteral("ppm")), QStringLiteral("CORRECTION:ACLIN 0"));
        QCOMPARE(AcLinearity::valueText(QStringLiteral("-3.25\r*0\r")), QStringLiteral("-3.25"));
        QCOMPARE(AcLinearity::valueText(QStringLiteral("TIMEOUT")), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(SettingsLogicTest)
#include "settingslogic_test.moc"
