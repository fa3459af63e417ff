#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

struct pg_conn;

// A private PostgreSQL 15 server for one test program: a cluster made with initdb in a temporary
// folder, listening only on a Unix socket in that folder (no TCP), with one database in the Greek
// ICU collation the practice servers use. It is stopped and its folder removed when the object
// goes, also after a failing test; should the test program die, the server follows it.
class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Why a server cannot be started on this machine at all (binaries or their user missing);
    // empty when it can.
    static QString unavailableReason();

    // Makes the cluster and starts the server; false with the reason in *error when that fails.
    bool start(QString *error);
    void stop();
    bool isRunning() const { return m_server.state() == QProcess::Running; }

    // A libpq connection URI reaching `database` as the cluster's superuser.
    QString uri(const QString &database = QStringLiteral("velmora")) const;
    QString socketDirectory() const { return m_dir.path(); }
    int port() const { return m_port; }

    // Creates an empty database in the Greek ICU collation.
    bool createDatabase(const QString &name, QString *error) const;

    // Creates a database and makes it a practice as `velmora-db create` does on a server: its
    // functions, tables, indexes and version, in one transaction.
    bool createPractice(const QString &name, QString *error) const;

    // Runs one statement as the superuser; returns the first column of the first row, or an
    // empty string with the server's message in *error.
    QString query(const QString &database, const QString &sql, QString *error = nullptr) const;

private:
    QTemporaryDir m_dir{QDir::tempPath() + "/velmora-pg-XXXXXX"}; // short: a socket path has ~100 bytes
    QProcess m_server;
    int m_port = 0;
    QString m_log;
};

// One connection to a database of the server through bare libpq, for tests of what the server
// is given and answers; values go as texts, answers come back as the server writes them.
class PostgresSession {
public:
    explicit PostgresSession(const QString &uri);
    ~PostgresSession();
    PostgresSession(const PostgresSession &) = delete;
    PostgresSession &operator=(const PostgresSession &) = delete;

    bool isOpen() const;
    // Runs one statement of the server's own SQL; false with the server's message in error().
    bool run(const QString &sql, const QVariantList &values = {});
    // The answer of the last statement run, row by row ("" for a null).
    QList<QStringList> rows() const { return m_rows; }
    QStringList column(int index = 0) const;
    QString error() const { return m_error; }
    // The payloads of the notifications that arrive within `milliseconds` (those come already
    // included), as soon as one is there.
    QStringList notifications(int milliseconds);

private:
    pg_conn *m_connection = nullptr;
    QList<QStringList> m_rows;
    QString m_error;
};

// In a test function (initTestCase usually): starts the server, skips the test with the reason
// when this machine has no server binaries, fails it when the server does not start.
#define START_POSTGRES_OR_SKIP(server)                                   \
    do {                                                                 \
        const QString unavailable = PostgresServer::unavailableReason(); \
        if (!unavailable.isEmpty())                                      \
            QSKIP(qPrintable(unavailable));                              \
        QString startError;                                              \
        QVERIFY2((server).start(&startError), qPrintable(startError));   \
    } while (false)
