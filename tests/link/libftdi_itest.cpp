#include "link/SharedState.h"
#include "link/USB.h"
#include "link/platform/Ftdi.h"
#include "tests/support/TestEnv.h"

#include <QTest>

// The libftdi1 backend on whatever machine runs the tests: with no FTDI device, no USB
// bus or no permission it must answer with statuses, never crash or hang.
class LibFtdiTest : public QObject
{
    Q_OBJECT

    // Each test function talks to the meter as one operation of its own.
    MeterGate::Operation m_meter;

private Q_SLOTS:
    void init() { m_meter = meterGate().begin(); }
    void cleanup() { m_meter.release(); }
    void answersWithoutADevice()
    {
        TestEnv env;
        RealClock clock;
        LibFtdiApi ftdi(clock);
        state().ftdi = &ftdi;

        qint32 count = -1;
        const FtStatus listed = ftdi.ListDeviceCount(count);
        QVERIFY(listed == Ft::Ok || listed == Ft::OtherError);
        if (listed == Ft::Ok) {
            QVERIFY(count >= 0);
            QByteArray buffer(256, '\0');
            QCOMPARE(ftdi.ListDescription(count, buffer), Ft::DeviceNotFound); // one past the end
        }
        if (listed != Ft::Ok || count == 0)
            QCOMPARE(ListUSBDevices(), 0);

        FtHandle handle = 0;
        QVERIFY(ftdi.OpenBySerialNumber("NO-SUCH-SERIAL-0", handle) != Ft::Ok);
        QVERIFY(!OpenUSBDevice(QStringLiteral("NO-SUCH-SERIAL-0"), handle));

        const FtHandle none = 12345;
        quint32 a = 0, b = 0, c = 0;
        QCOMPARE(ftdi.GetStatus(none, a, b, c), Ft::InvalidHandle);
        QCOMPARE(ftdi.Write(none, "x", a), Ft::InvalidHandle);
        QByteArray bytes;
        QCOMPARE(ftdi.Read(none, bytes, 1, a), Ft::InvalidHandle);
        QCOMPARE(ftdi.SetBaudRate(none, 9600), Ft::InvalidHandle);
        QCOMPARE(ftdi.Close(none), Ft::InvalidHandle);
        QVERIFY(!ftdi.WaitForData(none, 10));

        state().USBDevice.SerialNumber = QStringLiteral("NO-SUCH-SERIAL-0");
        qint32 status = 0;
        QCOMPARE(UsbSendString(QStringLiteral("v"), status, 1, 1), QString());
        QCOMPARE(status, qint32(UsbOpenFailed));
    }
};

QTEST_GUILESS_MAIN(LibFtdiTest)
#include "libftdi_itest.moc"
