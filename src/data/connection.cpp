#include "data/connection.h"

#include "data/db_error.h"
#include "data/jet_dialect.h"
#include "data/postgres/postgres_engine.h"
#include "data/sqlcipher/sqlcipher_engine.h"

#include "data/keys/key_file.h"
#include "data/keys/private_files.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

bool changesRows(const QString &engineSql)
{
    const QString verb = engineSql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return verb == QLatin1String("INSERT") || verb == QLatin1String("UPDATE") || verb == QLatin1String("DELETE") ||
           verb == QLatin1String("REPLACE");
}

quint64 openings = 0;

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
      m_password(std::move(other.m_password)), m_engineKey(std::move(other.m_engineKey)),
      m_session(std::move(other.m_session)), m_openingNumber(other.m_openingNumber), m_readOnly(other.m_readOnly),
      m_busyTimeout(other.m_busyTimeout)
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
        m_session = std::move(other.m_session);
        m_openingNumber = other.m_openingNumber;
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
    connection.openSession(mode);
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

void removeWithEngineFiles(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

void moveDataFileIntoPlace(const QString &from, const QString &to)
{
    if (QFileInfo(from + QStringLiteral("-wal")).size() > 0 || QFileInfo::exists(from + QStringLiteral("-journal")))
        throw DbError(DbError::Kind::Other, QStringLiteral("The file '%1' is still being written").arg(from));
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        QFile::remove(from + QLatin1String(suffix));
        QFile::remove(to + QLatin1String(suffix));
    }
    syncFolderOf(to);
    durableRename(from, to);
}

void Connection::open()
{
    // A seat whose server went away and came back goes on without a restart.
    if (m_session && m_session->isLost())
        m_session.reset();
    if (!m_session)
        openSession(m_readOnly ? Mode::ReadOnly : Mode::ReadWrite);
}

void Connection::openSession(Mode mode)
{
    // A server holds its own keys: the password is the seat's role password.
    if (postgres::isServerUri(m_path)) {
        m_session = std::make_unique<postgres::Session>(m_path, serverPassword(m_path, m_password));
        m_session->setBusyTimeout(m_busyTimeout);
        m_openingNumber = ++openings;
        return;
    }
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
    const auto fileMode = create                   ? sqlcipher::OpenMode::Create
                          : mode == Mode::ReadOnly ? sqlcipher::OpenMode::ReadOnly
                                                   : sqlcipher::OpenMode::ReadWrite;
    m_session = std::make_unique<sqlcipher::Session>(m_path, key, fileMode, m_busyTimeout);
    m_openingNumber = ++openings;
}

void Connection::reconnect(const QString &connectionString)
{
    setConnectionString(connectionString);
    open();
}

void Connection::close()
{
    m_session.reset();
}

engine::Session &Connection::session() const
{
    if (!m_session)
        throw DbError(DbError::Kind::Other, QStringLiteral("The connection to the database is not open"));
    return *m_session;
}

jet::Engine Connection::engine() const
{
    return session().kind();
}

sqlite3 *Connection::handle() const
{
    if (engine() != jet::Engine::SqlCipher)
        throw DbError(DbError::Kind::Other, QStringLiteral("The connection is not to a data file"));
    return static_cast<sqlcipher::Session &>(session()).handle();
}

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_session)
        m_session->setBusyTimeout(milliseconds);
}

bool Connection::inTransaction() const
{
    return m_session && m_session->inTransaction();
}

int Connection::execute(const QString &jetSql, const QVariantList &values)
{
    const QString engineSql = jet::translate(jetSql, engine());
    Statement statement(*this, engineSql);
    statement.bind(values);
    std::optional<Transaction> transaction;
    if (!inTransaction() && changesRows(engineSql))
        transaction.emplace(*this);
    while (statement.step()) {
    }
    const int changed = statement.changes();
    if (transaction)
        transaction->commit();
    return changed;
}

QVariant Connection::scalar(const QString &jetSql, const QVariantList &values)
{
    Statement statement(*this, jet::translate(jetSql, engine()));
    statement.bind(values);
    return statement.step() ? statement.value(0) : QVariant();
}

QVariant Connection::scalarForUpdate(const QString &jetSql, const QVariantList &values)
{
    return scalar(engine() == jet::Engine::Postgres ? jetSql + QStringLiteral(" FOR UPDATE") : jetSql, values);
}

qint64 Connection::insert(const QString &jetSql, const QVariantList &values)
{
    const QString engineSql = jet::translate(jetSql, engine());
    std::optional<Transaction> transaction;
    if (!inTransaction())
        transaction.emplace(*this);
    const qint64 rowId = session().insert(engineSql, values);
    if (transaction)
        transaction->commit();
    return rowId;
}

Statement::Statement(const Connection &connection, const QString &engineSql)
    : m_engine(connection.session().prepare(engineSql, false))
{
}

Statement::Statement(std::unique_ptr<engine::Statement> prepared) : m_engine(std::move(prepared)) {}

std::unique_ptr<Statement> Statement::tryPrepare(const Connection &connection, const QString &engineSql)
{
    auto prepared = connection.session().prepare(engineSql, true);
    if (!prepared)
        return nullptr;
    return std::unique_ptr<Statement>(new Statement(std::move(prepared)));
}

Statement::~Statement() = default;

void Statement::bind(const QVariantList &values)
{
    m_engine->bind(values);
}

void Statement::reset()
{
    m_engine->reset();
}

bool Statement::step()
{
    return m_engine->step();
}

QVariant Statement::value(int column) const
{
    const engine::Value v = m_engine->value(column);
    switch (v.kind) {
    case engine::Value::Kind::Integer: return QVariant(qlonglong(v.integer));
    case engine::Value::Kind::Real: return QVariant(v.real);
    case engine::Value::Kind::Null: return QVariant();
    case engine::Value::Kind::Text: break;
    }
    return QString::fromUtf8(v.text, v.bytes);
}

Transaction::Transaction(Connection &connection, Kind kind) : m_connection(connection)
{
    m_connection.session().begin(kind == Kind::Write ? engine::Session::TransactionKind::Write
                                                     : engine::Session::TransactionKind::Read);
    m_active = true;
}

Transaction::~Transaction()
{
    if (m_active) {
        try {
            m_connection.session().rollback();
        } catch (...) {
            // The engine rolls back by itself when a statement fails badly; nothing to add.
        }
    }
}

void Transaction::commit()
{
    m_connection.session().commit();
    m_active = false;
}
