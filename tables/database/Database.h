#pragma once
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A small record-at-a-time database layer over QtSql: open a database file, open a
// record set by SQL text, add a new record or edit the current one field by field, store
// it, close. Two kinds of file are recognised by their first bytes, never by their name:
// - SQLite, the embedded default;
// - Access (Jet or ACE), through Qt's ODBC driver where an Access ODBC driver is installed.
//
// The SQL texts are written in the Access dialect ("double-quoted" text literals, bare
// column names that SQLite reserves, such as INDEX). For SQLite the layer rewrites them:
// names are quoted, double-quoted literals become single-quoted ones. It understands the
// plain form SELECT * FROM table [WHERE ...] [ORDER BY ...] with column names, literals
// and operators; the table and every name in the text must exist, or opening the record
// set fails with a message that names the missing one.
//
// Every operation returns false on failure and leaves its description in lastError().
// Outside a transaction each Update is committed on its own.

// What the first bytes of a file say it is.
enum class DatabaseFileKind { Missing, Unreadable, SQLite, Access, Unknown };
DatabaseFileKind databaseFileKind(const QString &path);

// Choosing an installed ODBC driver for Access files: the first of the given driver names
// that names Access or .mdb files; empty when there is none.
QString accessDriverAmong(const QStringList &driverNames);
// The driver names of an odbcinst.ini text (its section names, less the [ODBC] ones).
QStringList odbcDriversInIni(const QString &iniText);
// The ODBC drivers registered on this system (the registry on Windows, odbcinst.ini elsewhere).
QStringList installedOdbcDrivers();

class Recordset;
struct DatabaseConnection;

class Database
{
public:
    ~Database(); // closes

    // Opens an existing database file for reading and writing; nothing when it cannot,
    // with the reason in *error. A missing file is never created.
    static std::unique_ptr<Database> OpenDatabase(const QString &path, QString *error);

    // Runs the SELECT text and returns its record set, positioned on its first record;
    // nothing on failure (the reason in lastError()).
    std::unique_ptr<Recordset> OpenRecordset(const QString &sql);

    // Groups the following Updates into one transaction, so that a long export costs one
    // write to disk instead of one per record; CommitTrans stores them. Close commits too.
    bool BeginTrans();
    bool CommitTrans();

    // Releases the file. Record sets still open fail from then on.
    void Close();

    // Read by the tests only: whether the file is an SQLite database.
    bool isSQLite() const;
    const QString &lastError() const { return m_error; }

    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

private:
    explicit Database(std::shared_ptr<DatabaseConnection> connection);
    std::shared_ptr<DatabaseConnection> m_connection;
    QString m_error;
};

class Recordset
{
public:
    ~Recordset() = default;

    // True when the selection holds at least one record (the current one is the first).
    bool hasRecord() const { return m_hasRecord; }
    // The current record's value of a column (empty when there is no current record).
    QVariant value(const QString &column) const;

    // Starts a new record; its unset columns are left to the table's defaults.
    bool AddNew();
    // Opens the current record for change; fails when there is none.
    bool Edit();
    // Sets a column (its name compared without regard to case) on the record being built
    // or changed.
    bool setField(const QString &column, const QVariant &value);
    // Stores the record being built or changed.
    bool Update();
    // Abandons a record being built or changed; the record set cannot be used afterwards.
    void Close();

    const QString &lastError() const { return m_error; }

    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

private:
    friend class Database;
    Recordset(std::shared_ptr<DatabaseConnection> connection, QString table, QSqlRecord columns, bool hasRecord,
              QSqlRecord current);
    bool fail(const QString &description);
    bool insertRecord();
    bool updateRecord();

    enum class Mode { Browsing, Adding, Editing, Closed };
    std::shared_ptr<DatabaseConnection> m_connection;
    QString m_table;
    QSqlRecord m_columns;   // the table's columns, names as the table spells them
    bool m_hasRecord = false;
    QSqlRecord m_current;   // the current record as read
    QSqlRecord m_buffer;    // the record being built or changed
    QList<int> m_changed;   // columns set on m_buffer, in the order they were set
    Mode m_mode = Mode::Browsing;
    QString m_error;
};
