#include "data/sqlcipher/sqlcipher_engine.h"

#include "data/db_error.h"
#include "data/jet_functions.h"
#include "data/keys/private_files.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <optional>
#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace sqlcipher {

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

void setBusyHandler(sqlite3 *db, int milliseconds)
{
    sqlite3_busy_handler(db, waitForTurn, reinterpret_cast<void *>(std::intptr_t(milliseconds)));
}

void check(sqlite3 *db, int code, const QString &path = {})
{
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        throw DbError::fromEngine(db, code, path);
}

// Stores go to a log beside the file and reach the file itself at checkpoints: one sync a
// store instead of four, as durable with synchronous FULL. The log and its index take the
// file's own mode, and the last connection to close checkpoints and removes them. The setting
// stays with the file; one that another connection holds just now is switched at a later
// opening, without waiting.
void useWriteAheadLog(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr) != SQLITE_OK)
        return;
    const bool logged = sqlite3_step(stmt) == SQLITE_ROW &&
                        qstricmp(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "wal") == 0;
    sqlite3_finalize(stmt);
    if (!logged) {
        sqlite3_busy_timeout(db, 0);
        sqlite3_exec(db, "PRAGMA journal_mode = WAL;", nullptr, nullptr, nullptr);
    }
}

bool onlySpaceAfter(const char *tail)
{
    const QByteArray rest = QByteArray(tail).trimmed();
    return rest.isEmpty() || rest == ";";
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// A connection that may write, opened and read only to be closed: the last connection to a file
// in log mode checkpoints the log and removes it and its index, taking the file's lock for that
// as every closing connection does, so that it never removes files another connection uses.
// Nothing is done where the file may not be written.
void closeLogThroughWriter(const QString &path, const SecretBytes &key)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK &&
        !sqlite3_db_readonly(db, "main") && sqlite3_key(db, key.constData(), int(key.size())) == SQLITE_OK)
        sqlite3_exec(db, "PRAGMA cipher_page_size = 4096; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

} // namespace

Session::Session(const QString &path, const SecretBytes &key, OpenMode mode, int busyTimeout) : m_path(path)
{
    const bool create = mode == OpenMode::Create;
    std::optional<PrivateFileMode> privately;
    if (create)
        privately.emplace();
    sqlite3 *db = nullptr;
    // Each connection belongs to one window on the one thread: no engine lock per call. A
    // reading connection says so in the file's name, so that databases it attaches later
    // (the target of a copy) may still be written.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    QByteArray name = QFile::encodeName(path);
    if (mode == OpenMode::ReadOnly) {
        flags |= SQLITE_OPEN_URI;
        name = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?mode=ro";
    }
    const int opened = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    try {
        if (opened != SQLITE_OK)
            throw DbError::fromEngine(db, opened, path);
        check(db, sqlite3_key(db, key.constData(), int(key.size())), path);
        // 4 KB pages: the register reads tens of megabytes, and each page costs a fixed
        // share of the decryption besides its bytes.
        check(db, sqlite3_exec(db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr), path);
        setBusyHandler(db, busyTimeout);
        // Reading the schema proves the key; a wrong one reads as "not a database".
        const char *setup = "SELECT count(*) FROM sqlite_master;"
                            "PRAGMA foreign_keys = ON;"
                            "PRAGMA synchronous = FULL;"
                            "PRAGMA cache_size = -32000;";
        check(db, sqlite3_exec(db, setup, nullptr, nullptr, nullptr), path);
        if (mode != OpenMode::ReadOnly) {
            useWriteAheadLog(db);
            setBusyHandler(db, busyTimeout);
        }
        jet::registerJetFunctions(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    m_db = db;
    if (mode == OpenMode::ReadOnly)
        m_keyToTidyUp = key.copy();
}

Session::~Session()
{
    sqlite3_close_v2(m_db);
    if (!m_keyToTidyUp.isEmpty() && QFileInfo::exists(m_path + QStringLiteral("-wal")))
        closeLogThroughWriter(m_path, m_keyToTidyUp);
}

std::unique_ptr<engine::Statement> Session::prepare(const QString &engineSql, bool quietly)
{
    const QByteArray text = engineSql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int code = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, &tail);
    if (code != SQLITE_OK || !stmt) {
        if (quietly)
            return nullptr;
        check(m_db, code, m_path);
        throw DbError(DbError::Kind::Syntax, QStringLiteral("The statement is empty"));
    }
    // One statement per text: nothing may ride along behind it.
    if (tail && !onlySpaceAfter(tail)) {
        sqlite3_finalize(stmt);
        if (quietly)
            return nullptr;
        throw DbError(DbError::Kind::Syntax, QStringLiteral("Characters found after end of SQL statement"));
    }
    return std::make_unique<Statement>(*this, stmt);
}

qint64 Session::insert(const QString &engineSql, const QVariantList &values)
{
    const auto statement = prepare(engineSql, false);
    statement->bind(values);
    while (statement->step()) {
    }
    return sqlite3_last_insert_rowid(m_db);
}

void Session::run(const char *sql)
{
    check(m_db, sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), m_path);
}

// A writing transaction takes the write lock at once: two writers queue instead of
// deadlocking over an upgrade from a read lock.
void Session::begin(TransactionKind kind)
{
    run(kind == TransactionKind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

void Session::commit()
{
    run("COMMIT");
}

void Session::rollback()
{
    run("ROLLBACK");
}

bool Session::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}

void Session::releaseCache()
{
    sqlite3_db_release_memory(m_db);
}

void Session::setBusyTimeout(int milliseconds)
{
    setBusyHandler(m_db, milliseconds);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(const QVariantList &values)
{
    sqlite3 *db = m_session.handle();
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
        check(db, code, m_session.path());
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
    throw DbError::fromEngine(m_session.handle(), sqlite3_reset(m_stmt), m_session.path());
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return utf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::columnTable(int column) const
{
    return utf8(sqlite3_column_table_name(m_stmt, column));
}

QString Statement::columnOrigin(int column) const
{
    return utf8(sqlite3_column_origin_name(m_stmt, column));
}

QString Statement::declaredType(int column) const
{
    return utf8(sqlite3_column_decltype(m_stmt, column));
}

engine::Value Statement::value(int column) const
{
    using Kind = engine::Value::Kind;
    engine::Value v;
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL: break;
    case SQLITE_INTEGER:
        v.kind = Kind::Integer;
        v.integer = sqlite3_column_int64(m_stmt, column);
        break;
    case SQLITE_FLOAT:
        v.kind = Kind::Real;
        v.real = sqlite3_column_double(m_stmt, column);
        break;
    default:
        v.kind = Kind::Text;
        v.text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        v.bytes = sqlite3_column_bytes(m_stmt, column);
        break;
    }
    return v;
}

int Statement::changes() const
{
    return sqlite3_changes(m_session.handle());
}

} // namespace sqlcipher
