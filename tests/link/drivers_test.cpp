#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/drivers/DVM_6450.h"
#include "link/drivers/DVM_CAL.h"
#include "link/drivers/ReferenceDVM.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/ScriptedSerialPeer.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemorySerialPort.h"

#include <QTest>
#include <stdexcept>
#include <typeinfo>

namespace {

std::unique_ptr<IDVM> makeDriver(const QString &kind)
{
    if (kind == "6450")
        return std::make_unique<DVM_6450>();
    if (kind == "5300")
        return std::make_unique<DVM_CAL_5300>();
    if (kind == "5520")
        return std::make_unique<DVM_CAL_5520>();
    if (kind == "3458")
        return std::make_unique<DVM_HP3458>();
    return std::make_unique<DVM_FL8508>();
}

QString typeName(const IDVM *dvm)
{
    if (!dvm)
        return "none";
    if (typeid(*dvm) == typeid(DVM_6450))
        return "DVM_6450";
    if (typeid(*dvm) == typeid(DVM_CAL_5300))
        return "DVM_CAL_5300";
    if (typeid(*dvm) == typeid(DVM_CAL_5520))
        return "DVM_CAL_5520";
    return "other";
}

} // namespace

class DriversTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }

private:
    struct Link
    {
        TestEnv env;
        MemorySerialPort port{env.clock};
        ScriptedSerialPeer peer{env.clock, port};
        Link() { port.setPortOpen(true); }
    };

private Q_SLOTS:
    void createDVM_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("expected");
        QTest::newRow("6450") << "6450" << "DVM_6450";
        QTest::newRow("empty") << "" << "DVM_6450";
        QTest::newRow("anything") << "Model X" << "DVM_6450";
        QTest::newRow("6400 before 5520") << "6400/5520" << "DVM_6450";
        QTest::newRow("5520") << "5520" << "DVM_CAL_5520";
        QTest::newRow("5520 before 5300") << "5300 or 5520" << "DVM_CAL_5520";
        QTest::newRow("5585 is no 5520 here") << "5585" << "DVM_6450";
        QTest::newRow("5300") << "5300" << "DVM_CAL_5300";
        QTest::newRow("5465") << "5465" << "DVM_CAL_5300";
        QTest::newRow("5520 before 3458") << "3458 5520" << "DVM_CAL_5520";
        QTest::newRow("3458") << "Velkorande 3458A" << "none";
        QTest::newRow("8508") << "8508" << "none";
        QTest::newRow("6400 before 3458") << "3458 6400" << "DVM_6450";
    }
    void createDVM()
    {
        QFETCH(QString, model);
        QFETCH(QString, expected);
        const std::unique_ptr<IDVM> dvm = CreateDVM(model);
        QCOMPARE(typeName(dvm.get()), expected);
        if (dvm) { // a new driver has no link
            QCOMPARE(dvm->GetInterfaceType(), 0);
            QCOMPARE(dvm->GetStatus(), 0);
            QVERIFY(dvm->GetDescription().endsWith("\r\n."));
        }
    }

    void loadDVMSetting_data()
    {
        QTest::addColumn<QString>("stored"); // "-" for no setting
        QTest::addColumn<QString>("expected");
        QTest::newRow("first start") << "-" << "DVM_6450";
        QTest::newRow("5520 calibrator") << "Velkorande 5520" << "DVM_CAL_5520";
        QTest::newRow("3458 leaves no driver") << "3458" << "none";
    }
    void loadDVMSetting()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        TestEnv env;
        if (stored != "-")
            env.settings.SaveSetting("settings", "dvm1", stored);
        auto previous = std::make_unique<ScriptedDVM>();
        previous->SetInterfaceType(2);
        state().DVM1 = std::move(previous);
        LoadDVMSetting();
        QCOMPARE(typeName(state().DVM1.get()), expected);
        QCOMPARE(env.settings.saveCount(), stored == "-" ? 0 : 1); // only read
    }

    void descriptions_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("interfaceType");
        QTest::addColumn<bool>("withPort");
        QTest::addColumn<QString>("expected");
        QTest::newRow("new meter driver") << "6450" << 0 << false << "Velkorande 6450\r\n.";
        QTest::newRow("RS232") << "6450" << 0 << true << "Velkorande 6450\r\nRS232 Port 12";
        QTest::newRow("GPIB") << "6450" << 1 << false << "Velkorande 6450\r\nGPIB Address 22";
        QTest::newRow("USB") << "6450" << 2 << false << "Velkorande 6450\r\nUSB \r\n";
        QTest::newRow("Ethernet") << "6450" << 3 << false
                                  << "Velkorande 6450\r\nEthernet \r\n192.168.1.40        ";
        QTest::newRow("type 4") << "6450" << 4 << true << "Velkorande 6450\r\n";
        QTest::newRow("5300 new") << "5300" << 0 << false << "Velkorande 5300\r\n.";
        QTest::newRow("5300 USB") << "5300" << 2 << false << "Velkorande 5300\r\nUSB \r\n";
        QTest::newRow("5520 RS232") << "5520" << 0 << true << "Velkorande 5520\r\nRS232 Port 12";
        QTest::newRow("3458") << "3458" << 0 << true << "3458";
        QTest::newRow("8508") << "8508" << 1 << false << "8508";
    }
    void descriptions()
    {
        QFETCH(QString, kind);
        QFETCH(int, interfaceType);
        QFETCH(bool, withPort);
        QFETCH(QString, expected);
        TestEnv env;
        MemorySerialPort port(env.clock);
        port.setCommPort(12);
        state().EthernetDevice.IPAddress = QString("192.168.1.40");
        const std::unique_ptr<IDVM> dvm = makeDriver(kind);
        dvm->SetInterfaceType(interfaceType);
        dvm->SetGPIBAddress(22);
        if (withPort)
            dvm->SetCommControl(&port);
        dvm->SetEthernetDevice();
        state().EthernetDevice.IPAddress = QString("10.0.0.1"); // the driver keeps its copy
        QCOMPARE(dvm->GetDescription(), expected);
    }

    void checkIdentity_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("expected");
        QTest::newRow("6450") << "6450" << "Velkorande,6450,123,1.0" << true;
        QTest::newRow("6450 maker lower case") << "6450" << "velkorande 6450" << true;
        QTest::newRow("6450 maker upper case") << "6450" << "VELKORANDE 6480" << true;
        QTest::newRow("6450 no maker") << "6450" << "Acme 6450" << false;
        QTest::newRow("6450 series only") << "6450" << "Velkorande 6400 series" << true;
        QTest::newRow("6440 6445 6475") << "6450" << "Velkorande 6440" << true;
        QTest::newRow("6445") << "6450" << "Velkorande 6445" << true;
        QTest::newRow("6475") << "6450" << "Velkorande 6475" << true;
        QTest::newRow("6450 other model") << "6450" << "Velkorande 6460" << false;
        QTest::newRow("6450 empty") << "6450" << "" << false;
        QTest::newRow("6450 TIMEOUT") << "6450" << "TIMEOUT" << false;
        QTest::newRow("5300 mixed case 5310") << "5300" << "Velkorande 5310" << true;
        QTest::newRow("5300 upper case 5310") << "5300" << "VELKORANDE 5310" << false;
        QTest::newRow("5300 mixed case 5450") << "5300" << "Velkorande,5450" << true;
        QTest::newRow("5300 upper case 5465") << "5300" << "VELKORANDE,5465" << true;
        QTest::newRow("5300 mixed case 5465") << "5300" << "Velkorande,5465" << false;
        QTest::newRow("5300 lower case 5480") << "5300" << "velkorande 5480" << false;
        QTest::newRow("5300 no model") << "5300" << "Velkorande 5300" << false;
        QTest::newRow("5520") << "5520" << "Velkorande 5520A" << true;
        QTest::newRow("5585") << "5520" << "Velkorande 5585" << true;
        QTest::newRow("5520 lower case") << "5520" << "velkorande 5520" << false;
        QTest::newRow("5520 upper case") << "5520" << "VELKORANDE 5520" << false;
        QTest::newRow("5520 meter") << "5520" << "Velkorande 6450" << false;
        QTest::newRow("3458") << "3458" << "VELKORANDE,3458A" << true;
        QTest::newRow("3458 other") << "3458" << "8508" << false;
        QTest::newRow("8508") << "8508" << "VELKORANDE,8508A" << true;
    }
    void checkIdentity()
    {
        QFETCH(QString, kind);
        QFETCH(QString, id);
        QFETCH(bool, expected);
        QCOMPARE(makeDriver(kind)->CheckIdentity(id), expected);
    }

    void rangeCommands_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fn");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("DCV") << "6450" << "DCV" << 10.0 << "CONF:VOLTAGE:DC 10";
        QTest::newRow("dcv lower case") << "6450" << "dcv" << 0.1 << "CONF:VOLTAGE:DC 0.1";
        QTest::newRow("DCI 1E-7") << "6450" << "DCI" << 1e-7 << "CONF:CURRENT:DC 1.00E-07";
        QTest::newRow("DCI 1E-6") << "6450" << "DCI" << 1e-6 << "CONF:CURRENT:DC 1.00E-06";
        QTest::newRow("DCI 1.1E-6") << "6450" << "DCI" << 1.1e-6 << "CONF:CURRENT:DC 1.1E-06";
        QTest::newRow("DCI 2.5E-7") << "6450" << "DCI" << 2.5e-7 << "CONF:CURRENT:DC 2.50E-07";
        QTest::newRow("DCI 1.234E-9") << "6450" << "DCI" << 1.234e-9 << "CONF:CURRENT:DC 1.23E-09";
        QTest::newRow("DCI 1E-100") << "6450" << "DCI" << 1e-100 << "CONF:CURRENT:DC 1.00E-100";
        QTest::newRow("DCI zero") << "6450" << "DCI" << 0.0 << "CONF:CURRENT:DC 0.00E+00";
        QTest::newRow("DCI 1 mA") << "6450" << "DCI" << 0.001 << "CONF:CURRENT:DC 0.001";
        QTest::newRow("ACV") << "6450" << "ACV" << 750.0 << "CONF:VOLTAGE:AC 750";
        QTest::newRow("ACI") << "6450" << "aci" << 2.0 << "CONF:CURRENT:AC 2";
        QTest::newRow("ACI small stays general") << "6450" << "ACI" << 1e-7 << "CONF:CURRENT:AC 1E-07";
        QTest::newRow("RES") << "6450" << "RES" << 100000.0 << "CONF:RES 100000";
        QTest::newRow("FRES") << "6450" << "FRES" << 10.5 << "CONF:FRES 10.5";
        QTest::newRow("RESLOWI") << "6450" << "RESLOWI" << 1e6 << "CONF:RES:LOWI 1000000";
        QTest::newRow("FRESLOWI") << "6450" << "FRESLOWI" << 100.0 << "CONF:FRES:LOWI 100";
        QTest::newRow("RESHIGHI") << "6450" << "ResHighI" << 10.0 << "CONF:RES:HIGHI 10";
        QTest::newRow("FRESHIGHI") << "6450" << "FRESHIGHI" << 1.0 << "CONF:FRES:HIGHI 1";
        QTest::newRow("FREQ") << "6450" << "FREQ" << 1000.0 << "CONF:FREQ 1000";
        QTest::newRow("prt 500") << "6450" << "prt" << 500.0 << "R60";
        QTest::newRow("PRT 100") << "6450" << "PRT" << 100.0 << "R60";
        QTest::newRow("PRT 500.5") << "6450" << "PRT" << 500.5 << "R61";
        QTest::newRow("PRT 4999") << "6450" << "PRT" << 4999.0 << "R61";
        QTest::newRow("PRT 5000") << "6450" << "PRT" << 5000.0 << "R62";
        QTest::newRow("THERMOCOUPLE") << "6450" << "Thermocouple" << 0.0 << "R64";
        QTest::newRow("unknown") << "6450" << "TEMP" << 1.0 << "";
        QTest::newRow("empty name") << "6450" << "" << 1.0 << "";
        QTest::newRow("5300 DCI") << "5300" << "DCI" << 1e-7 << "CONF:CURRENT:DC 1.00E-07";
        QTest::newRow("5300 RESLOWI") << "5300" << "RESLOWI" << 100.0 << "";
        QTest::newRow("5300 freshighi") << "5300" << "freshighi" << 100.0 << "";
        QTest::newRow("5520 RES") << "5520" << "RES" << 100.0 << "CONF:RES 100";
        QTest::newRow("5520 FRESLOWI") << "5520" << "FRESLOWI" << 100.0 << "";
        QTest::newRow("5520 RESHIGHI") << "5520" << "RESHIGHI" << 100.0 << "";
        QTest::newRow("5520 PRT") << "5520" << "PRT" << 6000.0 << "R62";
    }
    void rangeCommands()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fn);
        QFETCH(double, value);
        QFETCH(QString, expected);
        const std::unique_ptr<IDVM> dvm = makeDriver(kind);
        QCOMPARE(static_cast<DVM_6450 &>(*dvm).RangeCommand(fn, value), expected);
    }

    // The scientific form of small currents keeps its "." on a desktop set to a decimal comma.
    void rangeCommandUnderADecimalCommaLocale()
    {
        const CommaLocale comma;
        if (!comma.active())
            QSKIP(qPrintable(comma.reason()));
        QCOMPARE(DVM_6450().RangeCommand("DCI", 2.5e-7), QStringLiteral("CONF:CURRENT:DC 2.50E-07"));
        QCOMPARE(DVM_6450().RangeCommand("DCV", 0.1), QStringLiteral("CONF:VOLTAGE:DC 0.1"));
    }

    // SetRange sleeps 100 ms, sends without waiting, sleeps 100 ms; nothing for no command.
    void setRangeOnTheWire_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("elapsedMs");
        QTest::newRow("meter DCI") << "6450" << "DCI" << QByteArray("CONF:CURRENT:DC 1.00E-07\r") << 205;
        QTest::newRow("meter RESLOWI") << "6450" << "RESLOWI" << QByteArray("CONF:RES:LOWI 1E-07\r") << 205;
        QTest::newRow("5300 RESLOWI") << "5300" << "RESLOWI" << QByteArray() << 200;
        QTest::newRow("5520 RESLOWI") << "5520" << "RESLOWI" << QByteArray() << 200;
        QTest::newRow("meter unknown") << "6450" << "X" << QByteArray() << 200;
    }
    void setRangeOnTheWire()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fn);
        QFETCH(QByteArray, written);
        QFETCH(int, elapsedMs);
        Link link;
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(10, "*0\r"); };
        const std::unique_ptr<IDVM> dvm = makeDriver(kind);
        dvm->SetCommControl(&link.port);
        QVERIFY(!dvm->SetRange(fn, 1e-7).isValid());
        QCOMPARE(link.port.written, written);
        QCOMPARE(link.env.clock.monotonicMs(), qint64(elapsedMs));
    }

    void hp3458RangeCommands_data()
    {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<double>("value");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("DCV") << "DCV" << 10.0 << QStringList({"DCV 10"});
        QTest::newRow("dci") << "dci" << 1e-7 << QStringList({"dci 1E-07"});
        QTest::newRow("RES") << "RES" << 100.0 << QStringList({"RES 100"});
        QTest::newRow("FRES") << "FRES" << 10000.0 << QStringList({"FRES 10000"});
        QTest::newRow("acv lower case") << "acv" << 10.0
                                        << QStringList({"acv 10", "SET ACV SYNC", "ACBAND 20,40000"});
        QTest::newRow("ACI") << "ACI" << 0.1 << QStringList({"ACI 0.1", "ACBAND 20,40000"});
        QTest::newRow("FREQ") << "freq" << 1000.0 << QStringList({"FREQ AUTO,0.0001 1000", "ACBAND 20,25000"});
        QTest::newRow("PRT") << "PRT" << 100.0 << QStringList();
        QTest::newRow("RESLOWI") << "RESLOWI" << 100.0 << QStringList();
    }
    void hp3458RangeCommands()
    {
        QFETCH(QString, fn);
        QFETCH(double, value);
        QFETCH(QStringList, expected);
        QCOMPARE(DVM_HP3458::RangeCommands(fn, value), expected);
        Link link;
        DVM_HP3458 dvm;
        dvm.SetCommControl(&link.port);
        dvm.SetRange(fn, value);
        QCOMPARE(link.peer.commands, expected);
        // Each paced (5 ms, then 20 ms within 0.2 s), then 100 ms; nothing and no sleep for no command.
        const qint64 expectedMs = expected.isEmpty() ? 0 : 5 + 20 * (expected.size() - 1) + 100;
        QCOMPARE(link.env.clock.monotonicMs(), expectedMs);
    }

    void hp3458InitialiseAndIdentify()
    {
        Link link;
        DVM_HP3458 dvm;
        dvm.SetCommControl(&link.port);
        dvm.Initialise();
        QCOMPARE(link.peer.commands, QStringList({"PRESET NORM", "LFREQ LINE", "DCV"}));
        QCOMPARE(link.env.clock.monotonicMs(), qint64(5 + 20 + 20 + 25));
        QCOMPARE(dvm.Identify(), QString("3458"));
        QCOMPARE(dvm.SendString("DCV 10", true), QString()); // sends nothing
        QCOMPARE(link.peer.commands.size(), 3);
        link.peer.answer = [](const QString &) { return ScriptedSerialPeer::after(10, "+1.000012E+1\r*0\r"); };
        QCOMPARE(dvm.Read(), QString("+1.000012E+1\r*0\r"));
        QCOMPARE(link.peer.commands.last(), QString("TRIG SGL"));
    }

    void fl8508_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("identity");
        QTest::newRow("echo, then identity") << QByteArray("*IDN?\r\nVELKORANDE,8508A,1234\r\n") << "VELKORANDE,8508A,1234";
        QTest::newRow("echo read back") << QByteArray("*0\r*IDN?\r") << "";
        QTest::newRow("no second line") << QByteArray("*0\r") << "";
    }
    void fl8508()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, identity);
        Link link;
        DVM_FL8508 dvm;
        dvm.SetCommControl(&link.port);
        link.peer.answer = [&](const QString &) { return ScriptedSerialPeer::after(10, reply); };
        QCOMPARE(dvm.Identify(), identity);
        QCOMPARE(dvm.SendString("RANGE 10", true, 5, 1), QString()); // sent, not waited for
        QCOMPARE(link.peer.commands, QStringList({"*IDN?", "RANGE 10"}));
        dvm.Initialise();
        dvm.SetRange("DCV", 10);
        QCOMPARE(link.peer.commands.size(), 2);
    }

    // Interface types that a driver has no transport for send nothing.
    void unknownInterfaceTypes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("interfaceType");
        QTest::newRow("meter 4") << "6450" << 4;
        QTest::newRow("meter -1") << "6450" << -1;
        QTest::newRow("5520 4") << "5520" << 4;
        QTest::newRow("3458 on Ethernet") << "3458" << 3;
        QTest::newRow("8508 on Ethernet") << "8508" << 3;
        QTest::newRow("8508 on USB") << "8508" << 2;
    }
    void unknownInterfaceTypes()
    {
        QFETCH(QString, kind);
        QFETCH(int, interfaceType);
        Link link;
        const std::unique_ptr<IDVM> dvm = makeDriver(kind);
        dvm->SetCommControl(&link.port);
        dvm->SetInterfaceType(interfaceType);
        QCOMPARE(dvm->GetInterfaceType(), interfaceType);
        QCOMPARE(dvm->SendString("v", true, 5, 1), QString());
        QCOMPARE(dvm->Read(), QString());
        dvm->SetRange("DCV", 1);
        dvm->Initialise();
        if (kind != "3458")
            QCOMPARE(dvm->Identify(), QString());
        QVERIFY(link.port.written.isEmpty());
        QCOMPARE(dvm->GetStatus(), 0);
    }

    void gpibAnswersFalseWithoutABoard_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("meter") << "6450";
        QTest::newRow("5300") << "5300";
        QTest::newRow("5520") << "5520";
    }
    void gpibAnswersFalseWithoutABoard()
    {
        QFETCH(QString, kind);
        TestEnv env;
        const std::unique_ptr<IDVM> dvm = makeDriver(kind);
        dvm->SetInterfaceType(1);
        QCOMPARE(dvm->SendString("v", true, 5, 1), QString("False"));
        QCOMPARE(dvm->Read(), QString("False"));
        QCOMPARE(dvm->Identify(), QString("False"));
        QCOMPARE(dvm->GetStatus(), 0);
        DVM_HP3458 hp;
        hp.SetInterfaceType(1);
        QCOMPARE(hp.Read(), QString("False"));
    }

    void meterOverRs232()
    {
        Link link;
        DVM_6450 dvm;
        dvm.SetCommControl(&link.port);
        link.peer.answer = [](const QString &command) {
            if (command == "*IDN?")
                return ScriptedSerialPeer::after(20, "Velkorande,6450,12345,2.01\r\n");
            if (command == "READ?")
                return ScriptedSerialPeer::after(20, "\r\n+1.0000E+00\r\n");
            return ScriptedSerialPeer::after(20, "*0\r\n");
        };
        QCOMPARE(dvm.Identify(), QString("Velkorande,6450,12345,2.01\r"));
        QVERIFY(dvm.CheckIdentity(dvm.Identify()));
        QCOMPARE(dvm.Read(), QString("+1.0000E+00\r"));
        QCOMPARE(dvm.SendString("a1", true), QString("*0\r"));
        QCOMPARE(dvm.SendString("a1"), QString()); // not waited for
        link.peer.answer = [](const QString &c) { return ScriptedSerialPeer::after(20, (c + "\r\n").toLatin1()); };
        QCOMPARE(dvm.Identify(), QString()); // an echo is no identity
        link.peer.answer = nullptr;
        const qint64 before = link.env.clock.monotonicMs();
        QCOMPARE(dvm.Identify(), QString("TIMEOUT"));
        QVERIFY(link.env.clock.monotonicMs() - before <= 4100);
    }

    void sendStringDefaults()
    {
        TestEnv env;
        ScriptedDVM dvm;
        dvm.SendString("v");
        QCOMPARE(dvm.calls.size(), 1);
        QCOMPARE(dvm.calls[0].waitForAck, false);
        QCOMPARE(dvm.calls[0].timeout, 10);
        QCOMPARE(dvm.calls[0].packetEndCondition, 1);
    }

    void driverKeepsItsOwnDeviceCopies()
    {
        TestEnv env;
        DVM_6450 dvm;
        state().USBDevice.SerialNumber = "FT1234";
        state().USBDevice.Description = "6450 DMM";
        dvm.SetUSBDevice();
        state().EthernetDevice.MACAddress = QString("00-11-22-33-44-55");
        dvm.SetEthernetDevice();
        state().USBDevice = {};
        state().EthernetDevice = {};
        QCOMPARE(dvm.link().USBDevice.SerialNumber, QString("FT1234"));
        QCOMPARE(dvm.link().EthernetDevice.MACAddress.text(), QString("00-11-22-33-44-55").leftJustified(30));
        DVM_FL8508 fl;
        state().USBDevice.SerialNumber = "X";
        fl.SetUSBDevice();
        fl.SetEthernetDevice(); // does nothing
        QCOMPARE(fl.link().USBDevice.SerialNumber, QString("X"));
        QCOMPARE(fl.link().EthernetDevice, EthernetDevice());
    }

    void initialiseSleeps()
    {
        TestEnv env;
        DVM_CAL_5300 dvm;
        dvm.Initialise();
        QCOMPARE(env.clock.monotonicMs(), qint64(250));
    }

    // --- the 5520's status and its guard ---

    void calibrator5520Status()
    {
        Link link;
        DVM_CAL_5520 dvm;
        dvm.SetCommControl(&link.port);
        link.peer.answer = [](const QString &command) {
            return command == "slow" ? QList<ScriptedSerialPeer::Chunk>() : ScriptedSerialPeer::after(10, "*0\r");
        };
        QCOMPARE(dvm.GetStatus(), 0);
        QCOMPARE(dvm.SendString("slow", true, 1, 1), QString("TIMEOUT"));
        QCOMPARE(dvm.GetStatus(), 3);
        link.env.clock.sleepMs(1000); // no longer waiting for the late reply to "slow"
        QCOMPARE(dvm.SendString("fast", true, 1, 1), QString("*0\r"));
        QCOMPARE(dvm.GetStatus(), 0);
        QCOMPARE(dvm.SendString("slow", true, 1, 1), QString("TIMEOUT"));
        QCOMPARE(dvm.SendString("fast", false), QString()); // an exchange without reply is normal
        QCOMPARE(dvm.GetStatus(), 0);
        DVM_CAL_5300 other; // the 5300 never sets a status
        other.SetCommControl(&link.port);
        QCOMPARE(other.SendString("slow", true, 1, 1), QString("TIMEOUT"));
        QCOMPARE(other.GetStatus(), 0);
    }
    void calibrator5520AnswersBusyInsideAnExchange()
    {
        Link link;
        DVM_CAL_5520 dvm;
        dvm.SetCommControl(&link.port);
        QString inner;
        int statusInside = -1;
        link.peer.answer = [&](const QString &command) {
            if (command == "outer") {
                // Another handler runs while the exchange waits, and uses the same driver.
                link.env.clock.scheduleIn(30, [&] {
                    inner = dvm.SendString("inner", true, 1, 1);
                    statusInside = dvm.GetStatus();
                });
                return ScriptedSerialPeer::after(100, "*0\r");
            }
            return ScriptedSerialPeer::after(10, "*9\r");
        };
        QCOMPARE(dvm.SendString("outer", true, 1, 1), QString("*0\r"));
        QCOMPARE(inner, QString("BUSY"));
        QCOMPARE(statusInside, 0);
        QCOMPARE(link.peer.commands, QStringList({"outer"}));
        QCOMPARE(dvm.SendString("next", true, 1, 1), QString("*9\r")); // free again
    }
    void calibrator5520TrapsAFault()
    {
        Link link;
        DVM_CAL_5520 dvm;
        dvm.SetCommControl(&link.port);
        link.peer.answer = [&](const QString &command) {
            if (command == "bad")
                link.env.clock.scheduleIn(20, [] { throw std::runtime_error("fault in the exchange"); });
            return ScriptedSerialPeer::after(50, "*0\r");
        };
        QCOMPARE(dvm.SendString("bad", true, 1, 1), QString("ERROR"));
        QCOMPARE(dvm.GetStatus(), 2);
        QCOMPARE(dvm.SendString("good", true, 1, 1), QString("*0\r")); // the guard was cleared
        QCOMPARE(dvm.GetStatus(), 0);
    }
};

QTEST_GUILESS_MAIN(DriversTest)
#include "drivers_test.moc"
