// The USB locator against simulated meters and scripted devices on the in-memory FTDI
// backend, on the virtual clock. Device specs in the data: "kind|description|serial",
// kinds 6450, 6440, 6445 (simulated meters with serial number model + "0007") and foreign,
// oem6440 (a device answering "OEM DMM 6440"), lines (a device answering "pa", "PA" and
// "pa " with two lines and "*0", 100 ms apart), silent and unopenable; description and serial default to "Device n" and
// "FT00000n".
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "widgets/Twips.h"
#include "link/drivers/DVM_6450.h"
#include "link/platform/Ftdi.h"
#include "shell/FormMain.h"
#include "shell/Form_USBLocator.h"
#include "shell/USBLocator.h"
#include "tests/sim/core/MeterLink.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/ScriptedPeer.h"
#include "widgets/WindowRegistry.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <deque>

using namespace metersim;

namespace {

const QString Settings = QStringLiteral("Settings");
const QString Meter6450 = QStringLiteral("Velkorande,Model 6450,64500007,2.31");
const QString AppTitle = QStringLiteral("6400 Series Setup Utility");

struct Rig
{
    Rig()
    {
        state().ftdi = &ftdi;
        state().DVM1 = CreateDVM(QStringLiteral("6450"));
    }
    ~Rig() { appWindows().destroyAll(); }

    void attach(const QStringList &specs)
    {
        for (const QString &spec : specs) {
            const QStringList parts = spec.split(QLatin1Char('|'));
            const QString kind = parts[0];
            const int n = static_cast<int>(serials.size()) + 1;
            const QString description = parts.value(1, QStringLiteral("Device %1").arg(n));
            const QString serial = parts.value(2, QStringLiteral("FT00000%1").arg(n));
            serials << serial;
            InMemoryPeer *peer = nullptr;
            if (kind == QLatin1String("foreign") || kind.startsWith(QLatin1String("64"))) {
                MeterConfig config;
                if (kind != QLatin1String("foreign")) {
                    config.model = kind;
                    config.serial = kind + QStringLiteral("0007");
                }
                SimMeter &meter = meters.emplace_back(config);
                meter.setForeignIdentity(kind == QLatin1String("foreign"));
                peer = &meterPeers.emplace_back(meter, env.clock);
            } else if (kind == QLatin1String("oem6440")) {
                ScriptedPeer &scripted = scriptedPeers.emplace_back(env.clock);
                scripted.answer("*IDN?", {{20, "OEM DMM 6440\r\n"}});
                peer = &scripted;
            } else if (kind == QLatin1String("lines")) {
                ScriptedPeer &scripted = scriptedPeers.emplace_back(env.clock);
                for (const QByteArray command : {"pa", "PA", "pa "})
                    scripted.answer(command, {{100, "Range 1, 0\r\n"}, {100, "Range 2, 0\r\n"}, {100, "*0\r\n"}});
                peer = &scripted;
            }
            MemoryFtdiApi::Device &device = ftdi.attach(description, serial, peer);
            device.openFails = kind == QLatin1String("unopenable");
        }
    }
    MemoryFtdiApi::Device &device(int i) { return *ftdi.device(serials[i]); }
    void storeActive(const QString &name, const QString &serial)
    {
        env.settings.SaveSetting(Settings, QStringLiteral("USB_Name"), name);
        env.settings.SaveSetting(Settings, QStringLiteral("USB_SerialNumber"), serial);
    }
    // Loads the dialog, which lists and probes at once.
    Form_USBLocator &load() { return appWindows().form<Form_USBLocator>(); }
    QString setting(const QString &key) { return env.settings.GetSetting(Settings, key); }
    DVM_6450 &driver() { return *dynamic_cast<DVM_6450 *>(state().DVM1.get()); }
    QStringList boxes() const
    {
        QStringList list;
        for (const ScriptedUserInteraction::Box &box : env.ui.boxes)
            list << box.title + QLatin1Char('|') + box.prompt;
        return list;
    }

    TestEnv env;
    MemoryFtdiApi ftdi{env.clock};
    std::deque<SimMeter> meters;
    std::deque<MeterPeer> meterPeers;
    std::deque<ScriptedPeer> scriptedPeers;
    QStringList serials;
};

QStringList column(const Form_USBLocator &form, int index)
{
    QStringList texts;
    for (int i = 0; i < form.ListView_USBDevices->topLevelItemCount(); ++i)
        texts << form.ListView_USBDevices->topLevelItem(i)->text(index);
    return texts;
}

} // namespace

class USBLocatorGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layout_data();
    void layout();
    void advancedTwice();
    void listAndProbe_data();
    void listAndProbe();
    void autolocate_data();
    void autolocate();
    void autolocateSkipsEntriesAnEarlierListingLeft();
    void selectDevice_data();
    void selectDevice();
    void adapterButton_data();
    void adapterButton();
    void noFtdiLayer();
    void terminal_data();
    void terminal();
    void enterSendsAndKeepsTheText();
    void clearing_data();
    void clearing();
    void clickDuringAProbeWaits();
    void mainWindowOpensItModally_data();
    void mainWindowOpensItModally();
};

void USBLocatorGuiTest::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Frame_USB") << "Frame_USB" << "Form_USBLocator" << "USB" << QRect(105, -15, 7965, 2415);
    QTest::newRow("list") << "ListView_USBDevices" << "Frame_USB" << "" << QRect(60, 210, 7815, 1320);
    QTest::newRow("Autolocate") << "Command_Autodetect" << "Frame_USB" << "Autolocate" << QRect(90, 1665, 1395, 525);
    QTest::newRow("List") << "Command_Locate" << "Frame_USB" << "List USB Devices" << QRect(1545, 1665, 1485, 525);
    QTest::newRow("Select") << "Command_SelectUSB" << "Frame_USB" << "Select Device" << QRect(3075, 1665, 1410, 525);
    QTest::newRow("Advanced") << "Command_Advanced" << "Frame_USB" << "Advanced >>" << QRect(4710, 1665, 1410, 525);
    QTest::newRow("Exit") << "Command_Exit" << "Frame_USB" << "Exit" << QRect(6315, 1665, 1530, 525);
    QTest::newRow("adapter") << "Command_AutomaticUSB" << "Frame_USB" << "Automatic by Adapter ID"
                             << QRect(5865, 2505, 1335, 705);
    QTest::newRow("Frame_Test") << "Frame_Test" << "Form_USBLocator" << "Test Communication"
                                << QRect(105, 2520, 3855, 2355);
    QTest::newRow("ID?") << "Command_testID" << "Frame_Test" << "ID?" << QRect(105, 360, 615, 435);
    QTest::newRow("Date?") << "Command1" << "Frame_Test" << "Date?" << QRect(750, 360, 615, 435);
    QTest::newRow("Text1") << "Text1" << "Frame_Test" << "" << QRect(1365, 315, 1560, 450);
    QTest::newRow("Clear") << "Command_Clear" << "Frame_Test" << "Clear" << QRect(2985, 375, 690, 345);
    QTest::newRow("Text2") << "Text2" << "Frame_Test" << "" << QRect(450, 945, 3000, 1290);
    QTest::newRow("Frame4") << "Frame4" << "Form_USBLocator" << "Active Module" << QRect(3990, 2520, 4065, 1065);
    QTest::newRow("name") << "Label_ActiveName" << "Frame4" << "Stored meter" << QRect(105, 225, 3135, 315);
    QTest::newRow("serial") << "Label_ActiveSerialNumber" << "Frame4" << "FTSTORED" << QRect(105, 600, 3165, 315);
}

void USBLocatorGuiTest::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    Rig rig;
    rig.storeActive(QStringLiteral("Stored meter"), QStringLiteral("FTSTORED"));
    Form_USBLocator &form = rig.load();
    QCOMPARE(form.windowTitle(), QStringLiteral("USB Device Detection"));
    QWidget *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget() == &form ? QStringLiteral("Form_USBLocator") : control->parentWidget()->objectName(),
             container);
    QCOMPARE(control->geometry(), QRect(Twips::toPixels(twips.x()), Twips::toPixels(twips.y()),
                                        Twips::toPixels(twips.width()), Twips::toPixels(twips.height())));
    QString text;
    if (auto *b = qobject_cast<QPushButton *>(control))
        text = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(control))
        text = g->title();
    else if (auto *l = qobject_cast<QLabel *>(control))
        text = l->text();
    QCOMPARE(text, caption);
    // The adapter button is built but never shown; the lower band waits for Advanced.
    const QStringList hidden{"Command_AutomaticUSB", "Frame_Test", "Frame4"};
    QCOMPARE(control->isHidden(), hidden.contains(name));
}

void USBLocatorGuiTest::advancedTwice()
{
    Rig rig;
    Form_USBLocator &form = rig.load();
    const auto clientHeight = [](int twips) { return Twips::toPixels(twips - USBLocator::CaptionHeight); };
    QCOMPARE(form.height(), clientHeight(2415 + 500));
    form.Command_Advanced->click();
    QCOMPARE(form.Command_Advanced->text(), QStringLiteral("Advanced <<"));
    QCOMPARE(form.height(), clientHeight(2415 + 2355 + 500));
    QVERIFY(!form.Frame_Test->isHidden());
    // The terminal band fits in the advanced window.
    QVERIFY(form.Frame_Test->geometry().bottom() < form.height());
    QVERIFY(form.Frame_USB->geometry().bottom() < clientHeight(2415 + 500));
    form.Command_Advanced->click();
    QCOMPARE(form.Command_Advanced->text(), QStringLiteral("Advanced >>"));
    QCOMPARE(form.height(), clientHeight(2415 + 500));
    QVERIFY(form.Frame_Test->isHidden());
}

void USBLocatorGuiTest::listAndProbe_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::newRow("none attached: five listings, one pause")
        << QStringList{} << QStringList{"No USB Devices Detected"} << QStringList{""} << QStringList{""}
        << QStringList{} << qint64(5 * 250 + 500);
    QTest::newRow("a meter, its reply without line ends")
        << QStringList{"6450"} << QStringList{"Device 1"} << QStringList{"FT000001"} << QStringList{Meter6450}
        << QStringList{"*IDN?\r"} << qint64(250 + 500);
    QTest::newRow("two devices, only the second answers")
        << QStringList{"silent", "6450|USB <-> Serial"} << QStringList{"Device 1", "USB <-> Serial"}
        << QStringList{"FT000001", "FT000002"} << QStringList{"No Reply", Meter6450}
        << QStringList{"*IDN?\r", "*IDN?\r"} << qint64(250 + 500);
    QTest::newRow("open fails keeps -, silent shows No Reply")
        << QStringList{"unopenable", "silent"} << QStringList{"Device 1", "Device 2"}
        << QStringList{"FT000001", "FT000002"} << QStringList{"-", "No Reply"} << QStringList{"", "*IDN?\r"}
        << qint64(250 + 500);
    QTest::newRow("serial number shown trimmed, opened as listed")
        << QStringList{"6450|Meter| FT6450A1 "} << QStringList{"Meter"} << QStringList{"FT6450A1"}
        << QStringList{Meter6450} << QStringList{"*IDN?\r"} << qint64(250 + 500);
    QTest::newRow("another maker's meter")
        << QStringList{"foreign"} << QStringList{"Device 1"} << QStringList{"FT000001"}
        << QStringList{"Tarnowelk Instruments,Model 2010,64500123,1.07"} << QStringList{"*IDN?\r"} << qint64(250 + 500);
}

void USBLocatorGuiTest::listAndProbe()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, names);
    QFETCH(QStringList, serials);
    QFETCH(QStringList, replies);
    QFETCH(QStringList, written);
    QFETCH(qint64, elapsedMs);
    Rig rig;
    rig.attach(devices);
    Form_USBLocator &form = rig.load();
    QCOMPARE(column(form, 0), names);
    QCOMPARE(column(form, 1), serials);
    QCOMPARE(column(form, 2), replies);
    QCOMPARE(rig.env.clock.elapsedMs(), elapsedMs);
    for (int i = 0; i < devices.size(); ++i) {
        QCOMPARE(QString::fromLatin1(rig.device(i).written), written[i]);
        QCOMPARE(state().USBDevices[i].Handle == -1, devices[i] == QLatin1String("unopenable"));
    }
    for (const SimMeter &meter : rig.meters)
        QCOMPARE(meter.commands(), QStringList{QStringLiteral("*IDN?")});
    QCOMPARE(rig.ftdi.openHandleCount(), 0);
    QVERIFY(rig.env.ui.boxes.isEmpty());
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    QCOMPARE(rig.env.ui.hourglassShown, 1);
}

void USBLocatorGuiTest::autolocate_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("selected"); // -1: none
    QTest::newRow("two devices, only the second answers")
        << QStringList{"silent", "6450"} << QStringList{"No Reply", Meter6450 + "\r"}
        << Meter6450 + "\r selected\r\n(FT000002)" << 1;
    QTest::newRow("6440 without the maker")
        << QStringList{"oem6440"} << QStringList{"OEM DMM 6440\r"} << "OEM DMM 6440\r selected\r\n(FT000001)" << 0;
    QTest::newRow("the maker with 6440")
        << QStringList{"6440"} << QStringList{"Velkorande,Model 6440,64400007,2.31\r"}
        << "Velkorande,Model 6440,64400007,2.31\r selected\r\n(FT000001)" << 0;
    QTest::newRow("the maker with 6445 is refused")
        << QStringList{"6445"} << QStringList{"Velkorande,Model 6445,64450007,2.31\r"} << "No device detected" << -1;
    QTest::newRow("the first of two meters")
        << QStringList{"6450", "6450"} << QStringList{Meter6450 + "\r", Meter6450 + "\r"}
        << Meter6450 + "\r selected\r\n(FT000001)" << 0;
    QTest::newRow("a device that cannot be opened")
        << QStringList{"unopenable"} << QStringList{"-"} << "No device detected" << -1;
    QTest::newRow("none attached") << QStringList{} << QStringList{""} << "No device detected" << -1;
}

void USBLocatorGuiTest::autolocate()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, replies);
    QFETCH(QString, message);
    QFETCH(int, selected);
    Rig rig;
    rig.attach(devices);
    Form_USBLocator &form = rig.load();
    form.Command_Autodetect->click();

    // Listed, probed without line ends, probed again: the second reply is kept as read.
    QCOMPARE(column(form, 2), replies);
    QCOMPARE(rig.boxes(), QStringList{"USB Autolocation|" + message});
    for (int i = 0; i < devices.size(); ++i) {
        const bool opens = devices[i] != QLatin1String("unopenable");
        QCOMPARE(rig.device(i).written, opens ? QByteArray("*IDN?\r*IDN?\r*IDN?\r") : QByteArray());
    }
    QCOMPARE(rig.ftdi.openHandleCount(), 0);
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    if (selected < 0) {
        QCOMPARE(state().USBDevice.SerialNumber, QString());
        QCOMPARE(rig.setting(QStringLiteral("DVM1_Interface")), QString());
        QCOMPARE(rig.driver().link().InterfaceType, int(InterfaceRS232));
        return;
    }
    const QString serial = rig.serials[selected];
    QCOMPARE(state().USBDevice.SerialNumber, serial);
    QCOMPARE(form.Label_ActiveSerialNumber->text(), serial);
    QCOMPARE(form.Label_ActiveName->text(), QStringLiteral("Device %1").arg(selected + 1));
    QCOMPARE(rig.setting(QStringLiteral("DVM1_Interface")), QStringLiteral("USB"));
    QCOMPARE(rig.setting(QStringLiteral("USB_SerialNumber")), serial);
    QCOMPARE(rig.setting(QStringLiteral("USB_Name")), QStringLiteral("Device %1").arg(selected + 1));
    QCOMPARE(rig.driver().link().InterfaceType, int(InterfaceUSB));
    QCOMPARE(rig.driver().link().USBDevice.SerialNumber, serial);
}

// The listing found nothing, so the list still holds the entries of the one before, with
// the identity their probe stored: they are not attached any more and are not taken.
void USBLocatorGuiTest::autolocateSkipsEntriesAnEarlierListingLeft()
{
    Rig rig;
    rig.attach({"6450"});
    Form_USBLocator &form = rig.load();
    QCOMPARE(state().USBDevices[0].Identity, Meter6450);
    rig.ftdi.unplug(rig.serials[0]);
    form.Command_Autodetect->click();
    QCOMPARE(column(form, 0), QStringList{"No USB Devices Detected"});
    QCOMPARE(rig.boxes(), QStringList{"USB Autolocation|No device detected"});
    QCOMPARE(state().USBDevice.SerialNumber, QString());
    QCOMPARE(rig.driver().link().InterfaceType, int(InterfaceRS232));
}

void USBLocatorGuiTest::selectDevice_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<int>("selectRow"); // rows from 1; 0: none
    QTest::addColumn<bool>("unplugAndRelist");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("selected");
    QTest::newRow("one device, none selected") << QStringList{"6450"} << 0 << false << QStringList{} << 0;
    QTest::newRow("two devices, none selected")
        << QStringList{"6450", "silent"} << 0 << false << QStringList{AppTitle + "|No Device Selected"} << -1;
    QTest::newRow("two devices, the second selected") << QStringList{"silent", "6450"} << 2 << false << QStringList{}
                                                      << 1;
    QTest::newRow("a silent device can be chosen") << QStringList{"6450", "silent"} << 2 << false << QStringList{}
                                                   << 1;
    QTest::newRow("only the no-devices row")
        << QStringList{} << 0 << false << QStringList{AppTitle + "|No Device Selected"} << -1;
    QTest::newRow("no-devices row after an earlier listing")
        << QStringList{"6450"} << 1 << true << QStringList{AppTitle + "|No Device Selected"} << -1;
}

void USBLocatorGuiTest::selectDevice()
{
    QFETCH(QStringList, devices);
    QFETCH(int, selectRow);
    QFETCH(bool, unplugAndRelist);
    QFETCH(QStringList, boxes);
    QFETCH(int, selected);
    Rig rig;
    rig.attach(devices);
    Form_USBLocator &form = rig.load();
    if (unplugAndRelist) {
        rig.ftdi.unplug(rig.serials[0]);
        form.Command_Locate->click();
        QCOMPARE(column(form, 0), QStringList{"No USB Devices Detected"});
    }
    if (selectRow > 0)
        form.ListView_USBDevices->topLevelItem(selectRow - 1)->setSelected(true);
    form.Command_SelectUSB->click();
    QCOMPARE(rig.boxes(), boxes);
    if (selected < 0) {
        QCOMPARE(state().USBDevice.SerialNumber, QString());
        QCOMPARE(rig.setting(QStringLiteral("DVM1_Interface")), QString());
        QCOMPARE(rig.driver().link().InterfaceType, int(InterfaceRS232));
        return;
    }
    const QString serial = rig.serials[selected];
    QCOMPARE(state().USBDevice.SerialNumber, serial);
    QCOMPARE(form.Label_ActiveSerialNumber->text(), serial);
    QCOMPARE(rig.setting(QStringLiteral("USB_SerialNumber")), serial);
    QCOMPARE(rig.setting(QStringLiteral("DVM1_Interface")), QStringLiteral("USB"));
    QCOMPARE(rig.driver().link().InterfaceType, int(InterfaceUSB));
    QCOMPARE(rig.driver().link().USBDevice.SerialNumber, serial);
    // The driver now speaks to it.
    const MeterGate::Operation asking = meterGate().begin();
    if (devices[selected] == QLatin1String("6450"))
        QVERIFY(state().DVM1->SendString(QStringLiteral("*IDN?"), true, 2, 0).startsWith(Meter6450));
}

void USBLocatorGuiTest::adapterButton_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("serials"); // as the rows show them
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("selected"); // -1: none
    QTest::addColumn<bool>("driverGetsIt");
    QTest::newRow("the maker's adapter")
        << QStringList{"silent|UART 230|A1", "silent|velkorande usb| B2 "} << QStringList{"A1", " B2 "}
        << "Using velkorande usb ( B2 )" << 1 << true;
    QTest::newRow("an RS232 adapter") << QStringList{"silent|USB-RS232 Cable|C3"} << QStringList{"C3"}
                                      << "Using USB-RS232 Cable (C3)" << 0 << true;
    QTest::newRow("no adapter of ours: the first, driver untouched")
        << QStringList{"silent|UART 230|A1", "silent|Other|D4"} << QStringList{"A1", "D4"}
        << "No Velkorande USB Devices Found\rUsing UART 230" << 0 << false;
    QTest::newRow("none attached") << QStringList{} << QStringList{""} << "No USB Devices Found" << -1 << false;
}

void USBLocatorGuiTest::adapterButton()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, serials);
    QFETCH(QString, message);
    QFETCH(int, selected);
    QFETCH(bool, driverGetsIt);
    Rig rig;
    rig.attach(devices);
    Form_USBLocator &form = rig.load();
    for (int i = 0; i < devices.size(); ++i)
        rig.device(i).written.clear();
    form.Command_AutomaticUSB->click();
    QCOMPARE(column(form, 1), serials);
    QCOMPARE(column(form, 2), QStringList(serials.size(), devices.isEmpty() ? QString() : QStringLiteral("-")));
    QCOMPARE(rig.boxes(), QStringList{AppTitle + "|" + message});
    for (int i = 0; i < devices.size(); ++i)
        QVERIFY(rig.device(i).written.isEmpty()); // no probe
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    QCOMPARE(rig.driver().link().InterfaceType, driverGetsIt ? int(InterfaceUSB) : int(InterfaceRS232));
    const QString serial = selected < 0 ? QString() : rig.serials[selected];
    QCOMPARE(state().USBDevice.SerialNumber, serial);
    QCOMPARE(rig.setting(QStringLiteral("USB_SerialNumber")), serial);
    QCOMPARE(form.Label_ActiveSerialNumber->text(), serial);
}

void USBLocatorGuiTest::noFtdiLayer()
{
    Rig rig;
    state().ftdi = nullptr;
    Form_USBLocator &form = rig.load();
    QCOMPARE(rig.boxes(), QStringList{AppTitle + "|No USB Devices Found"});
    QCOMPARE(form.ListView_USBDevices->topLevelItemCount(), 0);
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
    form.Command_Autodetect->click();
    QCOMPARE(rig.boxes(), (QStringList{AppTitle + "|No USB Devices Found", AppTitle + "|No USB Devices Found",
                                       "USB Autolocation|No device detected"}));
}

void USBLocatorGuiTest::terminal_data()
{
    QTest::addColumn<QString>("device"); // empty: no active device
    QTest::addColumn<QString>("action"); // "ID?", "Date?" or the text typed and entered
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("output"); // "=meter": the simulated meter's reply as it sent it
    QTest::newRow("ID? reads one line") << "6450" << "ID?" << QByteArray("*IDN?\r\r") << "=meter";
    QTest::newRow("Date? reads to the status token") << "6450" << "Date?" << QByteArray("a\r\r") << "=meter";
    QTest::newRow("pa reads to the status token") << "6450" << "pa" << QByteArray("pa\r\r") << "=meter";
    QTest::newRow("pa, scripted") << "lines" << "pa" << QByteArray("pa\r\r") << "Range 1, 0\r\nRange 2, 0\r\n*0\r\n";
    QTest::newRow("PA reads one line") << "lines" << "PA" << QByteArray("PA\r\r") << "Range 1, 0\r\n";
    QTest::newRow("pa with a blank reads one line") << "lines" << "pa " << QByteArray("pa \r\r") << "Range 1, 0\r\n";
    QTest::newRow("typed v reads one line") << "6450" << "v" << QByteArray("v\r\r") << "Model 6450\r\n";
    QTest::newRow("cannot open") << "unopenable" << "v" << QByteArray() << "Error Opening Device\r";
    QTest::newRow("silent") << "silent" << "v" << QByteArray("v\r\r") << "Read Timeout\r";
    QTest::newRow("ID? on a silent device appends nothing") << "silent" << "ID?" << QByteArray("*IDN?\r\r") << "";
    QTest::newRow("Date? on an unopenable device appends nothing") << "unopenable" << "Date?" << QByteArray() << "";
    QTest::newRow("no active device") << "" << "v" << QByteArray() << "";
}

void USBLocatorGuiTest::terminal()
{
    QFETCH(QString, device);
    QFETCH(QString, action);
    QFETCH(QByteArray, written);
    QFETCH(QString, output);
    Rig rig;
    if (!device.isEmpty()) {
        rig.attach({device});
        rig.storeActive(QStringLiteral("Device 1"), rig.serials[0]);
    }
    Form_USBLocator &form = rig.load();
    form.Command_Advanced->click();
    if (!device.isEmpty())
        rig.device(0).written.clear();
    for (SimMeter &meter : rig.meters)
        meter.clearTranscript();

    if (action == QLatin1String("ID?")) {
        form.Command_testID->click();
    } else if (action == QLatin1String("Date?")) {
        form.Command1->click();
    } else {
        form.Text1->setText(action);
        form.Text1_KeyPress(13);
        QCOMPARE(form.Text1->text(), action);
    }

    if (!device.isEmpty())
        QCOMPARE(rig.device(0).written, written);
    if (output == QLatin1String("=meter")) {
        // The command reached the meter once (the second CR is an empty line it ignores).
        const QList<TranscriptEntry> transcript = rig.meters.front().transcript();
        QCOMPARE(transcript.size(), 1);
        QCOMPARE(transcript[0].command, QString::fromLatin1(written).remove(QLatin1Char('\r')));
        output = transcript[0].reply;
        QVERIFY(output.count(QLatin1String("\r\n")) == 1 || output.endsWith(QLatin1String("*0\r\n")));
    }
    if (output == QLatin1String("Model 6450\r\n"))
        QVERIFY(rig.meters.front().transcript()[0].reply.size() > output.size()); // the rest was not awaited
    QCOMPARE(form.terminalText(), output);
    QCOMPARE(rig.ftdi.openHandleCount(), 0);
    QCOMPARE(rig.env.ui.hourglassDepth, 0);
}

void USBLocatorGuiTest::enterSendsAndKeepsTheText()
{
    Rig rig;
    rig.attach({"6450"});
    rig.storeActive(QStringLiteral("Device 1"), rig.serials[0]);
    Form_USBLocator &form = rig.load();
    form.show();
    form.Command_Advanced->click();
    rig.device(0).written.clear();
    QTest::keyClicks(form.Text1, QStringLiteral("*IDN?"));
    QTest::keyClick(form.Text1, Qt::Key_Return);
    QCOMPARE(rig.device(0).written, QByteArray("*IDN?\r\r"));
    QCOMPARE(form.Text1->text(), QStringLiteral("*IDN?"));
    QCOMPARE(form.terminalText(), Meter6450 + "\r\n");
    QTest::keyClick(form.Text1, Qt::Key_Enter); // the keypad's Enter too
    QCOMPARE(form.terminalText(), Meter6450 + "\r\n" + Meter6450 + "\r\n");
    QCOMPARE(form.Text2->toPlainText(), Meter6450 + "\n" + Meter6450 + "\n");
    QVERIFY(form.isVisible());
}

void USBLocatorGuiTest::clearing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape in Text1") << "escape";
    QTest::newRow("Clear") << "clear";
    QTest::newRow("a click into Text2") << "click";
}

void USBLocatorGuiTest::clearing()
{
    QFETCH(QString, how);
    Rig rig;
    rig.attach({"6450"});
    rig.storeActive(QStringLiteral("Device 1"), rig.serials[0]);
    Form_USBLocator &form = rig.load();
    form.show();
    form.Command_Advanced->click();
    form.Text1->setText(QStringLiteral("v"));
    form.Command_testID->click();
    QVERIFY(!form.terminalText().isEmpty());
    if (how == QLatin1String("escape"))
        QTest::keyClick(form.Text1, Qt::Key_Escape);
    else if (how == QLatin1String("clear"))
        form.Command_Clear->click();
    else
        QTest::mouseClick(form.Text2->viewport(), Qt::LeftButton);
    QCOMPARE(form.terminalText(), QString());
    QCOMPARE(form.Text2->toPlainText(), QString());
    QCOMPARE(form.Text1->text(), QStringLiteral("v"));
    QVERIFY(form.isVisible()); // Escape does not close the window
    QVERIFY(appWindows().isLoaded<Form_USBLocator>());
}

// A probe does not let window events in: a click that arrives meanwhile runs after it.
void USBLocatorGuiTest::clickDuringAProbeWaits()
{
    Rig rig;
    rig.attach({"6450", "silent"});
    Form_USBLocator &form = rig.load();
    bool exitRanDuringProbe = false;
    rig.env.clock.scheduleIn(400, [&] {
        QMetaObject::invokeMethod(form.Command_Exit, &QPushButton::click, Qt::QueuedConnection);
        rig.env.clock.scheduleIn(100, [&] { exitRanDuringProbe = !appWindows().isLoaded<Form_USBLocator>(); });
    });
    form.Command_Locate->click();
    QVERIFY(!exitRanDuringProbe);
    QCOMPARE(column(form, 2), (QStringList{Meter6450, "No Reply"}));
    QCOMPARE(rig.ftdi.openHandleCount(), 0);
    QVERIFY(appWindows().isLoaded<Form_USBLocator>());
    QCoreApplication::processEvents();
    QVERIFY(!appWindows().isLoaded<Form_USBLocator>());
}

void USBLocatorGuiTest::mainWindowOpensItModally_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit") << false;
    QTest::newRow("the close box") << true;
}

void USBLocatorGuiTest::mainWindowOpensItModally()
{
    QFETCH(bool, closeBox);
    Rig rig;
    rig.attach({"6450"});
    FormMain &main = appWindows().form<FormMain>();
    main.UpdateStatusBar();
    QVERIFY(!main.Text_ConnectionStatus->toPlainText().contains(QLatin1String("USB")));
    bool modal = false;
    QStringList replies;
    QTimer::singleShot(0, [&] {
        Form_USBLocator *form = appWindows().find<Form_USBLocator>();
        QVERIFY(form);
        modal = form->isModal() && form->isVisible();
        replies = column(*form, 2);
        form->Command_SelectUSB->click();
        if (closeBox)
            form->close();
        else
            form->Command_Exit->click();
    });
    main.Command_SetupUSB->click();
    QVERIFY(modal);
    QCOMPARE(replies, QStringList{Meter6450});
    QVERIFY(!appWindows().isLoaded<Form_USBLocator>());
    // The connection display shows the new link.
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), QStringLiteral("Velkorande 6450\nUSB \n"));
}

QTEST_MAIN(USBLocatorGuiTest)
#include "usblocator_guitest.moc"
