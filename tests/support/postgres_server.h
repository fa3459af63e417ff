#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

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

    // Runs one statement as the superuser; returns the first column of the first row, or an
    // empty string with the server's message in *error.
    QString query(const QString &database, const QString &sql, QString *error = nullptr) const;

private:
    QTemporaryDir m_dir{QDir::tempPath() + "/velmora-pg-XXXXXX"}; // short: a socket path has ~100 bytes
    QProcess m_server;
    int m_port = 0;
    QString m_log;
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
