// The 100,000-child register read from the practice's server, through the program's data set
// and through bare libpq, beside the same rows read from the encrypted file; the server is a
// private one on a Unix socket of this machine.
#include "billing/receipts.h"
#include "children_fixture.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/global.h"
#include "data/schema.h"
#include "postgres_server.h"

#include <QCoreApplication>
#include <QDir>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

namespace {

const QString AllChildren = QStringLiteral(
    "SELECT ID,ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,"
    "ONOMATEPWNYMO_KHDEMONA,THLEFWNO_1,THLEFWNO_2,DIEYTHYNSH FROM STOIXEIA_PAIDIOY ORDER BY EPWNYMO ASC");

const char *const ServerChildren =
    "CREATE TABLE stoixeia_paidioy (velmora_row bigint GENERATED ALWAYS AS IDENTITY UNIQUE, id integer PRIMARY KEY, "
    "onoma varchar(255), epwnymo varchar(255), fylo varchar(255), hmeromhnia_gennhsews date, "
    "onomatepwnymo_patera varchar(255), onomatepwnymo_mhteras varchar(255), onomatepwnymo_khdemona varchar(255), "
    "thlefwno_1 varchar(255), thlefwno_2 varchar(255), dieythynsh varchar(255));"
    "CREATE INDEX stoixeia_paidioy_epwnymo ON stoixeia_paidioy(epwnymo)";

QString fileConnection()
{
    return connectionStringFor(practiceDirectory());
}

// The file's children copied to the server once per run.
PostgresServer &server()
{
    static PostgresServer running;
    static const bool started = [] {
        QString error;
        if (!PostgresServer::unavailableReason().isEmpty() || !running.start(&error))
            qFatal("no server for the benchmark: %s %s", qPrintable(PostgresServer::unavailableReason()), qPrintable(error));
        Connection file(fileConnection());
        DataSet children(file);
        children.setSql(QString(AllChildren).replace(" ORDER BY EPWNYMO ASC", ""));
        children.open();
        PGconn *conn = PQconnectdb(running.uri().toUtf8().constData());
        PQclear(PQexec(conn, ServerChildren));
        PQclear(PQexec(conn, "COPY stoixeia_paidioy(id, onoma, epwnymo, fylo, hmeromhnia_gennhsews, "
                             "onomatepwnymo_patera, onomatepwnymo_mhteras, onomatepwnymo_khdemona, thlefwno_1, "
                             "thlefwno_2, dieythynsh) FROM STDIN"));
        for (int row = 0; row < children.recordCount(); ++row) {
            QStringList line;
            for (int c = 0; c < children.fieldCount(); ++c) {
                const QVariant v = children.value(row, c);
                line << (v.isNull() ? QStringLiteral("\\N") : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                                                             : v.toString());
            }
            const QByteArray data = (line.join('\t') + '\n').toUtf8();
            PQputCopyData(conn, data.constData(), int(data.size()));
        }
        PQputCopyEnd(conn, nullptr);
        PQclear(PQgetResult(conn));
        PQclear(PQexec(conn, "ANALYZE stoixeia_paidioy"));
        PQfinish(conn);
        return true;
    }();
    Q_UNUSED(started);
    return running;
}

void readThroughDataSet(benchmark::State &state, const QString &connectionString)
{
    Connection c(connectionString);
    int rows = 0;
    for (auto _ : state) {
        DataSet set(c);
        set.setSql(AllChildren);
        set.open();
        rows = set.recordCount();
    }
    state.counters["rows"] = rows;
}

void BM_Register_File_DataSet(benchmark::State &state)
{
    readThroughDataSet(state, fileConnection());
}
BENCHMARK(BM_Register_File_DataSet)->Unit(benchmark::kMillisecond);

void BM_Register_Server_DataSet(benchmark::State &state)
{
    readThroughDataSet(state, QStringLiteral("Data Source=%1").arg(server().uri()));
}
BENCHMARK(BM_Register_Server_DataSet)->Unit(benchmark::kMillisecond);

// Every value of every row looked at, nothing kept: the least a reader through libpq does.
void BM_Register_Server_BareLibpq(benchmark::State &state)
{
    PGconn *conn = PQconnectdb(server().uri().toUtf8().constData());
    const QByteArray sql = AllChildren.toUtf8();
    int rows = 0;
    for (auto _ : state) {
        PGresult *result = PQexecParams(conn, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        rows = PQntuples(result);
        size_t bytes = 0;
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < PQnfields(result); ++c) {
                benchmark::DoNotOptimize(PQgetvalue(result, row, c));
                bytes += size_t(PQgetlength(result, row, c));
            }
        benchmark::DoNotOptimize(bytes);
        PQclear(result);
    }
    state.counters["rows"] = rows;
    PQfinish(conn);
}
BENCHMARK(BM_Register_Server_BareLibpq)->Unit(benchmark::kMillisecond);

// One receipt issued as the issue window records it: number locked and taken, income row,
// receipt row, counter, in one transaction; on a practice file and on a practice's server.
void issueReceipts(benchmark::State &state, const QString &connectionString)
{
    Connection c(connectionString);
    if (c.scalar(QStringLiteral("SELECT COUNT(*) FROM LAST_APODEIKSH")).toInt() == 0)
        c.execute(QStringLiteral("INSERT INTO LAST_APODEIKSH([LAST]) VALUES(1)"));
    for (auto _ : state)
        recordReceipt(c, {QStringLiteral("1"), QStringLiteral("Νίκος"), QStringLiteral("Παπαδάκης"), 25.5,
                          QStringLiteral("Επίσκεψη"), QStringLiteral("Μητέρα"), QStringLiteral("ΕΟΠΥΥ")});
}

void BM_Receipt_File(benchmark::State &state)
{
    static const QString folder = [] {
        const QString dir = QDir(workDirectory().path()).filePath(QStringLiteral("receipts"));
        QDir().mkpath(dir);
        schema::createDatabase(QDir(dir).filePath(DataFileName), DbPassword);
        return dir;
    }();
    issueReceipts(state, connectionStringFor(folder));
}
BENCHMARK(BM_Receipt_File)->Unit(benchmark::kMillisecond);

void BM_Receipt_Server(benchmark::State &state)
{
    static const bool made = [] {
        QString error;
        if (!server().createPractice(QStringLiteral("receipts"), &error))
            qFatal("no practice on the server: %s", qPrintable(error));
        return true;
    }();
    Q_UNUSED(made);
    issueReceipts(state, QStringLiteral("Data Source=%1").arg(server().uri(QStringLiteral("receipts"))));
}
BENCHMARK(BM_Receipt_Server)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
