#include "postgres_server.h"

#include <QTest>

#include <libpq-fe.h>

// The private server the tests of the server side run against.
class ServerTest : public QObject {
    Q_OBJECT
    PostgresServer m_server;

private slots:
    void initTestCase() { START_POSTGRES_OR_SKIP(m_server); }

    void answersOnItsSocketOnly()
    {
        PGconn *connection = PQconnectdb(m_server.uri().toUtf8().constData());
        QCOMPARE(PQstatus(connection), CONNECTION_OK);
        PGresult *result = PQexec(connection, "SELECT 1");
        QCOMPARE(PQresultStatus(result), PGRES_TUPLES_OK);
        QCOMPARE(QByteArray(PQgetvalue(result, 0, 0)), QByteArray("1"));
        PQclear(result);
        PQfinish(connection);
        QCOMPARE(m_server.query("velmora", "SHOW listen_addresses"), QString());
    }

    // Latin before Greek, case and accents second, as the program's own order has them.
    void sortsInTheGreekCollation()
    {
        QString error;
        const QString sorted = m_server.query(
            "velmora",
            "SELECT string_agg(n, ',' ORDER BY n) FROM (VALUES ('Ωμέγα'), ('άλφα'), ('Zeta'), ('Άλφα'), ('alpha'), "
            "('Βήτα')) AS t(n)",
            &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sorted, QStringLiteral("alpha,Zeta,άλφα,Άλφα,Βήτα,Ωμέγα"));
    }

    void stopsWithItsObject()
    {
        const QString socket = m_server.socketDirectory() + "/.s.PGSQL." + QString::number(m_server.port());
        QVERIFY(QFile::exists(socket));
        {
            PostgresServer second;
            QString error;
            QVERIFY2(second.start(&error), qPrintable(error));
            QCOMPARE(second.query("velmora", "SELECT 2"), QStringLiteral("2"));
            QVERIFY(second.socketDirectory() != m_server.socketDirectory());
        }
        QCOMPARE(m_server.query("velmora", "SELECT 3"), QStringLiteral("3"));
    }
};

QObject *newServerTest() { return new ServerTest; }

#include "tst_server.moc"
