#pragma once

#include "data/engine.h"
#include "data/keys/secret_bytes.h"

#include <QHash>
#include <QVector>

struct pg_conn;
struct pg_result;

// A practice's server shared by several seats: PostgreSQL through libpq.
namespace postgres {

// A data source that names a server rather than a file: a libpq URI.
bool isServerUri(const QString &dataSource);

// True when the server `uri` lets its role in with `password`; false when it refuses the
// password (or the role). Throws DbError for anything else (no server there, TLS refused).
bool acceptsPassword(const QString &uri, const QString &password);

class Session final : public engine::Session {
public:
    // Connects to `uri` as its role, with `password` handed to libpq apart from the URI.
    Session(const QString &uri, const SecretBytes &password);
    ~Session() override;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    jet::Engine kind() const override { return jet::Engine::Postgres; }
    std::unique_ptr<engine::Statement> prepare(const QString &engineSql, bool quietly) override;
    qint64 insert(const QString &engineSql, const QVariantList &values) override;
    void begin(TransactionKind kind) override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;
    void setBusyTimeout(int milliseconds) override;
    QString rowIdColumn() const override { return QStringLiteral("velmora_row"); }
    bool isLost() const override;

    pg_conn *handle() const { return m_conn; }
    // The server as the messages name it: its host (or socket folder).
    QString serverName() const;
    // Runs a statement without values and without rows; throws the server's refusal.
    void run(const char *sql);
    // The seat's role is given a new password, which crosses to the server only encrypted
    // (SCRAM, as the server keeps it).
    void setRolePassword(const QString &password);
    // Throws the refusal a failed result carries, naming this server; frees the result then.
    void check(pg_result *result) const;
    // A table's name and its columns' names, by the numbers a result gives them.
    struct TableNames {
        QString table;
        QHash<int, QString> columns;
    };
    const TableNames &tableNames(unsigned tableOid);
    QByteArray nextStatementName();

private:
    pg_conn *m_conn = nullptr;
    QHash<unsigned, TableNames> m_tables;
    quint64 m_statements = 0;
};

class Statement final : public engine::Statement {
public:
    // `engineSql` is the text as prepared: the names it spells in capitals are given back so.
    Statement(Session &session, const QByteArray &name, pg_result *description, const QString &engineSql);
    ~Statement() override;

    void bind(const QVariantList &values) override;
    bool step() override;
    void reset() override;
    int columnCount() const override;
    QString columnName(int column) const override;
    QString columnTable(int column) const override;
    QString columnOrigin(int column) const override;
    QString declaredType(int column) const override;
    engine::Value value(int column) const override;
    int changes() const override { return m_changes; }

private:
    int resultColumn(int column) const { return m_visible[column]; }

    Session &m_session;
    QByteArray m_name;
    pg_result *m_description;
    QVector<int> m_visible; // result columns shown: the hidden row key of `SELECT *` is not
    QHash<QString, QString> m_written; // names as the statement writes them, by their small letters
    QVector<QByteArray> m_values;
    bool m_bound = false;
    pg_result *m_result = nullptr;
    int m_row = -1;
    int m_changes = 0;
};

// The schema's own spelling of a table or column name that the server gives back in small letters
// ("stoixeia_paidioy" -> "STOIXEIA_PAIDIOY"); a name the schema does not know as it is.
QString schemaSpelling(const QString &name);

// Marks a statement still writes as "?" numbered as the server takes them ($1, $2, ...);
// quoted texts and names are left alone, and a text the translator numbered has none left.
QString numberedMarks(const QString &engineSql);

} // namespace postgres
