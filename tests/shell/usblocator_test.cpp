#include "shell/USBLocator.h"

#include <QTest>

using namespace USBLocator;

Q_DECLARE_METATYPE(QList<USBLocator::Row>)

namespace {

USBDevice device(const QString &description, const QString &serial, const QString &identity = {})
{
    USBDevice d;
    d.Description = description;
    d.SerialNumber = serial;
    d.Identity = identity;
    return d;
}

} // namespace

class USBLocatorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesTheMeter_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("maker and 6450") << "Velkorande,Model 6450,64500123,2.31\r" << true;
        QTest::newRow("maker in upper case") << "VELKORANDE 6450" << true;
        QTest::newRow("maker in mixed case") << "vElKoRaNdE-6450" << true;
        QTest::newRow("6450 without the maker") << "Model 6450,64500123" << false;
        QTest::newRow("maker and 6440") << "Velkorande,Model 6440,64400007,2.31" << true;
        QTest::newRow("6440 without the maker") << "OEM DMM 6440 rev B" << true;
        QTest::newRow("maker and 6445") << "Velkorande,Model 6445,64450001,2.31" << false;
        QTest::newRow("maker, 6445 and a serial number holding 6450") << "Velkorande,Model 6445,64500123" << true;
        QTest::newRow("maker and 6480") << "Velkorande,Model 6480,64800001,2.31" << false;
        QTest::newRow("another maker") << "Tarnowelk Instruments,Model 2010,64500123,1.07" << false;
        QTest::newRow("maker misspelt") << "Velkorand 6450" << false;
        QTest::newRow("nothing") << "" << false;
    }
    void namesTheMeter()
    {
        QFETCH(QString, identity);
        QFETCH(bool, accepted);
        QCOMPARE(NamesTheMeter(identity), accepted);
    }

    // Entries 0 to the upper bound - 1: the empty entry after the listed devices is never
    // taken, and the first that names the meter wins.
    void firstMeter()
    {
        QList<USBDevice> devices{device("A", "1", "Tarnowelk"), device("B", "2", "Velkorande 6445"),
                                 device("C", "3", "OEM 6440"), device("D", "4", "Velkorande 6450"), USBDevice()};
        QCOMPARE(FirstMeter(devices), 2);
        devices[3].Identity.clear();
        devices[2].Identity.clear();
        QCOMPARE(FirstMeter(devices), -1);
        devices[4].Identity = QStringLiteral("Velkorande 6450"); // past the upper bound - 1
        QCOMPARE(FirstMeter(devices), -1);
        QCOMPARE(FirstMeter({}), -1);
    }

    void rows_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<QList<Row>>("rows");
        QTest::newRow("none attached") << 0 << true << QList<Row>{{"No USB Devices Detected", "", ""}};
        QTest::newRow("two, serials trimmed")
            << 2 << true << QList<Row>{{"USB <-> Serial", "FT6450A1", "-"}, {" Adapter ", "AB 12", "-"}};
        QTest::newRow("two, serials as listed")
            << 2 << false << QList<Row>{{"USB <-> Serial", " FT6450A1  ", "-"}, {" Adapter ", "AB 12", "-"}};
    }
    void rows()
    {
        QFETCH(int, count);
        QFETCH(bool, trim);
        QFETCH(QList<Row>, rows);
        const QList<USBDevice> devices{device("USB <-> Serial", " FT6450A1  "), device(" Adapter ", "AB 12"), USBDevice()};
        QCOMPARE(ListRows(devices, count, trim), rows);
        QCOMPARE(ReplyColumn(QString()), QStringLiteral("No Reply"));
        QCOMPARE(ReplyColumn(QStringLiteral("x\r\n")), QStringLiteral("x\r\n"));
    }

    void selectedEntry_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("selectedRow");
        QTest::addColumn<int>("listed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("entry");
        QTest::newRow("one device, none selected") << 1 << 0 << 1 << false << 0;
        QTest::newRow("one device, selected") << 1 << 1 << 1 << false << 0;
        QTest::newRow("two devices, none selected") << 2 << 0 << 2 << true << -1;
        QTest::newRow("two devices, second selected") << 2 << 2 << 2 << false << 1;
        QTest::newRow("only the no-devices row") << 1 << 0 << 0 << true << -1;
        QTest::newRow("the no-devices row selected") << 1 << 1 << 0 << true << -1;
    }
    void selectedEntry()
    {
        QFETCH(int, rowCount);
        QFETCH(int, selectedRow);
        QFETCH(int, listed);
        QFETCH(bool, refused);
        QFETCH(int, entry);
        const Selection selection = SelectedEntry(rowCount, selectedRow, listed);
        QCOMPARE(selection.refused, refused);
        QCOMPARE(selection.entry, entry);
    }

    void typedCommand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<int>("endCondition");
        QTest::newRow("pa waits for the status token") << "pa" << "pa\r" << 1;
        QTest::newRow("PA reads one line") << "PA" << "PA\r" << 0;
        QTest::newRow("pa with a blank reads one line") << "pa " << "pa \r" << 0;
        QTest::newRow("v reads one line") << "v" << "v\r" << 0;
        QTest::newRow("nothing typed") << "" << "\r" << 0;
    }
    void typedCommand()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QFETCH(int, endCondition);
        const TerminalCommand command = TypedCommand(typed);
        QCOMPARE(command.text, sent);
        QCOMPARE(command.endCondition, endCondition);
    }

    void terminalTexts()
    {
        QCOMPARE(IdentifyCommand().text, QStringLiteral("*IDN?\r"));
        QCOMPARE(IdentifyCommand().endCondition, 0);
        QCOMPARE(DateCommand().text, QStringLiteral("a\r"));
        QCOMPARE(DateCommand().endCondition, 1);
        QCOMPARE(TypedCommandOutput(QStringLiteral("*0\r\n"), 0), QStringLiteral("*0\r\n"));
        QCOMPARE(TypedCommandOutput(QString(), 1), QStringLiteral("Error Opening Device\r"));
        QCOMPARE(TypedCommandOutput(QStringLiteral("Range 1"), 2), QStringLiteral("Range 1Read Timeout\r"));
        QCOMPARE(TypedCommandOutput(QString(), 0), QString());
    }

    void viewsAndMessages()
    {
        QCOMPARE(WindowHeight(false), 2415 + 500);
        QCOMPARE(WindowHeight(true), 2415 + 2355 + 500);
        QCOMPARE(AdvancedCaption(false), QStringLiteral("Advanced >>"));
        QCOMPARE(AdvancedCaption(true), QStringLiteral("Advanced <<"));
        QVERIFY(OpensAdvancedView(QStringLiteral("Advanced >>")));
        QVERIFY(!OpensAdvancedView(QStringLiteral("Advanced <<")));
        QCOMPARE(AutolocateMessage(device("d", "FT6450A1", "Velkorande,Model 6450,64500123,2.31\r\n")),
                 QStringLiteral("Velkorande,Model 6450,64500123,2.31\r\n selected\r\n(FT6450A1)"));
        QVERIFY(IsAdapter(QStringLiteral("velkorande usb")));
        QVERIFY(IsAdapter(QStringLiteral("USB-RS232 Cable")));
        QVERIFY(!IsAdapter(QStringLiteral("UART 230 Bridge")));
    }
};

QTEST_GUILESS_MAIN(USBLocatorTest)
#include "usblocator_test.moc"
