#include "data/postgres/postgres_engine.h"

#include "data/db_error.h"
#include "data/schema.h"

#include <QDate>
#include <algorithm>
#include <QUrl>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>

namespace postgres {

namespace {

// Type numbers of the server's catalogue that the program reads.
enum : Oid {
    BoolOid = 16,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    TextOid = 25,
    Float4Oid = 700,
    Float8Oid = 701,
    VarcharOid = 1043,
    DateOid = 1082,
    NumericOid = 1700,
};

QString diagnostic(const PGresult *result, int field)
{
    return QString::fromUtf8(PQresultErrorField(result, field));
}

// A rule of the schema as the file names it: "length:stoixeia_paidioy.epwnymo" ->
// "length:STOIXEIA_PAIDIOY.EPWNYMO".
QString spelledRule(const QString &constraint)
{
    const auto colon = constraint.indexOf(QLatin1Char(':'));
    const QString qualified = constraint.mid(colon + 1);
    return constraint.left(colon + 1) + schemaSpelling(qualified.section(QLatin1Char('.'), 0, 0)) +
           (qualified.contains(QLatin1Char('.')) ? QLatin1Char('.') + schemaSpelling(qualified.section(QLatin1Char('.'), 1))
                                                 : QString());
}

// The refusal in the words the file engine uses, so that both read as one rule.
DbError serverError(const PGresult *result, const QString &server)
{
    const QString state = diagnostic(result, PG_DIAG_SQLSTATE);
    const QString message = diagnostic(result, PG_DIAG_MESSAGE_PRIMARY);
    const QString table = schemaSpelling(diagnostic(result, PG_DIAG_TABLE_NAME));
    using Kind = DbError::Kind;
    if (state == QLatin1String("23502"))
        return DbError::refusedByEngine(QStringLiteral("NOT NULL constraint failed: %1.%2")
                                            .arg(table, schemaSpelling(diagnostic(result, PG_DIAG_COLUMN_NAME))));
    if (state == QLatin1String("23505")) {
        // "Key (number)=(12) already exists."
        const QString detail = diagnostic(result, PG_DIAG_MESSAGE_DETAIL);
        const QString column = detail.section(QLatin1Char('('), 1, 1).section(QLatin1Char(')'), 0, 0);
        return DbError::refusedByEngine(
            QStringLiteral("UNIQUE constraint failed: %1.%2").arg(table, schemaSpelling(column)));
    }
    if (state == QLatin1String("23503"))
        return DbError::refusedByEngine(QStringLiteral("FOREIGN KEY constraint failed"));
    if (state == QLatin1String("23514"))
        return DbError::refusedByEngine(
            QStringLiteral("CHECK constraint failed: %1").arg(spelledRule(diagnostic(result, PG_DIAG_CONSTRAINT_NAME))));
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return DbError::serverGone(server, message);
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        return {Kind::FileInUse, QStringLiteral("The database on %1 is in use by another seat; try again").arg(server)};
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return {Kind::WrongPassword, QStringLiteral("Not a valid password for the server %1").arg(server)};
    if (state == QLatin1String("42P01") || state == QLatin1String("42703") || state == QLatin1String("42883"))
        return {Kind::MissingObject, message};
    if (state == QLatin1String("42601"))
        return {Kind::Syntax, QStringLiteral("Syntax error in the statement: %1").arg(message)};
    if (state == QLatin1String("25006"))
        return {Kind::ReadOnly, QStringLiteral("The database on %1 is read-only").arg(server)};
    if (state == QLatin1String("53100"))
        return {Kind::DiskFull, QStringLiteral("The server's disk is full; nothing was stored")};
    return {Kind::Other, message.isEmpty() ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed() : message};
}

// A connection that failed before any statement: only libpq's text tells why.
DbError connectionError(PGconn *conn, const QString &server)
{
    const QString message = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    // A role the server does not know is told as a wrong password is, giving nothing away.
    if (message.contains(QLatin1String("password authentication failed")) ||
        message.contains(QLatin1String("no password supplied")) ||
        (message.contains(QLatin1String("role \"")) && message.contains(QLatin1String("does not exist"))))
        return {DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for the server %1").arg(server)};
    if (message.contains(QLatin1String("database \"")) && message.contains(QLatin1String("does not exist")))
        return {DbError::Kind::FileNotFound, QStringLiteral("There is no such database on the server %1").arg(server)};
    // verify-full: a certificate not signed by the practice's CA, one made for another name, no
    // CA file, or a server without TLS.
    if (message.contains(QLatin1String("certificate")) || message.contains(QLatin1String("SSL was required")) ||
        message.contains(QLatin1String("SSL error")))
        return {DbError::Kind::ServerUntrusted, QStringLiteral("The server %1 is not the practice's: %2").arg(server, message)};
    return DbError::serverGone(server, message);
}

QString declaredFor(schema::Type type)
{
    switch (type) {
    case schema::Type::AutoNumber:
    case schema::Type::Integer: return QStringLiteral("INTEGER");
    case schema::Type::Double: return QStringLiteral("DOUBLE");
    case schema::Type::Date: return QStringLiteral("DATE");
    case schema::Type::Text: return QStringLiteral("TEXT(%1)").arg(schema::TextLength);
    case schema::Type::LongText: return QStringLiteral("LONGTEXT");
    case schema::Type::YesNo: return QStringLiteral("BOOLEAN");
    }
    return {};
}

QString declaredFor(Oid type, int modifier)
{
    switch (type) {
    case Int2Oid:
    case Int4Oid:
    case Int8Oid: return QStringLiteral("INTEGER");
    case Float4Oid:
    case Float8Oid:
    case NumericOid: return QStringLiteral("DOUBLE");
    case DateOid: return QStringLiteral("DATE");
    case BoolOid: return QStringLiteral("BOOLEAN");
    case VarcharOid: return modifier > 4 ? QStringLiteral("TEXT(%1)").arg(modifier - 4) : QStringLiteral("TEXT");
    case TextOid: return QStringLiteral("LONGTEXT");
    default: return QStringLiteral("TEXT");
    }
}

QByteArray serverText(const QVariant &v)
{
    switch (v.typeId()) {
    // 1 and 0 read as yes/no in a boolean column and as numbers elsewhere.
    case QMetaType::Bool: return v.toBool() ? "1" : "0";
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt: return QByteArray::number(v.toLongLong());
    // The shortest text that reads back as the same number, so an exact decimal column
    // compares equal to what it returned.
    case QMetaType::Double:
    case QMetaType::Float: return QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate).toUtf8();
    default: return v.toString().toUtf8();
    }
}

// The bare names of a statement that are not in small letters, by their small letters: an alias
// such as `AS WFA` comes back as the statement wrote it, as the file engine gives it. Quoted
// texts and quoted names (made small by the translator) are left out.
QHash<QString, QString> writtenNames(const QString &engineSql)
{
    QHash<QString, QString> written;
    const auto startsName = [](QChar c) { return c.isLetter() || c == QLatin1Char('_'); };
    for (qsizetype at = 0; at < engineSql.size();) {
        const QChar c = engineSql[at];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const auto end = engineSql.indexOf(c, at + 1);
            at = end < 0 ? engineSql.size() : end + 1; // a doubled quote reads as two texts: no name lost
        } else if (startsName(c)) {
            qsizetype end = at + 1;
            while (end < engineSql.size() && (startsName(engineSql[end]) || engineSql[end].isDigit()))
                ++end;
            const QString name = engineSql.mid(at, end - at);
            if (const QString small = name.toLower(); small != name && !written.contains(small))
                written.insert(small, name);
            at = end;
        } else {
            ++at;
        }
    }
    return written;
}

} // namespace

QString schemaSpelling(const QString &name)
{
    static const QHash<QString, QString> spelled = [] {
        QHash<QString, QString> names;
        for (const schema::Table &table : schema::tables()) {
            names.insert(table.name.toLower(), table.name);
            for (const schema::Column &column : table.columns)
                names.insert(column.name.toLower(), column.name);
        }
        return names;
    }();
    return spelled.value(name, name);
}

bool isServerUri(const QString &dataSource)
{
    return dataSource.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           dataSource.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString numberedMarks(const QString &engineSql)
{
    QString out;
    out.reserve(engineSql.size() + 16);
    int marks = 0;
    QChar quote;
    for (const QChar c : engineSql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar(); // a doubled quote closes and opens again: the same text
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++marks);
            continue;
        }
        out += c;
    }
    return out;
}

bool acceptsPassword(const QString &uri, const QString &password)
{
    try {
        const Session tried(uri, SecretBytes::utf8Of(password));
        return true;
    } catch (const DbError &error) {
        if (error.kind() == DbError::Kind::WrongPassword)
            return false;
        throw;
    }
}

Session::Session(const QString &uri, const SecretBytes &password)
{
    const QByteArray dbname = uri.toUtf8();
    SecretBytes secret(password.size() + 1); // libpq takes it ending in a zero
    std::copy_n(password.constData(), password.size(), secret.data());
    const char *keys[] = {"dbname", "password", "client_encoding", "application_name", "connect_timeout", nullptr};
    const char *values[] = {dbname.constData(), password.isEmpty() ? nullptr : secret.constData(), "UTF8", "velmora",
                            "10", nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const DbError error = connectionError(m_conn, serverName());
        PQfinish(m_conn);
        throw error;
    }
    try {
        run("SET datestyle = ISO, YMD");
        setBusyTimeout(60000);
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

Session::~Session()
{
    PQfinish(m_conn);
}

QString Session::serverName() const
{
    return QString::fromUtf8(PQhost(m_conn));
}

bool Session::isLost() const
{
    return PQstatus(m_conn) != CONNECTION_OK;
}

void Session::check(PGresult *result) const
{
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return;
    DbError error = result ? serverError(result, serverName()) : connectionError(m_conn, serverName());
    // A refusal without a state of its own on a connection that is gone.
    if (PQstatus(m_conn) != CONNECTION_OK && error.kind() == DbError::Kind::Other)
        error = DbError::serverGone(serverName(), error.text());
    PQclear(result);
    throw error;
}

void Session::run(const char *sql)
{
    PGresult *result = PQexec(m_conn, sql);
    check(result);
    PQclear(result);
}

void Session::setRolePassword(const QString &password)
{
    QByteArray plain = password.toUtf8();
    char *encrypted = PQencryptPasswordConn(m_conn, plain.constData(), PQuser(m_conn), nullptr);
    plain.fill('\0');
    if (!encrypted)
        throw DbError::serverGone(serverName(), QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    char *literal = PQescapeLiteral(m_conn, encrypted, std::strlen(encrypted));
    PQfreemem(encrypted);
    if (!literal)
        throw DbError::serverGone(serverName(), QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    const QByteArray statement = QByteArray("ALTER ROLE SESSION_USER PASSWORD ") + literal;
    PQfreemem(literal);
    // A seat logs in as its own role and works as the practice's owner (the setup sets its role);
    // the password is the login role's, which that role may change only while acting as itself.
    PGresult *acting = PQexec(m_conn, "SELECT current_user");
    check(acting);
    const QByteArray actingAs = PQgetvalue(acting, 0, 0);
    PQclear(acting);
    run("SET ROLE NONE");
    run(statement.constData());
    char *role = PQescapeIdentifier(m_conn, actingAs.constData(), actingAs.size());
    const QByteArray back = QByteArray("SET ROLE ") + role;
    PQfreemem(role);
    run(back.constData());
}

QByteArray Session::nextStatementName()
{
    return "velmora_" + QByteArray::number(++m_statements);
}

const Session::TableNames &Session::tableNames(unsigned tableOid)
{
    auto found = m_tables.find(tableOid);
    if (found != m_tables.end())
        return *found;
    TableNames names;
    const QByteArray oid = QByteArray::number(tableOid);
    const char *params[] = {oid.constData()};
    PGresult *result = PQexecParams(m_conn,
                                    "SELECT c.relname, a.attnum, a.attname FROM pg_class c "
                                    "JOIN pg_attribute a ON a.attrelid = c.oid WHERE c.oid = $1::oid AND a.attnum > 0",
                                    1, nullptr, params, nullptr, nullptr, 0);
    check(result);
    for (int row = 0; row < PQntuples(result); ++row) {
        names.table = QString::fromUtf8(PQgetvalue(result, row, 0));
        names.columns.insert(std::atoi(PQgetvalue(result, row, 1)), QString::fromUtf8(PQgetvalue(result, row, 2)));
    }
    PQclear(result);
    return *m_tables.insert(tableOid, names);
}

std::unique_ptr<engine::Statement> Session::prepare(const QString &engineSql, bool quietly)
{
    const QByteArray text = numberedMarks(engineSql).toUtf8();
    if (text.trimmed().isEmpty() || text.trimmed() == ";")
        throw DbError(DbError::Kind::Syntax, QStringLiteral("The statement is empty"));
    // A statement the server refuses inside a transaction spoils the transaction; a refusal
    // that is only a question must not.
    const bool guarded = quietly && inTransaction();
    if (guarded)
        run("SAVEPOINT velmora_trying");
    const QByteArray name = nextStatementName();
    PGresult *prepared = PQprepare(m_conn, name.constData(), text.constData(), 0, nullptr);
    PGresult *description = nullptr;
    if (PQresultStatus(prepared) == PGRES_COMMAND_OK)
        description = PQdescribePrepared(m_conn, name.constData());
    const bool failed = PQresultStatus(prepared) != PGRES_COMMAND_OK;
    if (failed && quietly) {
        PQclear(prepared);
        if (guarded)
            run("ROLLBACK TO SAVEPOINT velmora_trying; RELEASE SAVEPOINT velmora_trying");
        return nullptr;
    }
    check(prepared);
    PQclear(prepared);
    check(description);
    if (guarded)
        run("RELEASE SAVEPOINT velmora_trying");
    return std::make_unique<Statement>(*this, name, description, engineSql);
}

qint64 Session::insert(const QString &engineSql, const QVariantList &values)
{
    const auto statement = prepare(engineSql + QStringLiteral(" RETURNING %1 AS row_key").arg(rowIdColumn()), false);
    statement->bind(values);
    if (!statement->step())
        return 0;
    return statement->value(0).integer;
}

// A reading transaction sees one moment of the data, as the file engine's does.
void Session::begin(TransactionKind kind)
{
    run(kind == TransactionKind::Write ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
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
    return PQtransactionStatus(m_conn) != PQTRANS_IDLE;
}

// Another seat holding a row waits its turn up to the time-out, as busy files do.
void Session::setBusyTimeout(int milliseconds)
{
    run(QByteArray("SET lock_timeout = " + QByteArray::number(milliseconds)).constData());
}

Statement::Statement(Session &session, const QByteArray &name, PGresult *description, const QString &engineSql)
    : m_session(session), m_name(name), m_description(description), m_written(writtenNames(engineSql))
{
    // The row key the server keeps on every table is the program's hidden row id: `SELECT *`
    // does not show it.
    for (int c = 0; c < PQnfields(description); ++c)
        if (qstrcmp(PQfname(description, c), "velmora_row") != 0)
            m_visible << c;
}

Statement::~Statement()
{
    PQclear(m_result);
    PQclear(m_description);
    if (PQstatus(m_session.handle()) == CONNECTION_OK &&
        PQtransactionStatus(m_session.handle()) != PQTRANS_INERROR)
        PQclear(PQexec(m_session.handle(), QByteArray("DEALLOCATE " + m_name).constData()));
}

void Statement::bind(const QVariantList &values)
{
    // A mark left without a value would read as NULL and quietly match nothing.
    if (values.size() != PQnparams(m_description))
        throw DbError(DbError::Kind::Syntax, QStringLiteral("The statement has %1 marks for %2 values")
                                                 .arg(PQnparams(m_description))
                                                 .arg(values.size()));
    m_values.clear();
    for (const QVariant &v : values)
        m_values << (v.isNull() ? QByteArray() : serverText(v));
    m_bound = true;
}

bool Statement::step()
{
    if (!m_result) {
        if (!m_bound)
            bind({});
        std::vector<const char *> params;
        for (const QByteArray &v : std::as_const(m_values))
            params.push_back(v.isNull() ? nullptr : v.constData());
        PGresult *result = PQexecPrepared(m_session.handle(), m_name.constData(), int(params.size()), params.data(),
                                          nullptr, nullptr, 0);
        m_session.check(result);
        m_result = result;
        m_row = -1;
        m_changes = std::atoi(PQcmdTuples(result));
    }
    return ++m_row < PQntuples(m_result);
}

void Statement::reset()
{
    PQclear(m_result);
    m_result = nullptr;
    m_values.clear();
    m_bound = false;
    m_row = -1;
}

int Statement::columnCount() const
{
    return int(m_visible.size());
}

QString Statement::columnName(int column) const
{
    const QString given = QString::fromUtf8(PQfname(m_description, resultColumn(column)));
    return m_written.value(given, schemaSpelling(given));
}

QString Statement::columnTable(int column) const
{
    const Oid table = PQftable(m_description, resultColumn(column));
    return table == InvalidOid ? QString() : schemaSpelling(m_session.tableNames(table).table);
}

QString Statement::columnOrigin(int column) const
{
    const Oid table = PQftable(m_description, resultColumn(column));
    if (table == InvalidOid)
        return {};
    return schemaSpelling(m_session.tableNames(table).columns.value(PQftablecol(m_description, resultColumn(column))));
}

QString Statement::declaredType(int column) const
{
    const int at = resultColumn(column);
    if (PQftable(m_description, at) == InvalidOid)
        return {};
    if (const schema::Table *table = schema::findTable(columnTable(column))) {
        const QString origin = columnOrigin(column);
        for (const schema::Column &c : table->columns)
            if (c.name.compare(origin, Qt::CaseInsensitive) == 0)
                return declaredFor(c.type);
    }
    return declaredFor(PQftype(m_description, at), PQfmod(m_description, at));
}

engine::Value Statement::value(int column) const
{
    using Kind = engine::Value::Kind;
    engine::Value v;
    const int at = resultColumn(column);
    if (!m_result || m_row < 0 || m_row >= PQntuples(m_result) || PQgetisnull(m_result, m_row, at))
        return v;
    const char *text = PQgetvalue(m_result, m_row, at);
    switch (PQftype(m_result, at)) {
    case BoolOid:
        v.kind = Kind::Integer;
        v.integer = text[0] == 't' ? 1 : 0;
        break;
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
        v.kind = Kind::Integer;
        v.integer = std::strtoll(text, nullptr, 10);
        break;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        v.kind = Kind::Real;
        // Whatever the locale: the server writes a point.
        std::from_chars(text, text + PQgetlength(m_result, m_row, at), v.real);
        break;
    default:
        v.kind = Kind::Text;
        v.text = text;
        v.bytes = PQgetlength(m_result, m_row, at);
        break;
    }
    return v;
}

} // namespace postgres
