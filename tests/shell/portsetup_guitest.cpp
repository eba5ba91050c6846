// The port-setup dialog against serial ports in memory, the in-memory GPIB bus and the
// simulated meter: load, the serial list, both searches, the address change, OK and Cancel,
// and how the main window opens it.
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_CAL.h"
#include "link/platform/SerialPortControl.h"
#include "shell/FormMain.h"
#include "shell/FormOptions.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/GpibMeter.h"
#include "tests/support/SerialPortBank.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString Title = QStringLiteral("6400 Series Setup Utility");
const QString Identity = QStringLiteral("Velkorande,Model 6450,64500123,2.31");

using Box = ScriptedUserInteraction::Box;

// One dialog's world: the main window with serial ports by number, a GPIB bus with
// simulated meters, settings in memory.
struct Rig
{
    TestEnv env;
    MemoryGpibBus bus{env.clock};
    SerialPortBank *ports = nullptr;
    std::deque<MemorySerialPort> serial;
    std::deque<metersim::SerialMeterRig> serialMeters;
    std::deque<metersim::SimMeter> gpibMeters;
    std::deque<metersim::MeterPeer> gpibPeers;
    FormMain *main = nullptr;

    Rig()
    {
        state().gpib = &bus;
        main = &appWindows().form<FormMain>();
        main->endProgram = [] {};
        auto bank = std::make_unique<SerialPortBank>();
        ports = bank.get();
        main->setCommControl(std::move(bank));
    }
    void silentPort(int number) { ports->add(number, serial.emplace_back(env.clock)); }
    metersim::SimMeter &meterOnPort(int number)
    {
        metersim::SerialMeterRig &rig = serialMeters.emplace_back(env.clock);
        ports->add(number, rig.port);
        return rig.meter;
    }
    metersim::SimMeter &meterOnGpib(int address, const QString &serialNumber = QStringLiteral("64500123"))
    {
        metersim::MeterConfig config;
        config.gpibAddress = address;
        config.serial = serialNumber;
        metersim::SimMeter &meter = gpibMeters.emplace_back(config);
        attachMeter(bus, gpibPeers.emplace_back(meter, env.clock, metersim::MeterPeer::Framing::Message));
        return meter;
    }
    void save(const QString &key, const QString &value) { env.settings.SaveSetting("Settings", key, value); }
    QString saved(const QString &key) { return env.settings.GetSetting("Settings", key, "<none>"); }
    FormOptions &dialog() { return appWindows().form<FormOptions>(); }
    QStringList listed()
    {
        QStringList entries;
        for (int i = 0; i < dialog().List_RS2321->count(); ++i)
            entries << dialog().List_RS2321->item(i)->text();
        return entries;
    }
    QString selected()
    {
        const QListWidgetItem *item = dialog().List_RS2321->currentItem();
        return item && item->isSelected() ? item->text() : QString();
    }
    QStringList prompts() const
    {
        QStringList texts;
        for (const Box &box : env.ui.boxes)
            texts << box.prompt;
        return texts;
    }
};

QList<int> numbers(const QString &list)
{
    QList<int> result;
    for (const QString &n : list.split(',', Qt::SkipEmptyParts))
        result << n.toInt();
    return result;
}

} // namespace

class PortSetupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls()
    {
        Rig rig;
        FormOptions &d = rig.dialog();
        QCOMPARE(d.windowTitle(), QString("Options"));
        const QList<std::pair<const char *, const char *>> captions = {
            {"Frame_DVMa", "Communication Port Setup"}, {"Frame_GPIB1", "GPIB Address"},
            {"Frame_RS2321", "Available RS232 Ports"}};
        for (const auto &[name, caption] : captions)
            QCOMPARE(d.findChild<QGroupBox *>(name)->title(), QString(caption));
        const QList<std::pair<const char *, const char *>> buttons = {
            {"Command_DVM1_Locate(0)", "Find DMM"}, {"Option_DVM1_Interface(1)", "GPIB"},
            {"Option_DVM1_Interface(0)", "RS232"}, {"Command_SetGPIB", "Change Address"},
            {"Command_Cancel", "Cancel"}, {"Command_OK", "OK"}};
        for (const auto &[name, caption] : buttons)
            QCOMPARE(d.findChild<QAbstractButton *>(name)->text(), QString(caption));
        QCOMPARE(d.Combo_DVM1->count(), 1);
        QCOMPARE(d.Combo_DVM1->itemText(0), QString("6450"));
        for (QComboBox *box : {d.Combo_GPIB1, d.Combo_GPIB_NewAddress}) {
            QCOMPARE(box->count(), 24);
            QCOMPARE(box->itemText(0), QString("1"));
            QCOMPARE(box->itemText(23), QString("24"));
            QVERIFY(box->isEditable());
        }
    }

    void load_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("commPort");
        QTest::addColumn<QString>("ports");
        QTest::addColumn<bool>("gpib");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("address");
        QTest::newRow("defaults, no port opens") << "" << "" << "" << false << QStringList() << "" << "15";
        QTest::newRow("saved USB opens with RS232") << "USB" << "" << "2" << false << QStringList{"COM2"} << "" << "15";
        QTest::newRow("saved Ethernet opens with RS232") << "Ethernet" << "2" << "2" << false << QStringList{"COM2"}
                                                         << "COM2" << "15";
        QTest::newRow("GPIB") << "GPIB" << "" << "1" << true << QStringList{"COM1"} << "COM1" << "7";
        QTest::newRow("saved port missing: the one below") << "RS232" << "5" << "1,3,7" << false
                                                           << QStringList{"COM1", "COM3", "COM7"} << "COM3" << "15";
        QTest::newRow("nothing below the saved port") << "RS232" << "2" << "3,16" << false
                                                      << QStringList{"COM3", "COM16"} << "" << "15";
    }
    void load()
    {
        QFETCH(QString, interface);
        QFETCH(QString, commPort);
        QFETCH(QString, ports);
        QFETCH(bool, gpib);
        QFETCH(QStringList, listed);
        QFETCH(QString, selected);
        QFETCH(QString, address);
        Rig rig;
        if (!interface.isEmpty())
            rig.save("DVM1_Interface", interface);
        if (!commPort.isEmpty())
            rig.save("DVM1_CommPort", commPort);
        if (gpib)
            rig.save("DVM1_GPIBPort", "7");
        for (int n : numbers(ports))
            rig.silentPort(n);
        FormOptions &d = rig.dialog();
        QCOMPARE(d.Option_DVM1_Interface[1]->isChecked(), gpib);
        QCOMPARE(d.Option_DVM1_Interface[0]->isChecked(), !gpib);
        QCOMPARE(d.Frame_GPIB1->isVisibleTo(&d), gpib);
        QCOMPARE(d.Frame_RS2321->isVisibleTo(&d), !gpib);
        QCOMPARE(rig.listed(), listed);
        QCOMPARE(rig.selected(), selected);
        QCOMPARE(d.Combo_GPIB1->currentText(), address);
        QCOMPARE(d.Combo_DVM1->currentText(), QString("6450"));
        QCOMPARE(state().DVM1Comm->CommPort(), commPort.isEmpty() ? 1 : commPort.toInt());
        QVERIFY(!state().DVM1Comm->PortOpen());
    }

    void ok_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("gpib");
        QTest::addColumn<QString>("choice"); // the serial entry to select, or the address text
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("savedPort");
        QTest::addColumn<QString>("savedAddress");
        QTest::newRow("no serial port") << "6450" << false << "" << "DVM1: Invalid Serial Port\r" << "<none>"
                                        << "<none>";
        QTest::newRow("COM3") << "6450" << false << "COM3" << "" << "3" << "<none>";
        QTest::newRow("GPIB 24") << "6450" << true << "24" << "" << "<none>" << "24";
        QTest::newRow("GPIB 25") << "6450" << true << "25" << "DVM1: Invalid GPIB Address\r" << "<none>" << "<none>";
        QTest::newRow("GPIB 0") << "6450" << true << "0" << "DVM1: Invalid GPIB Address\r" << "<none>" << "<none>";
        QTest::newRow("calibrator model") << "5520" << true << "3" << "" << "<none>" << "3";
    }
    void ok()
    {
        QFETCH(QString, model);
        QFETCH(bool, gpib);
        QFETCH(QString, choice);
        QFETCH(QString, errors);
        QFETCH(QString, savedPort);
        QFETCH(QString, savedAddress);
        Rig rig;
        rig.silentPort(1);
        rig.silentPort(3);
        state().DVM1 = CreateDVM("6450");
        state().DVM1->SetInterfaceType(InterfaceGPIB);
        FormOptions &d = rig.dialog();
        d.List_RS2321->setCurrentRow(-1);
        d.Combo_DVM1->setCurrentText(model);
        d.Option_DVM1_Interface[gpib ? 1 : 0]->setChecked(true);
        if (gpib)
            d.Combo_GPIB1->setCurrentText(choice);
        else if (!choice.isEmpty())
            d.List_RS2321->setCurrentRow(rig.listed().indexOf(choice));
        state().DVM1Comm->setCommPort(1);
        state().DVM1Comm->setPortOpen(true);

        d.Command_OK_Click();
        QVERIFY(!state().DVM1Comm->PortOpen());
        QCOMPARE(rig.saved("DVM1"), model);
        QCOMPARE(rig.saved("DVM1_Interface"), QString(gpib ? "GPIB" : "RS232"));
        QCOMPARE(rig.saved("DVM1_CommPort"), savedPort);
        QCOMPARE(rig.saved("DVM1_GPIBPort"), savedAddress);
        if (savedPort != "<none>")
            QCOMPARE(state().DVM1Comm->CommPort(), savedPort.toInt());
        // Whatever the outcome, a new driver for the model, without a link.
        QVERIFY(state().DVM1);
        QCOMPARE(state().DVM1->GetInterfaceType(), 0);
        QCOMPARE(dynamic_cast<DVM_CAL_5520 *>(state().DVM1.get()) != nullptr, model == "5520");
        if (errors.isEmpty()) {
            QVERIFY(rig.env.ui.boxes.isEmpty());
            QVERIFY(!appWindows().isLoaded<FormOptions>());
        } else {
            QCOMPARE(rig.env.ui.boxes.size(), 1);
            QCOMPARE(rig.env.ui.boxes[0].prompt, errors);
            QCOMPARE(rig.env.ui.boxes[0].title, QString("Error Saving Settings"));
            QCOMPARE(rig.env.ui.boxes[0].style, int(Msg::Critical));
            QVERIFY(appWindows().isLoaded<FormOptions>());
        }
    }

    void cancelSavesNothing()
    {
        Rig rig;
        rig.silentPort(2);
        FormOptions &d = rig.dialog();
        d.Option_DVM1_Interface[1]->setChecked(true);
        d.Combo_GPIB1->setCurrentText("4");
        d.Command_Cancel_Click();
        QVERIFY(!appWindows().isLoaded<FormOptions>());
        QCOMPARE(rig.saved("DVM1_Interface"), QString("<none>"));
        QCOMPARE(rig.saved("DVM1_GPIBPort"), QString("<none>"));
        QVERIFY(!state().DVM1);
    }

    void serialSearch_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("selected");
        const QString question = "COM3: " + Identity + "\r\rUse this instrument?";
        QTest::newRow("Yes to the meter") << "6450" << QList<int>{Msg::OK, Msg::Yes}
                                          << QStringList{"COM1: No response", question} << "COM3";
        QTest::newRow("No to the meter") << "6450" << QList<int>{Msg::OK, Msg::No}
                                         << QStringList{"COM1: No response", question, "COM4: No response"} << "COM1";
        QTest::newRow("no driver for the model")
            << "3458" << QList<int>{} << QStringList{"COM1: No response", "COM3: No response", "COM4: No response"}
            << "COM1";
    }
    void serialSearch()
    {
        QFETCH(QString, model);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, prompts);
        QFETCH(QString, selected);
        Rig rig;
        rig.silentPort(1);
        metersim::SimMeter &meter = rig.meterOnPort(3);
        rig.silentPort(4);
        FormOptions &d = rig.dialog();
        d.Combo_DVM1->setCurrentText(model);
        for (int answer : answers)
            rig.env.ui.answerBoxes({Msg::Answer(answer)});
        d.Command_DVM1_Locate_Click(0);
        QCOMPARE(rig.prompts(), prompts);
        for (const Box &box : rig.env.ui.boxes) {
            const bool question = box.prompt.endsWith("Use this instrument?");
            QCOMPARE(box.style, question ? int(Msg::Question | Msg::YesNo) : int(Msg::OKOnly));
            QCOMPARE(box.title, question ? QString("Instrument Identification") : Title);
        }
        QCOMPARE(rig.selected(), selected);
        QCOMPARE(rig.env.ui.hourglassDepth, 0);
        QCOMPARE(meter.commands(), model == "3458" ? QStringList() : QStringList{"*IDN?"});
        QCOMPARE(rig.saved("DVM1_CommPort"), QString("<none>")); // nothing saved until OK
    }

    void gpibSearch_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QList<int>>("styles");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("address");
        const int critical = Msg::Critical, question = Msg::Question | Msg::YesNo, information = Msg::Information;
        const QString found15 = "Instrument found at address 15\r  Velkorande,Model 6450,64500123\r";
        const QString found20 = "Instrument found at address 20\r  Velkorande,Model 6450,64500999\r";
        QTest::newRow("no library") << "no library" << QList<int>{} << QStringList{"GPIB Interface Not Installed"}
                                    << QList<int>{critical} << "Instrument Identification" << "15";
        QTest::newRow("bus error") << "bus error" << QList<int>{} << QStringList{"No GPIB Devices on Bus"}
                                   << QList<int>{critical} << "Instrument Identification" << "15";
        QTest::newRow("locked") << "locked" << QList<int>{} << QStringList{"GPIB Already Locked"}
                                << QList<int>{critical} << "Instrument Identification" << "15";
        QTest::newRow("empty bus") << "empty" << QList<int>{} << QStringList{"No GPIB Devices Found"}
                                   << QList<int>{information} << Title << "15";
        QTest::newRow("Yes to the meter at 15") << "meters" << QList<int>{Msg::Yes}
                                                << QStringList{found15 + "\rUse this instrument?"}
                                                << QList<int>{question} << "Instrument Identification" << "15";
        QTest::newRow("No to all: the list once more")
            << "meters" << QList<int>{Msg::No, Msg::No}
            << QStringList{found15 + "\rUse this instrument?", found15 + found20 + "\rUse this instrument?",
                           found15 + found20}
            << QList<int>{question, question, information} << Title << "15";
        QTest::newRow("a silent instrument")
            << "silent" << QList<int>{Msg::Yes}
            << QStringList{"Instrument found at address 4\r  (No Identification)\r\rUse this instrument?"}
            << QList<int>{question} << "Instrument Identification" << "4";
    }
    void gpibSearch()
    {
        QFETCH(QString, setup);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, prompts);
        QFETCH(QList<int>, styles);
        QFETCH(QString, title);
        QFETCH(QString, address);
        Rig rig;
        rig.save("DVM1_Interface", "GPIB");
        metersim::SimMeter silent;
        silent.addFault(metersim::Fault::Silence);
        metersim::MeterPeer silentPeer(silent, rig.env.clock, metersim::MeterPeer::Framing::Message);
        if (setup == "meters") {
            rig.meterOnGpib(20, "64500999");
            rig.meterOnGpib(15);
        }
        if (setup == "silent")
            rig.bus.attach(4, &silentPeer);
        if (setup == "no library")
            state().gpib = nullptr;
        rig.bus.busError = setup == "bus error";
        rig.bus.locked = setup == "locked";
        FormOptions &d = rig.dialog();
        d.Combo_GPIB1->setCurrentText("15");
        for (int answer : answers)
            rig.env.ui.answerBoxes({Msg::Answer(answer)});
        d.Command_DVM1_Locate_Click(0);
        QCOMPARE(rig.prompts(), prompts);
        for (int i = 0; i < styles.size(); ++i)
            QCOMPARE(rig.env.ui.boxes[i].style, styles[i]);
        QCOMPARE(rig.env.ui.boxes.last().title, title);
        QCOMPARE(d.Combo_GPIB1->currentText(), address);
        QCOMPARE(rig.bus.openDescriptors(), 0);
    }

    void changeAddress_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("meterAt");
        QTest::addColumn<QString>("shown");
        QTest::newRow("15 to 5") << "meter" << "15" << "5" << "GPIB Address changed to 5" << 0 << Title << 5 << "5";
        QTest::newRow("same address") << "meter" << "15" << "15" << "GPIB Address changed to 15" << 0 << Title << 15
                                      << "15";
        // The new-address box opens with nothing chosen.
        QTest::newRow("nothing chosen") << "meter" << "15" << QString() << "Select a new GPIB address"
                                        << int(Msg::Information) << Title << 15 << "15";
        QTest::newRow("typed 25") << "meter" << "15" << "25" << "Select a new GPIB address" << int(Msg::Information)
                                  << Title << 15 << "15";
        QTest::newRow("typed 0") << "meter" << "0" << "5" << "Select a new GPIB address" << int(Msg::Information)
                                 << Title << 15 << "0";
        QTest::newRow("no board") << "no board" << "15" << "5" << "GPIB Interface Not Installed"
                                  << int(Msg::Critical) << "GPIB Address Change" << 15 << "15";
        QTest::newRow("bus error") << "bus error" << "15" << "5" << "No GPIB Devices on Bus" << int(Msg::Critical)
                                   << "GPIB Address Change" << 15 << "15";
        QTest::newRow("meter refuses") << "refuses" << "15" << "5" << "No GPIB Devices Listening" << 0 << Title << 15
                                       << "15";
        QTest::newRow("a silent listener there") << "silent at 5" << "15" << "5" << "GPIB Address change failed" << 0
                                                 << Title << 15 << "15";
    }
    void changeAddress()
    {
        QFETCH(QString, setup);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, prompt);
        QFETCH(int, style);
        QFETCH(QString, title);
        QFETCH(int, meterAt);
        QFETCH(QString, shown);
        Rig rig;
        metersim::SimMeter &meter = rig.meterOnGpib(15);
        if (setup == "refuses" || setup == "silent at 5")
            meter.addFault(metersim::Fault::Reject, "SYST:COMM:GPIB:ADDR");
        metersim::SimMeter silent;
        silent.addFault(metersim::Fault::Silence);
        metersim::MeterPeer silentPeer(silent, rig.env.clock, metersim::MeterPeer::Framing::Message);
        if (setup == "silent at 5")
            rig.bus.attach(5, &silentPeer);
        rig.bus.noBoard = setup == "no board";
        rig.bus.busError = setup == "bus error";
        FormOptions &d = rig.dialog();
        d.Combo_GPIB1->setCurrentText(from);
        if (!to.isNull())
            d.Combo_GPIB_NewAddress->setCurrentText(to);
        d.Command_SetGPIB_Click();
        QCOMPARE(rig.prompts(), QStringList{prompt});
        QCOMPARE(rig.env.ui.boxes[0].style, style);
        QCOMPARE(rig.env.ui.boxes[0].title, title);
        QCOMPARE(meter.state().gpibAddress, meterAt);
        QCOMPARE(d.Combo_GPIB1->currentText(), shown);
        QCOMPARE(rig.bus.openDescriptors(), 0);
        QCOMPARE(rig.env.ui.hourglassDepth, 0);
        if (prompt == "Select a new GPIB address")
            QVERIFY(meter.commands().isEmpty());
        if (prompt.startsWith("GPIB Address changed"))
            QCOMPARE(meter.commands(), QStringList({"SYST:COMM:GPIB:ADDR " + QString(to.size() == 1 ? "0" : "") + to,
                                                    "*IDN?"}));
    }

    // The button refreshes the connection display after the dialog, the menu item before.
    void mainWindowOpensIt_data()
    {
        QTest::addColumn<bool>("fromButton");
        QTest::newRow("Configure Serial / GPIB") << true;
        QTest::newRow("Options > Options") << false;
    }
    void mainWindowOpensIt()
    {
        QFETCH(bool, fromButton);
        Rig rig;
        rig.silentPort(2);
        rig.save("DVM1_CommPort", "2");
        state().DVM1 = CreateDVM("6450");
        state().DVM1->SetInterfaceType(InterfaceGPIB);
        state().DVM1->SetGPIBAddress(22);
        auto *connection = rig.main->findChild<QPlainTextEdit *>("Text_ConnectionStatus");
        connection->setPlainText("before");
        bool shown = false;
        QTimer::singleShot(0, [&] {
            FormOptions *d = appWindows().find<FormOptions>();
            shown = d && d->isVisible() && d->isModal();
            QCOMPARE(connection->toPlainText(), fromButton ? QString("before") : QString("Velkorande 6450\nGPIB Address 22"));
            if (d)
                d->Command_OK->click(); // RS232 on COM2: a new driver without a link
        });
        if (fromButton)
            rig.main->Command_SetupSerial->click();
        else
            rig.main->MenuOptionsOptions->trigger();
        QVERIFY(shown);
        QVERIFY(!appWindows().isLoaded<FormOptions>());
        QCOMPARE(connection->toPlainText(),
                 fromButton ? QString("Velkorande 6450\n.") : QString("Velkorande 6450\nGPIB Address 22"));
    }
};

QTEST_MAIN(PortSetupTest)
#include "portsetup_guitest.moc"
