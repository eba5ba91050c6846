#include "link/DMM_Setup.h"
#include "link/IDVM.h"
#include "link/SharedState.h"
#include "link/USB.h"
#include "link/platform/Ftdi.h"
#include "link/platform/SerialPortControl.h"
#include "link/platform/UdpSocketControl.h"
#include "shell/FormMain.h"
#include "shell/MainWindowText.h"
#include "shell/StartForm.h"
#include "tables/prt/FormPRTTable.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryFtdi.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "widgets/FormProgress.h"
#include "widgets/WindowRegistry.h"

#include <QHostAddress>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QGroupBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

namespace {

ScriptedDVM &installDriver()
{
    auto driver = std::make_unique<ScriptedDVM>();
    ScriptedDVM &ref = *driver;
    state().DVM1 = std::move(driver);
    return ref;
}

// The main window with an in-memory serial port, as the registry loads it.
FormMain &loadMain(TestEnv &env, MemorySerialPort **port = nullptr)
{
    FormMain &main = appWindows().form<FormMain>();
    auto memory = std::make_unique<MemorySerialPort>(env.clock);
    if (port)
        *port = memory.get();
    main.setCommControl(std::move(memory));
    main.endProgram = [] {};
    return main;
}

const QString SixLines = QStringLiteral("Model 6450\r\n"
                                        "Version 2.07\r\n"
                                        "Serial 123456\r\n"
                                        "Unc 1.0 01/02/25\r\n"
                                        "Spec 3.1 14/03/26\r\n"
                                        "Tab 2.2 05/05/24\r\n"
                                        "*0\r\n");

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void infoTextFromReply_data();
    void infoTextFromReply();
    void getInfoAsksAndFillsTheBox_data();
    void getInfoAsksAndFillsTheBox();
    void getInfoWithoutDriverLeavesTheBoxEmpty();
    void displayReading_data();
    void displayReading();
    void displayReadingWritesPanelThree();
    void updateStatusBar_data();
    void updateStatusBar();
    void updateStatusBarWithoutDriverChangesNothing();
    void connectionBoxShowsItsWholeText_data();
    void connectionBoxShowsItsWholeText();
    void openAndCloseCommPort();
    void closeSavesPositionUnlessMinimised_data();
    void closeSavesPositionUnlessMinimised();
    void exitButtonAndMenuCloseTheWindow();
    void closeUnloadsOtherWindows();
    void closeReleasesABusyUsbDevice_data();
    void closeReleasesABusyUsbDevice();
    void isTheHostWhileItLives();
    void activityFeedsTheProgressWindowAndTheBar();
    void dataArrivalAppendsEveryDatagram();
    void captionsMenusAndPanels();
    void aboutShowsOkAndUnloads();
    void menuItemsOpenTheirWindows_data();
    void menuItemsOpenTheirWindows();
};

// Which window each menu item or button opens, by the window's class name.
void MainWindowTest::menuItemsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("windowClass");
    QTest::newRow("calibration factors button") << "Command_CalFactors" << "FormCalFactors";
    QTest::newRow("calibration factors menu") << "MenuSetupCal" << "FormCalFactors";
    QTest::newRow("thermocouple") << "MenuSetupThermocouple" << "FormThermocouple";
    QTest::newRow("PRT") << "MenuSetupPRT" << "FormPRTTable";
    QTest::newRow("imported uncertainties") << "MenuSetupUncertainties" << "FormImportedUncerts";
    QTest::newRow("specifications") << "MenuSetupSpecifications" << "FormSpecifications";
}

void MainWindowTest::menuItemsOpenTheirWindows()
{
    QFETCH(QString, control);
    QFETCH(QString, windowClass);
    TestEnv env;
    FormMain &main = loadMain(env);
    const auto trigger = [&] {
        if (auto *action = main.findChild<QAction *>(control))
            action->trigger();
        else if (auto *button = main.findChild<QPushButton *>(control))
            button->click();
        else
            QFAIL(qPrintable("no control " + control));
    };
    const auto openWindows = [&] {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && windowClass == QLatin1String(w->metaObject()->className()))
                found << w;
        return found;
    };
    trigger();
    QCOMPARE(openWindows().size(), 1);
    QWidget *first = openWindows().first();
    trigger(); // a window already open is brought up again, not made twice
    QCOMPARE(openWindows(), QList<QWidget *>{first});
}

void MainWindowTest::infoTextFromReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("six prefixes in reply order")
        << QStringLiteral("Tab 2.2\rSerial 1\rModel 6450\rSpec 3.1\rVersion 2\rUnc 1.0\r*0\r")
        << QStringLiteral("Thermocouple Table Version/Date  2.2\r\nSerial 1\r\nModel 6450\r\n"
                          "Specifications Version/Date  3.1\r\nVersion 2\r\nUncertainties Version/Date  1.0\r\n");
    QTest::newRow("spec keeps its blank: two in a row")
        << QStringLiteral("Spec 3.1 14/03/26\r") << QStringLiteral("Specifications Version/Date  3.1 14/03/26\r\n");
    QTest::newRow("title glued to the prefix")
        << QStringLiteral("Unc1.0\rSpecX\rTab\r") 
        << QStringLiteral("Uncertainties Version/Date 1.0\r\nSpecifications Version/Date X\r\n"
                          "Thermocouple Table Version/Date \r\n");
    QTest::newRow("lower-case model skipped") << QStringLiteral("model 6450\rModel 6450\r")
                                               << QStringLiteral("Model 6450\r\n");
    QTest::newRow("information lines and status skipped")
        << QStringLiteral("Model 6450\r\r\rLab 3\rOwner\r*0\r") << QStringLiteral("Model 6450\r\n");
    QTest::newRow("timeout") << QStringLiteral("TIMEOUT") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("lines trimmed by the splitter") << QStringLiteral("  Serial 99  \r")
                                                    << QStringLiteral("Serial 99\r\n");
    QTest::newRow("last line without line end")
        << QStringLiteral("Version 1\rSerial 42") << QStringLiteral("Version 1\r\nSerial 42\r\n");
}

void MainWindowTest::infoTextFromReply()
{
    QFETCH(QString, reply);
    QFETCH(QString, text);
    QCOMPARE(InfoTextFromReply(reply), text);
}

void MainWindowTest::getInfoAsksAndFillsTheBox_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("shown");
    QTest::newRow("six lines") << SixLines
                               << QStringLiteral("Model 6450\nVersion 2.07\nSerial 123456\n"
                                                 "Uncertainties Version/Date  1.0 01/02/25\n"
                                                 "Specifications Version/Date  3.1 14/03/26\n"
                                                 "Thermocouple Table Version/Date  2.2 05/05/24\n");
    QTest::newRow("timeout") << QStringLiteral("TIMEOUT") << QString();
}

void MainWindowTest::getInfoAsksAndFillsTheBox()
{
    QFETCH(QString, reply);
    QFETCH(QString, shown);
    TestEnv env;
    ScriptedDVM &dvm = installDriver();
    dvm.reply = [&](const QString &) { return reply; };
    FormMain &main = loadMain(env);
    main.Text_Info->setPlainText(QStringLiteral("old text"));

    main.Command_GetInfo->click();

    QCOMPARE(dvm.calls.size(), 1);
    QCOMPARE(dvm.calls[0].command, QStringLiteral("v"));
    QCOMPARE(dvm.calls[0].waitForAck, true);
    QCOMPARE(dvm.calls[0].timeout, 5);
    QCOMPARE(dvm.calls[0].packetEndCondition, 1);
    QCOMPARE(main.Text_Info->toPlainText(), shown);
    QCOMPARE(env.ui.hourglassShown, 1);
    QCOMPARE(env.ui.hourglassDepth, 0);
    QVERIFY(env.ui.boxes.isEmpty());
}

void MainWindowTest::getInfoWithoutDriverLeavesTheBoxEmpty()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    main.Text_Info->setPlainText(QStringLiteral("old text"));
    main.Command_GetInfo_Click();
    QCOMPARE(main.Text_Info->toPlainText(), QString());
    QCOMPARE(env.ui.hourglassDepth, 0);
}

void MainWindowTest::displayReading_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("text");
    QTest::newRow("nano") << QStringLiteral("1.5E-09") << QStringLiteral("1.500n");
    QTest::newRow("below nano stays nano") << QStringLiteral("2E-12") << QStringLiteral("0.002n");
    QTest::newRow("micro") << QStringLiteral("4.7E-6") << QStringLiteral("4.700u");
    QTest::newRow("band's upper edge shifts into it") << QStringLiteral("1.2345E-04") << QStringLiteral("0.12345m");
    QTest::newRow("milli") << QStringLiteral("-2.5E-3") << QStringLiteral("-2.500m");
    QTest::newRow("unit") << QStringLiteral("1.0000237E+00") << QStringLiteral("1.000024 ");
    QTest::newRow("unit, exponent -1") << QStringLiteral("1.5E-1") << QStringLiteral("0.150 ");
    QTest::newRow("kilo") << QStringLiteral("1.5E+03") << QStringLiteral("1.500k");
    QTest::newRow("kilo, exponent 1") << QStringLiteral("1.5E1") << QStringLiteral("0.015k");
    QTest::newRow("mega") << QStringLiteral("4.7e6") << QStringLiteral("4.700M");
    QTest::newRow("giga") << QStringLiteral("1E9") << QStringLiteral("1.000G");
    QTest::newRow("tera") << QStringLiteral("3E12") << QStringLiteral("3.000T");
    QTest::newRow("above tera: no prefix") << QStringLiteral("1E13") << QStringLiteral("10000000000000.000");
    QTest::newRow("no E") << QStringLiteral("1.234") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("overflow") << QStringLiteral("9E999") << QString();
    QTest::newRow("pattern rounds to six decimals") << QStringLiteral("1.23456789E0") << QStringLiteral("1.234568 ");
}

void MainWindowTest::displayReading()
{
    QFETCH(QString, reading);
    QFETCH(QString, text);
    QCOMPARE(DisplayReadingText(reading), text);
}

void MainWindowTest::displayReadingWritesPanelThree()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    main.DisplayReading(QStringLiteral("1.5E-3"));
    QCOMPARE(main.statusPanelText(3), QStringLiteral("1.500m"));
    main.DisplayReading(QStringLiteral("12.5")); // no exponent: nothing shown
    QCOMPARE(main.statusPanelText(3), QStringLiteral("1.500m"));
}

void MainWindowTest::updateStatusBar_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("panel");
    QTest::newRow("COM1 open") << 1 << true << QStringLiteral("Com1 Open");
    QTest::newRow("COM3 open") << 3 << true << QStringLiteral("Com3 Open");
    QTest::newRow("COM16 open") << 16 << true << QStringLiteral("Com16 Open");
    QTest::newRow("COM1 closed") << 1 << false << QString();
}

void MainWindowTest::updateStatusBar()
{
    QFETCH(int, port);
    QFETCH(bool, open);
    QFETCH(QString, panel);
    TestEnv env;
    ScriptedDVM &dvm = installDriver();
    dvm.description = QStringLiteral("Velkorande 6450\r\nRS232 Port 3");
    MemorySerialPort *serial = nullptr;
    FormMain &main = loadMain(env, &serial);
    main.setStatusPanelText(1, QStringLiteral("stale"));
    QVERIFY(serial->setCommPort(port));
    QVERIFY(serial->setPortOpen(open));

    main.UpdateStatusBar();

    QCOMPARE(main.statusPanelText(1), panel);
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), QStringLiteral("Velkorande 6450\nRS232 Port 3"));
}

// An Ethernet link is described in three lines, a USB link in two and an empty third:
// all show without a scroll bar.
// A link's description (three lines, USB's third empty) and the no-driver message (one
// long line) show whole: no line runs past the box, none is below its bottom.
void MainWindowTest::connectionBoxShowsItsWholeText_data()
{
    QTest::addColumn<QString>("description"); // empty: no driver for the model "3458"
    QTest::newRow("Ethernet") << QStringLiteral("Velkorande 6450\r\nEthernet DEVICE01\r\nIP 192.168.100.200:10001");
    QTest::newRow("USB") << QStringLiteral("Velkorande 6450\r\nUSB FT123456\r\n");
    QTest::newRow("no driver") << QString();
}
void MainWindowTest::connectionBoxShowsItsWholeText()
{
    QFETCH(QString, description);
    TestEnv env;
    if (!description.isEmpty())
        installDriver().description = description;
    FormMain &main = loadMain(env);
    main.show();
    if (description.isEmpty())
        main.ShowNoDriver(QStringLiteral("3458"));
    else
        main.UpdateStatusBar();
    QPlainTextEdit *box = main.Text_ConnectionStatus;
    QTRY_VERIFY(box->isVisible());
    QCoreApplication::processEvents();
    if (description.isEmpty())
        QCOMPARE(box->toPlainText(), QStringLiteral("No driver for the meter model \"3458\": no meter can be reached."));
    else
        QCOMPARE(box->blockCount(), 3);
    QCOMPARE(box->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(box->verticalScrollBar()->maximum(), 0);
    // The box stays inside its frame.
    QVERIFY(box->geometry().bottom() < main.Frame_ConnectionStatus->height());
    QVERIFY(main.Frame_ConnectionStatus->geometry().bottom() < main.Command_Exit->y());
}

void MainWindowTest::updateStatusBarWithoutDriverChangesNothing()
{
    TestEnv env;
    MemorySerialPort *serial = nullptr;
    FormMain &main = loadMain(env, &serial);
    QVERIFY(serial->setPortOpen(true));
    main.Text_ConnectionStatus->setPlainText(QStringLiteral("as it was"));
    main.setStatusPanelText(1, QStringLiteral("panel as it was"));
    main.UpdateStatusBar();
    QCOMPARE(main.Text_ConnectionStatus->toPlainText(), QStringLiteral("as it was"));
    QCOMPARE(main.statusPanelText(1), QStringLiteral("panel as it was"));
}

void MainWindowTest::openAndCloseCommPort()
{
    TestEnv env;
    installDriver();
    MemorySerialPort *serial = nullptr;
    FormMain &main = loadMain(env, &serial);
    QVERIFY(serial->setCommPort(2));

    main.OpenCommPort();
    QVERIFY(serial->PortOpen());
    QCOMPARE(main.statusPanelText(1), QStringLiteral("Com2 Open"));
    QVERIFY(env.ui.boxes.isEmpty());

    main.OpenCommPort(); // already open
    QCOMPARE(env.ui.boxes.size(), 1);
    QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Cannot open port"));
    QCOMPARE(env.ui.boxes[0].style, int(Msg::Critical));

    main.CloseCommPort();
    QVERIFY(!serial->PortOpen());
    QCOMPARE(main.statusPanelText(1), QString());

    serial->setOpenFails(true);
    main.OpenCommPort();
    QCOMPARE(env.ui.boxes.size(), 2);
    QCOMPARE(env.ui.boxes[1].prompt, QStringLiteral("Cannot open port"));
    QCOMPARE(main.statusPanelText(1), QString());
}

void MainWindowTest::closeSavesPositionUnlessMinimised_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::newRow("normal") << false;
    QTest::newRow("minimised") << true;
}

void MainWindowTest::closeSavesPositionUnlessMinimised()
{
    QFETCH(bool, minimised);
    TestEnv env;
    FormMain &main = loadMain(env);
    int ended = 0;
    main.endProgram = [&] { ++ended; };
    main.move(40, 30);
    main.show();
    if (minimised)
        main.showMinimized();
    QTRY_COMPARE(main.isMinimized(), minimised);
    const QPoint place = main.pos();

    QVERIFY(main.close());

    QCOMPARE(ended, 1);
    if (minimised) {
        QCOMPARE(env.settings.saveCount(), 0);
        return;
    }
    QCOMPARE(env.settings.saveCount(), 3);
    const auto &saved = env.settings.values();
    QCOMPARE(saved.value(QStringLiteral("settings/mainleft")), QLatin1Char(' ') + QString::number(place.x() * 15));
    QCOMPARE(saved.value(QStringLiteral("settings/maintop")), QLatin1Char(' ') + QString::number(place.y() * 15));
    QVERIFY(saved.contains(QStringLiteral("settings/graphdirectory")));
    QCOMPARE(saved.value(QStringLiteral("settings/graphdirectory")), QString());
    QCOMPARE(SignedNumberText(-75), QStringLiteral("-75"));
    QCOMPARE(SignedNumberText(0), QStringLiteral(" 0"));
}

void MainWindowTest::exitButtonAndMenuCloseTheWindow()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    int ended = 0;
    main.endProgram = [&] { ++ended; };
    main.show();
    main.Command_Exit->click();
    QVERIFY(!main.isVisible());
    QCOMPARE(ended, 1);
    main.show();
    main.MenuFileExit->trigger();
    QVERIFY(!main.isVisible());
    QCOMPARE(ended, 2);
}

void MainWindowTest::closeUnloadsOtherWindows()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    appWindows().form<StartForm>().show();
    QVERIFY(main.close());
    QVERIFY(!appWindows().isLoaded<StartForm>());
    QCOMPARE(appWindows().find<FormMain>(), &main);
}

void MainWindowTest::closeReleasesABusyUsbDevice_data()
{
    QTest::addColumn<bool>("busy");
    QTest::newRow("exchange under way") << true;
    QTest::newRow("idle") << false;
}

void MainWindowTest::closeReleasesABusyUsbDevice()
{
    QFETCH(bool, busy);
    TestEnv env;
    MemoryFtdiApi ftdi(env.clock);
    ftdi.attach(QStringLiteral("6450 USB"), QStringLiteral("VK123"));
    state().ftdi = &ftdi;
    qint32 handle = 0;
    QVERIFY(OpenUSBDevice(QStringLiteral("VK123"), handle));
    state().USBDevice.SerialNumber = QStringLiteral("VK123");
    state().USBDevice.Handle = handle;
    state().USBDevice.Busy = busy ? -1 : 0;
    FormMain &main = loadMain(env);

    QVERIFY(main.close());

    QCOMPARE(ftdi.isOpen(QStringLiteral("VK123")), !busy);
    state().ftdi = nullptr;
}

void MainWindowTest::isTheHostWhileItLives()
{
    TestEnv env;
    {
        FormMain &main = loadMain(env);
        QCOMPARE(&mainHost(), static_cast<MainWindowHost *>(&main));
        QCOMPARE(state().DVM1Comm, main.DVM1Comm);
        QCOMPARE(state().UDPCommand, main.UDPCommand);
        QCOMPARE(state().UDPData, main.UDPData);

        mainHost().setStatusText(QStringLiteral("line 1\r\nline 2\r\n"));
        QCOMPARE(main.statusText(), QStringLiteral("line 1\r\nline 2\r\n"));
        QCOMPARE(main.Text_Status->toPlainText(), QStringLiteral("line 1\nline 2\n"));
        QVERIFY(main.Text_Status->isHidden());
        mainHost().setStatusPanelText(2, QStringLiteral("|||"));
        QCOMPARE(main.StatusPanels[1]->text(), QStringLiteral("|||"));
        appWindows().unload<FormMain>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // back in the event loop
    }
    QCOMPARE(&mainHost(), static_cast<MainWindowHost *>(&env.host));
    QCOMPARE(state().DVM1Comm, nullptr);
    QCOMPARE(state().UDPData, nullptr);
}

void MainWindowTest::activityFeedsTheProgressWindowAndTheBar()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    ShowActivity(QStringLiteral("a\r"));
    // The progress window is created hidden the first time and fed only while visible.
    FormProgress *progress = appWindows().find<FormProgress>();
    QVERIFY(progress);
    QVERIFY(!progress->isVisible());
    QCOMPARE(progress->ProgressBar1->value(), 0);
    progress->show();
    progress->SetMaxLines(70);
    ShowActivity(QStringLiteral("a\rb\r"));
    QCOMPARE(progress->ProgressBar1->value(), 2);
    QCOMPARE(main.StatusPanels[1]->text(), QStringLiteral("||"));
    QCOMPARE(env.host.statusPanelText(2), QString()); // the stand-in host is not used
}

void MainWindowTest::dataArrivalAppendsEveryDatagram()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    QVERIFY(main.UDPData->Bind(0, QStringLiteral("127.0.0.1")));
    state().UdpRxBuffer = QStringLiteral("kept ");
    QUdpSocket sender;
    const auto port = quint16(main.UDPData->LocalPort());
    QCOMPARE(sender.writeDatagram("first\r", QHostAddress::LocalHost, port), qint64(6));
    QCOMPARE(sender.writeDatagram("second \xE4\r", QHostAddress::LocalHost, port), qint64(9));
    QTRY_COMPARE(state().UdpRxBuffer, QStringLiteral("kept first\rsecond \u00E4\r"));

    Q_EMIT main.UDPData->DataArrival(0); // nothing waiting: nothing read
    QCOMPARE(state().UdpRxBuffer, QStringLiteral("kept first\rsecond \u00E4\r"));
}

void MainWindowTest::captionsMenusAndPanels()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    QCOMPARE(main.windowTitle(), QStringLiteral("Velkorande 6400 Series Multimeter Setup"));

    // The menus a user sees: the Service menu stays hidden unless the program starts with --service.
    QStringList bar;
    for (QAction *menu : main.menuBar()->actions())
        if (menu->isVisible())
            bar << menu->text();
    QCOMPARE(bar, (QStringList{"&File", "&Options", "6450 Setup", "Help"}));
    QStringList setup;
    for (QAction *item : main.MenuSetup->actions())
        setup << item->objectName() + QLatin1Char('=') + item->text();
    QCOMPARE(setup, (QStringList{"MenuSetupCal=Calibration Factors", "MenuSetupThermocouple=Thermocouple",
                                 "MenuSetupPRT=PRT", "MenuSetupUncertainties=Imported Uncertainties",
                                 "MenuSetupSpecifications=Specifications"}));

    const QList<QPair<QString, QString>> buttons = {
        {"Command_GetInfo", "Update"},
        {"Command_CalFactors", "Calibration Factors"},
        {"Command_SetupSerial", "Configure Serial / GPIB"},
        {"Command_SetupEthernet", "Configure Ethernet"},
        {"Command_SetupUSB", "Configure USB"},
        {"Command_Autolocate", "Autolocate Meter"},
        {"Command_Exit", "Exit"},
    };
    for (const auto &[name, caption] : buttons) {
        auto *b = main.findChild<QPushButton *>(name);
        QVERIFY2(b, qPrintable(name));
        QCOMPARE(b->text(), caption);
    }

    // Panels 4 and 5: the time of day and the date of the program's clock.
    QCOMPARE(main.statusPanelText(4), QStringLiteral("10:00"));
    QCOMPARE(main.statusPanelText(5), QStringLiteral("14/03/2026"));
}

void MainWindowTest::aboutShowsOkAndUnloads()
{
    TestEnv env;
    FormMain &main = loadMain(env);
    bool okShown = false;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        StartForm *about = appWindows().find<StartForm>();
        QVERIFY(about);
        okShown = about->OKBut->isVisible();
        modal = about->isModal();
        about->OKBut->click();
    });
    main.AboutMenu->trigger();
    QVERIFY(okShown);
    QVERIFY(modal);
    QVERIFY(!appWindows().isLoaded<StartForm>());
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_guitest.moc"
