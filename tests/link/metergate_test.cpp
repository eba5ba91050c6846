// The meter gate: every transport sends only for the operation holding the meter while
// its own code runs, and an operation cannot begin inside another one's wait (a box or
// dialog of the program's user interaction included).
#include "link/Communication.h"
#include "link/Ethernet.h"
#include "link/MeterGate.h"
#include "link/MeterProbes.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/VBIB32.h"
#include "link/drivers/DVM_6450.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemoryGpib.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/MemoryUdp.h"
#include "widgets/QtUserInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Every device a transport can reach, all in memory and silent: what matters is whether
// a byte reaches them, not what they answer.
struct Devices
{
    Devices()
    {
        SharedState &s = state();
        serial.setPortOpen(true);
        s.ftdi = &ftdi;
        ftdi.attach(QStringLiteral("Velkorande 6450"), QStringLiteral("VK000001"));
        s.USBDevice.SerialNumber = QStringLiteral("VK000001");
        s.gpib = &gpib;
        command.RemoteHost = Ethernet::BroadcastAddress;
        command.RemotePort = Ethernet::ModuleCommandPort;
        s.UDPCommand = &command;
        s.UDPData = &data;
        s.SelectedMAC = QStringLiteral("00-50-C2-64-50-01");
        s.EthernetDevice.IPAddress = QStringLiteral("127.0.1.10");
        s.EthernetDevice.Port = 10001;
    }
    ~Devices()
    {
        state().UDPCommand = nullptr;
        state().UDPData = nullptr;
    }
    // Bytes that reached any device so far.
    qsizetype bytesOut()
    {
        qsizetype count = serial.written.size() + ftdi.device(QStringLiteral("VK000001"))->written.size();
        for (const MemoryUdpNetwork::Datagram &datagram : network.sent)
            count += datagram.bytes.size();
        for (const QString &call : gpib.calls)
            if (!call.startsWith(QLatin1String("ibdev")) && !call.startsWith(QLatin1String("ibonl")))
                count += call.size();
        return count;
    }

    TestEnv env;
    MemorySerialPort serial{env.clock};
    MemoryFtdiApi ftdi{env.clock};
    MemoryGpibBus gpib{env.clock};
    MemoryUdpNetwork network{env.clock};
    MemoryUdpSocket command{network}, data{network};
};

using Exchange = std::function<void(Devices &)>;
using Prompt = std::function<void(UserInteraction &)>;

} // namespace

Q_DECLARE_METATYPE(Exchange)
Q_DECLARE_METATYPE(Prompt)

class MeterGateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each transport's way out, tried by the holder, by code running inside the holder's
    // wait, and with no operation at all.
    void transportsAskTheGate_data()
    {
        QTest::addColumn<Exchange>("exchange");
        QTest::addColumn<QString>("who");
        QTest::addColumn<bool>("sent");
        const QList<std::pair<const char *, Exchange>> exchanges{
            {"RS232", [](Devices &d) { SerialSendString(&d.serial, QStringLiteral("v"), true, 1, 1); }},
            {"RS232 probe",
             [](Devices &d) {
                 DVM_6450 driver;
                 ProbeSerialPort(d.serial, 1, driver, {});
             }},
            {"USB", [](Devices &) {
                 qint32 status = 0;
                 UsbSendString(QStringLiteral("v"), status, 1, 1);
             }},
            {"USB write", [](Devices &) {
                 qint32 handle = 0;
                 OpenUSBDevice(state().USBDevice.SerialNumber, handle);
                 UsbWrite(QStringLiteral("*IDN?\r"), handle);
             }},
            {"Ethernet", [](Devices &) { EthernetSendString(QStringLiteral("v"), true, 1, 1); }},
            {"module command", [](Devices &) { SendConfigCommand(QStringLiteral("L")); }},
            {"module broadcast", [](Devices &) { BroadcastModuleCommand(QStringLiteral("GIP")); }},
            {"GPIB", [](Devices &) {
                 bool written = false, opened = false;
                 GpibSendString(15, QStringLiteral("*IDN?"), written, opened);
             }},
            {"GPIB listener check", [](Devices &) { GpibFindListener(0, 15, 0); }},
        };
        for (const auto &[name, exchange] : exchanges) {
            QTest::addRow("%s, holder", name) << exchange << "holder" << true;
            QTest::addRow("%s, nested in the holder", name) << exchange << "nested" << true;
            QTest::addRow("%s, inside the holder's wait", name) << exchange << "intruder" << false;
            QTest::addRow("%s, no operation", name) << exchange << "none" << false;
        }
    }
    void transportsAskTheGate()
    {
        QFETCH(Exchange, exchange);
        QFETCH(QString, who);
        QFETCH(bool, sent);
        Devices devices;
        devices.env.allowStrayExchanges = who == QLatin1String("none");
        std::optional<MeterGate::Operation> holder;
        if (who != QLatin1String("none"))
            holder.emplace(meterGate().begin());
        std::optional<MeterGate::Operation> nested;
        if (who == QLatin1String("nested"))
            nested.emplace(meterGate().begin());
        std::optional<MeterGate::Yield> wait;
        if (who == QLatin1String("intruder"))
            wait.emplace();
        if (!sent)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Meter (held by another operation|"
                                                                                 "exchange outside every operation)")));
        const quint64 strayBefore = meterGate().strayExchanges();
        exchange(devices);
        QCOMPARE(devices.bytesOut() > 0, sent);
        QCOMPARE(meterGate().strayExchanges() > strayBefore, who == QLatin1String("none"));
    }

    // The program's own boxes and dialogs let other handlers run while they are open: a
    // meter action clicked meanwhile finds the meter held and sends nothing.
    void boxesSetTheHolderAside_data()
    {
        QTest::addColumn<Prompt>("prompt");
        QTest::newRow("message box")
            << Prompt([](UserInteraction &ui) { ui.MsgBox(QStringLiteral("Reset?"), Msg::YesNo); });
        QTest::newRow("file dialog") << Prompt([](UserInteraction &ui) { ui.ShowOpen(FileDialogRequest{}); });
        QTest::newRow("input box")
            << Prompt([](UserInteraction &ui) { ui.InputBox(QStringLiteral("Password"), {}, {}); });
    }
    void boxesSetTheHolderAside()
    {
        QFETCH(Prompt, prompt);
        Devices devices;
        QtUserInteraction qtUi;
        const MeterGate::Operation holder = meterGate().begin();
        bool opened = false;
        QTimer::singleShot(0, [&devices, &opened] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            opened = dialog != nullptr;
            if (const MeterGate::Operation other = meterGate().begin())
                SerialSendString(&devices.serial, QStringLiteral("v"), false, 1, 1);
            if (dialog)
                dialog->reject();
        });
        prompt(qtUi);
        QVERIFY(opened);
        QCOMPARE(devices.serial.written, QByteArray());
    }

    // Who may begin: a free meter to anyone, the holder's own code a nested operation that
    // does not let the meter go, nobody inside the holder's wait; a shown hold is announced.
    void operations()
    {
        TestEnv env;
        QSignalSpy shown(&meterGate(), &MeterGate::heldShownChanged);
        {
            const MeterGate::Operation run = meterGate().begin(MeterGate::Shown::Yes);
            QVERIFY(run);
            QVERIFY(meterGate().shownHeld());
            {
                const MeterGate::Operation nested = meterGate().begin();
                QVERIFY(nested);
            }
            QVERIFY(meterGate().held());
            QVERIFY(meterGate().mayExchange());
            {
                const MeterGate::Yield wait;
                QVERIFY(!meterGate().begin());
                QVERIFY(!meterGate().beginUserAction());
                QCOMPARE(env.ui.boxes.size(), 1);
                QCOMPARE(env.ui.boxes[0].prompt, MeterGate::BusyMessage);
            }
            QVERIFY(meterGate().mayExchange()); // back after the wait
            // Wound up (its window closed): nothing but what leaves setup mode goes out.
            meterGate().windUp();
            QVERIFY(!meterGate().mayExchange(QStringLiteral("Ws1,0,5")));
            // A table's information line the holder lets out goes once, and only before "a1";
            // nothing but an information line can be let out.
            meterGate().letOutWhileWindingUp(QStringLiteral("Ws1,0,6"));
            QVERIFY(!meterGate().mayExchange(QStringLiteral("Ws1,0,6")));
            meterGate().letOutWhileWindingUp(QStringLiteral("&05Spec ___ 14/03/26"));
            QVERIFY(!meterGate().mayExchange(QStringLiteral("&04Unc ___ 14/03/26")));
            QVERIFY(meterGate().mayExchange(QStringLiteral("&05Spec ___ 14/03/26\r")));
            QVERIFY(!meterGate().mayExchange(QStringLiteral("&05Spec ___ 14/03/26")));
            meterGate().letOutWhileWindingUp(QStringLiteral("&05Spec ___ 14/03/26"));
            QVERIFY(meterGate().mayExchange(QStringLiteral("a1\r")));
            QVERIFY(!meterGate().mayExchange(QStringLiteral("&05Spec ___ 14/03/26")));
        }
        QVERIFY(!meterGate().held());
        QVERIFY(meterGate().begin() && meterGate().mayExchange(QStringLiteral("Ws1,0,5"))); // the next is whole
        QCOMPARE(shown.size(), 2);
        // A handler that yields with the meter free may lend it meanwhile; it is free again after.
        {
            const MeterGate::Yield wait;
            QVERIFY(meterGate().begin());
        }
        QVERIFY(!meterGate().held());
    }
};

QTEST_MAIN(MeterGateTest)
#include "metergate_test.moc"
