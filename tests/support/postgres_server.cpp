#include "postgres_server.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <libpq-fe.h>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Where Debian puts the server; VELMORA_POSTGRES_BIN names another place (or none, to see the
// tests skip as on a machine without it).
const QString Binaries = qEnvironmentVariable("VELMORA_POSTGRES_BIN", QStringLiteral("/usr/lib/postgresql/15/bin"));
// The server refuses to run as root: a root test runs it as the packages' own user.
const char *const ServerUser = "postgres";
const char *const Superuser = "postgres";

// The collation of the practice databases: Greek letters compared alone, Latin ones first; texts
// equal so by their exact characters.
const QString GreekIcuLocale = QStringLiteral("el-u-kr-latn-grek-ks-level1");

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
    bool found = false;
};

Account serverAccount()
{
    if (geteuid() != 0)
        return {geteuid(), getegid(), true};
    const passwd *user = getpwnam(ServerUser);
    if (!user)
        return {};
    return {user->pw_uid, user->pw_gid, true};
}

// Runs the program as the server's user and ends it with the test program.
void prepare(QProcess &process, const Account &account)
{
    const pid_t parent = getpid();
    process.setChildProcessModifier([account, parent] {
        if (geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(account.gid) != 0 || setuid(account.uid) != 0)
                _exit(126);
        }
        prctl(PR_SET_PDEATHSIG, SIGQUIT); // after setuid, which clears it
        if (getppid() != parent)          // gone before the line above
            _exit(125);
    });
    process.setProcessChannelMode(QProcess::MergedChannels);
}

bool handOver(const QString &path, const Account &account)
{
    if (geteuid() != 0)
        return true;
    return chown(QFile::encodeName(path).constData(), account.uid, account.gid) == 0;
}

} // namespace

QString PostgresServer::unavailableReason()
{
    for (const char *program : {"initdb", "postgres"})
        if (!QFileInfo(Binaries + '/' + program).isExecutable())
            return QStringLiteral("%1/%2 is missing: install postgresql-15 (scripts/common.sh lists it)")
                .arg(Binaries, QLatin1String(program));
    if (!serverAccount().found)
        return QStringLiteral("PostgreSQL does not run as root and this machine has no \"%1\" user").arg(ServerUser);
    return {};
}

PostgresServer::~PostgresServer() { stop(); }

bool PostgresServer::start(QString *error)
{
    const Account account = serverAccount();
    if (!m_dir.isValid() || !handOver(m_dir.path(), account)) {
        *error = QStringLiteral("no temporary folder for the server");
        return false;
    }
    const QString data = m_dir.filePath("data");

    QProcess initdb;
    prepare(initdb, account);
    initdb.start(Binaries + "/initdb", {"-D", data, "-U", Superuser, "--auth=trust", "-E", "UTF8",
                                        "--locale=C.UTF-8", "--no-sync"});
    if (!initdb.waitForFinished(120000) || initdb.exitStatus() != QProcess::NormalExit || initdb.exitCode() != 0) {
        *error = "initdb failed: " + QString::fromLocal8Bit(initdb.readAll());
        return false;
    }

    // The socket lives in a folder of its own, so the port only has to differ from that of
    // another server of this program: the process id keeps parallel test programs apart.
    m_port = 20000 + int(QCoreApplication::applicationPid() % 30000);
    prepare(m_server, account);
    m_server.start(Binaries + "/postgres", {"-D", data, "-k", m_dir.path(), "-p", QString::number(m_port), "-c",
                                            "listen_addresses=", "-c", "fsync=off", "-c", "full_page_writes=off",
                                            "-c", "synchronous_commit=off"});
    if (!m_server.waitForStarted(10000)) {
        *error = "the server did not start: " + m_server.errorString();
        return false;
    }
    const QByteArray postgresUri = uri("postgres").toUtf8();
    QDeadlineTimer deadline(60000);
    while (PQping(postgresUri.constData()) != PQPING_OK) {
        if (m_server.state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_log += QString::fromLocal8Bit(m_server.readAll());
            *error = "the server did not come up: " + m_log;
            stop();
            return false;
        }
        m_server.waitForReadyRead(100);
        m_log += QString::fromLocal8Bit(m_server.readAll());
    }
    return createDatabase("velmora", error);
}

void PostgresServer::stop()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    // Sent only while it runs: an ended server's id is 0, and kill(0) hits this program's group.
    const auto signal = [this](int number) {
        if (const qint64 pid = m_server.processId(); pid > 0 && m_server.state() != QProcess::NotRunning)
            ::kill(pid_t(pid), number);
    };
    signal(SIGINT); // a fast shutdown: sessions ended, nothing kept
    if (!m_server.waitForFinished(30000)) {
        signal(SIGQUIT);
        if (!m_server.waitForFinished(10000))
            m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QString PostgresServer::uri(const QString &database) const
{
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4")
        .arg(database, m_dir.path(), QString::number(m_port), QString::fromLatin1(Superuser));
}

bool PostgresServer::createDatabase(const QString &name, QString *error) const
{
    QString message;
    query("postgres",
          QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING 'UTF8' LOCALE_PROVIDER icu "
                         "ICU_LOCALE '%2' LOCALE 'C.UTF-8'")
              .arg(name, GreekIcuLocale),
          &message);
    if (!message.isEmpty()) {
        if (error)
            *error = "creating the database failed: " + message;
        return false;
    }
    return true;
}

bool PostgresServer::createPractice(const QString &name, QString *error) const
{
    if (!createDatabase(name, error))
        return false;
    try {
        Connection connection(QStringLiteral("Data Source=%1").arg(uri(name)));
        schema::createServerPractice(connection);
    } catch (const DbError &e) {
        if (error)
            *error = e.text();
        return false;
    }
    return true;
}

QString PostgresServer::query(const QString &database, const QString &sql, QString *error) const
{
    PGconn *connection = PQconnectdb(uri(database).toUtf8().constData());
    QString value;
    if (PQstatus(connection) != CONNECTION_OK) {
        if (error)
            *error = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    } else {
        PGresult *result = PQexec(connection, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            if (error)
                *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        } else {
            if (error)
                error->clear();
            if (PQntuples(result) > 0 && PQnfields(result) > 0)
                value = QString::fromUtf8(PQgetvalue(result, 0, 0));
        }
        PQclear(result);
    }
    PQfinish(connection);
    return value;
}

PostgresSession::PostgresSession(const QString &uri) : m_connection(PQconnectdb(uri.toUtf8().constData()))
{
    if (PQstatus(m_connection) != CONNECTION_OK)
        m_error = QString::fromUtf8(PQerrorMessage(m_connection)).trimmed();
}

PostgresSession::~PostgresSession() { PQfinish(m_connection); }

bool PostgresSession::isOpen() const { return PQstatus(m_connection) == CONNECTION_OK; }

bool PostgresSession::run(const QString &sql, const QVariantList &values)
{
    m_rows.clear();
    std::vector<QByteArray> texts;
    for (const QVariant &value : values)
        texts.push_back(value.isNull() ? QByteArray() : value.toString().toUtf8());
    std::vector<const char *> pointers;
    for (size_t i = 0; i < texts.size(); ++i)
        pointers.push_back(values[qsizetype(i)].isNull() ? nullptr : texts[i].constData());
    PGresult *result = PQexecParams(m_connection, sql.toUtf8().constData(), int(pointers.size()), nullptr,
                                    pointers.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
    m_error = ok ? QString() : QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    for (int r = 0; ok && r < PQntuples(result); ++r) {
        QStringList row;
        for (int c = 0; c < PQnfields(result); ++c)
            row << QString::fromUtf8(PQgetvalue(result, r, c));
        m_rows << row;
    }
    PQclear(result);
    return ok;
}

QStringList PostgresSession::column(int index) const
{
    QStringList values;
    for (const QStringList &row : m_rows)
        values << row.value(index);
    return values;
}

QStringList PostgresSession::notifications(int milliseconds)
{
    QStringList payloads;
    QDeadlineTimer deadline(milliseconds);
    while (true) {
        PQconsumeInput(m_connection);
        while (PGnotify *notice = PQnotifies(m_connection)) {
            payloads << QString::fromUtf8(notice->extra);
            PQfreemem(notice);
        }
        if (!payloads.isEmpty() || deadline.hasExpired())
            return payloads;
        pollfd socket = {PQsocket(m_connection), POLLIN, 0};
        poll(&socket, 1, int(qMax<qint64>(1, deadline.remainingTime())));
    }
}
