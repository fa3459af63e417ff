#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

// One window's own connection to data.mdb. It opens only an existing file. The password of the
// connection string is the access password (or the recovery key): it opens the key file beside
// data.mdb, whose data key opens the file. Other connections, in this process or another, may
// use the file at the same time (the engine's locking, with a busy time-out).
class Connection {
public:
    Connection() = default;
    explicit Connection(const QString &connectionString); // opens at once
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    static Connection openFile(const QString &path, const QString &password);
    // Keyed as the engine takes it: engineKeyFor(data key), or the passphrase of an old file.
    static Connection openWithKey(const QString &path, const QByteArray &engineKey);
    // Only for making a new file: the one place where a missing file is created.
    static Connection createWithKey(const QString &path, const QByteArray &engineKey);

    void setConnectionString(const QString &connectionString);
    QString connectionString() const { return m_connectionString; }
    void open();
    void close();
    // Closes, takes the connection string and opens again: the first step of every action.
    void reconnect(const QString &connectionString);
    bool isOpen() const { return m_db != nullptr; }

    QString filePath() const { return m_path; }
    sqlite3 *handle() const;

    // Runs one Jet-dialect statement; values, where given, are bound to its "?" marks.
    // Returns the number of rows changed.
    int execute(const QString &jetSql, const QVariantList &values = {});
    // The first column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString &jetSql, const QVariantList &values = {});

    void setBusyTimeout(int milliseconds);

private:
    static Connection onFile(const QString &path, const QString &password, const QByteArray &engineKey, bool create);
    void openHandle(bool create);

    QString m_connectionString;
    QString m_path;
    QString m_password;
    QByteArray m_engineKey; // given directly; otherwise unlocked with the password at each open
    sqlite3 *m_db = nullptr;
    int m_busyTimeout = 5000;
};

// The parts of a connection string that matter here.
struct ConnectionSettings {
    QString dataSource;
    QString databasePassword;
    static ConnectionSettings parse(const QString &connectionString);
};

// One prepared engine statement (already translated), finalized on destruction.
class Statement {
public:
    Statement(const Connection &connection, const QString &engineSql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(const QVariantList &values);
    bool step(); // true while a row is there
    sqlite3_stmt *get() const { return m_stmt; }
    int columnCount() const;
    QVariant value(int column) const; // by the stored type: integer, real, text, NULL

private:
    const Connection &m_connection;
    sqlite3_stmt *m_stmt = nullptr;
};

// Statements that stand or fall together: rolled back unless commit() is reached.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Connection &m_connection;
    bool m_active = false;
};

// Runs INSERT, UPDATE and DELETE texts on a window's connection.
class Command {
public:
    explicit Command(Connection &connection) : m_connection(connection) {}
    void setText(const QString &jetSql) { m_text = jetSql; }
    QString text() const { return m_text; }
    int execute() { return m_connection.execute(m_text); }

private:
    Connection &m_connection;
    QString m_text;
};
