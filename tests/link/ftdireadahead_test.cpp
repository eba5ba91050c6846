#include "link/platform/FtdiReadAhead.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QTest>

namespace {

// A chip that receives bytes at given virtual times and hands them over in transfers of
// at most packetSize bytes; an empty transfer takes the chip's latency time.
struct ScriptedChip
{
    struct Arrival
    {
        qint64 atMs;
        QByteArray bytes;
    };

    FtStatus transfer(QByteArray &chunk)
    {
        QByteArray arrived;
        for (const Arrival &a : arrivals)
            if (a.atMs <= clock.monotonicMs())
                arrived += a.bytes;
        const QByteArray fresh = arrived.mid(handedOver, packetSize);
        if (fresh.isEmpty()) {
            clock.sleepMs(LatencyMs);
            return Ft::Ok;
        }
        handedOver += fresh.size();
        chunk += fresh;
        return Ft::Ok;
    }

    static constexpr int LatencyMs = 2;
    VirtualClock &clock;
    QList<Arrival> arrivals;
    qsizetype packetSize;
    qsizetype handedOver = 0;
};

using Arrivals = QList<ScriptedChip::Arrival>;

} // namespace

Q_DECLARE_METATYPE(Arrivals)

class FtdiReadAheadTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Status calls and reads in any mix: every byte the chip delivered is read once, in
    // order, and a status call counts exactly the bytes taken from the chip and not yet
    // read. Operations: "S" status, "Rn" read n bytes, "R*" read what the last status
    // counted, "W" wait up to 50 ms for data, "Pn" pause n ms.
    void noByteLostOrReadTwice_data()
    {
        QTest::addColumn<Arrivals>("arrivals");
        QTest::addColumn<int>("packetSize");
        QTest::addColumn<int>("readTimeoutMs");
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QByteArray>("read");

        const Arrivals reply{{0, "Velkorande,"}, {30, "Model 6450,"}, {60, "64500123,2.31\r\n"}};
        QTest::newRow("status then read what waits, as an exchange polls")
            << reply << 64 << 5000 << "S R* P50 S R* P50 S R*" << QByteArray("Velkorande,Model 6450,64500123,2.31\r\n");
        QTest::newRow("status then single bytes, as a line read does")
            << reply << 64 << 5000 << "S R1 S R1 S R1 S R1 S R1 S R1 S R1 S R1 S R1 S R1 S R1 S R1"
            << QByteArray("Velkorande,M");
        QTest::newRow("status twice before a read counts both transfers")
            << reply << 64 << 5000 << "S P40 S R*" << QByteArray("Velkorande,Model 6450,");
        QTest::newRow("a read of more than waits takes the waiting bytes first")
            << reply << 64 << 5000 << "S R20" << QByteArray("Velkorande,Model 645");
        QTest::newRow("a short read leaves the rest for the next status")
            << reply << 64 << 5000 << "P70 S R3 S R* S R*" << QByteArray("Velkorande,Model 6450,64500123,2.31\r\n");
        QTest::newRow("a read that times out returns what came and keeps nothing back")
            << reply << 64 << 40 << "R100 S R* P30 S R*" << QByteArray("Velkorande,Model 6450,64500123,2.31\r\n");
        QTest::newRow("small packets")
            << Arrivals{{0, QByteArray(150, 'x') + "\r"}} << 62 << 5000 << "S R* S R* S R* S R*"
            << QByteArray(150, 'x') + "\r";
        QTest::newRow("wait for data then read")
            << reply << 64 << 5000 << "W S R* P25 W S R* W S R*" << QByteArray("Velkorande,Model 6450,64500123,2.31\r\n");
        QTest::newRow("nothing arrives")
            << Arrivals{} << 64 << 100 << "S R* W R5 S" << QByteArray();
    }

    void noByteLostOrReadTwice()
    {
        QFETCH(Arrivals, arrivals);
        QFETCH(int, packetSize);
        QFETCH(int, readTimeoutMs);
        QFETCH(QString, operations);
        QFETCH(QByteArray, read);

        VirtualClock clock;
        ScriptedChip chip{clock, arrivals, packetSize};
        FtdiReadAhead receive(clock, [&chip](QByteArray &chunk) { return chip.transfer(chunk); });
        receive.readTimeoutMs = static_cast<quint32>(readTimeoutMs);
        QByteArray stream;
        for (const ScriptedChip::Arrival &a : arrivals)
            stream += a.bytes;

        QByteArray gathered;
        quint32 waiting = 0;
        for (const QString &op : operations.split(QLatin1Char(' '))) {
            if (op == QLatin1String("S")) {
                QCOMPARE(receive.status(waiting), Ft::Ok);
                QCOMPARE(qsizetype(waiting), chip.handedOver - gathered.size());
            } else if (op.startsWith(QLatin1Char('R'))) {
                const quint32 toRead = op == QLatin1String("R*") ? waiting : op.mid(1).toUInt();
                QByteArray buffer;
                quint32 got = 0;
                QCOMPARE(receive.read(buffer, toRead, got), Ft::Ok);
                QCOMPARE(qsizetype(got), buffer.size());
                QVERIFY(got <= toRead);
                gathered += buffer;
                waiting = 0;
            } else if (op == QLatin1String("W")) {
                receive.waitForData(50);
            } else {
                clock.sleepMs(op.mid(1).toInt());
            }
            QCOMPARE(gathered, stream.left(gathered.size()));
        }
        QCOMPARE(gathered, read);
    }

    void aFailedTransferIsReported()
    {
        VirtualClock clock;
        FtdiReadAhead receive(clock, [](QByteArray &) { return Ft::IoError; });
        quint32 waiting = 7;
        QCOMPARE(receive.status(waiting), Ft::IoError);
        QCOMPARE(waiting, 0u);
        QByteArray buffer("old");
        quint32 got = 9;
        QCOMPARE(receive.read(buffer, 1, got), Ft::IoError);
        QCOMPARE(got, 0u);
        QVERIFY(buffer.isEmpty());
        QVERIFY(!receive.waitForData(50));
    }
};

QTEST_GUILESS_MAIN(FtdiReadAheadTest)
#include "ftdireadahead_test.moc"
