#pragma once

#include "data/engine.h"
#include "data/keys/secret_bytes.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

struct sqlite3;

// One window's own connection to data.mdb. It opens only an existing file. The password of the
// connection string is the access password (or the recovery key): it opens the key file beside
// data.mdb, whose data key opens the file. Other connections, in this process or another, may
// use the file at the same time: a statement that finds the file busy waits its turn (up to the
// busy time-out), and a write outside a transaction is its own short write transaction.
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
    // Reads only, never writes, whatever the file's permissions: a copy of the file can be made
    // from it even where it may not be written.
    static Connection openFileForReading(const QString &path, const QString &password);
    // Keyed as the engine takes it: engineKeyFor(data key), or the passphrase of an old file.
    static Connection openWithKey(const QString &path, const SecretBytes &engineKey);
    static Connection openWithKeyForReading(const QString &path, const SecretBytes &engineKey);
    // Only for making a new file: the one place where a missing file is created.
    static Connection createWithKey(const QString &path, const SecretBytes &engineKey);

    void setConnectionString(const QString &connectionString);
    QString connectionString() const { return m_connectionString; }
    void open();
    void close();
    // Closes, takes the connection string and opens again: the first step of every action.
    void reconnect(const QString &connectionString);
    bool isOpen() const { return m_session != nullptr; }

    QString filePath() const { return m_path; }
    jet::Engine engine() const;
    // The file engine's own handle, for the work that is about the file itself (copies,
    // progress of an export); a connection to a server has none.
    sqlite3 *handle() const;
    engine::Session &session() const;
    // Counts the openings of this process: statements prepared under another number belong
    // to a session that is gone.
    quint64 openingNumber() const { return m_openingNumber; }
    QString rowIdColumn() const { return session().rowIdColumn(); }

    // Runs one Jet-dialect statement; values, where given, are bound to its "?" marks.
    // Returns the number of rows changed.
    // A write outside a transaction takes the write lock before it reads, so that two
    // writers queue instead of deadlocking over an upgrade from a read lock.
    int execute(const QString &jetSql, const QVariantList &values = {});
    // The first column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString &jetSql, const QVariantList &values = {});
    // As scalar, for a value this write transaction goes on to change (a counter): other seats
    // of a server wait for the row until the transaction ends, as the file's write
    // transaction already keeps other writers out.
    QVariant scalarForUpdate(const QString &jetSql, const QVariantList &values = {});
    // Runs one Jet-dialect INSERT and returns the new row's hidden row id.
    qint64 insert(const QString &jetSql, const QVariantList &values = {});

    // Another copy of the program may be writing for a while (a backup, a long import): wait
    // rather than fail.
    static constexpr int DefaultBusyTimeout = 60000;
    void setBusyTimeout(int milliseconds);
    bool inTransaction() const;

private:
    enum class Mode { ReadWrite, ReadOnly, Create };
    static Connection onFile(const QString &path, const QString &password, const SecretBytes *engineKey, Mode mode);
    void openSession(Mode mode);

    QString m_connectionString;
    QString m_path;
    QString m_password;
    SecretBytes m_engineKey; // given directly; otherwise unlocked with the password at each open
    std::unique_ptr<engine::Session> m_session;
    quint64 m_openingNumber = 0;
    bool m_readOnly = false;
    int m_busyTimeout = DefaultBusyTimeout;
};

// Removes a database file with the journal, write-ahead log and shared-memory index the engine
// keeps beside it: what a copy or conversion cut short leaves behind.
void removeWithEngineFiles(const QString &path);

// Moves a closed data file over `to` (a new data key, a conversion, a backup, a new practice).
// A log or journal lies beside a file by name alone and would be replayed onto whatever file
// bears that name next: the ones of the file being replaced go, for good, before the move, so
// that a kill between the two steps leaves no old log beside a new file. Refuses a file whose
// own log still holds stores (it was not closed): moved without them it would lose them.
void moveDataFileIntoPlace(const QString &from, const QString &to);

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
    // Prepares, or returns null when the engine does not take the text (no error is raised).
    static std::unique_ptr<Statement> tryPrepare(const Connection &connection, const QString &engineSql);

    bool step(); // true while a row is there
    // Ready to run again from the start, its values unbound; a read lock it held is let go.
    void reset();
    int columnCount() const { return m_engine->columnCount(); }
    QVariant value(int column) const; // by the stored type: integer, real, text, NULL
    engine::Statement &engineStatement() const { return *m_engine; }
    // Rows changed when it last ran.
    int changes() const { return m_engine->changes(); }

private:
    explicit Statement(std::unique_ptr<engine::Statement> prepared);

    std::unique_ptr<engine::Statement> m_engine;
};

// Statements that stand or fall together: rolled back unless commit() is reached. A writing
// transaction takes the write lock at once (other writers wait for it to end, readers go on);
// a reading one sees one moment of the file and lets writers prepare meanwhile.
class Transaction {
public:
    enum class Kind { Write, Read };
    explicit Transaction(Connection &connection, Kind kind = Kind::Write);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Connection &m_connection;
    bool m_active = false;
};

// Runs INSERT, UPDATE and DELETE texts on a window's connection, with the values bound to
// the text's "?" marks.
class Command {
public:
    explicit Command(Connection &connection) : m_connection(connection) {}
    void setText(const QString &jetSql, const QVariantList &values = {})
    {
        m_text = jetSql;
        m_values = values;
    }
    QString text() const { return m_text; }
    int execute() { return m_connection.execute(m_text, m_values); }

private:
    Connection &m_connection;
    QString m_text;
    QVariantList m_values;
};
