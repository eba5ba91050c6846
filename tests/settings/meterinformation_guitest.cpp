// The meter information dialog against the simulated meter: the "v" read over RS232 and
// USB, the three information lines from the boxes or the multi-line box, the serial
// number, each write inside setup mode, and the 9-character typing limit.
#include "link/AppTitle.h"
#include "link/MeterGate.h"
#include "settings/FormMeterInformation.h"
#include "link/SharedState.h"
#include "tests/settings/SettingsFixture.h"
#include "tests/support/doubles/MemoryFtdi.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <optional>

using metersim::Fault;

namespace {

// The fixture's meter behind the in-memory FTDI layer, with the driver on USB.
struct UsbLink
{
    static inline const QString Serial = QStringLiteral("FT6450A1");
    explicit UsbLink(SettingsFixture &f) : peer(f.meter, f.env.clock), ftdi(f.env.clock)
    {
        ftdi.attach(QStringLiteral("Velkorande 6450"), Serial, &peer);
        state().ftdi = &ftdi;
        state().USBDevice.SerialNumber = Serial;
        f.driver->SetInterfaceType(InterfaceUSB);
        f.driver->SetUSBDevice();
    }
    ~UsbLink() { state().ftdi = nullptr; }
    metersim::MeterPeer peer;
    MemoryFtdiApi ftdi;
};

} // namespace

class MeterInformationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openingReads()
    {
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.info[2] = "Bench 4"; });
        auto &form = appWindows().form<FormMeterInformation>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Meter Information"));
        QCOMPARE(form.Label2->text(), QStringLiteral("Information        (3 Lines)"));
        QCOMPARE(form.Command_Exit->text(), QStringLiteral("E&xit"));
        QCOMPARE(f.calls(), QStringList{"v|1|5|1"});
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("64500123"));
        QCOMPARE(form.Text_Info[0]->text(), QStringLiteral("Velkorande Ltd"));
        QCOMPARE(form.Text_Info[1]->text(), QStringLiteral("Service Dept"));
        QCOMPARE(form.Text_Info[2]->text(), QStringLiteral("Bench 4"));
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // The slots read back as the meter keeps them, whatever a text begins with, over USB
    // (empty lines kept) and RS232 (empty lines dropped), beside the meter's serial number.
    // Over RS232 a text after empty slots moves up: its slot cannot be told from the reply.
    void readsTheSlots_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::addColumn<QStringList>("slots"); // 01 to 06
        QTest::addColumn<QStringList>("shown");
        const QStringList versions[] = {
            {"Unc 1.0 01/01/25", "Spec 1.0 01/01/25", "Tab 1.0 01/01/25"},
            {"Unc ___ 14/03/26", "Spec 2.0 14/03/26", ""},
            {"", "Spec ___ 14/03/26", "Tab 1.0 14/03/26"},
        };
        const QStringList texts{"Spectrum Cal Lab", "Table Bay Metrology", "Uncertainty Lab"};
        for (const bool usb : {false, true}) {
            const char *link = usb ? "USB" : "RS232";
            for (int t = 0; t < 3; ++t) {
                for (int box = 0; box < 3; ++box) {
                    QStringList user{"", "", ""};
                    for (int before = 0; before < box; ++before)
                        user[before] = QStringLiteral("Lab %1").arg(before + 1);
                    user[box] = texts[t];
                    QTest::addRow("%s, %s in slot 0%d", link, qPrintable(texts[t]), box + 1)
                        << usb << user + versions[t] << user;
                }
            }
            const QStringList alone{"", "", "Table Bay Metrology"};
            QTest::addRow("%s, a text alone in slot 03", link)
                << usb << alone + versions[0] << (usb ? alone : QStringList{"Table Bay Metrology", "", ""});
            QTest::addRow("%s, all slots empty", link) << usb << QStringList(6) << QStringList(3);
            // The serial number comes from the meter's own line, not from slot 01.
            QTest::addRow("%s, slot 01 beginning \"Serial\"", link)
                << usb << QStringList{"Serial 999", "", ""} + versions[0] << QStringList{"Serial 999", "", ""};
        }
    }
    void readsTheSlots()
    {
        QFETCH(bool, usb);
        QFETCH(QStringList, slots);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        auto &form = appWindows().form<FormMeterInformation>();
        f.meter.editState([&slots](metersim::MeterState &s) {
            for (int i = 0; i < 6; ++i)
                s.info[size_t(i)] = slots[i];
        });
        std::optional<UsbLink> link;
        if (usb)
            link.emplace(f);
        for (QLineEdit *box : form.Text_Info)
            box->setText("typed");
        f.forget();
        form.Command_Read_Click();
        QCOMPARE(f.commands(), QStringList{"v"});
        if (link)
            QCOMPARE(link->ftdi.device(UsbLink::Serial)->written, QByteArray("v\r"));
        QStringList boxes;
        for (const QLineEdit *box : form.Text_Info)
            boxes << box->text();
        QCOMPARE(boxes, shown);
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("64500123"));
    }

    // A reply that does not reach a box leaves it as it was: a time-out, or a refusal of "v"
    // ("*9", "*6"), which holds no line of the meter's.
    void failedReadKeepsTheBoxes_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("time-out") << int(Fault::Silence);
        QTest::newRow("refused \"*9\"") << int(Fault::Reject);
        QTest::newRow("refused \"*6\"") << int(Fault::Refuse);
    }
    void failedReadKeepsTheBoxes()
    {
        QFETCH(int, fault);
        SettingsFixture f;
        auto &form = appWindows().form<FormMeterInformation>();
        f.meter.addFault(Fault(fault), "v", 1);
        form.Text_Info[1]->setText("typed");
        form.Command_Read_Click();
        QCOMPARE(form.Text_Info[1]->text(), QStringLiteral("typed"));
        QCOMPARE(form.Text_Info[0]->text(), QStringLiteral("Velkorande Ltd"));
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("64500123"));
        QCOMPARE(f.boxes(), QStringList{"Meter information not read|Meter Information|48"});
    }

    void setInfo_data()
    {
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("fault"); // a slot the meter rejects, or "refuse"
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("three lines, long one cut")
            << QStringList{"Lab 3", "0123456789012345678901234", ""} << ""
            << QStringList{Access, "&01Lab 3", "&0201234567890123456789", "&03", Leave} << QStringList{};
        QTest::newRow("slot 02 rejected")
            << QStringList{"a", "b", "c"} << "&02" << QStringList{Access, "&01a", "&02b", Leave}
            << QStringList{"Set Information Failed 1|" + AppTitle + "|0"};
        QTest::newRow("setup mode refused")
            << QStringList{"a", "b", "c"} << "refuse" << QStringList{Access}
            << QStringList{"Error entering setup mode|" + AppTitle + "|0"};
        // Closed while slot 01 is written: nothing more is sent but what leaves setup mode.
        QTest::newRow("window closed while slot 01 is written")
            << QStringList{"a", "b", "c"} << "close:&01" << QStringList{Access, "&01a", Leave} << QStringList{};
    }
    void setInfo()
    {
        QFETCH(QStringList, boxes);
        QFETCH(QString, fault);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.info[2] = "Bench 4"; }); // every slot read
        auto &form = appWindows().form<FormMeterInformation>();
        f.forget();
        if (fault == "refuse")
            f.meter.addFault(Fault::Refuse, Access, 1);
        else if (fault.startsWith("close:"))
            f.meter.setObserver([&form, prefix = fault.section(':', 1)](const metersim::TranscriptEntry &entry) {
                if (entry.command.startsWith(prefix))
                    form.close();
            });
        else if (!fault.isEmpty())
            f.meter.addFault(Fault::Reject, fault, 1);
        for (int i = 0; i < 3; ++i)
            form.Text_Info[i]->setText(boxes[i]);
        form.Command_SetInfo_Click();
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), shown);
        for (const QString &call : f.calls())
            QVERIFY2(call.endsWith("|1|5|1") || call == Leave + "|1|10|1", qPrintable(call));
        if (shown.isEmpty() && fault.isEmpty())
            QCOMPARE(f.meter.state().info[1], QStringLiteral("01234567890123456789"));
        QCOMPARE(f.meter.mode(), metersim::Mode::Normal);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
    }

    // Set Info stores in each slot only what the user saw in that slot's box. Where the read
    // could tell each text's slot (a line for every slot before the token), it writes the
    // boxes, and a text left as read goes back whatever it begins with. Where it could not
    // (over RS232 an empty slot is left out of the reply, so a text of slot 03 or 04 moves
    // up; a slot holding "*0" ends the reply early), nothing is written unless the user
    // agrees to store the three boxes as shown; an untouched box that a read would take for
    // another field is then left out.
    void setInfoStoresWhatTheUserSees_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::addColumn<QStringList>("slots"); // 01 to 06
        QTest::addColumn<QString>("typed");     // added to the second Info box
        QTest::addColumn<int>("answer");        // to the question, if one is asked
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("shown");
        const QString unplaced = QStringLiteral("The meter's reply does not show which information line each Info box holds.\n");
        const QString storeAll = unplaced
                                 + QStringLiteral("Store the three Info boxes exactly as shown, each as the meter's line of "
                                                  "the same number?|Meter Information|292");
        const QStringList versions{"Unc 1.0 01/01/25", "Spec 1.0 01/01/25", "Tab 1.0 01/01/25"};
        const QStringList noTab{"Unc 1.0 01/01/25", "Spec 3.1 14/03/26", ""};
        QTest::newRow("RS232, slot 01 empty, second box added to")
            << false << QStringList{"", "B2 text", "C3 text"} + noTab << "XY" << int(Msg::Yes)
            << QStringList{Access, "&01B2 text", "&02C3 textXY", "&03", Leave} << QStringList{storeAll};
        QTest::newRow("RS232, a lone text of slot 03, declined")
            << false << QStringList{"", "", "Slot three text"} + noTab << "XY" << int(Msg::No) << QStringList{}
            << QStringList{storeAll};
        QTest::newRow("RS232, a free text in slot 04, nothing typed")
            << false << QStringList{"", "Bench 2", "Bench 3", "Lab cert 2026", "Spec 3.1 14/03/26", ""} << ""
            << int(Msg::No) << QStringList{} << QStringList{storeAll};
        QTest::newRow("RS232, slot 01 in an uncertainties version's form, slot 04 empty")
            << false << QStringList{"Unc 7 01/01/26", "", "", "", "Spec 3.1 14/03/26", ""} << "" << int(Msg::No)
            << QStringList{} << QStringList{storeAll};
        QTest::newRow("USB, \"*0\" in slot 01") << true << QStringList{"*0", "Lab 2", "Lab 3"} + versions << ""
                                               << int(Msg::No) << QStringList{} << QStringList{storeAll};
        QTest::newRow("RS232, slot 06 of another form shown in the third box")
            << false << QStringList{"Lab 1", "Lab 2", "", "", "", "Tab 0.9 01/01/20"} << "XY" << int(Msg::Yes)
            << QStringList{Access, "&01Lab 1", "&02Lab 2XY", Leave}
            << QStringList{unplaced
                           + QStringLiteral("Info box 3 is left out: \"Tab\" cannot begin an information line.\n"
                                            "Store the other Info boxes exactly as shown, each as the meter's line of "
                                            "the same number?|Meter Information|292")};
        QTest::newRow("RS232, every slot filled, slot 01 beginning \"Tab\"")
            << false << QStringList{"Table 4 bench", "Lab 2", "Lab 3"} + versions << "XY" << int(Msg::No)
            << QStringList{Access, "&01Table 4 bench", "&02Lab 2XY", "&03Lab 3", Leave} << QStringList{};
        QTest::newRow("USB, a lone text of slot 03") << true << QStringList{"", "", "Slot three text"} + versions << "XY"
                                                    << int(Msg::No)
                                                    << QStringList{Access, "&01", "&02XY", "&03Slot three text", Leave}
                                                    << QStringList{};
    }
    void setInfoStoresWhatTheUserSees()
    {
        QFETCH(bool, usb);
        QFETCH(QStringList, slots);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        f.meter.editState([&slots](metersim::MeterState &s) {
            for (int i = 0; i < 6; ++i)
                s.info[size_t(i)] = slots[i];
        });
        std::optional<UsbLink> link;
        if (usb)
            link.emplace(f);
        auto &form = appWindows().form<FormMeterInformation>();
        f.forget();
        form.Text_Info[1]->end(false);
        QTest::keyClicks(form.Text_Info[1], typed);
        f.env.ui.answerBoxes({Msg::Answer(answer)});
        form.Command_SetInfo_Click();
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), shown);
    }

    // While another operation holds the meter (Set Info pressed inside its wait), Set Info
    // is refused with the busy message alone: it asks nothing and tells nothing else first.
    void setInfoWhileTheMeterIsBusy_data()
    {
        QTest::addColumn<QString>("slot03");    // slot 03 empty: over RS232 the read cannot place the texts
        QTest::addColumn<bool>("readTimesOut"); // the read on opening; a box is typed into
        QTest::newRow("slots known") << "Bench 4" << false;
        QTest::newRow("slots not known") << "" << false;
        QTest::newRow("read timed out") << "Bench 4" << true;
    }
    void setInfoWhileTheMeterIsBusy()
    {
        QFETCH(QString, slot03);
        QFETCH(bool, readTimesOut);
        SettingsFixture f;
        f.meter.editState([&slot03](metersim::MeterState &s) { s.info[2] = slot03; });
        if (readTimesOut)
            f.meter.addFault(Fault::Silence, "v", 1);
        auto &form = appWindows().form<FormMeterInformation>();
        f.env.clock.sleepMs(5000);
        QTest::keyClicks(form.Text_Info[1], "XY");
        f.forget();
        f.env.ui.answerBoxes({Msg::Yes});
        {
            const MeterGate::Operation other = meterGate().begin();
            QVERIFY(other);
            const MeterGate::Yield inItsWait;
            form.Command_SetInfo_Click();
        }
        QCOMPARE(f.commands(), QStringList{});
        QCOMPARE(f.boxes(), QStringList{MeterGate::BusyMessage + "|" + AppTitle + "|48"});
    }

    // Set Info writes no box that a read which did not complete left empty (what the user
    // typed is written), and no button sends a text that would not read back as itself: one
    // holding "*", which would cut later reads short, or an information line that a read
    // would take for another field.
    void writesOnlyWhatWasReadOrTyped_data()
    {
        QTest::addColumn<QString>("slot02");  // what the meter keeps in slot 02
        QTest::addColumn<bool>("readTimesOut"); // the read on opening
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed"); // into Info box 1, the multi-line box or the serial box
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("shown");
        const QString notRead = QStringLiteral("Meter information not read|Meter Information|48");
        const QString heldBack = QStringLiteral("Info boxes not read from the meter are not written|Meter Information|64");
        const QString star = QStringLiteral("\"*\" cannot be stored in the meter|");
        QTest::newRow("read timed out") << "" << true << "info" << "" << QStringList{} << QStringList{notRead, heldBack};
        QTest::newRow("read timed out, typed box written")
            << "" << true << "info" << "Bench 9" << QStringList{Access, "&02Bench 9", Leave} << QStringList{notRead, heldBack};
        QTest::newRow("\"*\" in a slot ends the read early")
            << "Lab *2" << false << "info" << "Bench 9" << QStringList{Access, "&02Bench 9", Leave}
            << QStringList{notRead, heldBack};
        QTest::newRow("\"*\" typed into a box") << "" << false << "info" << "Lab *2" << QStringList{}
                                              << QStringList{star + "Meter Information|48"};
        QTest::newRow("\"*0\" as an information line") << "" << false << "information" << "one\n*0" << QStringList{}
                                                     << QStringList{star + "Meter Information|48"};
        QTest::newRow("\"*\" in the serial number") << "" << false << "serial" << "12*4" << QStringList{}
                                                  << QStringList{star + "Serial Number|48"};
        QTest::newRow("a box beginning \"Serial\"")
            << "" << false << "info" << "Serial 999" << QStringList{}
            << QStringList{"\"Serial\" cannot begin an information line|Meter Information|48"};
        QTest::newRow("a line beginning \"Model\" after blanks")
            << "" << false << "information" << "one\n  Model 6450" << QStringList{}
            << QStringList{"\"Model\" cannot begin an information line|Meter Information|48"};
    }
    void writesOnlyWhatWasReadOrTyped()
    {
        QFETCH(QString, slot02);
        QFETCH(bool, readTimesOut);
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        f.meter.editState([&slot02](metersim::MeterState &s) { s.info[1] = slot02; });
        if (readTimesOut)
            f.meter.addFault(Fault::Silence, "v", 1);
        auto &form = appWindows().form<FormMeterInformation>();
        QCOMPARE(f.commands(), QStringList{"v"});
        f.meter.clearTranscript();
        f.env.clock.sleepMs(5000); // the user reads and types: a reply to "v" is no longer awaited
        if (button == "info") {
            form.Text_Info[1]->clear();
            QTest::keyClicks(form.Text_Info[1], typed);
            form.Command_SetInfo_Click();
        } else if (button == "information") {
            form.Text_Information->setPlainText(typed);
            form.Command_Information_Click();
        } else {
            form.Text_Serial->setText(typed);
            form.Command_SetSerial_Click();
        }
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), shown);
        QCOMPARE(f.meter.mode(), metersim::Mode::Normal);
    }

    void setInformation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("four lines send three") << "one\ntwo\nthree\nfour"
                                               << QStringList{Access, "&01one", "&02two", "&03three", Leave} << QStringList{};
        QTest::newRow("line end after the last line") << "one\ntwo\n" << QStringList{Access, "&01one", "&02two", Leave}
                                                      << QStringList{};
        QTest::newRow("one line") << "only" << QStringList{Access, "&01only", Leave} << QStringList{};
        QTest::newRow("empty box") << "" << QStringList{}
                                   << QStringList{"Enter Meter Information (Up to six lines)|Meter Information|64"};
    }
    void setInformation()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        auto &form = appWindows().form<FormMeterInformation>();
        f.forget();
        form.Text_Information->setPlainText(text);
        form.Command_Information_Click();
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), shown);
    }

    void setSerial_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("six characters") << "ABC123" << "" << QStringList{Access, "qABC123", Leave} << QStringList{};
        QTest::newRow("first ten only") << "0123456789XY" << "" << QStringList{Access, "q0123456789", Leave}
                                        << QStringList{};
        QTest::newRow("empty") << "" << "" << QStringList{} << QStringList{"Enter a serial number|Serial Number|64"};
        QTest::newRow("setup mode refused") << "ABC" << "refuse" << QStringList{Access}
                                            << QStringList{"Error entering setup mode|Serial Number|48"};
        QTest::newRow("rejected") << "ABC" << "reject" << QStringList{Access, "qABC", Leave}
                                  << QStringList{"Set Serial Number Failed |Serial Number|48"};
    }
    void setSerial()
    {
        QFETCH(QString, serial);
        QFETCH(QString, fault);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, shown);
        SettingsFixture f;
        auto &form = appWindows().form<FormMeterInformation>();
        f.forget();
        if (fault == "refuse")
            f.meter.addFault(Fault::Refuse, Access, 1);
        else if (fault == "reject")
            f.meter.addFault(Fault::Reject, "q", 1);
        form.Text_Serial->setText(serial);
        form.Command_SetSerial_Click();
        QCOMPARE(f.commands(), commands);
        QCOMPARE(f.boxes(), shown);
        if (commands.size() > 1)
            QCOMPARE(f.calls()[1], commands[1] + "|1|5|1");
        if (commands.size() > 1 && fault.isEmpty())
            QCOMPARE(f.meter.state().serial, commands[1].mid(1));
    }

    // Typing stops at 9 characters; a longer number from the meter stays whole and can be shortened.
    void serialTypingLimit()
    {
        SettingsFixture f;
        auto &form = appWindows().form<FormMeterInformation>();
        form.Text_Serial->clear();
        QTest::keyClicks(form.Text_Serial, "0123456789AB");
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("012345678"));
        form.Text_Serial->setText("0123456789AB");
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("0123456789AB"));
        form.Text_Serial->end(false);
        QTest::keyClick(form.Text_Serial, Qt::Key_Backspace);
        QTest::keyClicks(form.Text_Serial, "Z");
        QCOMPARE(form.Text_Serial->text(), QStringLiteral("0123456789A"));
    }
};

QTEST_MAIN(MeterInformationTest)
#include "meterinformation_guitest.moc"
