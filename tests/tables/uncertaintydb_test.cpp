#include "tables/database/Database.h"
#include "tables/database/UncertaintyExport.h"
#include "tables/grid/FlexGrid.h"
#include "tests/support/TestEnv.h"
#include "link/AppTitle.h"

#include <QFile>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kColumns = QStringLiteral("INDEX|DESCRIPTION|FREQ_LOW|FREQ_HIGH|RANGE_LOW|RANGE_HIGH|REF_%|REF_ZERO|LAB_%|LAB_ZERO");

QString shippedSchema()
{
    QFile file(qEnvironmentVariable("SETUP_SOURCE_DIR") + QStringLiteral("/resources/uncertainties.sql"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Runs SQL statements on an SQLite file, creating it; "" when all went well.
QString runSql(const QString &path, const QString &statements)
{
    const QString name = QStringLiteral("test-setup");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            const QStringList parts = statements.split(QLatin1Char(';'));
            for (const QString &part : parts) {
                QStringList lines = part.split(QLatin1Char('\n'));
                lines.removeIf([](const QString &line) { return line.trimmed().startsWith(QStringLiteral("--")); });
                const QString statement = lines.join(QLatin1Char('\n')).trimmed();
                if (!statement.isEmpty() && !query.exec(statement) && failure.isEmpty())
                    failure = query.lastError().text() + QStringLiteral(" in ") + statement;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

// Every row of UNCERTAINTIES in storage order, its columns joined by "|", NULL as "~".
QStringList storedRecords(const QString &path)
{
    const QString name = QStringLiteral("test-read");
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(QStringLiteral("SELECT * FROM UNCERTAINTIES ORDER BY rowid"), db);
            while (query.next()) {
                QStringList values;
                for (const QString &column : kColumns.split(QLatin1Char('|'))) {
                    const QVariant value = query.record().value(column);
                    values << (value.isNull() ? QStringLiteral("~") : value.toString());
                }
                rows << values.join(QLatin1Char('|'));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// A grid from "row,column=text" entries; the grid has as many rows as the largest row needs.
GridCells gridOf(const QStringList &entries)
{
    auto cells = std::make_shared<QMap<QPair<int, int>, QString>>();
    int rows = 2;
    for (const QString &entry : entries) {
        const int comma = int(entry.indexOf(QLatin1Char(',')));
        const int equals = int(entry.indexOf(QLatin1Char('=')));
        const int row = entry.left(comma).toInt();
        cells->insert({row, entry.mid(comma + 1, equals - comma - 1).toInt()}, entry.mid(equals + 1));
        rows = std::max(rows, row + 1);
    }
    return {rows, [cells](int row, int column) { return cells->value({row, column}); }};
}

QStringList acRow(int row)
{
    QStringList entries;
    for (int band = 0; band < 7; ++band)
        entries << QStringLiteral("%1,%2=%3").arg(row).arg(2 * band + 1).arg(band + 1)
                << QStringLiteral("%1,%2=%3").arg(row).arg(2 * band + 2).arg(10 * (band + 1));
    return entries;
}

} // namespace

class UncertaintyDbTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A fresh database with the shipped schema.
    QString freshDatabase(const QString &name = QStringLiteral("6450 Multimeter.mdb"))
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        const QString failure = runSql(path, shippedSchema());
        if (!failure.isEmpty())
            qWarning() << failure;
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(!shippedSchema().isEmpty());
    }

    void cleanup()
    {
        // Every export releases its connection, on success and on failure.
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    }

    void specificationRecords_data()
    {
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("DC row with 3 and 1")
            << QStringList{QStringLiteral("3,1=3"), QStringLiteral("3,2=1")}
            << QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|10uV|~|~")};
        QTest::newRow("5 and 2 on 10V DC")
            << QStringList{QStringLiteral("3,1=5"), QStringLiteral("3,2=2")}
            << QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0005|20uV|~|~")};
        QTest::newRow("reading 0 still adds a record")
            << QStringList{QStringLiteral("1,1=0"), QStringLiteral("1,2=4"), QStringLiteral("2,1=2")}
            << QStringList{QStringLiteral("1|100mv DC|~|~|0V|100mV|~|400nV|~|~"),
                           QStringLiteral("2|1V DC|~|~|100mV|1V|0.0002|~|~|~")};
        QTest::newRow("empty, zero and negative range cells leave REF_ZERO unset")
            << QStringList{QStringLiteral("12,1=7"), QStringLiteral("13,1=8"), QStringLiteral("13,2=0"),
                           QStringLiteral("14,1=9"), QStringLiteral("14,2=-3")}
            << QStringList{QStringLiteral("1|10mA DC|~|~|1mA|10mA|0.0007|~|~|~"),
                           QStringLiteral("2|100mA DC|~|~|10mA|100mA|0.0008|~|~|~"),
                           QStringLiteral("3|1A DC|~|~|100mA|1A|0.0009|~|~|~")};
        QTest::newRow("range above 54 has no limits")
            << QStringList{QStringLiteral("60,1=5"), QStringLiteral("60,2=2")}
            << QStringList{QStringLiteral("1|Unused|~|~|0|0|0.0005|~|~|~")};
        QTest::newRow("header row skipped, exponent read")
            << QStringList{QStringLiteral("0,1=9"), QStringLiteral("1,1=1.5E1")}
            << QStringList{QStringLiteral("1|100mv DC|~|~|0V|100mV|0.0015|~|~|~")};
        QTest::newRow("text that begins with a number")
            << QStringList{QStringLiteral("31,1= 12.5ppm"), QStringLiteral("31,2=x")}
            << QStringList{QStringLiteral("1|10R 4-wire (20mV)|~|~|1R|10R|0.00125|~|~|~")};
        QTest::newRow("AC row: seven records with band names")
            << acRow(20)
            << QStringList{QStringLiteral("1|10V AC(1Hz-40Hz)|1Hz|40Hz|1V|10V|0.0001|100uV|~|~"),
                           QStringLiteral("2|10V AC(40Hz-200Hz)|40Hz|200Hz|1V|10V|0.0002|200uV|~|~"),
                           QStringLiteral("3|10V AC(200Hz-1kHz)|200Hz|1kHz|1V|10V|0.0003|300uV|~|~"),
                           QStringLiteral("4|10V AC(1kHz-2kHz)|1kHz|2kHz|1V|10V|0.0004|400uV|~|~"),
                           QStringLiteral("5|10V AC(2kHz-20kHz)|2kHz|20kHz|1V|10V|0.0005|500uV|~|~"),
                           QStringLiteral("6|10V AC(20kHz-100kHz)|20kHz|100kHz|1V|10V|0.0006|600uV|~|~"),
                           QStringLiteral("7|10V AC(100kHz-10MHz)|100kHz|10MHz|1V|10V|0.0007|700uV|~|~")};
        QTest::newRow("AC row is told by its band-1 reading alone")
            << QStringList{QStringLiteral("27,3=2"), QStringLiteral("28,1=1"), QStringLiteral("28,2=1"),
                           QStringLiteral("28,4=5")}
            << QStringList{QStringLiteral("1|1A AC(40Hz-200Hz)|40Hz|200Hz|100mA|1A|0.0002|~|~|~"),
                           QStringLiteral("2|10A AC|~|~|1A|10A|0.0001|10uA|~|~")};
        QTest::newRow("rows in order, INDEX running on")
            << (QStringList{QStringLiteral("5,1=1"), QStringLiteral("5,2=1000")} + acRow(2).mid(0, 4))
            << QStringList{QStringLiteral("1|1V DC(1Hz-40Hz)|1Hz|40Hz|100mV|1V|0.0001|10uV|~|~"),
                           QStringLiteral("2|1V DC(40Hz-200Hz)|40Hz|200Hz|100mV|1V|0.0002|20uV|~|~"),
                           QStringLiteral("3|1kV DC|~|~|100V|1kV|0.0001|1V|~|~")};
        QTest::newRow("empty grid") << QStringList{} << QStringList{};
    }

    void specificationRecords()
    {
        QFETCH(QStringList, grid);
        QFETCH(QStringList, records);
        TestEnv env;
        const QString path = freshDatabase();
        env.ui.answerFiles({path});
        SaveSpecificationsToUncertaintyDB(gridOf(grid));
        QCOMPARE(env.ui.boxes.size(), 0);
        QCOMPARE(storedRecords(path), records);
        QCOMPARE(env.ui.hourglassDepth, 0);
    }

    void dialogIsTheSaveDialogOfTheMdbFile()
    {
        TestEnv env;
        const QString path = freshDatabase();
        env.ui.answerFiles({path});
        SaveSpecificationsToUncertaintyDB(gridOf({QStringLiteral("3,1=3")}));
        QCOMPARE(env.ui.fileRequests.size(), 1);
        const FileDialogRequest &request = env.ui.fileRequests.first();
        QCOMPARE(request.filter, QStringLiteral("MDB Files (*.MDB)|*.MDB|"));
        QCOMPARE(request.filterIndex, 1);
        QCOMPARE(request.fileName, QStringLiteral("6450 Multimeter.mdb"));
        QCOMPARE(request.defaultExt, QStringLiteral("mdb"));
        QCOMPARE(request.flags, 0x8006);
    }

    // What the editors hand over: their grid, through gridCellsOf.
    void exportFromAFlexGrid()
    {
        TestEnv env;
        const QString path = freshDatabase();
        FlexGrid grid;
        grid.setCols(15);
        grid.setRows(4);
        grid.setTextMatrix(0, 1, QStringLiteral("ppm Reading (DC-40Hz)"));
        grid.setTextMatrix(3, 0, QStringLiteral("R3 10V DC"));
        grid.setTextMatrix(3, 1, QStringLiteral("3"));
        grid.setTextMatrix(3, 2, QStringLiteral("1"));
        env.ui.answerFiles({path});
        SaveSpecificationsToUncertaintyDB(gridCellsOf(grid));
        QCOMPARE(env.ui.boxes.size(), 0);
        QCOMPARE(storedRecords(path), QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|10uV|~|~")});
    }

    void exportingTwiceAddsASecondSet()
    {
        TestEnv env;
        const QString path = freshDatabase();
        const GridCells grid = gridOf({QStringLiteral("3,1=3"), QStringLiteral("4,1=4")});
        env.ui.answerFiles({path, path});
        SaveSpecificationsToUncertaintyDB(grid);
        SaveSpecificationsToUncertaintyDB(grid);
        QCOMPARE(env.ui.boxes.size(), 0);
        const QStringList once{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|~|~"),
                               QStringLiteral("2|100V DC|~|~|10V|100V|0.0004|~|~|~")};
        QCOMPARE(storedRecords(path), once + once);
    }

    void uncertaintiesFillTheLaboratoryColumns()
    {
        TestEnv env;
        const QString path = freshDatabase();
        env.ui.answerFiles({path, path});
        SaveSpecificationsToUncertaintyDB(gridOf(QStringList{QStringLiteral("3,1=3"), QStringLiteral("3,2=1")}
                                                 + acRow(20).mid(0, 4)));
        InsertUncertaintiesIntoUncertaintyDB(gridOf({QStringLiteral("3,1=6"), QStringLiteral("3,2=2"),
                                                     QStringLiteral("20,1=0"), QStringLiteral("20,2=5"),
                                                     QStringLiteral("20,3=12.5")}));
        QCOMPARE(env.ui.boxes.size(), 0);
        QCOMPARE(storedRecords(path),
                 (QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|10uV|0.0006|20uV"),
                              QStringLiteral("2|10V AC(1Hz-40Hz)|1Hz|40Hz|1V|10V|0.0001|100uV|~|50uV"),
                              QStringLiteral("3|10V AC(40Hz-200Hz)|40Hz|200Hz|1V|10V|0.0002|200uV|0.00125|~")}));
    }

    void uncertaintyGridWithOneCellMore()
    {
        TestEnv env;
        const QString path = freshDatabase();
        env.ui.answerFiles({path, path});
        SaveSpecificationsToUncertaintyDB(gridOf({QStringLiteral("3,1=3"), QStringLiteral("4,1=4")}));
        InsertUncertaintiesIntoUncertaintyDB(
            gridOf({QStringLiteral("3,1=1"), QStringLiteral("4,1=2"), QStringLiteral("5,1=3")}));
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Database does not match, index: 3"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(storedRecords(path), (QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|0.0001|~"),
                                                   QStringLiteral("2|100V DC|~|~|10V|100V|0.0004|~|0.0002|~")}));
    }

    void uncertaintiesAfterTwoExportsChangeTheFirstSetOnly()
    {
        TestEnv env;
        const QString path = freshDatabase();
        env.ui.answerFiles({path, path, path});
        const GridCells grid = gridOf({QStringLiteral("3,1=3")});
        SaveSpecificationsToUncertaintyDB(grid);
        SaveSpecificationsToUncertaintyDB(grid);
        InsertUncertaintiesIntoUncertaintyDB(gridOf({QStringLiteral("3,1=8")}));
        QCOMPARE(storedRecords(path), (QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|0.0008|~"),
                                                   QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|~|~")}));
    }

    void databaseFaults_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<bool>("uncertainties");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("after"); // the records stored afterwards
        const QString withoutRefZero = QStringLiteral(
            "CREATE TABLE UNCERTAINTIES (\"INDEX\" INTEGER, DESCRIPTION TEXT, FREQ_LOW TEXT, FREQ_HIGH TEXT, "
            "RANGE_LOW TEXT, RANGE_HIGH TEXT, \"REF_%\" TEXT, \"LAB_%\" TEXT, LAB_ZERO TEXT)");
        const QString withoutLabZero = QStringLiteral(
            "CREATE TABLE UNCERTAINTIES (\"INDEX\" INTEGER, DESCRIPTION TEXT, FREQ_LOW TEXT, FREQ_HIGH TEXT, "
            "RANGE_LOW TEXT, RANGE_HIGH TEXT, \"REF_%\" TEXT, REF_ZERO TEXT, \"LAB_%\" TEXT)");
        QTest::newRow("no table") << QStringLiteral("CREATE TABLE OTHER (A TEXT)") << false
                                  << QStringLiteral("The database has no table UNCERTAINTIES.") << QStringList{};
        QTest::newRow("no INDEX column")
            << QStringLiteral("CREATE TABLE UNCERTAINTIES (DESCRIPTION TEXT)") << false
            << QStringLiteral("The table UNCERTAINTIES has no column INDEX.") << QStringList{};
        // The first record needs no REF_ZERO, the second does: the first stays stored.
        QTest::newRow("no REF_ZERO column")
            << withoutRefZero << false << QStringLiteral("The table UNCERTAINTIES has no column REF_ZERO.")
            << QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|~|~")};
        QTest::newRow("uncertainties: no table")
            << QStringLiteral("CREATE TABLE OTHER (A TEXT)") << true
            << QStringLiteral("The database has no table UNCERTAINTIES.") << QStringList{};
        // The first record is updated, the second needs LAB_ZERO and stays as it was.
        QTest::newRow("uncertainties: no LAB_ZERO column")
            << withoutLabZero << true << QStringLiteral("The table UNCERTAINTIES has no column LAB_ZERO.")
            << QStringList{QStringLiteral("1|10V DC|~|~|1V|10V|0.0003|~|0.0001|~"),
                           QStringLiteral("2|100V DC|~|~|10V|100V|0.0004|100uV|~|~")};
    }

    void databaseFaults()
    {
        QFETCH(QString, schema);
        QFETCH(bool, uncertainties);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        TestEnv env;
        const QString path = m_dir.filePath(QStringLiteral("fault.mdb"));
        QFile::remove(path);
        QCOMPARE(runSql(path, schema), QString());
        const GridCells specifications =
            gridOf({QStringLiteral("3,1=3"), QStringLiteral("4,1=4"), QStringLiteral("4,2=1")});
        if (uncertainties) {
            if (schema.contains(QStringLiteral("UNCERTAINTIES"))) {
                env.ui.answerFiles({path});
                SaveSpecificationsToUncertaintyDB(specifications);
                QCOMPARE(env.ui.boxes.size(), 0);
            }
            env.ui.answerFiles({path});
            InsertUncertaintiesIntoUncertaintyDB(
                gridOf({QStringLiteral("3,1=1"), QStringLiteral("4,1=2"), QStringLiteral("4,2=5")}));
        } else {
            env.ui.answerFiles({path});
            SaveSpecificationsToUncertaintyDB(specifications);
        }
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, message);
        QCOMPARE(env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(env.ui.boxes[0].title, AppTitle);
        if (schema.contains(QStringLiteral("REF_%")))
            QCOMPARE(storedRecords(path), after);
    }

    void filesThatCannotBeOpened_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-" for no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << QByteArray("INDEX,DESCRIPTION\r\n1,10V DC\r\n")
                                   << QStringLiteral("Not an SQLite or Access database: ");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("Not an SQLite or Access database: ");
        QTest::newRow("SQLite header alone, truncated")
            << QByteArray("SQLite format 3\0garbage", 24) << QStringLiteral("Cannot open the database ");
        QTest::newRow("missing file") << QByteArray("-") << QStringLiteral("Database file not found: ");
    }

    void filesThatCannotBeOpened()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        for (bool uncertainties : {false, true}) {
            TestEnv env;
            const QString path = m_dir.filePath(QStringLiteral("odd.mdb"));
            QFile::remove(path);
            if (content != "-") {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(content);
            }
            env.ui.answerFiles({path});
            const GridCells grid = gridOf({QStringLiteral("3,1=3")});
            if (uncertainties)
                InsertUncertaintiesIntoUncertaintyDB(grid);
            else
                SaveSpecificationsToUncertaintyDB(grid);
            QCOMPARE(env.ui.boxes.size(), 1);
            QVERIFY2(env.ui.boxes[0].prompt.startsWith(message), qPrintable(env.ui.boxes[0].prompt));
            // Nothing was made or changed.
            if (content == "-")
                QVERIFY(!QFile::exists(path));
            else {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), content);
            }
        }
    }

    void accessFileWithoutAnAccessDriver()
    {
        if (!accessDriverAmong(installedOdbcDrivers()).isEmpty())
            QSKIP("an Access ODBC driver is installed here");
        TestEnv env;
        const QString path = m_dir.filePath(QStringLiteral("access.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(2048 - 20, '\0'));
        file.close();
        QCOMPARE(databaseFileKind(path), DatabaseFileKind::Access);
        env.ui.answerFiles({path});
        SaveSpecificationsToUncertaintyDB(gridOf({QStringLiteral("3,1=3")}));
        QCOMPARE(env.ui.boxes.size(), 1);
        const QString prompt = env.ui.boxes[0].prompt;
        QVERIFY2(prompt.startsWith(QStringLiteral("Cannot open the Access database ") + path), qPrintable(prompt));
        QVERIFY2(prompt.contains(QStringLiteral("ODBC")), qPrintable(prompt));
    }

    void cancelInTheDialog()
    {
        for (bool uncertainties : {false, true}) {
            TestEnv env;
            const GridCells grid = gridOf({QStringLiteral("3,1=3")});
            if (uncertainties)
                InsertUncertaintiesIntoUncertaintyDB(grid);
            else
                SaveSpecificationsToUncertaintyDB(grid);
            QCOMPARE(env.ui.fileRequests.size(), 1);
            QCOMPARE(env.ui.boxes.size(), 1);
            QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Cancel was selected."));
            QCOMPARE(env.ui.hourglassShown, 0);
        }
    }

    void fileKinds_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        QTest::newRow("SQLite") << QByteArray("SQLite format 3\0", 16) << int(DatabaseFileKind::SQLite);
        QTest::newRow("Jet") << QByteArray("\0\1\0\0Standard Jet DB\0", 20) << int(DatabaseFileKind::Access);
        QTest::newRow("ACE") << QByteArray("\0\1\0\0Standard ACE DB\0", 20) << int(DatabaseFileKind::Access);
        QTest::newRow("Jet at offset 0") << QByteArray("Standard Jet DB\0", 16) << int(DatabaseFileKind::Unknown);
        QTest::newRow("lower-case sqlite") << QByteArray("sqlite format 3\0", 16) << int(DatabaseFileKind::Unknown);
        QTest::newRow("short") << QByteArray("SQL") << int(DatabaseFileKind::Unknown);
    }

    void fileKinds()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        const QString path = m_dir.filePath(QStringLiteral("kind.bin"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(head);
        file.close();
        QCOMPARE(int(databaseFileKind(path)), kind);
        QCOMPARE(databaseFileKind(m_dir.filePath(QStringLiteral("none"))), DatabaseFileKind::Missing);
        QCOMPARE(databaseFileKind(m_dir.path()), DatabaseFileKind::Unreadable);
    }

    void odbcDrivers()
    {
        const QString ini = QStringLiteral("[ODBC Drivers]\nMDBTools=Installed\n\n[PostgreSQL Unicode]\n"
                                           "Driver=psqlodbcw.so\n[ MDBTools ]\nDriver=libmdbodbc.so\n[ODBC]\nTrace=No\n");
        QCOMPARE(odbcDriversInIni(ini), (QStringList{QStringLiteral("PostgreSQL Unicode"), QStringLiteral("MDBTools")}));
        QCOMPARE(accessDriverAmong(odbcDriversInIni(ini)), QStringLiteral("MDBTools"));
        QCOMPARE(accessDriverAmong({QStringLiteral("SQL Server"), QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)")}),
                 QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)"));
        QCOMPARE(accessDriverAmong({QStringLiteral("SQLite3"), QStringLiteral("PostgreSQL ANSI")}), QString());
    }

    // The layer on its own: the Access dialect rewritten for SQLite, and its refusals.
    void recordSetsBySqlText()
    {
        QCOMPARE(specificationsSql(), QStringLiteral("SELECT * from UNCERTAINTIES ORDER BY INDEX"));
        QCOMPARE(uncertaintyRecordSql(12), QStringLiteral("SELECT * from UNCERTAINTIES WHERE INDEX=\"12\""));
        const QString path = freshDatabase(QStringLiteral("layer.mdb"));
        QCOMPARE(runSql(path, QStringLiteral("INSERT INTO UNCERTAINTIES (\"INDEX\", DESCRIPTION) VALUES (1, 'a');"
                                             "INSERT INTO UNCERTAINTIES (\"INDEX\", DESCRIPTION) VALUES (2, 'it''s \"b\"');"
                                             "INSERT INTO UNCERTAINTIES (\"INDEX\", DESCRIPTION) VALUES (12, 'c')")),
                 QString());
        QString error;
        std::unique_ptr<Database> db = Database::OpenDatabase(path, &error);
        QVERIFY2(db, qPrintable(error));
        QVERIFY(db->isSQLite());

        auto byIndex = db->OpenRecordset(uncertaintyRecordSql(2));
        QVERIFY2(byIndex, qPrintable(db->lastError()));
        QVERIFY(byIndex->hasRecord());
        QCOMPARE(byIndex->value(QStringLiteral("description")).toString(), QStringLiteral("it's \"b\""));

        auto quoted = db->OpenRecordset(QStringLiteral("SELECT * from [UNCERTAINTIES] WHERE DESCRIPTION=\"it's \"\"b\"\"\""));
        QVERIFY2(quoted, qPrintable(db->lastError()));
        QCOMPARE(quoted->value(QStringLiteral("INDEX")).toInt(), 2);

        auto none = db->OpenRecordset(uncertaintyRecordSql(3));
        QVERIFY(none && !none->hasRecord());
        QVERIFY(!none->Edit());
        QCOMPARE(none->lastError(), QStringLiteral("No current record."));

        auto ordered = db->OpenRecordset(QStringLiteral("SELECT * FROM uncertainties ORDER BY INDEX DESC"));
        QVERIFY2(ordered, qPrintable(db->lastError()));
        QCOMPARE(ordered->value(QStringLiteral("INDEX")).toInt(), 12);

        QVERIFY(!db->OpenRecordset(QStringLiteral("SELECT * from UNCERTAINTIES WHERE NOPE=\"1\"")));
        QCOMPARE(db->lastError(), QStringLiteral("The table UNCERTAINTIES has no column NOPE."));
        QVERIFY(!db->OpenRecordset(QStringLiteral("SELECT * from UNCERTAINTIES WHERE INDEX=\"1")));
        QVERIFY(db->lastError().startsWith(QStringLiteral("Syntax error")));

        QVERIFY(byIndex->Edit());
        QVERIFY(!byIndex->setField(QStringLiteral("NOPE"), 1));
        QVERIFY(byIndex->setField(QStringLiteral("lab_%"), QStringLiteral("0.5")));
        QVERIFY2(byIndex->Update(), qPrintable(byIndex->lastError()));
        QVERIFY(!byIndex->Update());

        db->Close();
        QVERIFY(!db->OpenRecordset(specificationsSql()));
        QVERIFY(!ordered->AddNew());
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
        QCOMPARE(storedRecords(path)[1], QStringLiteral("2|it's \"b\"|~|~|~|~|~|~|0.5|~"));
    }
};

QTEST_MAIN(UncertaintyDbTest)
#include "uncertaintydb_test.moc"
