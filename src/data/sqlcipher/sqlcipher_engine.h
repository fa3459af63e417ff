#pragma once

#include "data/engine.h"
#include "data/keys/secret_bytes.h"

struct sqlite3;
struct sqlite3_stmt;

// The encrypted data file of one seat: SQLCipher through its C API.
namespace sqlcipher {

enum class OpenMode { ReadWrite,
                      ReadOnly,
                      Create };

class Session final : public engine::Session {
public:
    // Opens `path` with the engine key; `path` names the file in the errors.
    Session(const QString &path, const SecretBytes &engineKey, OpenMode mode, int busyTimeout);
    ~Session() override;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    jet::Engine kind() const override { return jet::Engine::SqlCipher; }
    std::unique_ptr<engine::Statement> prepare(const QString &engineSql, bool quietly) override;
    qint64 insert(const QString &engineSql, const QVariantList &values) override;
    void begin(TransactionKind kind) override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;
    void setBusyTimeout(int milliseconds) override;
    QString rowIdColumn() const override { return QStringLiteral("rowid"); }
    void releaseCache() override;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

private:
    void run(const char *sql);

    QString m_path;
    sqlite3 *m_db = nullptr;
    // A reading connection cannot remove the log files it made beside a file in log mode;
    // with the key, it closes through a brief writing one that does when it is the last.
    SecretBytes m_keyToTidyUp;
};

class Statement final : public engine::Statement {
public:
    Statement(const Session &session, sqlite3_stmt *prepared) : m_session(session), m_stmt(prepared) {}
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
    int changes() const override;

private:
    const Session &m_session;
    sqlite3_stmt *m_stmt;
};

} // namespace sqlcipher
