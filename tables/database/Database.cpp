#include "tables/database/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>

struct DatabaseConnection
{
    QString name; // the QSqlDatabase connection name, unique while this object lives
    bool sqlite = true;
    bool open = false;

    QSqlDatabase database() const { return QSqlDatabase::database(name, false); }

    QString quoted(const QString &identifier) const
    {
        if (sqlite)
            return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                   + QLatin1Char('"');
        return QLatin1Char('[') + identifier + QLatin1Char(']');
    }
};

namespace {

QString describe(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.driverText().trimmed() : text;
}

// ---- the SQL text ----

struct Token
{
    enum Kind { Space, Name, Keyword, Text, Other } kind;
    QString text; // for Name the bare name; for Text the literal's content
};

bool isKeyword(const QString &word)
{
    static const QStringList keywords = {
        QStringLiteral("SELECT"), QStringLiteral("FROM"),    QStringLiteral("WHERE"),   QStringLiteral("ORDER"),
        QStringLiteral("BY"),     QStringLiteral("ASC"),     QStringLiteral("DESC"),    QStringLiteral("AND"),
        QStringLiteral("OR"),     QStringLiteral("NOT"),     QStringLiteral("IS"),      QStringLiteral("NULL"),
        QStringLiteral("LIKE"),   QStringLiteral("IN"),      QStringLiteral("BETWEEN"), QStringLiteral("DISTINCT"),
    };
    return keywords.contains(word, Qt::CaseInsensitive);
}

bool isNameStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('%') || c == QLatin1Char('$')
           || c == QLatin1Char('#');
}

// Splits the text into names, keywords, literals and the rest; false on an unclosed
// quote or bracket.
bool tokenize(const QString &sql, QList<Token> &tokens)
{
    int i = 0;
    const int n = int(sql.size());
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && sql[j].isSpace())
                ++j;
            tokens.append({Token::Space, sql.mid(i, j - i)});
            i = j;
        } else if (isNameStart(c)) {
            int j = i;
            while (j < n && isNamePart(sql[j]))
                ++j;
            const QString word = sql.mid(i, j - i);
            tokens.append({isKeyword(word) ? Token::Keyword : Token::Name, word});
            i = j;
        } else if (c == QLatin1Char('[')) {
            const int close = int(sql.indexOf(QLatin1Char(']'), i + 1));
            if (close < 0)
                return false;
            tokens.append({Token::Name, sql.mid(i + 1, close - i - 1)});
            i = close + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // A literal; the quote doubled inside it stands for itself.
            QString content;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    return false;
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        content += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                content += sql[j++];
            }
            tokens.append({Token::Text, content});
            i = j + 1;
        } else if (c.isDigit()) {
            int j = i;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('.')))
                ++j;
            tokens.append({Token::Other, sql.mid(i, j - i)});
            i = j;
        } else {
            tokens.append({Token::Other, QString(c)});
            ++i;
        }
    }
    return true;
}

// The table as the database spells it, or empty.
QString findTable(const QSqlDatabase &db, const QString &name)
{
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString &table : tables)
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    return {};
}

// ---- finding the ODBC drivers ----

QStringList odbcDriversInIniFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return odbcDriversInIni(QString::fromUtf8(file.readAll()));
}

} // namespace

DatabaseFileKind databaseFileKind(const QString &path)
{
    QFileInfo info(path);
    if (!info.exists())
        return DatabaseFileKind::Missing;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return DatabaseFileKind::Unreadable;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return DatabaseFileKind::SQLite;
    const QByteArray atFour = head.mid(4, 15);
    if (atFour == QByteArrayLiteral("Standard Jet DB") || atFour == QByteArrayLiteral("Standard ACE DB"))
        return DatabaseFileKind::Access;
    return DatabaseFileKind::Unknown;
}

QString accessDriverAmong(const QStringList &driverNames)
{
    for (const QString &name : driverNames)
        if (name.contains(QStringLiteral("Access"), Qt::CaseInsensitive)
            || name.contains(QStringLiteral("mdb"), Qt::CaseInsensitive))
            return name;
    return {};
}

QStringList odbcDriversInIni(const QString &iniText)
{
    QStringList drivers;
    const QStringList lines = iniText.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')))
            continue;
        const QString section = line.mid(1, line.size() - 2).trimmed();
        if (!section.isEmpty() && section.compare(QStringLiteral("ODBC"), Qt::CaseInsensitive) != 0
            && section.compare(QStringLiteral("ODBC Drivers"), Qt::CaseInsensitive) != 0)
            drivers << section;
    }
    return drivers;
}

QStringList installedOdbcDrivers()
{
#ifdef Q_OS_WIN
    QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
                       QSettings::NativeFormat);
    return registry.childKeys();
#else
    // unixODBC's system-wide and per-user driver lists.
    return odbcDriversInIniFile(QStringLiteral("/etc/odbcinst.ini"))
           + odbcDriversInIniFile(QDir::homePath() + QStringLiteral("/.odbcinst.ini"));
#endif
}

// ---- Database ----

Database::Database(std::shared_ptr<DatabaseConnection> connection) : m_connection(std::move(connection)) {}

Database::~Database() { Close(); }

bool Database::isSQLite() const { return m_connection->sqlite; }

std::unique_ptr<Database> Database::OpenDatabase(const QString &path, QString *error)
{
    auto connection = std::make_shared<DatabaseConnection>();
    connection->name = QStringLiteral("uncertaintydb-%1").arg(quintptr(connection.get()), 0, 16);
    QString driver;
    QString databaseName;
    switch (databaseFileKind(path)) {
    case DatabaseFileKind::Missing:
        *error = QStringLiteral("Database file not found: ") + path;
        return nullptr;
    case DatabaseFileKind::Unreadable:
        *error = QStringLiteral("Cannot read the database file: ") + path;
        return nullptr;
    case DatabaseFileKind::Unknown:
        *error = QStringLiteral("Not an SQLite or Access database: ") + path;
        return nullptr;
    case DatabaseFileKind::SQLite:
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
            *error = QStringLiteral("Cannot open the SQLite database ") + path
                     + QStringLiteral(": the Qt SQLite driver (QSQLITE) is not installed.");
            return nullptr;
        }
        driver = QStringLiteral("QSQLITE");
        databaseName = path;
        break;
    case DatabaseFileKind::Access: {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))) {
            *error = QStringLiteral("Cannot open the Access database ") + path
                     + QStringLiteral(": the Qt ODBC driver (QODBC) is not installed.");
            return nullptr;
        }
        const QString odbcDriver = accessDriverAmong(installedOdbcDrivers());
        if (odbcDriver.isEmpty()) {
            *error = QStringLiteral("Cannot open the Access database ") + path
                     + QStringLiteral(": no Access ODBC driver is installed on this system. "
                                      "Use an SQLite uncertainty database instead.");
            return nullptr;
        }
        connection->sqlite = false;
        driver = QStringLiteral("QODBC");
        databaseName = QStringLiteral("DRIVER={%1};DBQ=%2;").arg(odbcDriver, QDir::toNativeSeparators(path));
        break;
    }
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection->name);
        db.setDatabaseName(databaseName);
        if (db.open()) {
            // SQLite reads its file lazily: a damaged one shows itself at the first query.
            QSqlQuery probe(db);
            if (!connection->sqlite || probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
                connection->open = true;
                return std::unique_ptr<Database>(new Database(connection));
            }
            failure = describe(probe.lastError());
            db.close();
        } else {
            failure = describe(db.lastError());
        }
    }
    QSqlDatabase::removeDatabase(connection->name);
    *error = QStringLiteral("Cannot open the database ") + path + QStringLiteral(": ") + failure;
    return nullptr;
}

bool Database::BeginTrans()
{
    if (!m_connection->open) {
        m_error = QStringLiteral("The database is closed.");
        return false;
    }
    QSqlDatabase db = m_connection->database();
    if (db.transaction())
        return true;
    m_error = describe(db.lastError());
    return false;
}

bool Database::CommitTrans()
{
    if (!m_connection->open) {
        m_error = QStringLiteral("The database is closed.");
        return false;
    }
    QSqlDatabase db = m_connection->database();
    if (db.commit())
        return true;
    m_error = describe(db.lastError());
    return false;
}

void Database::Close()
{
    if (!m_connection->open)
        return;
    m_connection->open = false;
    {
        QSqlDatabase db = m_connection->database();
        db.commit(); // a transaction left open keeps what it stored
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection->name);
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString &sql)
{
    if (!m_connection->open) {
        m_error = QStringLiteral("The database is closed.");
        return nullptr;
    }
    QList<Token> tokens;
    if (!tokenize(sql, tokens)) {
        m_error = QStringLiteral("Syntax error in the SQL text: ") + sql;
        return nullptr;
    }
    QSqlDatabase db = m_connection->database();

    // The table follows FROM; it must exist before any column is looked for.
    QString tableName;
    for (int i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Keyword || tokens[i].text.compare(QStringLiteral("FROM"), Qt::CaseInsensitive))
            continue;
        int j = i + 1;
        while (j < tokens.size() && tokens[j].kind == Token::Space)
            ++j;
        if (j < tokens.size() && tokens[j].kind == Token::Name)
            tableName = tokens[j].text;
        break;
    }
    if (tableName.isEmpty()) {
        m_error = QStringLiteral("No table named in the SQL text: ") + sql;
        return nullptr;
    }
    const QString table = findTable(db, tableName);
    if (table.isEmpty()) {
        m_error = QStringLiteral("The database has no table ") + tableName + QLatin1Char('.');
        return nullptr;
    }
    const QSqlRecord columns = db.record(table);

    QString text;
    for (const Token &token : tokens) {
        switch (token.kind) {
        case Token::Name:
            if (token.text.compare(tableName, Qt::CaseInsensitive) != 0 && columns.indexOf(token.text) < 0) {
                m_error = QStringLiteral("The table ") + table + QStringLiteral(" has no column ") + token.text
                          + QLatin1Char('.');
                return nullptr;
            }
            text += m_connection->sqlite ? m_connection->quoted(token.text) : token.text;
            break;
        case Token::Text:
            if (m_connection->sqlite)
                text += QLatin1Char('\'') + QString(token.text).replace(QLatin1Char('\''), QStringLiteral("''"))
                        + QLatin1Char('\'');
            else
                text += QLatin1Char('"') + QString(token.text).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                        + QLatin1Char('"');
            break;
        default:
            text += token.text;
            break;
        }
    }
    if (!m_connection->sqlite)
        text = sql; // Access reads its own dialect as written

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(text)) {
        m_error = describe(query.lastError());
        return nullptr;
    }
    const bool hasRecord = query.next();
    const QSqlRecord current = hasRecord ? query.record() : QSqlRecord();
    query.finish();
    return std::unique_ptr<Recordset>(new Recordset(m_connection, table, columns, hasRecord, current));
}

// ---- Recordset ----

Recordset::Recordset(std::shared_ptr<DatabaseConnection> connection, QString table, QSqlRecord columns,
                     bool hasRecord, QSqlRecord current)
    : m_connection(std::move(connection)), m_table(std::move(table)), m_columns(std::move(columns)),
      m_hasRecord(hasRecord), m_current(std::move(current))
{
}

bool Recordset::fail(const QString &description)
{
    m_error = description;
    return false;
}

QVariant Recordset::value(const QString &column) const { return m_hasRecord ? m_current.value(column) : QVariant(); }

bool Recordset::AddNew()
{
    if (m_mode == Mode::Closed || !m_connection->open)
        return fail(QStringLiteral("The record set is closed."));
    m_buffer = m_columns;
    m_buffer.clearValues();
    m_changed.clear();
    m_mode = Mode::Adding;
    return true;
}

bool Recordset::Edit()
{
    if (m_mode == Mode::Closed || !m_connection->open)
        return fail(QStringLiteral("The record set is closed."));
    if (!m_hasRecord)
        return fail(QStringLiteral("No current record."));
    m_buffer = m_current;
    m_changed.clear();
    m_mode = Mode::Editing;
    return true;
}

bool Recordset::setField(const QString &column, const QVariant &value)
{
    if (m_mode != Mode::Adding && m_mode != Mode::Editing)
        return fail(QStringLiteral("A field can be set only after AddNew or Edit."));
    const int index = m_buffer.indexOf(column);
    if (index < 0)
        return fail(QStringLiteral("The table ") + m_table + QStringLiteral(" has no column ") + column
                    + QLatin1Char('.'));
    m_buffer.setValue(index, value);
    if (!m_changed.contains(index))
        m_changed.append(index);
    return true;
}

bool Recordset::Update()
{
    if (!m_connection->open)
        return fail(QStringLiteral("The database is closed."));
    if (m_mode == Mode::Adding)
        return insertRecord();
    if (m_mode == Mode::Editing)
        return updateRecord();
    return fail(QStringLiteral("Update without AddNew or Edit."));
}

bool Recordset::insertRecord()
{
    QStringList names;
    QStringList marks;
    for (int index : std::as_const(m_changed)) {
        names << m_connection->quoted(m_buffer.fieldName(index));
        marks << QStringLiteral("?");
    }
    const QString table = m_connection->quoted(m_table);
    const QString sql = names.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    QSqlQuery query(m_connection->database());
    if (!query.prepare(sql))
        return fail(describe(query.lastError()));
    for (int index : std::as_const(m_changed))
        query.addBindValue(m_buffer.value(index));
    if (!query.exec())
        return fail(describe(query.lastError()));
    m_mode = Mode::Browsing;
    return true;
}

bool Recordset::updateRecord()
{
    m_mode = Mode::Browsing;
    if (m_changed.isEmpty())
        return true;
    QSqlDatabase db = m_connection->database();
    QStringList assignments;
    for (int index : std::as_const(m_changed))
        assignments << m_connection->quoted(m_buffer.fieldName(index)) + QStringLiteral(" = ?");

    // The record is found again by its primary key, or else by all its values as read;
    // in SQLite only the first row with those values is changed.
    QStringList keyColumns;
    const QSqlIndex primary = db.primaryIndex(m_table);
    for (int i = 0; i < primary.count(); ++i)
        keyColumns << primary.fieldName(i);
    if (keyColumns.isEmpty())
        for (int i = 0; i < m_current.count(); ++i)
            keyColumns << m_current.fieldName(i);
    QStringList conditions;
    QVariantList keyValues;
    for (const QString &column : std::as_const(keyColumns)) {
        const QVariant value = m_current.value(column);
        if (value.isNull()) {
            conditions << m_connection->quoted(column) + QStringLiteral(" IS NULL");
        } else {
            conditions << m_connection->quoted(column) + QStringLiteral(" = ?");
            keyValues << value;
        }
    }
    const QString table = m_connection->quoted(m_table);
    QString where = conditions.join(QStringLiteral(" AND "));
    if (m_connection->sqlite && primary.isEmpty())
        where = QStringLiteral("rowid IN (SELECT rowid FROM %1 WHERE %2 LIMIT 1)").arg(table, where);
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, assignments.join(QStringLiteral(", ")), where);

    QSqlQuery query(db);
    if (!query.prepare(sql))
        return fail(describe(query.lastError()));
    for (int index : std::as_const(m_changed))
        query.addBindValue(m_buffer.value(index));
    for (const QVariant &value : std::as_const(keyValues))
        query.addBindValue(value);
    if (!query.exec())
        return fail(describe(query.lastError()));
    if (query.numRowsAffected() == 0)
        return fail(QStringLiteral("The record to change is no longer in the table ") + m_table + QLatin1Char('.'));
    m_current = m_buffer;
    return true;
}

void Recordset::Close()
{
    m_mode = Mode::Closed;
    m_buffer.clear();
    m_changed.clear();
}
