#include "data/connection.h"

#include "data/db_error.h"
#include "data/jet_dialect.h"
#include "data/jet_functions.h"

#include "data/keys/key_file.h"
#include "data/keys/private_files.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <QUrl>
#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace {

// The engine's own busy handler sleeps up to 100 ms between tries; a writer that lets the
// lock go only for a moment between its transactions is rarely caught that way. Short,
// steady steps find the pause, so a second writer gets its turn too.
int waitForTurn(void *timeout, int tries)
{
    const int limit = int(reinterpret_cast<std::intptr_t>(timeout));
    const int step = std::min(tries + 1, 10);
    const int waited = tries < 10 ? tries * (tries + 1) / 2 : 55 + (tries - 10) * 10;
    if (waited >= limit)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(step));
    return 1;
}

bool changesRows(const QString &engineSql)
{
    const QString verb = engineSql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return verb == QLatin1String("INSERT") || verb == QLatin1String("UPDATE") || verb == QLatin1String("DELETE") ||
           verb == QLatin1String("REPLACE");
}

void setBusyHandler(sqlite3 *db, int milliseconds)
{
    sqlite3_busy_handler(db, waitForTurn, reinterpret_cast<void *>(std::intptr_t(milliseconds)));
}
void check(sqlite3 *db, int code, const QString &path = {})
{
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        throw DbError::fromEngine(db, code, path);
}

} // namespace

ConnectionSettings ConnectionSettings::parse(const QString &connectionString)
{
    // The data source is a path and may hold ';', so it runs up to the next known key.
    ConnectionSettings settings;
    const QString sourceKey = QStringLiteral("Data Source=");
    const QString passwordKey = QStringLiteral("Jet OLEDB:Database Password=");
    if (const auto at = connectionString.indexOf(sourceKey, 0, Qt::CaseInsensitive); at >= 0) {
        const auto from = at + sourceKey.size();
        auto to = connectionString.indexOf(QStringLiteral(";Persist Security Info="), from, Qt::CaseInsensitive);
        if (to < 0)
            to = connectionString.indexOf(QStringLiteral(";Jet OLEDB:"), from, Qt::CaseInsensitive);
        if (to < 0)
            to = connectionString.indexOf(QLatin1Char(';'), from);
        settings.dataSource = connectionString.mid(from, to < 0 ? -1 : to - from);
    }
    if (const auto at = connectionString.indexOf(passwordKey, 0, Qt::CaseInsensitive); at >= 0) {
        const auto from = at + passwordKey.size();
        const auto to = connectionString.indexOf(QLatin1Char(';'), from);
        settings.databasePassword = connectionString.mid(from, to < 0 ? -1 : to - from);
    }
    return settings;
}

Connection::Connection(const QString &connectionString)
{
    setConnectionString(connectionString);
    open();
}

Connection::Connection(Connection &&other) noexcept
    : m_connectionString(std::move(other.m_connectionString)), m_path(std::move(other.m_path)),
      m_password(std::move(other.m_password)), m_engineKey(std::move(other.m_engineKey)), m_db(std::exchange(other.m_db, nullptr)),
      m_readOnly(other.m_readOnly), m_busyTimeout(other.m_busyTimeout)
{
}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        close();
        m_connectionString = std::move(other.m_connectionString);
        m_path = std::move(other.m_path);
        m_password = std::move(other.m_password);
        m_engineKey = std::move(other.m_engineKey);
        m_db = std::exchange(other.m_db, nullptr);
        m_readOnly = other.m_readOnly;
        m_busyTimeout = other.m_busyTimeout;
    }
    return *this;
}

Connection::~Connection()
{
    close();
    wipe(m_password); // the password itself where a tool opened with it
}

Connection Connection::onFile(const QString &path, const QString &password, const SecretBytes *engineKey, Mode mode)
{
    Connection connection;
    connection.m_path = path;
    connection.m_password = password;
    if (engineKey)
        connection.m_engineKey = engineKey->copy();
    connection.m_readOnly = mode == Mode::ReadOnly;
    connection.openHandle(mode);
    return connection;
}

Connection Connection::openFile(const QString &path, const QString &password)
{
    return onFile(path, password, nullptr, Mode::ReadWrite);
}

Connection Connection::openFileForReading(const QString &path, const QString &password)
{
    return onFile(path, password, nullptr, Mode::ReadOnly);
}

Connection Connection::openWithKey(const QString &path, const SecretBytes &engineKey)
{
    return onFile(path, {}, &engineKey, Mode::ReadWrite);
}

Connection Connection::openWithKeyForReading(const QString &path, const SecretBytes &engineKey)
{
    return onFile(path, {}, &engineKey, Mode::ReadOnly);
}

Connection Connection::createWithKey(const QString &path, const SecretBytes &engineKey)
{
    return onFile(path, {}, &engineKey, Mode::Create);
}

void Connection::setConnectionString(const QString &connectionString)
{
    close();
    m_connectionString = connectionString;
    const auto settings = ConnectionSettings::parse(connectionString);
    m_path = settings.dataSource;
    m_password = settings.databasePassword;
    m_engineKey = {};
}

namespace {

// Stores go through a rollback journal: a data file is renamed, copied and re-keyed as one
// file, which a write-ahead log beside it would not follow. A file an earlier build left in
// log mode is switched back when nobody else holds it, without waiting.
void useRollbackJournal(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr) != SQLITE_OK)
        return;
    const bool logged = sqlite3_step(stmt) == SQLITE_ROW &&
                        qstricmp(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "wal") == 0;
    sqlite3_finalize(stmt);
    if (logged) {
        sqlite3_busy_timeout(db, 0);
        sqlite3_exec(db, "PRAGMA journal_mode = DELETE;", nullptr, nullptr, nullptr);
    }
}

} // namespace

void removeWithEngineFiles(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

void Connection::open()
{
    if (!m_db)
        openHandle(m_readOnly ? Mode::ReadOnly : Mode::ReadWrite);
}

void Connection::openHandle(Mode mode)
{
    const bool create = mode == Mode::Create;
    if (!create && !QFileInfo(m_path).isFile())
        throw DbError(DbError::Kind::FileNotFound, QStringLiteral("Could not find file '%1'").arg(m_path));
    // The engine takes an empty file for a new database and would build one in it; a data file
    // always holds its tables, so an empty one was cut short.
    if (!create && QFileInfo(m_path).size() == 0)
        throw DbError(DbError::Kind::WrongPassword, QStringLiteral("The file '%1' is empty, not a database").arg(m_path));
    // The key file is read at every open, so a password changed meanwhile counts at once;
    // the slow derivation happens once per process.
    const SecretBytes key = m_engineKey.isEmpty() ? engineKeyFor(unlockDataKey(m_path, m_password)) : m_engineKey.copy();
    std::optional<PrivateFileMode> privately;
    if (create)
        privately.emplace();
    sqlite3 *db = nullptr;
    // Each connection belongs to one window on the one thread: no engine lock per call. A
    // reading connection says so in the file's name, so that databases it attaches later
    // (the target of a copy) may still be written.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    QByteArray name = QFile::encodeName(m_path);
    if (mode == Mode::ReadOnly) {
        flags |= SQLITE_OPEN_URI;
        name = QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath()).toEncoded() + "?mode=ro";
    }
    const int opened = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    try {
        if (opened != SQLITE_OK)
            throw DbError::fromEngine(db, opened, m_path);
        check(db, sqlite3_key(db, key.constData(), int(key.size())), m_path);
        // 4 KB pages: the register reads tens of megabytes, and each page costs a fixed
        // share of the decryption besides its bytes.
        check(db, sqlite3_exec(db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr), m_path);
        setBusyHandler(db, m_busyTimeout);
        // Reading the schema proves the key; a wrong one reads as "not a database".
        const char *setup = "SELECT count(*) FROM sqlite_master;"
                            "PRAGMA foreign_keys = ON;"
                            "PRAGMA synchronous = FULL;"
                            "PRAGMA cache_size = -32000;";
        check(db, sqlite3_exec(db, setup, nullptr, nullptr, nullptr), m_path);
        if (mode != Mode::ReadOnly) {
            useRollbackJournal(db);
            setBusyHandler(db, m_busyTimeout);
        }
        jet::registerJetFunctions(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    m_db = db;
}

void Connection::reconnect(const QString &connectionString)
{
    setConnectionString(connectionString);
    open();
}

void Connection::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

sqlite3 *Connection::handle() const
{
    if (!m_db)
        throw DbError(DbError::Kind::Other, QStringLiteral("The connection to the database is not open"));
    return m_db;
}

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_db)
        setBusyHandler(m_db, milliseconds);
}

bool Connection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

int Connection::execute(const QString &jetSql, const QVariantList &values)
{
    const QString engineSql = jet::translate(jetSql);
    Statement statement(*this, engineSql);
    statement.bind(values);
    std::optional<Transaction> transaction;
    if (!inTransaction() && changesRows(engineSql))
        transaction.emplace(*this);
    while (statement.step()) {
    }
    const int changed = sqlite3_changes(m_db);
    if (transaction)
        transaction->commit();
    return changed;
}

QVariant Connection::scalar(const QString &jetSql, const QVariantList &values)
{
    Statement statement(*this, jet::translate(jetSql));
    statement.bind(values);
    return statement.step() ? statement.value(0) : QVariant();
}

Statement::Statement(const Connection &connection, const QString &engineSql) : m_connection(connection)
{
    sqlite3 *db = connection.handle();
    const QByteArray utf8 = engineSql.toUtf8();
    const char *tail = nullptr;
    check(db, sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, &tail), connection.filePath());
    // One statement per text: nothing may ride along behind it.
    if (tail && QByteArray(tail).trimmed().size() > 0 && QByteArray(tail).trimmed() != ";") {
        sqlite3_finalize(m_stmt);
        throw DbError(DbError::Kind::Syntax, QStringLiteral("Characters found after end of SQL statement"));
    }
    if (!m_stmt)
        throw DbError(DbError::Kind::Syntax, QStringLiteral("The statement is empty"));
}

Statement::Statement(const Connection &connection, sqlite3_stmt *prepared, Prepared)
    : m_connection(connection), m_stmt(prepared)
{
}

std::unique_ptr<Statement> Statement::tryPrepare(const Connection &connection, const QString &engineSql)
{
    const QByteArray utf8 = engineSql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(connection.handle(), utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK || !stmt)
        return nullptr;
    if (tail && !QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";") {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return std::unique_ptr<Statement>(new Statement(connection, stmt, Prepared{}));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(const QVariantList &values)
{
    sqlite3 *db = m_connection.handle();
    // A mark left without a value would read as NULL and quietly match nothing.
    if (values.size() != sqlite3_bind_parameter_count(m_stmt))
        throw DbError(DbError::Kind::Syntax, QStringLiteral("The statement has %1 marks for %2 values")
                                                 .arg(sqlite3_bind_parameter_count(m_stmt))
                                                 .arg(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values[i];
        const int at = i + 1;
        int code = SQLITE_OK;
        if (v.isNull()) {
            code = sqlite3_bind_null(m_stmt, at);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool: code = sqlite3_bind_int(m_stmt, at, v.toBool() ? 1 : 0); break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt: code = sqlite3_bind_int64(m_stmt, at, v.toLongLong()); break;
            case QMetaType::Double:
            case QMetaType::Float: code = sqlite3_bind_double(m_stmt, at, v.toDouble()); break;
            case QMetaType::QDate: {
                const QByteArray iso = v.toDate().toString(Qt::ISODate).toUtf8();
                code = sqlite3_bind_text(m_stmt, at, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = v.toString().toUtf8();
                code = sqlite3_bind_text(m_stmt, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        check(db, code, m_connection.filePath());
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::step()
{
    const int code = sqlite3_step(m_stmt);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    // The statement's own code carries the extended reason.
    throw DbError::fromEngine(m_connection.handle(), sqlite3_reset(m_stmt), m_connection.filePath());
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_NULL: return QVariant();
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)),
                                 sqlite3_column_bytes(m_stmt, column));
    }
}

void Transaction::run(const char *sql)
{
    sqlite3 *db = m_connection.handle();
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), m_connection.filePath());
}

Transaction::Transaction(Connection &connection, Kind kind) : m_connection(connection)
{
    run(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
    m_active = true;
}

Transaction::~Transaction()
{
    if (m_active) {
        try {
            run("ROLLBACK");
        } catch (...) {
            // The engine rolls back by itself when a statement fails badly; nothing to add.
        }
    }
}

void Transaction::commit()
{
    run("COMMIT");
    m_active = false;
}
